#include "support/ScopedTreeFixture.h"

#include "platform/Log.h"
#include "platform/Sandbox.h"
#include "trash/Trash.h"

namespace Sweepora::Test {

using namespace Sweepora::Core;

void ScopedTreeFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    Sandbox::reset();
    Sandbox::openScope(m_dir.path());
    Log::setSink([this](const QString& line) { m_log.append(line); });
}

void ScopedTreeFixture::TearDown()
{
    Log::setSink(nullptr);
    Trash::setCurrent(nullptr);
}

} // namespace Sweepora::Test
