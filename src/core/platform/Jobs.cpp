#include "core/platform/Jobs.h"

#include "core/platform/Context.h"

namespace Sweepora::Core {

QThreadPool& jobPool()
{
    return Context::current().jobPool();
}

} // namespace Sweepora::Core
