#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace Sweepora::Ui {

// A warning that asks before something that cannot be taken back lightly. "取消" is the default
// button and the answer to Escape; `onConfirm` runs only for the action button. The box deletes
// itself when closed.
QMessageBox* askToConfirm(QWidget* parent, const QString& title, const QString& text, const QString& action,
                          std::function<void()> onConfirm);

} // namespace Sweepora::Ui
