#pragma once

#include "ServiceTestSupport.h"
#include "rules/RuleStore.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

namespace Sweepora::Test {

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
