#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace Sweepora::Core {
class RuleEditorViewModel;
}

namespace Sweepora::Ui {

class BusyIndicator;

// The side panel beside the page, 390 wide: one rule edited, viewed before it is taken in, or
// filled from pasted JSON and uploaded. It draws the model it is given (and takes it over);
// the window reacts to the model's signals.
class RuleEditorPanel : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kWidth = 390;

    explicit RuleEditorPanel(Core::RuleEditorViewModel* model, QWidget* parent = nullptr);

    Core::RuleEditorViewModel& model() const { return *m_model; }

    QLineEdit* nameField() const { return m_name; }
    QLineEdit* descriptionField() const { return m_description; }
    QLineEdit* packNameField() const { return m_packName; }
    QPlainTextEdit* pathsEditor() const { return m_paths; }
    // Null outside uploading mode.
    QPlainTextEdit* jsonEditor() const { return m_json; }
    QPushButton* parseButton() const { return m_parse; }
    // Null in uploading mode.
    QToolButton* exportButton() const { return m_export; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* primaryButton() const { return m_primary; }
    // The result alert while it is shown.
    QMessageBox* resultAlert() const { return m_alert; }

private:
    void showRule();
    void showUploadState();
    void showResult();
    void exportToClipboard();
    void pressPrimary();

    Core::RuleEditorViewModel* m_model;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_packName = nullptr;
    QPlainTextEdit* m_paths = nullptr;
    QPlainTextEdit* m_json = nullptr;
    QPushButton* m_parse = nullptr;
    QToolButton* m_export = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_primary = nullptr;
    BusyIndicator* m_uploadSpinner = nullptr;
    QMessageBox* m_alert = nullptr;
};

} // namespace Sweepora::Ui
