#include "core/platform/FolderPicker.h"

#include "core/platform/Context.h"

namespace Sweepora::Core {

FolderPicker* FolderPicker::current()
{
    return Context::current().folderPicker();
}

void FolderPicker::setCurrent(std::shared_ptr<FolderPicker> picker)
{
    Context::current().setFolderPicker(std::move(picker));
}

} // namespace Sweepora::Core
