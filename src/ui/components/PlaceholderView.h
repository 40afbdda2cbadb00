#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace Sweepora::Ui {

class BusyIndicator;

// What a page shows instead of an empty list, centred: a large symbol (or a spinner while
// busy), a title and an optional subtitle in the secondary colour.
class PlaceholderView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSymbolSize = 54;

    explicit PlaceholderView(QWidget* parent = nullptr);

    void setSymbol(const QString& name);
    QString symbolName() const { return m_symbol; }
    // While busy the spinner replaces the symbol.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }

    void setTitle(const QString& title);
    QString title() const;
    // An empty subtitle is hidden.
    void setSubtitle(const QString& subtitle);
    QString subtitle() const;
    // "去授权", shown with the message that asks for the home grant.
    QPushButton* grantButton() const { return m_grant; }
    // "取消", shown while the page's work can be stopped; the page connects it.
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateSymbol();

    QString m_symbol;
    bool m_busy = false;
    QLabel* m_symbolLabel = nullptr;
    BusyIndicator* m_spinner = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QPushButton* m_grant = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace Sweepora::Ui
