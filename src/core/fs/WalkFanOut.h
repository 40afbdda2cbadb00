#pragma once

#include "core/fs/WalkVisitor.h"

#include <vector>

namespace Sweepora::Core {

// Lets several scanners share one walk: every entry goes to each of them, so the listing and
// any stat are paid once (the entry remembers its metadata). The walk enters a folder when any
// of them wants it, so each scanner must still judge every entry it sees; scanners that share
// a walk should therefore share its skipping rules (WalkOptions). One fan-out per thread, over
// that thread's visitors.
class WalkFanOut final : public WalkVisitor
{
public:
    explicit WalkFanOut(std::vector<WalkVisitor*> visitors) : m_visitors(std::move(visitors)) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        bool enter = false;
        for (WalkVisitor* v : m_visitors)
            enter = (v->visit(entry) == WalkAction::proceed) || enter;
        return enter ? WalkAction::proceed : WalkAction::skipChildren;
    }

    void folderListed(const WalkFolder& folder) override
    {
        for (WalkVisitor* v : m_visitors)
            v->folderListed(folder);
    }

private:
    std::vector<WalkVisitor*> m_visitors;
};

} // namespace Sweepora::Core
