// The service's replies are read strictly: every body either decodes or names its problem,
// whichever record the client expected.
#include "FuzzCheck.h"
#include "core/services/AppVersion.h"
#include "core/services/CloudTasks.h"
#include "core/services/HTTPUtil.h"
#include "core/services/Hitokoto.h"
#include "core/services/MarketTasks.h"
#include "core/services/Verification.h"

using namespace Sweepora::Core;

namespace {

template <typename T> void decodeAs(const QByteArray& body)
{
    const ServiceResult<T> result = HTTPUtil::decode<T>(body);
    if (!result) {
        const DecodingError* error = result.error().decodingError();
        FUZZ_CHECK(error != nullptr && !error->localizedDescription().isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzzBytes(data, size);
    decodeAs<CloudTaskEnvelope>(body);
    decodeAs<MarketTaskEnvelope>(body);
    decodeAs<UploadMarketTaskEnvelope>(body);
    decodeAs<AppVersionEnvelope>(body);
    decodeAs<VerificationResponse>(body);
    decodeAs<HitokotoResponse>(body);
    decodeAs<ServerErrorEnvelope>(body);
    return 0;
}
