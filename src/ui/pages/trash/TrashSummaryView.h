#pragma once

#include <QWidget>

class QLabel;
class QMessageBox;
class QPushButton;

namespace Sweepora::Core {
class EmptyTrashViewModel;
class TrashSummaryViewModel;
} // namespace Sweepora::Core

namespace Sweepora::Ui {

// The Trash card: "废纸篓" and one status line. Pressing it opens the Trash folder in the file
// browser. It counts when first shown, after every clean and new grant, and when the
// application becomes active again while the Trash could not be read. The card owns its model.
class TrashSummaryView : public QWidget
{
    Q_OBJECT
public:
    static inline const QString kSystemSettingsAddress =
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles");

    explicit TrashSummaryView(QWidget* parent = nullptr);
    ~TrashSummaryView() override;

    Core::TrashSummaryViewModel& model() const { return *m_model; }
    QPushButton* button() const { return m_button; }
    QString statusText() const;
    // The full-disk-access alert while it is up, else null.
    QMessageBox* accessAlert() const { return m_alert; }
    Core::EmptyTrashViewModel& emptying() const { return *m_emptying; }
    QPushButton* emptyButton() const { return m_emptyButton; }
    // The question before emptying, while it is up.
    QMessageBox* emptyConfirmation() const { return m_emptyConfirmation; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateStatus();
    void updateAlert();
    void updateEmptying();
    void askToEmpty();

    Core::TrashSummaryViewModel* m_model = nullptr; // a child of the card
    QPushButton* m_button = nullptr;
    QLabel* m_status = nullptr;
    QMessageBox* m_alert = nullptr;
    Core::EmptyTrashViewModel* m_emptying = nullptr; // a child of the card
    QPushButton* m_emptyButton = nullptr;
    QLabel* m_emptyMessage = nullptr;
    QMessageBox* m_emptyConfirmation = nullptr;
    bool m_shown = false;
};

} // namespace Sweepora::Ui
