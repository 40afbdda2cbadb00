// sweepora-cli misc, archives and installers on fixture trees.
#include "CliRunner.h"
#include "support/TreeBuilder.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Sweepora::Test;

namespace {

std::optional<QDateTime> birthTime(const QString& path)
{
    struct statx sx;
    if (::statx(AT_FDCWD, TreeBuilder::bytes(path).c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0 ||
        !(sx.stx_mask & STATX_BTIME))
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(sx.stx_btime.tv_sec) * 1000 + sx.stx_btime.tv_nsec / 1'000'000,
                                          Qt::UTC);
}

class MiscCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_log = tree.file(QStringLiteral("var/debug.log"), 3000);
        m_zip = tree.file(QStringLiteral("Downloads/photos.zip"), 9000);
        m_pkg = tree.file(QStringLiteral("Downloads/Tool.pkg/Contents/payload"), 5000);
        tree.file(QStringLiteral(".cache/hidden.log"), 10);
        if (!birthTime(m_zip))
            GTEST_SKIP() << "this file system records no birth times";
    }
    QStringList args(const QString& rest) const
    {
        return QStringList{QStringLiteral("--home"), m_dir.path(), QStringLiteral("--json")} +
               rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
    TreeBuilder tree{m_dir.path()};
    QString m_log, m_zip, m_pkg;
};

} // namespace

TEST_F(MiscCli, ListsPathSizeAndCreationTime)
{
    const CliRun run = runCli(args(QStringLiteral("misc")));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.at("command").toString(), QStringLiteral("misc"));
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("发现 1 个闲杂文件"));
    ASSERT_EQ(run.items().size(), 1);
    const QJsonObject item = run.items()[0].toObject();
    EXPECT_EQ(item[QLatin1String("path")].toString(), m_log);
    EXPECT_GE(item[QLatin1String("size")].toInteger(), 3000);
    const QDateTime created = QDateTime::fromString(item[QLatin1String("created")].toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(created.isValid()) << item[QLatin1String("created")].toString().toStdString();
    EXPECT_EQ(created, *birthTime(m_log));

    const CliRun extra = runCli(args(QStringLiteral("installers --min 3")));
    EXPECT_EQ(extra.exitCode, 1);
    EXPECT_EQ(extra.at("command").toString(), QStringLiteral("installers"));
    EXPECT_TRUE(extra.at("error").toBool());
}

TEST_F(MiscCli, NowMovesTheOneMonthCutoff)
{
    const QDateTime born = *birthTime(m_zip);
    // Brand new: nothing is a month old.
    CliRun run = runCli(args(QStringLiteral("archives")));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.items().isEmpty());
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("没有发现一个月以前的压缩包"));

    const QDateTime monthLater = born.addMonths(1);
    if (monthLater.addMonths(-1) == born) {
        run = runCli(
            args(QStringLiteral("--now ") + monthLater.toString(Qt::ISODateWithMs) + QStringLiteral(" archives")));
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.items().isEmpty()) << "exactly one month old is not older than the cutoff";
    }
    run = runCli(args(QStringLiteral("--now ") + monthLater.addSecs(1).toString(Qt::ISODateWithMs) +
                      QStringLiteral(" archives")));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.items().size(), 1);
    EXPECT_EQ(run.items()[0].toObject()[QLatin1String("path")].toString(), m_zip);

    // The package folder is one installer, sized by what it holds.
    run = runCli(args(QStringLiteral("--now 2100-01-01T00:00:00Z installers")));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.items().size(), 1);
    EXPECT_EQ(run.items()[0].toObject()[QLatin1String("path")].toString(),
              m_dir.path() + QStringLiteral("/Downloads/Tool.pkg"));
    EXPECT_GE(run.items()[0].toObject()[QLatin1String("size")].toInteger(), 5000);
}

TEST_F(MiscCli, MoveToTrashMovesTheListedFiles)
{
    QTemporaryDir data;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    const CliRun run = runCli(args(QStringLiteral("--now 2100-01-01T00:00:00Z archives --move-to-trash --yes")), env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.at("moved").toArray(), QJsonArray{m_zip}) << run.out.toStdString();
    EXPECT_TRUE(run.at("failed").toArray().isEmpty());
    EXPECT_EQ(run.at("message").toString(), QStringLiteral("已将 1 个文件移到废纸篓"));
    EXPECT_FALSE(QFileInfo::exists(m_zip));
    EXPECT_TRUE(QFileInfo::exists(m_log));
}
