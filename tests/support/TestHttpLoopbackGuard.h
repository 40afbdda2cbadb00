#pragma once

#include <QStringList>
#include <memory>

namespace Sweepora::Test {

// While alive, every network request of the process that is not for 127.0.0.1 is sent to a
// closed loopback port (so it fails at once and reaches nobody) and recorded. Tests use it to
// prove that the client contacts nothing but the test server.
class TestHttpLoopbackGuard
{
public:
    TestHttpLoopbackGuard();
    ~TestHttpLoopbackGuard();
    TestHttpLoopbackGuard(const TestHttpLoopbackGuard&) = delete;
    TestHttpLoopbackGuard& operator=(const TestHttpLoopbackGuard&) = delete;

    QStringList hostsRefused() const;

    struct Record;

private:
    std::shared_ptr<Record> m_record;
};

} // namespace Sweepora::Test
