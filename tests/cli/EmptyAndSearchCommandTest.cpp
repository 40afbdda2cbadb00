// sweepora-cli empty and search, run as a binary on fixture trees.
#include "CliRunner.h"
#include "support/TreeBuilder.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace Sweepora::Test;

namespace {

class CliScanners : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_data.isValid());
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_data.path());
    }

    CliRun run(const char* tail) const
    {
        return runCli(QStringList{QStringLiteral("--home"), home.root()} + words(tail), m_env);
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_data; // the Trash of these runs
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    TreeBuilder home{m_dir.path()};
};

} // namespace

TEST_F(CliScanners, EmptyListsPathsDeepestFirstAndMovesThemSoANewRunFindsTheParent)
{
    const QString deep = home.folder(QStringLiteral("x/y/z"));
    const QString top = home.folder(QStringLiteral("Top"));
    home.file(QStringLiteral("ds/.DS_Store"));
    home.folder(QStringLiteral(".hidden/empty"));
    const CliRun r = run("--json empty");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.at("command").toString(), QStringLiteral("empty"));
    EXPECT_EQ(r.at("message").toString(), QStringLiteral("发现 2 个空文件夹"));
    const QJsonArray items = r.items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toObject(), (QJsonObject{{QStringLiteral("path"), deep}}));
    EXPECT_EQ(items[1].toObject(), (QJsonObject{{QStringLiteral("path"), top}}));

    const CliRun table = run("empty");
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_TRUE(table.out.contains(deep.toUtf8()));
    EXPECT_TRUE(QString::fromUtf8(table.out).trimmed().endsWith(QStringLiteral("发现 2 个空文件夹")));

    const CliRun moved = run("--json empty --move-to-trash --yes");
    ASSERT_EQ(moved.exitCode, 0) << moved.err.toStdString();
    EXPECT_EQ(moved.at("moved").toArray(), (QJsonArray{deep, top}));
    EXPECT_TRUE(moved.at("failed").toArray().isEmpty());
    EXPECT_EQ(moved.at("message").toString(), QStringLiteral("已将 2 个空文件夹移到废纸篓"));
    EXPECT_FALSE(QFileInfo::exists(deep));
    const QJsonArray after = run("--json empty").items();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0].toObject()[QLatin1String("path")].toString(), home.path(QStringLiteral("x/y")));
}

TEST_F(CliScanners, SearchListsHitsWithAllocatedSizesLargestFirst)
{
    const QString big = home.file(QStringLiteral("docs/annual-report.pdf"), 90'000);
    const QString small = home.file(QStringLiteral("REPORTS.txt"), 100);
    home.file(QStringLiteral("r-e-p-o-r-t.txt"), 100);
    home.file(QStringLiteral(".report"), 100);
    home.folder(QStringLiteral("report-folder"));
    const CliRun r = runCli(QStringList{QStringLiteral("--home"), home.root(), QStringLiteral("--json"),
                                        QStringLiteral("search"), QStringLiteral(" Report ")},
                            m_env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.at("message").toString(), QStringLiteral("找到 2 个名称包含“Report”的文件"));
    const QJsonArray items = r.items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toObject(),
              (QJsonObject{{QStringLiteral("path"), big}, {QStringLiteral("size"), allocated(big)}}));
    EXPECT_EQ(items[1].toObject()[QLatin1String("path")].toString(), small);
}

TEST_F(CliScanners, UsageErrorsExitOne)
{
    for (const QStringList& args :
         {words("search"), words("search a b"), QStringList{QStringLiteral("search"), QStringLiteral(" \t ")},
          words("empty extra")}) {
        const CliRun r = runCli(QStringList{QStringLiteral("--home"), home.root()} + args, m_env);
        EXPECT_EQ(r.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}
