#include "OnlineTestSupport.h"

#include "services/RulesPageViewModel.h"

#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

using Control = RulesPageViewModel::CloudControl;

QByteArray ruleJSON(const QString& packName, const QString& name, const QString& description = u"云端"_s)
{
    return uR"({"App":true,"Notice":0,"PackName":"%1","Name":"%2","Description":"%3","Paths":["USERFOLDER/.cache/x"]})"_s
        .arg(packName, name, description)
        .toUtf8();
}

class RulesPageViewModelTest : public ServiceTest
{
protected:
    void publish(const QByteArrayList& rules)
    {
        QByteArrayList entries;
        for (const QByteArray& rule : rules)
            entries << R"({"id":1,"rule_json":)" + rule + "}";
        server.setReply("GET", u"/tasks/rules"_s,
                        TestHttpServer::json(200, R"({"code":3,"message":"","data":[)" + entries.join(',') + "]}"));
    }
    void check()
    {
        model.checkCloud();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isCheckingCloud(); }));
    }
    void sync()
    {
        model.syncFromCloud();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isSyncing(); }));
    }

    TemporaryRuleStore rules;
    RulesPageViewModel model{rules.store()};
    LogCapture log;
};

} // namespace

TEST_F(RulesPageViewModelTest, ImportFillsMissingAppAndNoticeAndLeavesOtherRulesAlone)
{
    const CleanupRule localOnly = rules.add(u"com.local"_s, u"本地"_s);
    publish({R"({"Name":"缓存","Paths":["USERFOLDER/.cache/one"],"PackName":"com.one","Description":"d"})",
             R"({"App":false,"Notice":7,"Name":"日志","Paths":["USERFOLDER/.cache/two"],"PackName":"com.two",)"
             R"("Description":"d"})",
             ruleJSON(u"com.a"_s, u"../逃逸"_s),
             R"({"Name":"钱包","Paths":["USERFOLDER/.bitcoin"],"PackName":"com.b","Description":"d"})"});
    check();
    sync();
    EXPECT_TRUE(rules.find(u"com.one缓存"_s)->app);
    EXPECT_EQ(rules.find(u"com.one缓存"_s)->notice, 0);
    EXPECT_FALSE(rules.find(u"com.two日志"_s)->app);
    EXPECT_EQ(rules.find(u"com.two日志"_s)->notice, 7);
    EXPECT_EQ(rules.find(localOnly.ruleKey()), localOnly);
    // Rules that fail the rule review are not saved; the log says why, the subtitle how many.
    EXPECT_EQ(log.lines().filter(u"[RuleSync] 规则未通过安全审核，未导入：com.a../逃逸："_s).size(), 1);
    EXPECT_EQ(
        log.lines().filter(u"[RuleSync] 规则未通过安全审核，未导入：com.b钱包：路径 “USERFOLDER/.bitcoin”"_s).size(),
        1);
    EXPECT_FALSE(rules.find(u"com.b钱包"_s));
    EXPECT_EQ(log.lines().last(), u"[RuleSync] 同步完成，本地 3 条，云端 4 条"_s);
    EXPECT_EQ(model.cloudSubtitle(), u"本地 3 条 · 云端 4 条 · 2 条未通过安全审核"_s);
}

TEST_F(RulesPageViewModelTest, PublishedRulesMatchingLocalOnesOverwriteThemAndSyncStaysOffered)
{
    // Five local rules, ten published entries: two per local identity ("com.app" + "0缓存" is
    // the same identity as "com.app0" + "缓存").
    QByteArrayList published;
    for (int i = 0; i < 5; ++i) {
        rules.add(u"com.app%1"_s.arg(i), u"缓存"_s, u"旧"_s);
        published << ruleJSON(u"com.app%1"_s.arg(i), u"缓存"_s, u"新"_s) << ruleJSON(u"com.app"_s, u"%1缓存"_s.arg(i));
    }
    publish(published);
    check();
    sync();
    EXPECT_EQ(rules.fileCount(), 5);
    EXPECT_EQ(rules.find(u"com.app3缓存"_s)->description, u"云端"_s); // the later entry wins
    EXPECT_EQ(model.cloudSubtitle(), u"本地 5 条 · 云端 10 条"_s);
    EXPECT_EQ(model.cloudControl(), Control::syncButton);
}

TEST_F(RulesPageViewModelTest, CheckmarkFollowsTheCountsAndAnEmptyListNeverOffersSync)
{
    EXPECT_EQ(model.cloudSubtitle(), u"尚未获取云端数量"_s);
    EXPECT_EQ(model.cloudControl(), Control::recheckButton);
    for (int i = 0; i < 3; ++i)
        rules.add(u"com.local%1"_s.arg(i), u"规则"_s);
    for (int published : {3, 1, 0}) {
        QByteArrayList other; // nothing in common with the local rules: only the numbers count
        for (int i = 0; i < published; ++i)
            other << ruleJSON(u"com.other"_s, QString::number(i));
        publish(other);
        check();
        EXPECT_EQ(model.cloudCount(), published);
        EXPECT_EQ(model.cloudControl(), Control::upToDate) << published;
    }
    rules.add(u"com.new"_s, u"新"_s);
    model.setRefreshID(0);
    model.setRefreshID(1); // the window's rules version reloads the list
    EXPECT_EQ(model.cloudSubtitle(), u"本地 4 条 · 云端 0 条"_s);
}

TEST_F(RulesPageViewModelTest, RecheckDuringAnImportDoesNothing)
{
    publish({ruleJSON(u"com.a"_s, u"甲"_s), ruleJSON(u"com.b"_s, u"乙"_s)});
    check();
    model.syncFromCloud();
    ASSERT_TRUE(model.isSyncing());
    EXPECT_EQ(model.cloudControl(), Control::spinner);
    model.checkCloud();
    EXPECT_FALSE(model.isCheckingCloud());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isSyncing(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(model.rules().size(), 2);
}

TEST_F(RulesPageViewModelTest, FailedCheckReadsCheckFailedOffersRecheckAndForgetsTheOldList)
{
    publish({ruleJSON(u"com.a"_s, u"甲"_s)});
    check();
    server.setReply("GET", u"/tasks/rules"_s, TestHttpServer::json(500, R"({"message":"维护中"})"));
    check();
    EXPECT_EQ(model.cloudSubtitle(), u"云端检查失败"_s);
    EXPECT_EQ(model.cloudControl(), Control::recheckButton);
    EXPECT_EQ(log.lines(), QStringList{u"[RuleSync] 获取云端规则失败：服务端返回 HTTP 500"_s});
    sync(); // the list published before the failure is not imported
    EXPECT_FALSE(rules.find(u"com.a甲"_s));
}
