#pragma once

#include "core/rules/RuleStore.h"
#include "core/services/HTTPUtil.h"
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

// Every test talks to its own scripted server on 127.0.0.1; the guard proves nothing went elsewhere.
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

    Core::CleanupRule add(const QString& packName, const QString& name, const QString& description = {},
                          const QStringList& paths = {u"USERFOLDER/x"_s}) const
    {
        const Core::CleanupRule rule{true, name, paths, 0, packName, description};
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

// One workshop entry in the service's form; `allow` is its review (1 approved).
inline QByteArray workshopEntry(qint64 id, qint64 allow,
                                const QByteArray& rule = R"({"Name":"n","Paths":[],"PackName":"p","Description":"d"})")
{
    return "{\"id\":" + QByteArray::number(id) + ",\"allow\":" + QByteArray::number(allow) +
           R"(,"created_at":"2026-01-01T00:00:00Z","updated_at":"2026-01-01T00:00:00Z","rule_json":)" + rule + "}";
}

// A list reply of the service: its envelope around `items`.
inline QByteArray listReply(const QByteArrayList& items)
{
    return R"({"code":0,"message":"","data":[)" + items.join(',') + "]}";
}

// Published rules as the service lists them.
inline QByteArray cloudRules(const QByteArrayList& rules)
{
    QByteArrayList entries;
    for (qsizetype i = 0; i < rules.size(); ++i)
        entries.append("{\"id\":" + QByteArray::number(i + 1) + ",\"rule_json\":" + rules[i] + "}");
    return listReply(entries);
}

// The latest version the service offers.
inline QByteArray versionReply(qint64 build, int forced, const QByteArray& url = "https://example.com/sweepora.dmg")
{
    return R"({"code":0,"message":"","data":{"id":5,"version":"2.0","build_number":)" + QByteArray::number(build) +
           R"(,"download_url":")" + url + R"(","release_notes":"修复了若干问题。\n新增规则工坊。","force_update":)" +
           QByteArray::number(forced) +
           R"(,"status":1,"created_at":"2026-03-01T08:30:00Z","updated_at":"2026-03-01T08:30:00Z"}})";
}

} // namespace Sweepora::Test
