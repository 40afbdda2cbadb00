#include "OnlineTestSupport.h"

#include "platform/Clock.h"
#include "platform/Settings.h"
#include "services/UpdateChecker.h"

#include <QTest>
#include <QTimeZone>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

// A timer the test fires by hand.
struct FakeTimer final : PeriodicTimer
{
    explicit FakeTimer(std::function<void()>* tick) : tick(tick) {}
    void start(std::chrono::milliseconds period, std::function<void()> callback) override
    {
        EXPECT_EQ(period, std::chrono::hours(24));
        *tick = std::move(callback);
    }
    std::function<void()>* tick;
};

QByteArray version(qint64 build, int forced, const QByteArray& url = "https://example.com/app.dmg")
{
    return R"({"code":0,"message":"","data":{"id":1,"version":"2.0","build_number":)" + QByteArray::number(build) +
           R"(,"download_url":")" + url + R"(","release_notes":"","force_update":)" + QByteArray::number(forced) +
           R"(,"status":1,"created_at":"c","updated_at":"u"}})";
}

class UpdateCheckerTest : public ServiceTest
{
protected:
    // Answers the next check with `body`, runs one check, and returns what is offered.
    std::optional<AppVersionInfo> offerAfter(const QByteArray& body, int status = 200)
    {
        server.setReply("GET", u"/app/version/latest"_s, TestHttpServer::json(status, body));
        const qsizetype before = finished.count();
        checker.fetchLatest();
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished.count() > before; }));
        return checker.availableVersion();
    }
    static QVariant stored(const QString& key) { return Settings::store().value(key); }

    // Every test case runs in a process of its own, so the fixed clock never leaks.
    const QDateTime start = [] {
        const QDateTime moment(QDate(2024, 6, 1), QTime(12, 0), QTimeZone::utc());
        Clock::setFixed(moment);
        return moment;
    }();
    std::function<void()> tick;
    UpdateChecker checker{12, std::make_unique<FakeTimer>(&tick)};
    QSignalSpy started{&checker, &UpdateChecker::checkStarted};
    QSignalSpy finished{&checker, &UpdateChecker::checkFinished};
    LogCapture log;
};

} // namespace

TEST_F(UpdateCheckerTest, WithoutALastCheckItChecksAtOnce)
{
    checker.startAutomaticChecks();
    EXPECT_EQ(started.count(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }));
}

TEST_F(UpdateCheckerTest, CheckedTwentyThreeHoursAgoWaitsUntilADayAfterStart)
{
    Settings::store().setValue(Settings::kLastUpdateCheck, start.addSecs(-23 * 3600));
    checker.startAutomaticChecks();
    EXPECT_EQ(started.count(), 0);
    ASSERT_TRUE(tick);
    Clock::setFixed(start.addSecs(24 * 3600));
    tick();
    EXPECT_EQ(started.count(), 1);

    // Exactly a day old checks; a future date does not.
    Settings::store().setValue(Settings::kLastUpdateCheck, Clock::now().addSecs(-86400));
    checker.checkIfNeeded();
    Settings::store().setValue(Settings::kLastUpdateCheck, Clock::now().addSecs(60));
    checker.checkIfNeeded();
    EXPECT_EQ(started.count(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }));
}

TEST_F(UpdateCheckerTest, OnlyAHigherBuildIsOfferedAndNoVersionStillCountsAsACheck)
{
    EXPECT_FALSE(offerAfter("{}", 502));
    EXPECT_FALSE(Settings::store().contains(Settings::kLastUpdateCheck)); // a failure is not a check
    EXPECT_EQ(log.lines(), QStringList{u"[UpdateChecker] 版本检测失败：服务端返回 HTTP 502"_s});
    EXPECT_FALSE(offerAfter(version(12, 0)));
    EXPECT_FALSE(offerAfter(R"({"code":0,"message":"","data":null})"));
    EXPECT_EQ(stored(Settings::kLastUpdateCheck).toDateTime(), start);
    const std::optional<AppVersionInfo> offered = offerAfter(version(13, 0));
    ASSERT_TRUE(offered);
    EXPECT_EQ(UpdateChecker::sheetSubtitle(*offered), u"版本 2.0 · Build 13"_s);

    EXPECT_EQ(checker.update(), QUrl(u"https://example.com/app.dmg"_s));
    EXPECT_FALSE(checker.hasAvailableVersion());
    // An address from the network that is not a web page is never opened.
    ASSERT_TRUE(offerAfter(version(13, 0, "file:///bin/sh")));
    EXPECT_TRUE(checker.update().isEmpty());
    EXPECT_TRUE(checker.hasAvailableVersion());
}

TEST_F(UpdateCheckerTest, SkippedBuildReturnsOnlyWhenForcedAndThenCannotBeDismissed)
{
    ASSERT_TRUE(offerAfter(version(13, 0)));
    checker.skip();
    EXPECT_EQ(stored(Settings::kSkippedBuild).toLongLong(), 13);
    EXPECT_FALSE(offerAfter(version(13, 0)));

    ASSERT_TRUE(offerAfter(version(13, 1)));
    EXPECT_EQ(UpdateChecker::sheetTitle(*checker.availableVersion()), u"发现重要更新"_s);
    checker.skip();
    checker.later();
    EXPECT_FALSE(checker.update().isEmpty());
    EXPECT_TRUE(checker.hasAvailableVersion());
}

TEST(UpdateCheckerTextTest, BuildValueAndReleaseTimeParsing)
{
    for (const auto& [text, build] :
         {std::pair{u"+12"_s, 12}, {u"-3"_s, -3}, {u"0.1.0"_s, 0}, {u" 12"_s, 0}, {u"99999999999999999999"_s, 0}})
        EXPECT_EQ(UpdateChecker::parseBuildNumber(text), build) << text.toStdString();

    const QLocale zh(QLocale::Chinese, QLocale::China);
    const QDateTime local = QDateTime(QDate(2024, 5, 1), QTime(8, 30), QTimeZone::utc()).toLocalTime();
    const QString expected =
        zh.toString(local.date(), QLocale::LongFormat) + u' ' + zh.toString(local.time(), QLocale::ShortFormat);
    for (const QString& text :
         {u"2024-05-01T08:30:00Z"_s, u"2024-05-01T08:30:00.123456Z"_s, u"2024-05-01T16:30:00+08:00"_s})
        EXPECT_EQ(UpdateChecker::releaseTimeText(text, zh), expected) << text.toStdString();
    EXPECT_EQ(UpdateChecker::releaseTimeText(u"2024-05-01T08:30:00Z"_s), expected)
        << "Chinese whatever the system's locale";
    for (const QString& text : {u"2024-05-01"_s, u"2024-05-01T08:30:00"_s, u"2024-13-01T08:30:00Z"_s, u"昨天"_s})
        EXPECT_EQ(UpdateChecker::releaseTimeText(text, zh), text);
}

TEST(WallClockTimer, ADayCountsOnTheWallClockSoSleepDoesNotPostponeTheCheck)
{
    const QDateTime start(QDate(2024, 6, 1), QTime(12, 0), QTimeZone::utc());
    Clock::setFixed(start);
    const auto timer = PeriodicTimer::create(std::chrono::milliseconds(5));
    int ticks = 0;
    timer->start(std::chrono::hours(24), [&] { ++ticks; });
    Clock::setFixed(start.addSecs(23 * 3600));
    QTest::qWait(40);
    EXPECT_EQ(ticks, 0);
    // Three days asleep, as the wall clock tells: one check soon after waking, not three.
    Clock::setFixed(start.addDays(3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks == 1; }, 2000));
    QTest::qWait(40);
    EXPECT_EQ(ticks, 1);
    Clock::setFixed(start.addDays(4).addSecs(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks == 2; }, 2000));
    Clock::setFixed(std::nullopt);
}
