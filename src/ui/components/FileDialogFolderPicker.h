#pragma once

#include "core/platform/FolderPicker.h"

#include <QPointer>
#include <QWidget>

namespace Sweepora::Ui {

// The folder picker of the GUI: a non-modal directory dialog over the given window. The
// completion runs once, when the dialog closes, with the chosen folder (carrying access
// rights) or with nothing when it was cancelled.
class FileDialogFolderPicker : public Core::FolderPicker
{
public:
    explicit FileDialogFolderPicker(QWidget* window);

    void pickFolder(const Core::FolderPickerRequest& request, Completion completion) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace Sweepora::Ui
