#include "support/AccessFixture.h"
#include "support/UnprivilegedChild.h"

#include "access/AccessManager.h"
#include "platform/Bookmark.h"
#include "platform/Log.h"
#include "platform/PlatformLayout.h"
#include "platform/Sandbox.h"
#include "platform/Settings.h"
#include "platform/Trash.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

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
    Log::setSink([this](const QString& line) {
        QMutexLocker lock(&m_logMutex);
        m_lines.append(line);
    });
}

void AccessFixture::TearDown()
{
    Log::setSink(nullptr);
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

QStringList AccessFixture::loggedLines() const
{
    QMutexLocker lock(&m_logMutex);
    return m_lines;
}

bool AccessFixture::delegatedToUnprivilegedChild()
{
    if (::geteuid() != 0)
        return false;
    [] {
        ASSERT_FALSE(qEnvironmentVariableIsSet("SWEEPORA_TEST_CHILD")) << "the child still runs as root";
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            GTEST_SKIP() << "needs an unprivileged user: run as non-root, or install setpriv";
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SWEEPORA_TEST_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups"), executableForOtherUsers(),
                              QStringLiteral("--gtest_filter=%1.%2")
                                  .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()))});
        ASSERT_TRUE(child.waitForFinished(-1));
        const std::string output = child.readAll().toStdString();
        ASSERT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0) << output;
    }();
    return true;
}

} // namespace Sweepora::Test
