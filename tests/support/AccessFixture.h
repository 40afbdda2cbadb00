#pragma once

#include "platform/Context.h"
#include "platform/PlatformLayout.h"
#include "support/LogCapture.h"
#include "support/ScriptedFolderPicker.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

namespace Sweepora::Test {

// The layout with its data folder (and so its Trash and journal) moved to `data`: each test has
// its own, as a new user account has, and nothing an earlier test left there counts.
Core::PlatformLayout withOwnData(Core::PlatformLayout layout, const QString& data);

// A context of its own, as in a freshly started process: a private home below a temporary root,
// a scripted picker, captured log lines, empty settings and access tables, the real Trash.
class AccessFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    // The layout to run under.
    virtual Core::PlatformLayout layoutFor(const QString& home) const { return Core::PlatformLayout::forHome(home); }

    QString home() const { return m_home; }
    QString makeFolder(const QString& relative) const; // below the temporary root
    static void replaceFolder(const QString& path);    // a new folder (new identity) at the path
    static void storeHomeGrant(const QString& path);
    QStringList loggedLines() const { return m_log.lines(); }

    std::shared_ptr<ScriptedFolderPicker> m_picker;

private:
    QTemporaryDir m_root;
    QString m_home;
    Core::Context m_context;
    Core::Context::Scope m_installed{m_context};
    LogCapture m_log;
};

} // namespace Sweepora::Test
