#include "core/scanners/FileSearchEngine.h"

#include "core/fs/Walker.h"
#include "core/platform/PathBytes.h"
#include "core/scanners/ResultOrder.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"

#include <array>

namespace Sweepora::Core::FileSearchEngine {
namespace {

QDateTime birthDateOf(const WalkEntry& entry)
{
    const std::optional<qint64> born = entry.birthTimeMSecs();
    return born ? QDateTime::fromMSecsSinceEpoch(*born) : QDateTime();
}

class Collector final : public WalkVisitor
{
public:
    explicit Collector(const NameMatcher& matcher) : m_matcher(&matcher) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        // The kind comes from the listing; the name test costs no system call, so only hits
        // are stat'ed, through their folder: the scan keeps what the clean checks again.
        if (!entry.isRegularFile() || !m_matcher->matches(entry.name()))
            return WalkAction::proceed;
        FileSearchResult result;
        result.path = entry.filePath();
        result.identity = ItemIdentity::of(entry);
        if (result.identity.known && result.identity.kind != EntryKind::regular)
            return WalkAction::proceed; // replaced since it was listed
        result.size = entry.allocatedOrLogicalSize();
        result.creationDate = birthDateOf(entry);
        items.append(std::move(result));
        return WalkAction::proceed;
    }

    QList<FileSearchResult> items;

private:
    const NameMatcher* m_matcher;
};

} // namespace

QString trimmedQuery(const QString& query)
{
    return query.trimmed();
}

NameMatcher::NameMatcher(const QString& query) : m_query(query)
{
    m_queryIsAscii = true;
    for (QChar c : query) {
        if (c.unicode() >= 0x80) {
            m_queryIsAscii = false;
            break;
        }
    }
    if (m_queryIsAscii)
        m_asciiLower = query.toLower().toStdString();
}

bool NameMatcher::matches(std::string_view name) const
{
    if (m_query.isEmpty())
        return false;
    if (m_queryIsAscii && name.size() <= 255) {
        // File names are at most 255 bytes: lower-case into a buffer while checking for bytes
        // beyond ASCII, which can fold to ASCII letters (the Kelvin sign to k) and go the slow way.
        std::array<char, 256> lower;
        bool ascii = true;
        for (size_t i = 0; i < name.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (c >= 0x80) {
                ascii = false;
                break;
            }
            lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : static_cast<char>(c);
        }
        if (ascii)
            return std::string_view(lower.data(), name.size()).find(m_asciiLower) != std::string_view::npos;
    }
    return matches(pathFromBytes(QByteArray(name.data(), static_cast<qsizetype>(name.size()))));
}

bool NameMatcher::matches(const QString& name) const
{
    return !m_query.isEmpty() && name.contains(m_query, Qt::CaseInsensitive);
}

Report search(const QString& home, const QString& query, const std::shared_ptr<WalkProgress>& progress)
{
    Report report;
    report.query = trimmedQuery(query);
    if (report.query.isEmpty())
        return report;
    const NameMatcher matcher(report.query);
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageDescendants = true;
    const WatchedVisitor prototype(Collector(matcher), progress);
    for (WatchedVisitor<Collector>& part : Walker::walkEach(home, options, prototype))
        report.items.append(std::move(part.inner.items));
    ProtectedPlaces::current().removeProtected(report.items);
    sortBySizeThenName(report.items);
    return report;
}

TrashBatchResult moveToTrash(const QList<FileSearchResult>& files)
{
    QList<TrashItem> items;
    items.reserve(files.size());
    for (const FileSearchResult& f : files)
        items.append({f.path, f.identity, f.size});
    return TrashGateway::moveToTrash(items,
                                     {{QStringLiteral("[FileSearch]"), QStringLiteral("已将 {n} 个文件移到废纸篓"),
                                       QStringLiteral("已移动 {n} 个文件，部分文件处理失败")},
                                      false,
                                      {},
                                      QStringLiteral("search")});
}

} // namespace Sweepora::Core::FileSearchEngine
