#pragma once

#include "core/services/ServiceError.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

#include <optional>

namespace Sweepora::Test {

// Starts one call of the service client with a fresh context and runs the event loop until it
// completes; checks that it completes exactly once.
template <typename T, typename Start> Core::ServiceResult<T> await(Start start, int ms = 20000)
{
    std::optional<Core::ServiceResult<T>> result;
    int calls = 0;
    QObject context;
    start(&context, [&](Core::ServiceResult<T> outcome) {
        ++calls;
        result = std::move(outcome);
    });
    EXPECT_TRUE(waitUntil([&] { return calls > 0; }, ms)) << "no completion";
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    if (!result)
        return Core::TransportError{QNetworkReply::UnknownNetworkError, false, QStringLiteral("never completed")};
    return *result;
}

} // namespace Sweepora::Test
