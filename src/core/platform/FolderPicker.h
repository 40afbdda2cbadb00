#pragma once

#include "core/platform/FolderUrl.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace Sweepora::Core {

struct FolderPickerRequest
{
    QString title;
    QString message;
    QString prompt;    // the confirm button's text
    QString directory; // where the picker starts
};

// The open panel: asks the user for one folder, without blocking. The GUI shows a file dialog;
// tests script the answers. The completion runs on the GUI thread, once, with the chosen
// folder (carrying access rights) or nothing when the user cancelled.
class FolderPicker
{
public:
    using Completion = std::function<void(std::optional<FolderUrl>)>;

    virtual ~FolderPicker() = default;
    virtual void pickFolder(const FolderPickerRequest& request, Completion completion) = 0;

    // The installed context's picker (none until the GUI or a test installs one; without one every
    // request completes with nothing).
    static FolderPicker* current();
    static void setCurrent(std::shared_ptr<FolderPicker> picker);

protected:
    // What the user chose in the picker: the only way besides bookmarks to get access rights.
    static FolderUrl chosen(const QString& path) { return FolderUrl::withAccessRights(path); }
};

} // namespace Sweepora::Core
