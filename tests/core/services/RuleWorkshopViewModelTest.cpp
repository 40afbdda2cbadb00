#include "OnlineTestSupport.h"

#include "services/RuleWorkshopViewModel.h"

#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

using State = RuleWorkshopViewModel::ContentState;

QByteArray entry(qint64 id, qint64 allow,
                 const QByteArray& rule = R"({"Name":"n","Paths":[],"PackName":"p","Description":"d"})")
{
    return "{\"id\":" + QByteArray::number(id) + ",\"allow\":" + QByteArray::number(allow) +
           R"(,"created_at":"c","updated_at":"u","rule_json":)" + rule + "}";
}

class RuleWorkshopTest : public ServiceTest
{
protected:
    void serve(const QByteArrayList& entries, int status = 200)
    {
        server.setReply("GET", u"/market/tasks"_s,
                        TestHttpServer::json(status, R"({"code":0,"message":"","data":[)" + entries.join(',') + "]}"));
    }
    void load()
    {
        model.load();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isLoading(); }));
    }

    RuleWorkshopViewModel model;
};

} // namespace

TEST_F(RuleWorkshopTest, AnEmptyListIsNoErrorAndEntriesNotApprovedCarryTheBadgeAndOpenWithDefaults)
{
    serve({});
    model.load();
    model.load(); // a second call while one runs sends nothing
    EXPECT_EQ(model.contentState(), State::loading);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isLoading(); }));
    EXPECT_EQ(model.contentState(), State::empty);
    EXPECT_EQ(server.requests().size(), 1);

    serve({entry(3, 0), entry(1, 1),
           entry(2, 2, R"({"Name":"工坊","Paths":["x"],"PackName":"com.w","Description":"d"})")});
    load();
    ASSERT_EQ(model.rules().size(), 3);
    EXPECT_EQ(model.rules()[0].id, 3); // the service's order
    EXPECT_TRUE(RuleWorkshopViewModel::showsUnreviewedBadge(model.rules()[0]));
    EXPECT_FALSE(RuleWorkshopViewModel::showsUnreviewedBadge(model.rules()[1]));
    EXPECT_TRUE(RuleWorkshopViewModel::showsUnreviewedBadge(model.rules()[2]));
    const CleanupRule viewed = RuleWorkshopViewModel::ruleForViewing(model.rules()[2]);
    EXPECT_TRUE(viewed.app);
    EXPECT_EQ(viewed.notice, 0);
}

TEST_F(RuleWorkshopTest, FailedReloadKeepsTheOldListWithoutShowingTheError)
{
    serve({}, 503);
    load();
    EXPECT_EQ(model.contentState(), State::unavailable);
    EXPECT_EQ(model.errorMessage(), u"服务端返回 HTTP 503"_s);

    serve({entry(1, 1), entry(2, 0)});
    model.setRefreshID(0);
    model.setRefreshID(1); // a new workshop version reloads
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isLoading(); }));
    EXPECT_FALSE(model.hasError());

    // One malformed entry fails the whole load.
    serve({entry(5, 1), entry(6, 1, R"({"Paths":[],"PackName":"p","Description":"d"})")});
    model.load();
    EXPECT_EQ(model.contentState(), State::list);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isLoading(); }));
    EXPECT_TRUE(model.hasError());
    EXPECT_EQ(model.rules().size(), 2);
    EXPECT_EQ(model.contentState(), State::list);
}
