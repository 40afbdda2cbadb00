#include "core/rules/RuleScanEngine.h"

#include "core/fs/Walker.h"
#include "core/platform/PathBytes.h"
#include "core/rules/RulePath.h"
#include "core/scanners/RegularFiles.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"
#include "core/util/NameOrder.h"

#include <QRegularExpression>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace Sweepora::Core::RuleScanEngine {
namespace {

constexpr qsizetype kRulesAtOnce = 4;

// The folders directly inside a folder whose names match, never through a link.
class ChildFolderCollector final : public WalkVisitor
{
public:
    explicit ChildFolderCollector(const QRegularExpression& pattern) : m_pattern(pattern) {}
    WalkAction visit(const WalkEntry& entry) override
    {
        if (entry.isDirectory()) {
            const std::string_view bytes = entry.name();
            const QString name = pathFromBytes(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
            if (m_pattern.match(name).hasMatch())
                m_names.append(name);
        }
        return WalkAction::skipChildren;
    }
    QRegularExpression m_pattern;
    QStringList m_names;
};

// The folder above a path's first piece with "*", where matching it starts; none without one.
std::optional<QString> wildcardParent(const QString& path)
{
    const QStringList pieces = path.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < pieces.size(); ++i)
        if (pieces[i].contains(QLatin1Char('*')))
            return pieces.first(i).join(QLatin1Char('/'));
    return std::nullopt;
}

// A piece with "*" stands for every real folder whose name fits, "*" being a version: a run
// of characters that starts with a digit ("2024.3"). That is what IDEs name their one folder
// per version by, so ".cache/JetBrains/PyCharm*/caches" names each version's caches and no
// other folder beside them. A name such as "Mail" or an application's identifier never fits,
// so a "*" reaches no further than a rule that names one version. A path without one names
// itself.
QRegularExpression versionPattern(const QString& piece)
{
    QStringList literals = piece.split(QLatin1Char('*'));
    for (QString& literal : literals)
        literal = QRegularExpression::escape(literal);
    return QRegularExpression(QRegularExpression::anchoredPattern(literals.join(QStringLiteral("[0-9][^/]*"))));
}

QStringList matchingFolders(const QString& path)
{
    const std::optional<QString> parent = wildcardParent(path);
    if (!parent)
        return {path};
    QStringList pieces = path.split(QLatin1Char('/'));
    const qsizetype at = parent->count(QLatin1Char('/')) + 1;
    const QRegularExpression pattern = versionPattern(pieces[at]);
    WalkOptions options;
    options.threads = 1;
    ChildFolderCollector collector(pattern);
    WalkVisitor* const visitors[] = {&collector};
    Walker::walk(*parent, options, visitors);
    collector.m_names.sort();
    QStringList folders;
    for (const QString& name : std::as_const(collector.m_names)) {
        pieces[at] = name;
        folders << matchingFolders(pieces.join(QLatin1Char('/')));
    }
    return folders;
}

} // namespace

QStringList listRegularFiles(const QString& folder, qint64* totalSize)
{
    QStringList paths;
    qint64 size = 0;
    for (const FoundFile& f : findRegularFiles(folder, ProtectedPlaces::current())) {
        paths.append(f.path);
        size += f.size;
    }
    if (totalSize != nullptr)
        *totalSize = size;
    return paths;
}

namespace {

// The folders a rule has walked so far, asked whether a new one overlaps any of them: is one,
// lies inside one, or holds one. Every folder's ancestors are kept too, so a question costs
// the folder's depth in lookups: a rule of 50,000 paths takes 50,000 questions, not 50,000².
// Paths are standardized (no "//", no trailing "/"), as Sandbox::isWithin expects them.
class WalkedFolders
{
public:
    bool overlapsAny(const QString& folder) const
    {
        if (folder.isEmpty())
            return false;
        if (m_walked.contains(folder) || m_holdingWalked.contains(folder))
            return true;
        bool inside = false;
        forEachAncestor(folder, [&](const QString& ancestor) {
            inside = m_walked.contains(ancestor);
            return !inside;
        });
        return inside;
    }

    void add(const QString& folder)
    {
        if (folder.isEmpty())
            return;
        m_walked.insert(folder);
        // An ancestor already known has its own ancestors known as well.
        forEachAncestor(folder, [&](const QString& ancestor) {
            if (m_holdingWalked.contains(ancestor))
                return false;
            m_holdingWalked.insert(ancestor);
            return true;
        });
    }

private:
    // "/a/b/c" gives "/a/b", "/a", "/", while `visit` returns true.
    template <typename Visit> static void forEachAncestor(const QString& folder, Visit visit)
    {
        for (qsizetype slash = folder.lastIndexOf(QLatin1Char('/')); slash >= 0;
             slash = folder.lastIndexOf(QLatin1Char('/'), slash - 1)) {
            if (slash == 0 && folder.size() == 1)
                return; // "/" has no ancestor
            if (!visit(slash == 0 ? QStringLiteral("/") : folder.left(slash)) || slash == 0)
                return;
        }
    }

    QSet<QString> m_walked;
    QSet<QString> m_holdingWalked; // every proper ancestor of a walked folder
};

std::optional<CleanupResult> scanRuleWith(const CleanupRule& rule, const QString& home, const Access& access,
                                          const ProtectedPlaces& protectedPlaces,
                                          const std::shared_ptr<WalkProgress>& walk = {})
{
    QStringList files;
    QList<ItemIdentity> identities;
    QList<WholeFolder> wholeFolders;
    WalkedFolders walked;
    std::optional<QSet<QString>> listed; // every file so far, kept once a walk overlaps another
    qint64 size = 0;
    std::optional<QString> accessPath;
    for (const QString& rulePath : rule.paths) {
        const std::optional<QString> resolved = resolveRulePath(rulePath, home, access.legacyGrant);
        if (!resolved)
            continue;
        // Matching a "*" lists the folder above it, which needs the same access as the folders.
        const std::optional<QString> parent = wildcardParent(*resolved);
        if (!accessPath)
            accessPath = parent.value_or(*resolved);
        const bool openedParent = parent && access.begin ? access.begin(*parent) : false;
        const QStringList folders = matchingFolders(*resolved);
        if (openedParent && access.end)
            access.end(*parent);
        for (const QString& folder : folders) {
            const bool opened = access.begin ? access.begin(folder) : false;
            const FoundTree found = findRegularFilesAndFolders(folder, protectedPlaces, walk);
            if (opened && access.end)
                access.end(folder);
            // Overlapping paths ("…/Caches" and "…/Caches/x") must not count a file twice, nor
            // try to move it twice. A folder apart from every earlier one cannot repeat a file.
            const bool overlaps = walked.overlapsAny(folder);
            if (overlaps && !listed)
                listed.emplace(files.cbegin(), files.cend());
            if (!overlaps)
                wholeFolders += found.folders;
            for (const FoundFile& file : found.files) {
                // One walk lists a file once, so what it adds cannot repeat within it.
                if (overlaps && listed->contains(file.path))
                    continue;
                files.append(file.path);
                identities.append(file.identity);
                size += file.size;
                if (listed)
                    listed->insert(file.path);
            }
            walked.add(folder);
        }
    }
    if (files.isEmpty() || size < 1 || !accessPath)
        return std::nullopt;
    CleanupResult result;
    result.id = rule.ruleKey();
    result.rule = rule;
    result.accessPath = *accessPath;
    result.files = files;
    result.identities = identities;
    result.wholeFolders = wholeFolders;
    result.size = size;
    return result;
}

} // namespace

std::optional<CleanupResult> scanRule(const CleanupRule& rule, const QString& home, const Access& access)
{
    return scanRuleWith(rule, home, access, ProtectedPlaces::current());
}

QList<CleanupResult> scanRules(const QList<CleanupRule>& rules, const QString& home, const Access& access,
                               const std::function<void(int, const QString&)>& progress,
                               const std::shared_ptr<WalkProgress>& walk)
{
    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current(); // read once for every rule
    const auto cancelled = [&walk] { return walk && walk->isCancelled(); };
    // Rules are independent: a few at once keep more folder reads in flight, which is what a
    // cold disk needs, and one large cache no longer holds up every rule behind it. Each
    // result keeps its rule's place, so the order is the same as one at a time.
    std::vector<std::optional<CleanupResult>> found(static_cast<size_t>(rules.size()));
    std::mutex taking;
    int next = 0;
    const auto work = [&] {
        for (;;) {
            int i = 0;
            {
                // Indexes are taken and reported together, so progress only rises.
                const std::lock_guard lock(taking);
                if (next >= rules.size() || cancelled())
                    return;
                i = next++;
                if (progress)
                    progress(i, rules[i].name);
            }
            std::optional<CleanupResult> r = scanRuleWith(rules[i], home, access, protectedPlaces, walk);
            if (!cancelled())
                found[static_cast<size_t>(i)] = std::move(r);
        }
    };
    std::vector<std::thread> helpers;
    for (qsizetype h = 1; h < std::min<qsizetype>(kRulesAtOnce, rules.size()); ++h)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    QList<CleanupResult> results;
    for (std::optional<CleanupResult>& r : found)
        if (r)
            results.append(std::move(*r));
    sortResults(results);
    return results;
}

void sortResults(QList<CleanupResult>& results)
{
    std::stable_sort(results.begin(), results.end(), [](const CleanupResult& a, const CleanupResult& b) {
        return sizeThenNameBefore(a.size, a.rule.name, b.size, b.rule.name);
    });
}

CleanOutcome clean(const QList<CleanupResult>& selection, const Access& access)
{
    const TrashRequest request{
        {QStringLiteral("[TaskClean]"), QString(), QString()}, false, {}, QStringLiteral("rules")};
    TrashGateway::Batch journalBatch(request.section);
    CleanOutcome outcome;
    for (const CleanupResult& result : selection) {
        const bool opened = access.begin ? access.begin(result.accessPath) : false;
        // A folder whose every file goes moves as one entry: a cache of 60,000 files becomes a
        // few Trash entries instead of 60,000.
        const WholeCleanPlan plan = planWholeClean(result.files, result.identities, result.wholeFolders);
        const TrashBatchResult batch =
            resultPerFile(plan, result.files, TrashGateway::moveToTrash(plan.items, request));
        if (opened && access.end)
            access.end(result.accessPath);
        outcome.moved += batch.moved;
        for (const TrashFailure& f : batch.failed)
            outcome.failed.append({f.path, f.error});
        if (batch.failed.isEmpty())
            outcome.completedIDs.insert(result.id);
    }
    outcome.batchId = journalBatch.id();
    outcome.message = outcome.completedIDs.size() == selection.size()
                          ? QStringLiteral("清理完成，文件已移到废纸篓")
                          : QStringLiteral("部分文件未能移到废纸篓，请重试");
    return outcome;
}

} // namespace Sweepora::Core::RuleScanEngine
