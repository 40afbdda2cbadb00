#pragma once

#include "core/access/AccessManager.h"
#include "core/platform/Notifications.h"
#include "support/AccessFixture.h"
#include "support/TreeBuilder.h"
#include "support/Wait.h"

#include <QSignalSpy>

#include <memory>

namespace Sweepora::Test {

// AccessFixture with a tree builder rooted at the private home, and the home grant on request.
class HomeFixture : public AccessFixture
{
protected:
    void SetUp() override
    {
        AccessFixture::SetUp();
        m_tree = std::make_unique<TreeBuilder>(home());
        m_trashNotices = std::make_unique<QSignalSpy>(&Core::Notifications::instance(),
                                                      &Core::Notifications::trashContentsDidChange);
    }

    // Grants the home folder through the scripted picker, as the user would.
    void grantHome()
    {
        m_picker->answerWith(home());
        bool granted = false;
        Core::AccessManager::requestHomeAuthorization([&](bool ok) { granted = ok; });
        ASSERT_TRUE(granted);
    }

    // True once the model reaches `state` (a view model's job has run and handed back).
    template <class Model, class State> static bool waitForState(const Model& model, State state, int ms = 10000)
    {
        return waitUntil([&] { return model.state() == state; }, ms);
    }
    // True once exactly `count` "trash contents changed" notices have been posted in this test.
    bool trashNoticesReach(int count) const
    {
        return waitUntil([&] { return m_trashNotices->count() >= count; }) && m_trashNotices->count() == count;
    }

    std::unique_ptr<TreeBuilder> m_tree;
    std::unique_ptr<QSignalSpy> m_trashNotices;
};

} // namespace Sweepora::Test
