#pragma once

#include "core/platform/Bookmark.h"
#include "core/platform/Context.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Settings.h"
#include "support/LogCapture.h"
#include "support/ScriptedFolderPicker.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

namespace Sweepora::Test {

// The layout with its data folder (and so its Trash and journal) moved to `data`: each test has
// its own, as a new user account has, and nothing an earlier test left there counts.
inline Core::PlatformLayout withOwnData(Core::PlatformLayout layout, const QString& data)
{
    for (QString* path : {&layout.trashFolder, &layout.applicationSupport})
        if (path->startsWith(layout.dataHome + QLatin1Char('/')))
            path->replace(0, layout.dataHome.size(), data);
    layout.dataHome = data;
    return layout;
}

// A context of its own, as in a freshly started process: a private home below a temporary root,
// a scripted picker, captured log lines, empty settings and access tables, the real Trash.
class AccessFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_home = makeFolder(QStringLiteral("home/u"));
        m_context.setLayout(withOwnData(layoutFor(m_home), makeFolder(QStringLiteral("data"))));
        m_context.useSettingsFile(m_root.filePath(QStringLiteral("settings.ini")));
        m_picker = ScriptedFolderPicker::install();
    }
    // The layout to run under.
    virtual Core::PlatformLayout layoutFor(const QString& home) const { return Core::PlatformLayout::forHome(home); }

    QString home() const { return m_home; }
    // A folder below the temporary root.
    QString makeFolder(const QString& relative) const
    {
        const QString path = Core::standardizedPath(m_root.path() + QLatin1Char('/') + relative);
        EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
        return path;
    }
    // A new folder (a new identity) at the path. The new folder exists before the old one goes,
    // so it cannot reuse the old inode.
    static void replaceFolder(const QString& path)
    {
        ASSERT_TRUE(QDir().mkdir(path + QStringLiteral(".new")));
        ASSERT_TRUE(QDir().rename(path, path + QStringLiteral(".old")));
        ASSERT_TRUE(QDir().rename(path + QStringLiteral(".new"), path));
    }
    static void storeHomeGrant(const QString& path)
    {
        Core::Settings::store().setValue(Core::Settings::kHomeBookmark,
                                         Core::Bookmark::create(ScriptedFolderPicker::withRights(path)).value());
    }
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
