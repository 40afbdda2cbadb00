// Checks over the rule set compiled into the application: a bad bundled rule would move
// the wrong files to the Trash on every machine that runs it.
#include "rules/RulePath.h"
#include "rules/RuleStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

using namespace Sweepora::Core;

namespace {

const QString home = QStringLiteral("/home/someone");

struct BundledRule
{
    QString fileName;
    QByteArray text;
    CleanupRule rule;
};

QList<BundledRule> bundledRules()
{
    QList<BundledRule> rules;
    for (const QString& folder : {QStringLiteral(":/Rules"), QStringLiteral(":/")}) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
            QFile file(dir.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            const QByteArray text = file.readAll();
            const Decoded<CleanupRule> decoded = CleanupRule::fromJson(text);
            EXPECT_TRUE(decoded.ok()) << name.toStdString() << ": " << decoded.error.toStdString();
            if (decoded)
                rules.append({name, text, *decoded.value});
        }
    }
    return rules;
}

} // namespace

TEST(BundledRules, EveryFileDecodesAndIsNamedByItsIdentity)
{
    const QList<BundledRule> rules = bundledRules();
    EXPECT_GE(rules.size(), 40);
    QSet<QString> keys;
    for (const auto& [fileName, text, rule] : rules) {
        EXPECT_EQ(fileName, rule.ruleKey() + QStringLiteral(".json"));
        EXPECT_FALSE(keys.contains(rule.ruleKey())) << rule.ruleKey().toStdString();
        keys.insert(rule.ruleKey());
        EXPECT_TRUE(RuleStore::isWritableIdentity(rule.ruleKey()));
        EXPECT_FALSE(rule.name.trimmed().isEmpty() || rule.description.trimmed().isEmpty() || rule.packName.isEmpty() ||
                     rule.paths.isEmpty())
            << fileName.toStdString();
        EXPECT_EQ(text, rule.toJson()) << fileName.toStdString() << " is not in the form a save writes";
    }
    EXPECT_EQ(RuleStore().loadRules().size(), rules.size()); // what a store with no user rules loads
}

TEST(BundledRules, EveryPathIsARuleFormThatStaysInsideTheHomeFolder)
{
    QList<QPair<QString, QString>> resolved; // the resolved folder, and where it came from
    for (const BundledRule& bundled : bundledRules()) {
        for (const QString& path : bundled.rule.paths) {
            const QString where = bundled.fileName + QStringLiteral(": ") + path;
            EXPECT_TRUE(path.startsWith(QLatin1String("USERFOLDER/")) || path.startsWith(QLatin1String("PUBLIC_DATA/")))
                << where.toStdString();
            EXPECT_FALSE(path.split(QLatin1Char('/')).contains(QStringLiteral("..")) ||
                         path.contains(QLatin1String("//")) || path.endsWith(QLatin1Char('/')))
                << where.toStdString();
            for (const bool exists : {false, true}) {
                const std::optional<QString> folder =
                    resolveRulePath(path, home, {}, [exists](const QString&) { return exists; });
                ASSERT_TRUE(folder.has_value()) << where.toStdString();
                EXPECT_TRUE(folder->startsWith(home + QLatin1Char('/'))) << where.toStdString();
                if (!exists)
                    resolved.append({*folder, where});
            }
        }
    }
    // A folder listed twice would be counted twice, and its second clean would fail.
    for (const auto& [a, whereA] : resolved)
        for (const auto& [b, whereB] : resolved)
            EXPECT_FALSE(&a != &b && (a == b || b.startsWith(a + QLatin1Char('/'))))
                << whereA.toStdString() << " covers " << whereB.toStdString();
}

TEST(BundledRules, NeverNameProfilesSettingsOrDocuments)
{
    // Places whose loss costs the user more than a re-download the program does by itself.
    const QStringList forbidden = QStringLiteral("Documents|Desktop|Downloads|Mail|Keychains|Preferences|.ssh|.gnupg|"
                                                 ".m2|Cookies|History|Login Data|User|LocalHistory|Backups|"
                                                 "JetBrains|virtualenvs|src|index|berry|tdata")
                                      .split(u'|');
    const QStringList sharedRoots = QStringLiteral("USERFOLDER/Library|USERFOLDER/.cache|USERFOLDER/.config|"
                                                   "USERFOLDER/Library/Caches|USERFOLDER/Library/Application Support|"
                                                   "USERFOLDER/.local/share|USERFOLDER/.var/app")
                                        .split(u'|');
    for (const BundledRule& bundled : bundledRules())
        for (const QString& path : bundled.rule.paths) {
            const QStringList pieces = path.split(QLatin1Char('/'));
            for (const QString& word : forbidden)
                EXPECT_FALSE(pieces.contains(word)) << bundled.fileName.toStdString() << ": " << path.toStdString();
            EXPECT_FALSE(sharedRoots.contains(path)) << bundled.fileName.toStdString();
        }
}
