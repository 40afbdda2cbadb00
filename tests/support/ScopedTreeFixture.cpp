#include "support/ScopedTreeFixture.h"

#include "platform/Sandbox.h"

namespace Sweepora::Test {

void ScopedTreeFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    Core::Sandbox::openScope(m_dir.path());
}

} // namespace Sweepora::Test
