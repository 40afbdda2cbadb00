// Rule files come from users and from the workshop. A rule that decodes writes a text that
// decodes to the same rule, and the remote record accepts every local rule unchanged.
#include "FuzzCheck.h"
#include "core/rules/CleanupRule.h"
#include "core/rules/RemoteRuleJSON.h"

using namespace Sweepora::Core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text = fuzzBytes(data, size);
    const Decoded<CleanupRule> rule = CleanupRule::fromJson(text);
    FUZZ_CHECK(rule.ok() != !rule.error.isEmpty());
    if (rule) {
        const Decoded<CleanupRule> again = CleanupRule::fromJson(rule.value->toJson());
        FUZZ_CHECK(again && *again.value == *rule.value);
    }
    const Decoded<RemoteRuleJSON> remote = RemoteRuleJSON::fromJson(text);
    FUZZ_CHECK(remote.ok() != !remote.error.isEmpty());
    FUZZ_CHECK(!rule || remote);
    if (remote) {
        const Decoded<RemoteRuleJSON> again = RemoteRuleJSON::fromJsonObject(remote.value->toJsonObject());
        FUZZ_CHECK(again && *again.value == *remote.value);
        FUZZ_CHECK(!rule || remote.value->toCleanupRule() == *rule.value);
    }
    return 0;
}
