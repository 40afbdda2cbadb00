#include "ui/components/FileDialogFolderPicker.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace Sweepora::Ui {

FileDialogFolderPicker::FileDialogFolderPicker(QWidget* window) : m_window(window)
{}

void FileDialogFolderPicker::pickFolder(const Core::FolderPickerRequest& request, Completion completion)
{
    auto* dialog = new QFileDialog(m_window.data(), request.title, request.directory);
    dialog->setObjectName(QStringLiteral("folderPickerDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.prompt.isEmpty())
        dialog->setLabelText(QFileDialog::Accept, request.prompt);
    // The widget-based dialog has no message line of its own: add one below the file list.
    if (!request.message.isEmpty()) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
            auto* message = new QLabel(request.message, dialog);
            message->setObjectName(QStringLiteral("folderPickerMessage"));
            message->setWordWrap(true);
            grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
        std::optional<Core::FolderUrl> chosenFolder;
        const QStringList files = dialog->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty() && !files.first().isEmpty())
            chosenFolder = chosen(files.first());
        if (completion)
            completion(chosenFolder);
    });
    dialog->show();
}

} // namespace Sweepora::Ui
