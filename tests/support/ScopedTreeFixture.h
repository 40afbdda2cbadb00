#pragma once

#include "core/platform/Context.h"
#include "core/platform/Sandbox.h"
#include "support/AccessFixture.h"
#include "support/LogCapture.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace Sweepora::Test {

// For the engines, which do no access checks of their own: a context of its own in which a
// temporary folder is the one open scope, a tree builder at it, its own Trash and journal, and
// the captured log.
class ScopedTreeFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid() && m_data.isValid());
        m_context.setLayout(withOwnData(Core::PlatformLayout::system(), m_data.path()));
        Core::Sandbox::openScope(m_dir.path());
    }

    QString home() const { return m_dir.path(); }
    QStringList loggedLines() const { return m_log.lines(); }

    QTemporaryDir m_dir;
    QTemporaryDir m_data;
    TreeBuilder m_tree{m_dir.path()};
    Core::Context m_context;
    Core::Context::Scope m_installed{m_context};
    LogCapture m_log;
};

} // namespace Sweepora::Test
