// Checks over the rule set compiled into the application: a bad bundled rule would move
// the wrong files to the Trash on every machine that runs it.
#include "core/platform/Sandbox.h"
#include "core/rules/RulePath.h"
#include "core/rules/RuleScanEngine.h"
#include "core/rules/RuleStore.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

const QString home = u"/home/someone"_s;

struct BundledRule
{
    QString fileName;
    QByteArray text;
    CleanupRule rule;
};

QList<BundledRule> bundledRules()
{
    QList<BundledRule> rules;
    for (const QString& folder : {u":/Rules"_s, u":/"_s}) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({u"*.json"_s}, QDir::Files)) {
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

// A rule path or piece as a pattern: "*" stands for a version, as the scan engine reads it.
QString versionPattern(const QString& path)
{
    return QRegularExpression::escape(path).replace(u"\\*"_s, u"[0-9][^/]*"_s);
}

// Whether two folders, either may hold "*" pieces, can name the same folder or one inside the other.
bool mayMeet(const QString& a, const QString& b)
{
    const QStringList x = a.split(u'/');
    const QStringList y = b.split(u'/');
    for (qsizetype i = 0; i < std::min(x.size(), y.size()); ++i) {
        const bool starX = x[i].contains(u'*');
        const bool starY = y[i].contains(u'*');
        bool meet = x[i] == y[i];
        if (starX && starY) {
            const QString p = x[i].section(u'*', 0, 0);
            const QString q = y[i].section(u'*', 0, 0);
            meet = p.startsWith(q) || q.startsWith(p);
        } else if (starX || starY) {
            const QString& pattern = starX ? x[i] : y[i];
            meet = QRegularExpression(QRegularExpression::anchoredPattern(versionPattern(pattern)))
                       .match(starX ? y[i] : x[i])
                       .hasMatch();
        }
        if (!meet)
            return false;
    }
    return true;
}

// BundledRuleFixtures.json: per rule, the cache it must find and the user data beside it that it must not.
QJsonObject fixtures()
{
    QFile file(QStringLiteral(SWEEPORA_SOURCE_DIR "/tests/core/rules/BundledRuleFixtures.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

TEST(BundledRules, EveryFileDecodesIsNamedByItsIdentityAndEveryPathStaysInsideTheHomeAwayFromUserData)
{
    const QList<BundledRule> rules = bundledRules();
    EXPECT_GE(rules.size(), 120);
    QSet<QString> keys;
    for (const auto& [fileName, text, rule] : rules) {
        EXPECT_EQ(fileName, rule.ruleKey() + u".json"_s);
        EXPECT_FALSE(keys.contains(rule.ruleKey())) << rule.ruleKey().toStdString();
        keys.insert(rule.ruleKey());
        EXPECT_TRUE(RuleStore::isWritableIdentity(rule.ruleKey()));
        EXPECT_FALSE(rule.name.trimmed().isEmpty() || rule.description.trimmed().isEmpty() || rule.packName.isEmpty() ||
                     rule.paths.isEmpty())
            << fileName.toStdString();
        EXPECT_EQ(text, rule.toJson()) << fileName.toStdString() << " is not in the form a save writes";
    }
    EXPECT_EQ(RuleStore().loadRules().size(), rules.size()); // what a store with no user rules loads

    // Every path is a rule form that stays inside the home folder, and never a profile, settings or
    // documents: places whose loss costs the user more than a re-download the program does by itself.
    const QStringList forbidden =
        u"Documents|Desktop|Downloads|Mail|Keychains|Preferences|.ssh|.gnupg|.m2|Cookies|"
        "History|Login Data|User|LocalHistory|Backups|virtualenvs|src|index|berry|tdata"_s.split(u'|');
    const QStringList sharedRoots =
        u"USERFOLDER/Library|USERFOLDER/.cache|USERFOLDER/.config|USERFOLDER/Library/Caches|"
        "USERFOLDER/Library/Application Support|USERFOLDER/.local/share|USERFOLDER/.var/app"_s.split(u'|');
    QList<QPair<QString, QString>> resolved; // the resolved folder, and where it came from
    for (const BundledRule& bundled : rules) {
        for (const QString& path : bundled.rule.paths) {
            const std::string where = (bundled.fileName + u": "_s + path).toStdString();
            const QStringList pieces = path.split(u'/');
            EXPECT_TRUE(path.startsWith(u"USERFOLDER/"_s) || path.startsWith(u"PUBLIC_DATA/"_s)) << where;
            EXPECT_FALSE(pieces.contains(u".."_s) || path.contains(u"//"_s) || path.endsWith(u'/')) << where;
            for (const QString& word : forbidden)
                EXPECT_FALSE(pieces.contains(word)) << where;
            EXPECT_FALSE(sharedRoots.contains(path)) << where;
            // "*" stands for a version folder, which keeps local history and settings beside its
            // caches: a path may only go through one, into a cache folder named after it.
            EXPECT_FALSE(pieces.last().contains(u'*')) << where;
            for (const bool exists : {false, true}) {
                const std::optional<QString> folder =
                    resolveRulePath(path, home, {}, [exists](const QString&) { return exists; });
                ASSERT_TRUE(folder.has_value()) << where;
                EXPECT_TRUE(folder->startsWith(home + u'/')) << where;
                if (!exists)
                    resolved.append({*folder, QString::fromStdString(where)});
            }
        }
    }
    // A folder listed twice would be counted twice, and its second clean would fail.
    for (const auto& [a, whereA] : resolved)
        for (const auto& [b, whereB] : resolved)
            EXPECT_FALSE(&a != &b && mayMeet(a, b)) << whereA.toStdString() << " covers " << whereB.toStdString();
}

// Every rule over one home made from the applications' real layouts: each rule finds exactly its
// own cache, each of its paths finds some of it, and no file is found twice.
TEST(BundledRules, FindExactlyTheCacheOfTheirFixtureAndNoneOfTheDataBesideIt)
{
    const QJsonObject fixtures = ::fixtures();
    QTemporaryDir dir;
    TreeBuilder tree(dir.path() + u"/home"_s);
    QSet<QString> kept;
    for (const QJsonValue& fixture : fixtures) {
        for (const QString& relative : fixture[u"cache"_s].toVariant().toStringList())
            tree.file(relative, 3);
        for (const QString& relative : fixture[u"keep"_s].toVariant().toStringList())
            kept.insert(tree.file(relative, 5));
    }
    Sandbox::openScope(tree.root());

    const QList<BundledRule> rules = bundledRules();
    EXPECT_EQ(fixtures.size(), rules.size());
    QSet<QString> foundBefore;
    for (const BundledRule& bundled : rules) {
        const std::string key = bundled.rule.ruleKey().toStdString();
        QStringList expected;
        for (const QString& relative : fixtures[bundled.rule.ruleKey()][u"cache"_s].toVariant().toStringList())
            expected << tree.path(relative);
        expected.sort();
        const std::optional<CleanupResult> result = RuleScanEngine::scanRule(bundled.rule, tree.root());
        ASSERT_TRUE(result.has_value()) << key;
        QStringList found = result->files;
        found.sort();
        EXPECT_EQ(found.join(u'\n').toStdString(), expected.join(u'\n').toStdString()) << key;
        for (const QString& path : std::as_const(found)) {
            EXPECT_FALSE(kept.contains(path) || foundBefore.contains(path)) << key << " " << path.toStdString();
            foundBefore.insert(path);
        }
        for (const QString& path : bundled.rule.paths) {
            // indexOf matches whole strings: some file below the folder.
            const QRegularExpression under(versionPattern(resolveRulePath(path, tree.root()).value()) + u"/.*"_s);
            EXPECT_TRUE(found.indexOf(under) >= 0) << key << ": " << path.toStdString();
        }
    }
    Sandbox::reset();
}

// Homes where every folder a rule names, or the top folder above it, is a link to a folder
// elsewhere that holds the cache: the scan follows none of them, even where the target lies in an
// open scope.
TEST(BundledRules, FindNothingWhereTheirFoldersOrTheFoldersAboveThemAreLinksToElsewhere)
{
    QTemporaryDir dir;
    TreeBuilder tree(dir.path() + u"/home"_s);
    TreeBuilder elsewhere(dir.path() + u"/elsewhere"_s);
    QList<CleanupRule> rules;
    for (const BundledRule& bundled : bundledRules()) {
        rules << bundled.rule;
        for (const QString& path : bundled.rule.paths) {
            const QString folder = resolveRulePath(path, tree.root(), {}, [](const QString&) { return false; })
                                       .value()
                                       .replace(u'*', u"2024.3"_s);
            const QString target = elsewhere.file(QString::number(rules.size()) + path + u"/f"_s, 7);
            if (!QFileInfo::exists(folder))
                tree.symlink(folder.mid(tree.root().size() + 1), target.section(u'/', 0, -2));
        }
    }

    TreeBuilder above(dir.path() + u"/above"_s);
    TreeBuilder real(dir.path() + u"/real"_s);
    above.folder(u"."_s);
    for (const QJsonValue& fixture : fixtures())
        for (const QString& relative : fixture[u"cache"_s].toVariant().toStringList()) {
            real.file(relative, 7);
            const QString top = relative.section(u'/', 0, 0);
            if (!QFileInfo::exists(above.path(top)) && !QFileInfo(above.path(top)).isSymLink())
                above.symlink(top, real.path(top));
        }
    for (const QString& root : {tree.root(), elsewhere.root(), above.root(), real.root()})
        Sandbox::openScope(root);
    for (const QString& home : {tree.root(), above.root()})
        for (const CleanupResult& result : RuleScanEngine::scanRules(rules, home))
            ADD_FAILURE() << result.id.toStdString() << " followed a link to " << result.files.value(0).toStdString();
    // The control: the same caches, reached as a home of real folders, are every one found.
    EXPECT_EQ(RuleScanEngine::scanRules(rules, real.root()).size(), rules.size());
    Sandbox::reset();
}
