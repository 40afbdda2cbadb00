#include "support/AccessFixture.h"

#include "access/AccessManager.h"
#include "platform/Bookmark.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "platform/Settings.h"
#include "trash/Trash.h"

#include <QDir>

namespace Sweepora::Test {

using namespace Sweepora::Core;

void AccessFixture::SetUp()
{
    ASSERT_TRUE(m_root.isValid());
    m_home = makeFolder(QStringLiteral("home/u"));
    PlatformLayout::setCurrent(layoutFor(m_home));
    Settings::store().clear(); // the process has a settings file of its own
    AccessManager::resetForTesting();
    Sandbox::reset();
    m_picker = ScriptedFolderPicker::install();
}

void AccessFixture::TearDown()
{
    FolderPicker::setCurrent(nullptr);
    Trash::setCurrent(nullptr);
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
