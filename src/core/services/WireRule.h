#pragma once

// The service carries cleanup rules in the rule format's own records: RemoteRuleJSON on the way
// in, the local rule's JSON object on the way out.
#include "core/rules/CleanupRule.h"
#include "core/rules/RemoteRuleJSON.h"
