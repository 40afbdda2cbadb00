#pragma once

#include "core/rules/CleanupRule.h"

#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// The review a rule from other people must pass before it reaches anyone's disk: the service
// runs it on every upload (a rule that fails is held for an operator), and the application runs
// it before it saves a rule taken from the cloud list or the workshop (a rule that fails is not
// saved). Rules the user writes by hand are not reviewed.
//
// It is an allow-list: a path passes only when it lies inside a cache-type folder of a known
// application layout, because no list of what to refuse can name every secret people keep.
// Names are compared without regard to case, as on a case-insensitive disk.
struct ReviewVerdict
{
    bool passed = false;
    QStringList problems; // in Chinese, one per problem found

    // The problems as one sentence ("" when the rule passed).
    QString reason() const;
};

class RuleReview
{
public:
    static constexpr int kMaxNameLength = 100;
    static constexpr int kMaxPackNameLength = 200;
    static constexpr int kMaxDescriptionLength = 2000;
    static constexpr int kMaxPaths = 50;
    static constexpr int kMaxPathLength = 1024;

    static ReviewVerdict review(const CleanupRule& rule);

    // The problem with one rule path, or an empty string when it is acceptable.
    static QString pathProblem(const QString& rulePath);
};

} // namespace Sweepora::Core
