#include "core/trash/Trash.h"

#include "core/platform/Context.h"

#ifdef Q_OS_MACOS
#include <QFile>
#include <cerrno>
#else
#include "core/trash/FreedesktopTrash.h"
#endif

namespace Sweepora::Core {
namespace {

#ifdef Q_OS_MACOS
// The system's own Trash, through Qt; it knows the volume trashes and the Finder's bookkeeping.
class NativeTrash final : public Trash
{
public:
    Result trashItem(const Item& item) override
    {
        QFile file(item.path);
        if (!file.moveToTrash())
            return {false, QStringLiteral("无法移到废纸篓（%1）").arg(file.errorString()), {}, 0};
        return {true, {}, file.fileName(), 0};
    }
};
#endif

} // namespace

std::shared_ptr<Trash> Trash::platform()
{
#ifdef Q_OS_MACOS
    return std::make_shared<NativeTrash>();
#else
    return std::make_shared<FreedesktopTrash>();
#endif
}

Trash& Trash::current()
{
    return Context::current().trash();
}

void Trash::setCurrent(std::shared_ptr<Trash> trash)
{
    Context::current().setTrash(std::move(trash));
}

} // namespace Sweepora::Core
