#pragma once

#include "support/LogCapture.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace Sweepora::Test {

// For the engines, which do no access checks of their own: a temporary folder that is the one
// open scope, a tree builder at it and the captured log. The Trash goes back to the real one.
class ScopedTreeFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString home() const { return m_dir.path(); }
    QStringList loggedLines() const { return m_log.lines(); }

    QTemporaryDir m_dir;
    TreeBuilder m_tree{m_dir.path()};
    LogCapture m_log;
};

} // namespace Sweepora::Test
