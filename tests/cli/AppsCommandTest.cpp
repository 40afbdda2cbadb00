// sweepora-cli app-caches and apps on fixture roots.
#include "cli/CliRunner.h"
#include "support/BundleBuilder.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Sweepora::Test;

namespace {

class AppsCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_home = m_root.path() + QStringLiteral("/home");
        m_shared = m_root.path() + QStringLiteral("/Applications");
        m_tree = std::make_unique<TreeBuilder>(m_home);
        m_tree->folder(QStringLiteral("Applications"));
        QDir().mkpath(m_shared);

        BundlePlist editor = BundleBuilder::binary(QStringLiteral("com.editor"), 1000);
        editor.displayName = QStringLiteral("Editor");
        BundleBuilder::make(m_shared + QStringLiteral("/Editor.app"), editor);
        BundlePlist homeEditor = BundleBuilder::xml(QStringLiteral("com.editor"), 50);
        homeEditor.bundleName = QStringLiteral("My Editor");
        BundleBuilder::make(m_home + QStringLiteral("/Applications/Editor.app"), homeEditor);
        BundleBuilder::make(m_shared + QStringLiteral("/Tools/NoID.app"), BundlePlist{});
        m_cache = m_tree->file(QStringLiteral("Library/Caches/com.editor/c"), 70);
        m_tree->file(QStringLiteral("Library/Caches/com.editor/.hidden"), 7);
    }

    QStringList withRoots(const char* command) const
    {
        return QStringList{QStringLiteral("--home"),     m_home,
                           QStringLiteral("--json"),     QString::fromUtf8(command),
                           QStringLiteral("--app-root"), m_shared,
                           QStringLiteral("--app-root"), m_home + QStringLiteral("/Applications")};
    }

    QTemporaryDir m_root;
    QString m_home;
    QString m_shared;
    QString m_cache;
    std::unique_ptr<TreeBuilder> m_tree;
};

TEST_F(AppsCli, AppCachesListsOneResultPerIdentifierUnderTheHomeCopysName)
{
    const CliRun run = runCli(withRoots("app-caches"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("发现 1 个应用的缓存垃圾"));
    const QJsonArray items = run.items();
    ASSERT_EQ(items.size(), 1);
    const QJsonObject item = items[0].toObject();
    EXPECT_EQ(item[QLatin1String("bundleID")].toString(), QStringLiteral("com.editor"));
    EXPECT_EQ(item[QLatin1String("name")].toString(), QStringLiteral("My Editor"));
    EXPECT_EQ(item[QLatin1String("size")].toInteger(), 70);
    EXPECT_EQ(item[QLatin1String("files")].toArray(), QJsonArray{m_cache});
}

TEST_F(AppsCli, AppsListsEveryBundleWithItsRelatedItemsLargestFirst)
{
    const CliRun run = runCli(withRoots("apps"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("找到 3 个应用"));
    const QJsonArray items = run.items();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].toObject()[QLatin1String("name")].toString(), QStringLiteral("Editor"));
    QStringList withoutID;
    for (const QJsonValue& v : items) {
        const QJsonObject app = v.toObject();
        const QJsonArray related = app[QLatin1String("related")].toArray();
        if (app[QLatin1String("bundleID")].isNull())
            withoutID << app[QLatin1String("name")].toString();
        // One related cache per identified bundle; its hidden files count too.
        ASSERT_EQ(related.size(), app[QLatin1String("bundleID")].isNull() ? 0 : 1);
        const qint64 relatedSize = related.isEmpty() ? 0 : related[0].toObject()[QLatin1String("size")].toInteger();
        EXPECT_EQ(relatedSize, related.isEmpty() ? 0 : 77);
        EXPECT_EQ(app[QLatin1String("totalSize")].toInteger(), app[QLatin1String("appSize")].toInteger() + relatedSize);
    }
    EXPECT_EQ(withoutID, QStringList{QStringLiteral("NoID")});
}

TEST_F(AppsCli, MovingWithoutATerminalNeedsYesAndWithYesUninstallsEverything)
{
    EXPECT_EQ(runCli({QStringLiteral("--home"), m_home, QStringLiteral("apps"), QStringLiteral("--bogus")}).exitCode,
              1);
    EXPECT_EQ(
        runCli({QStringLiteral("--home"), m_home, QStringLiteral("app-caches"), QStringLiteral("--app-root")}).exitCode,
        1);
    QStringList args = withRoots("apps");
    args << QStringLiteral("--move-to-trash");
    EXPECT_EQ(runCli(args).exitCode, 1);
    EXPECT_TRUE(QDir(m_shared + QStringLiteral("/Editor.app")).exists());

    args << QStringLiteral("--yes");
    const CliRun run = runCli(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QDir(m_shared + QStringLiteral("/Editor.app")).exists());
    EXPECT_FALSE(QDir(m_home + QStringLiteral("/Applications/Editor.app")).exists());
    EXPECT_FALSE(QFile::exists(m_cache));
    EXPECT_TRUE(run.at("failed").toArray().isEmpty());
    EXPECT_TRUE(run.at("message").toString().contains(QStringLiteral("已移到废纸篓")));
}

} // namespace
