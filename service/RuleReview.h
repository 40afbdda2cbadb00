#pragma once

#include "rules/CleanupRule.h"

#include <QString>
#include <QStringList>

namespace Sweepora::Service {

// The automatic checks that an uploaded or published rule must pass before other people's
// machines see it. A rule passes only when its name and PackName are present and sane, it has
// 1 to 50 paths, and every path is a rule form that stays inside the home folder without
// touching documents, the desktop, downloads, mail, keychains, browser profiles or other data
// people keep. Names are compared without regard to case, as on a case-insensitive disk.
struct ReviewVerdict
{
    bool passed = false;
    QStringList problems; // in Chinese, one per problem found

    // The problems as one sentence for the uploader ("" when the rule passed).
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

    static ReviewVerdict review(const Core::CleanupRule& rule);

    // The problem with one rule path, or an empty string when it is acceptable.
    static QString pathProblem(const QString& rulePath);
};

} // namespace Sweepora::Service
