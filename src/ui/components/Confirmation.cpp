#include "ui/components/Confirmation.h"

#include <QMessageBox>
#include <QPushButton>

namespace Sweepora::Ui {

QMessageBox* askToConfirm(QWidget* parent, const QString& title, const QString& text, const QString& action,
                          std::function<void()> onConfirm)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("confirmation"));
    QPushButton* cancel = box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    QPushButton* yes = box->addButton(action, QMessageBox::DestructiveRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [yes, onConfirm = std::move(onConfirm)](QAbstractButton* button) {
                         if (button == yes && onConfirm)
                             onConfirm();
                     });
    box->open();
    return box;
}

} // namespace Sweepora::Ui
