#pragma once

#include "services/HTTPUtil.h"
#include "support/TestHttpLoopbackGuard.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <optional>

namespace Sweepora::Test {

// Every test talks to its own scripted server on 127.0.0.1, and the guard proves that no
// request of the process went anywhere else.
class ServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        server.useForServices();
        Core::HTTPUtil::setTimeouts({});
    }

    void TearDown() override
    {
        EXPECT_EQ(guard.hostsRefused(), expectedRefusals) << guard.hostsRefused().join(u' ').toStdString();
    }

    // Shortens the limits so that a silent server ends a request quickly.
    static void useTimeouts(int idleMs, int wholeMs)
    {
        Core::HTTPUtil::Timeouts limits;
        limits.get = limits.post = std::chrono::milliseconds(idleMs);
        limits.resource = std::chrono::milliseconds(wholeMs);
        Core::HTTPUtil::setTimeouts(limits);
    }

    TestHttpLoopbackGuard guard;
    TestHttpServer server;
    QStringList expectedRefusals;
};

// Starts a call with a fresh context and runs the event loop until it completes; checks that it
// completes exactly once.
template <typename T, typename Start> Core::ServiceResult<T> await(Start start)
{
    std::optional<Core::ServiceResult<T>> result;
    int calls = 0;
    QObject context;
    start(&context, [&](Core::ServiceResult<T> outcome) {
        ++calls;
        result = std::move(outcome);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls > 0; })) << "no completion";
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    if (!result)
        return Core::TransportError{QNetworkReply::UnknownNetworkError, false, QStringLiteral("never completed")};
    return *result;
}

template <typename T> Core::ServiceResult<T> awaitGet(const QUrl& url)
{
    return await<T>([&](QObject* context, auto done) { Core::HTTPUtil::getJSON<T>(url, context, done); });
}

template <typename T> Core::ServiceResult<T> awaitPost(const QUrl& url, const QJsonObject& body)
{
    return await<T>([&](QObject* context, auto done) { Core::HTTPUtil::postJSON<T>(url, body, context, done); });
}

} // namespace Sweepora::Test
