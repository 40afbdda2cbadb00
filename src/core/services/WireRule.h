#pragma once

// The service carries cleanup rules in the rule format's own records: RemoteRuleJSON on the way
// in, the local rule's JSON object on the way out.
#include "rules/CleanupRule.h"
#include "rules/RemoteRuleJSON.h"
