#include "support/ScopedTreeFixture.h"

#include "support/AccessFixture.h"

#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"

namespace Sweepora::Test {

void ScopedTreeFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid() && m_data.isValid());
    m_context.setLayout(withOwnData(Core::PlatformLayout::system(), m_data.path()));
    Core::Sandbox::openScope(m_dir.path());
}

} // namespace Sweepora::Test
