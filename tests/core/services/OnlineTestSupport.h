#pragma once

#include "ServiceTestSupport.h"
#include "platform/Log.h"
#include "rules/RuleStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>

namespace Sweepora::Test {

// Collects the log lines written while it lives (the models under test log on the GUI thread).
class LogCapture
{
public:
    LogCapture()
    {
        Core::Log::setSink([lines = m_lines](const QString& line) { lines->append(line); });
    }
    ~LogCapture() { Core::Log::setSink(nullptr); }
    QStringList lines() const { return *m_lines; }

private:
    std::shared_ptr<QStringList> m_lines = std::make_shared<QStringList>();
};

// Records every emission of one signal with its arguments (the core tests do not link QtTest).
template <typename Sender, typename... Args> class SignalRecorder
{
public:
    SignalRecorder(Sender* sender, void (Sender::*signal)(Args...))
    {
        QObject::connect(sender, signal, &m_receiver,
                         [this](Args... args) { m_calls.append(QVariantList{QVariant::fromValue(args)...}); });
    }
    qsizetype count() const { return m_calls.size(); }
    const QVariantList& at(qsizetype i) const { return m_calls.at(i); }

private:
    QObject m_receiver;
    QList<QVariantList> m_calls;
};

// A rule store over a temporary user folder and no bundled rules, so tests count only their own.
class TemporaryRuleStore
{
public:
    Core::RuleStore store() const { return Core::RuleStore({m_root.filePath(QStringLiteral("none"))}, folder()); }
    QString folder() const { return m_root.filePath(QStringLiteral("Rules")); }
    qsizetype fileCount() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(); }

    Core::CleanupRule add(const QString& packName, const QString& name, const QString& description = {}) const
    {
        const Core::CleanupRule rule{true, name, {QStringLiteral("USERFOLDER/x")}, 0, packName, description};
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
