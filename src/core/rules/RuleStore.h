#pragma once

#include "core/rules/CleanupRule.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// The local home of the cleanup rules: the bundled rule resources plus one JSON file per rule
// in the user's rule folder. Keeps nothing between calls: every load reads every file again.
class RuleStore
{
public:
    // The compiled-in resources (":/Rules", then the top level ":/") and the layout's user rule folder.
    RuleStore();
    // Tests point both places at temporary folders. Resource folders are read in order; only
    // their "*.json" files count, folders below them do not.
    RuleStore(QStringList resourceFolders, QString userRulesDirectory);

    // Bundled rules, then every regular file of the user folder (any name, hidden ones too),
    // merged by ruleKey() with the later one winning, sorted by name. Unreadable or undecodable
    // files are skipped. Never empty: when nothing loads, the built-in fallback rule alone
    // (nothing is written then).
    QList<CleanupRule> loadRules() const;

    // Writes the rule to "<userRulesDirectory>/<ruleKey>.json", creating the folder, replacing
    // any earlier file in one step (a reader sees the old or the new text, never a mix).
    // A rule whose identity contains "/" or NUL, or is "." or "..", is never written.
    // Returns false with `error` set when nothing was written.
    bool saveRule(const CleanupRule& rule, QString* error = nullptr) const;

    // The rule as its file holds it: pretty-printed, key-sorted JSON text.
    static QString exportJSON(const CleanupRule& rule);

    // The rule used when nothing else loads.
    static CleanupRule fallbackRule();
    // True when `ruleKey` + ".json" names a file directly inside the rule folder.
    static bool isWritableIdentity(const QString& ruleKey);

    const QString& userRulesDirectory() const { return m_userRulesDirectory; }

private:
    QStringList m_resourceFolders;
    QString m_userRulesDirectory;
};

} // namespace Sweepora::Core
