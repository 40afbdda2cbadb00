// Runs the real sweepora-cli binary for the quick cleanup's six scans.
#include "cli/CliRunner.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <QTemporaryDir>

using namespace Sweepora::Test;

namespace {

class QuickCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        home.file(QStringLiteral("Library/Logs/app.log"), 3000);
        home.file(QStringLiteral("Downloads/old.zip"), 4000);
        home.file(QStringLiteral("Downloads/disk.iso"), 5000);
        home.folder(QStringLiteral("empty/one"));
        home.folder(QStringLiteral("two"));
    }
    CliRun run(const QString& command) const
    {
        // Two months on: the archive and the disk image count as old.
        return runCli({QStringLiteral("--home"), home.root(), QStringLiteral("--now"), later(),
                       QStringLiteral("--json"), command});
    }
    static QString later() { return QDateTime::currentDateTimeUtc().addMonths(2).toString(Qt::ISODate); }

    QTemporaryDir m_dir;
    TreeBuilder home{m_dir.path()};
};

} // namespace

TEST_F(QuickCli, OneObjectPerScanInCardOrderWithTheSeparateCommandsCounts)
{
    const CliRun quick = run(QStringLiteral("quick"));
    ASSERT_EQ(quick.exitCode, 0) << quick.err.toStdString();
    EXPECT_FALSE(quick.json().contains(QLatin1String("items")));
    const QJsonArray scans = quick.at("scans").toArray();
    ASSERT_EQ(scans.size(), 6);
    const QStringList sections = {QStringLiteral("常规清理"),   QStringLiteral("应用清理"),
                                  QStringLiteral("闲杂文件"),   QStringLiteral("压缩包清理"),
                                  QStringLiteral("安装包清理"), QStringLiteral("空文件夹清理")};
    const QStringList commands = {QStringLiteral("rules"),    QStringLiteral("app-caches"), QStringLiteral("misc"),
                                  QStringLiteral("archives"), QStringLiteral("installers"), QStringLiteral("empty")};
    for (int i = 0; i < 6; ++i) {
        const QJsonObject scan = scans[i].toObject();
        EXPECT_EQ(scan[QLatin1String("section")].toString(), sections[i]);
        EXPECT_EQ(scan[QLatin1String("state")].toString(), QStringLiteral("scanned"));
        const QJsonArray alone = run(commands[i]).items();
        EXPECT_EQ(scan[QLatin1String("count")].toInteger(), alone.size()) << commands[i].toStdString();
        qint64 size = 0;
        for (const QJsonValue& item : alone)
            size += item[QLatin1String("size")].toInteger();
        EXPECT_EQ(scan[QLatin1String("size")].toInteger(), size) << commands[i].toStdString();
    }
    EXPECT_EQ(scans[5].toObject()[QLatin1String("count")].toInteger(), 2);
}

TEST_F(QuickCli, TextHasOneLinePerScanAndNothingMovesToTheTrash)
{
    const CliRun text = runCli({QStringLiteral("--home"), home.root(), QStringLiteral("quick")});
    ASSERT_EQ(text.exitCode, 0);
    const QString out = QString::fromUtf8(text.out);
    EXPECT_EQ(out.count(QStringLiteral("已完成")), 6 + 1) << out.toStdString(); // six rows and the summary
    EXPECT_TRUE(out.contains(QStringLiteral("2 项结果")));

    const CliRun move = runCli({QStringLiteral("--home"), home.root(), QStringLiteral("quick"),
                                QStringLiteral("--move-to-trash"), QStringLiteral("--yes")});
    EXPECT_EQ(move.exitCode, 1);
    EXPECT_TRUE(QDir(home.path(QStringLiteral("empty/one"))).exists());
}
