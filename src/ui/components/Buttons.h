#pragma once

#include <QString>

class QPushButton;
class QToolButton;
class QWidget;

namespace Sweepora::Ui {

// The small buttons of the online pages and sheets: a prominent one filled with the accent
// colour, a bordered one, and a borderless symbol button with a tooltip.
class Buttons
{
public:
    static QPushButton* prominent(const QString& title, QWidget* parent, const QString& symbol = QString());
    static QPushButton* bordered(const QString& title, QWidget* parent);
    static QToolButton* symbol(const QString& symbol, const QString& tooltip, QWidget* parent, int size = 16);
};

} // namespace Sweepora::Ui
