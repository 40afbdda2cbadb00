#include "platform/Jobs.h"

namespace Sweepora::Core {

QThreadPool& jobPool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool; // lives as long as the process, like the global pool
        p->setMaxThreadCount(16);
        p->setExpiryTimeout(30'000);
        return p;
    }();
    return *pool;
}

} // namespace Sweepora::Core
