#include "platform/Jobs.h"

#include "platform/Context.h"

namespace Sweepora::Core {

QThreadPool& jobPool()
{
    return Context::current().jobPool();
}

} // namespace Sweepora::Core
