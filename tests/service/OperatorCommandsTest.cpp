// The operator's command line, in process, on a temporary database.
#include "OperatorCommands.h"
#include "CommandLine.h"
#include "ServiceHarness.h"
#include "support/TreeBuilder.h"

using namespace Sweepora;
using namespace Sweepora::Core;
using namespace Sweepora::Service;
using namespace Qt::StringLiterals;
using Sweepora::Test::TreeBuilder;

namespace {

class OperatorCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (ServiceTest::testsUsePostgres() && !ServiceTest::testPostgresUrl())
            GTEST_SKIP() << "no PostgreSQL server (SWEEPORA_TEST_PG_URL)";
        ASSERT_TRUE(db.open(ServiceTest::freshDatabase(dir, ServiceTest::testsUsePostgres()), nullptr));
    }

    // Runs one command line; its output lands in `out` and `err`.
    int run(const QStringList& arguments)
    {
        out.clear();
        err.clear();
        const std::optional<CommandLine> line = CommandLine::parse(arguments, &err);
        if (!line)
            return 1;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return OperatorCommands(
                   store, [] { return qint64(1'700'000'000'000); }, outStream, errStream)
            .run(*line);
    }

    QTemporaryDir dir;
    Database db;
    ServiceStore store{db};
    QString out;
    QString err;
};

const QByteArray kSafeRule =
    R"({"Name": "缓存", "Paths": ["USERFOLDER/.cache/x"], "PackName": "com.example", "Description": ""})";
const QByteArray kUnsafeRule =
    R"({"Name": "文档", "Paths": ["USERFOLDER/Documents"], "PackName": "com.example", "Description": ""})";

} // namespace

TEST_F(OperatorCommandsTest, PublishRuleRefusesWhatFailsReviewUnlessOverriddenAndPublishVersionValidatesEveryOption)
{
    const QString safe = TreeBuilder::write(dir.filePath(u"safe.json"_s), kSafeRule);
    const QString unsafe = TreeBuilder::write(dir.filePath(u"unsafe.json"_s), kUnsafeRule);
    const QString broken = TreeBuilder::write(dir.filePath(u"broken.json"_s), R"({"Name": "x"})");

    EXPECT_EQ(run({u"publish-rule"_s, safe, unsafe, broken}), 2);
    EXPECT_TRUE(err.contains(u"未通过自动审核"_s)) << err.toStdString();
    EXPECT_TRUE(err.contains(u"规则格式不正确"_s)) << err.toStdString();
    EXPECT_EQ(store.publishedRules()->size(), 1);

    EXPECT_EQ(run({u"publish-rule"_s, unsafe, u"--override-review"_s}), 0);
    EXPECT_EQ(run({u"publish-rule"_s, safe}), 0);
    EXPECT_TRUE(out.contains(u"替换"_s)) << out.toStdString();
    EXPECT_EQ(store.publishedRules()->size(), 2);

    const qint64 id = store.publishedRules()->first().id;
    EXPECT_EQ(run({u"unpublish-rule"_s, QString::number(id)}), 0);
    EXPECT_EQ(run({u"unpublish-rule"_s, QString::number(id)}), 2);
    EXPECT_EQ(store.publishedRules()->size(), 1);

    // publish-version validates every option and updates a same build.
    const QStringList base =
        u"publish-version --build 13 --version 1.3.0 --url https://example.com/d --notes 修复"_s.split(u' ');
    EXPECT_EQ(run(base.mid(0, 7)), 1); // no notes
    EXPECT_EQ(run(QStringList(base).replaceInStrings(u"13"_s, u"13a"_s)), 1);
    EXPECT_EQ(run(QStringList(base).replaceInStrings(u"https://example.com/d"_s, u"javascript:alert(1)"_s)), 1);
    EXPECT_EQ(run(base + QStringList{u"--override-review"_s}), 1);
    EXPECT_TRUE(store.versions()->isEmpty());

    EXPECT_EQ(run(base), 0);
    EXPECT_EQ(run(base + QStringList{u"--force"_s}), 0);
    const QList<VersionRecord> versions = *store.versions();
    ASSERT_EQ(versions.size(), 1);
    EXPECT_TRUE(versions.first().forceUpdate);
}

TEST_F(OperatorCommandsTest, ReviewPromotesOrRejectsAnEntryAndCheckFindsBrokenRows)
{
    const CleanupRule rule{true, u"文档"_s, {u"USERFOLDER/Documents"_s}, 0, u"com.example"_s, {}};
    const qint64 id = store.addWorkshopEntry(rule, ReviewState::held, u"涉及用户数据"_s, 1, u"192.0.2.1"_s, {}).id;

    EXPECT_EQ(run({u"review"_s, QString::number(id), u"reject"_s}), 1); // a rejection needs a reason
    EXPECT_EQ(run({u"review"_s, QString::number(id), u"maybe"_s, u"x"_s}), 1);
    EXPECT_EQ(run({u"review"_s, u"999"_s, u"allow"_s}), 2);

    EXPECT_EQ(run({u"review"_s, QString::number(id), u"reject"_s, u"涉及"_s, u"文档"_s}), 0);
    EXPECT_EQ(store.workshopEntry(id)->state, ReviewState::rejected);
    EXPECT_EQ(store.workshopEntry(id)->reason, u"涉及 文档"_s);

    // Overruling the automatic checks is allowed, with a warning.
    EXPECT_EQ(run({u"review"_s, QString::number(id), u"allow"_s}), 0);
    EXPECT_EQ(store.workshopEntry(id)->state, ReviewState::approved);
    EXPECT_TRUE(out.contains(u"注意"_s)) << out.toStdString();

    EXPECT_EQ(run({u"list"_s}), 0);
    EXPECT_TRUE(out.contains(u"#%1  已通过  com.example  文档"_s.arg(id))) << out.toStdString();

    // check reports rows that no longer decode, and a schema the migrations did not bring up to date.
    EXPECT_EQ(run({u"publish-rule"_s, TreeBuilder::write(dir.filePath(u"r.json"_s), kSafeRule)}), 0);
    EXPECT_EQ(run({u"check"_s}), 0);
    EXPECT_TRUE(out.startsWith(u"数据库一致"_s)) << out.toStdString();

    {
        auto guard = db.lock();
        ASSERT_TRUE(db.execute("UPDATE cloud_rules SET rule_json = '{broken'"));
    }
    EXPECT_EQ(run({u"check"_s}), 2);
    EXPECT_TRUE(err.contains(u"无法解析"_s)) << err.toStdString();
    // The list leaves the broken row out rather than failing.
    EXPECT_EQ(store.publishedRules()->size(), 0);

    // So is a schema that the program's migrations did not bring up to date.
    ASSERT_TRUE(db.execute(db.kind() == Database::Kind::sqlite ? "PRAGMA user_version = 2"
                                                               : "UPDATE schema_version SET version = 2"));
    EXPECT_EQ(run({u"check"_s}), 2);
    EXPECT_TRUE(err.contains(u"数据库结构版本为 2，应为 3"_s)) << err.toStdString();
}

TEST(CommandLineTest, OptionsMayStandAnywhereAndAddressesAreChecked)
{
    QString error;
    auto line = CommandLine::parse({u"list"_s, u"--db"_s, u"/tmp/x.db"_s}, &error);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->command + u' ' + line->databasePath, u"list /tmp/x.db"_s);

    line = CommandLine::parse({u"--listen=[::1]:0"_s}, &error);
    ASSERT_TRUE(line);
    EXPECT_EQ(u"%1 %2 %3"_s.arg(line->command, line->host).arg(line->port), u"serve ::1 0"_s);

    line = CommandLine::parse({u"review"_s, u"3"_s, u"reject"_s, u"--"_s, u"--not-an-option"_s}, &error);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->arguments, (QStringList{u"3"_s, u"reject"_s, u"--not-an-option"_s}));

    // A bare --version asks for the program's; publish-version's --version keeps its value.
    line = CommandLine::parse({u"--version"_s}, &error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->version);
    line = CommandLine::parse({u"publish-version"_s, u"--version"_s, u"1.2"_s}, &error);
    ASSERT_TRUE(line);
    EXPECT_FALSE(line->version);
    EXPECT_EQ(line->options.value(u"version"_s), u"1.2"_s);

    for (const QStringList& bad :
         {QStringList{u"--listen"_s, u"8787"_s}, QStringList{u"--listen"_s, u"::1:80"_s},
          QStringList{u"--listen"_s, u"h:70000"_s}, QStringList{u"--db"_s}, QStringList{u"--verbose"_s},
          QStringList{u"delete-everything"_s}, QStringList{u"publish-version"_s, u"--build"_s, u"2"_s, u"--version"_s}})
        EXPECT_FALSE(CommandLine::parse(bad, &error)) << bad.join(u' ').toStdString();
}
