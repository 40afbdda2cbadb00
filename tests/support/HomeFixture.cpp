#include "support/HomeFixture.h"

#include "access/AccessManager.h"

namespace Sweepora::Test {

void HomeFixture::SetUp()
{
    AccessFixture::SetUp();
    m_tree = std::make_unique<TreeBuilder>(home());
}

void HomeFixture::grantHome()
{
    m_picker->answerWith(home());
    bool granted = false;
    Core::AccessManager::requestHomeAuthorization([&](bool ok) { granted = ok; });
    ASSERT_TRUE(granted);
}

} // namespace Sweepora::Test
