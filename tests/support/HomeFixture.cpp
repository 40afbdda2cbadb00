#include "support/HomeFixture.h"

#include "access/AccessManager.h"
#include "platform/Notifications.h"

namespace Sweepora::Test {

void HomeFixture::SetUp()
{
    AccessFixture::SetUp();
    m_tree = std::make_unique<TreeBuilder>(home());
    m_trashNotices =
        std::make_unique<QSignalSpy>(&Core::Notifications::instance(), &Core::Notifications::trashContentsDidChange);
}

void HomeFixture::grantHome()
{
    m_picker->answerWith(home());
    bool granted = false;
    Core::AccessManager::requestHomeAuthorization([&](bool ok) { granted = ok; });
    ASSERT_TRUE(granted);
}

} // namespace Sweepora::Test
