#include "support/AccessFixture.h"

#include "platform/Bookmark.h"
#include "platform/PlatformLayout.h"
#include "platform/Settings.h"

#include <QDir>

namespace Sweepora::Test {

using namespace Sweepora::Core;

void AccessFixture::SetUp()
{
    ASSERT_TRUE(m_root.isValid());
    m_home = makeFolder(QStringLiteral("home/u"));
    m_context.setLayout(withOwnData(layoutFor(m_home), makeFolder(QStringLiteral("data"))));
    m_context.useSettingsFile(m_root.filePath(QStringLiteral("settings.ini")));
    m_picker = ScriptedFolderPicker::install();
}

PlatformLayout withOwnData(PlatformLayout layout, const QString& data)
{
    for (QString* path : {&layout.trashFolder, &layout.applicationSupport})
        if (path->startsWith(layout.dataHome + QLatin1Char('/')))
            path->replace(0, layout.dataHome.size(), data);
    layout.dataHome = data;
    return layout;
}

QString AccessFixture::makeFolder(const QString& relative) const
{
    const QString path = standardizedPath(m_root.path() + QLatin1Char('/') + relative);
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

void AccessFixture::replaceFolder(const QString& path)
{
    // The new folder exists before the old one goes, so it cannot reuse the old inode.
    ASSERT_TRUE(QDir().mkdir(path + QStringLiteral(".new")));
    ASSERT_TRUE(QDir().rename(path, path + QStringLiteral(".old")));
    ASSERT_TRUE(QDir().rename(path + QStringLiteral(".new"), path));
}

void AccessFixture::storeHomeGrant(const QString& path)
{
    Settings::store().setValue(Settings::kHomeBookmark,
                               Bookmark::create(ScriptedFolderPicker::withRights(path)).value());
}

} // namespace Sweepora::Test
