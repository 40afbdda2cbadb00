#include "core/platform/ProgressRelay.h"

namespace Sweepora::Core {

std::shared_ptr<ProgressRelay> ProgressRelay::create()
{
    return std::shared_ptr<ProgressRelay>(new ProgressRelay, [](ProgressRelay* relay) { relay->deleteLater(); });
}

} // namespace Sweepora::Core
