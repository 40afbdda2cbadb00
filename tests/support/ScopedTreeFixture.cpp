#include "support/ScopedTreeFixture.h"

#include "platform/Sandbox.h"
#include "trash/Trash.h"

namespace Sweepora::Test {

using namespace Sweepora::Core;

void ScopedTreeFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    Sandbox::reset();
    Sandbox::openScope(m_dir.path());
}

void ScopedTreeFixture::TearDown()
{
    Trash::setCurrent(nullptr);
}

} // namespace Sweepora::Test
