#pragma once

#include "rules/RuleStore.h"
#include "services/HTTPUtil.h"
#include "support/LogCapture.h"
#include "support/ServiceAwait.h"
#include "support/TestHttpLoopbackGuard.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace Sweepora::Test {

using namespace Qt::StringLiterals;

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

template <typename T> Core::ServiceResult<T> awaitGet(const QUrl& url)
{
    return await<T>([&](QObject* context, auto done) { Core::HTTPUtil::getJSON<T>(url, context, done); });
}

template <typename T> Core::ServiceResult<T> awaitPost(const QUrl& url, const QJsonObject& body)
{
    return await<T>([&](QObject* context, auto done) { Core::HTTPUtil::postJSON<T>(url, body, context, done); });
}

// A rule store over a temporary user folder and no bundled rules, so tests count only their own.
class TemporaryRuleStore
{
public:
    Core::RuleStore store() const { return Core::RuleStore({m_root.filePath(u"none"_s)}, folder()); }
    QString folder() const { return m_root.filePath(u"Rules"_s); }
    qsizetype fileCount() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(); }

    Core::CleanupRule add(const QString& packName, const QString& name, const QString& description = {}) const
    {
        const Core::CleanupRule rule{true, name, {u"USERFOLDER/x"_s}, 0, packName, description};
        EXPECT_TRUE(store().saveRule(rule));
        return rule;
    }
    std::optional<Core::CleanupRule> find(const QString& ruleKey) const
    {
        for (const Core::CleanupRule& rule : store().loadRules())
            if (rule.ruleKey() == ruleKey)
                return rule;
        return std::nullopt;
    }

private:
    QTemporaryDir m_root;
};

} // namespace Sweepora::Test
