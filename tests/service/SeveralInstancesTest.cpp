// Two instances of the service on one PostgreSQL database, each with its own connections and
// caches, as behind a load balancer: whatever one of them is told, the other acts on.
#include "ServiceHarness.h"

using namespace Sweepora;
using namespace Sweepora::Service;
using namespace Sweepora::ServiceTest;
using namespace Qt::StringLiterals;

namespace {

class SeveralInstancesTest : public ServiceHarness
{
protected:
    bool needsPostgres() const override { return true; }
    ServiceLimits limits() const override { return ServiceLimits{.uploadsPerDay = 3}; }

    void SetUp() override
    {
        ServiceHarness::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QString error;
        ASSERT_TRUE(otherDb.open(address, &error)) << error.toStdString();
        otherStore = std::make_unique<ServiceStore>(otherDb);
        otherCodes = std::make_unique<VerificationCodes>(otherDb, *sender, clock.function(), limits());
        otherApi = std::make_unique<ServiceApi>(*otherStore, *otherCodes, clock.function(), limits());
        other = std::make_unique<HttpServer>(*otherApi);
        ASSERT_TRUE(other->bind(u"127.0.0.1"_s, 0, &error)) << error.toStdString();
        other->start();
    }
    void TearDown() override
    {
        other.reset();
        ServiceHarness::TearDown();
    }

    RawReply upload(const QString& name, int port)
    {
        const Core::CleanupRule rule{true, name, {u"USERFOLDER/.cache/instances"_s}, 0, u"com.example"_s, {}};
        return send("POST", "/market/tasks", uploadBody(rule.toJsonObject()), "application/json", {}, {}, port);
    }
    QStringList listedNames(int port)
    {
        QStringList names;
        for (const QJsonValue& entry : send("GET", "/market/tasks", {}, {}, {}, {}, port).json()[u"data"_s].toArray())
            names.append(entry[u"rule_json"_s][u"Name"_s].toString());
        return names;
    }

    Database otherDb;
    std::unique_ptr<ServiceStore> otherStore;
    std::unique_ptr<VerificationCodes> otherCodes;
    std::unique_ptr<ServiceApi> otherApi;
    std::unique_ptr<HttpServer> other;
};

// A code sent by one is accepted once by the other and resends wait for both; the daily upload
// limit holds across both, and uploads and reviews are listed by each.
TEST_F(SeveralInstancesTest, CodesUploadLimitsAndReviewsAreSharedByBoth)
{
    const QByteArray phone = R"({"phone_number": "13912345678"})";
    ASSERT_EQ(send("POST", "/sms/send", phone).status, 200);
    const QByteArray code = codeFromLog(u"13912345678"_s).toUtf8();
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(send("POST", "/sms/send", phone, "application/json", {}, {}, other->port()).status, 429);

    const QByteArray check = "/sms/check?phone_number=13912345678&code=" + code;
    EXPECT_EQ(send("GET", check, {}, {}, {}, {}, other->port()).json().value(u"code"_s).toInt(), 1);
    EXPECT_EQ(send("GET", check).json().value(u"code"_s).toInt(), 0); // used up, whichever asks

    ASSERT_EQ(upload(u"一"_s, server->port()).status, 200);
    EXPECT_EQ(listedNames(other->port()), QStringList{u"一"_s}); // the other's cache follows
    ASSERT_EQ(upload(u"二"_s, other->port()).status, 200);
    ASSERT_EQ(upload(u"三"_s, server->port()).status, 200);
    EXPECT_EQ(upload(u"四"_s, other->port()).status, 429);
    EXPECT_EQ(upload(u"五"_s, server->port()).status, 429);
    EXPECT_EQ(listedNames(server->port()), (QStringList{u"三"_s, u"二"_s, u"一"_s}));
    EXPECT_EQ(listedNames(other->port()), listedNames(server->port()));

    // An operator's review through either is seen by both.
    const qint64 first = otherStore->workshopEntries()->last().id;
    ASSERT_EQ(otherStore->setReview(first, ReviewState::rejected, u"重复"_s, 5), ServiceStore::Change::done);
    EXPECT_EQ(listedNames(server->port()), (QStringList{u"三"_s, u"二"_s}));
}

} // namespace
