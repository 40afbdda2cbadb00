#include "core/scanners/MiscFileEngine.h"
#include "core/util/FileKind.h"

#include "core/fs/Walker.h"
#include "core/scanners/ResultOrder.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/TrashGateway.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <vector>

namespace Sweepora::Core::MiscFileEngine {
namespace {

constexpr std::array<std::string_view, 11> kArchiveExtensions = {"zip", "rar", "7z",  "tar",  "gz", "bz2",
                                                                 "xz",  "tgz", "tbz", "tbz2", "txz"};
// Linux packages and application images count as installers too: once installed, the
// downloaded file is only a copy.
constexpr std::array<std::string_view, 9> kInstallerExtensions = {"pkg",      "dmg",     "iso",        "deb", "rpm",
                                                                  "appimage", "flatpak", "flatpakref", "snap"};

template <size_t N> bool isIn(const std::array<std::string_view, N>& list, std::string_view extension)
{
    for (std::string_view e : list)
        if (e == extension)
            return true;
    return false;
}

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// How a character takes part in splitting a name into words.
enum class CharKind { separator, lower, upper, uncasedLetter, digit };

template <typename Char> CharKind kindOf(Char c)
{
    const auto code = static_cast<char32_t>(c);
    if (code < 0x80) {
        if (code >= 'a' && code <= 'z')
            return CharKind::lower;
        if (code >= 'A' && code <= 'Z')
            return CharKind::upper;
        return code >= '0' && code <= '9' ? CharKind::digit : CharKind::separator;
    }
    if (QChar::isLower(code))
        return CharKind::lower;
    if (QChar::isUpper(code) || QChar::isTitleCase(code))
        return CharKind::upper;
    if (QChar::isLetter(code))
        return CharKind::uncasedLetter;
    return QChar::isNumber(code) ? CharKind::digit : CharKind::separator;
}

// "log", "logs", "cache" or "caches", in any case.
template <typename Char> bool isJunkWord(const Char* word, size_t length)
{
    if (length < 3 || length > 6)
        return false;
    std::array<char, 6> lower;
    for (size_t i = 0; i < length; ++i) {
        const auto code = static_cast<char32_t>(word[i]);
        if (code >= 0x80)
            return false;
        lower[i] = static_cast<char>(code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code);
    }
    const std::string_view w(lower.data(), length);
    return w == "log" || w == "logs" || w == "cache" || w == "caches";
}

// Words end at every character that is not a letter or a digit, where lower case turns to
// upper ("myLogFile"), and between letters and digits ("Logs2024"). One pass, no allocation:
// every name of the home walk comes through here.
template <typename Char> bool hasJunkWord(const Char* text, size_t size)
{
    size_t start = 0;
    CharKind previous = CharKind::separator;
    for (size_t i = 0; i <= size; ++i) {
        const CharKind kind = i < size ? kindOf(text[i]) : CharKind::separator;
        const bool boundary = kind == CharKind::separator || previous == CharKind::separator ||
                              (previous == CharKind::lower && kind == CharKind::upper) ||
                              ((previous == CharKind::digit) != (kind == CharKind::digit));
        if (boundary) {
            if (previous != CharKind::separator && isJunkWord(text + start, i - start))
                return true;
            start = i;
        }
        previous = kind;
    }
    return false;
}

std::string_view lastExtension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

// Whether the bytes hold "log" or "cache" in any case at all: most names do not, and this one
// look spares them the split into words.
bool mayHoldJunkWord(std::string_view name)
{
    const auto is = [&](size_t i, char lower) { return (name[i] | 0x20) == lower; };
    for (size_t i = 0; i + 3 <= name.size(); ++i) {
        if (is(i, 'l') && is(i + 1, 'o') && is(i + 2, 'g'))
            return true;
        if (is(i, 'c') && i + 5 <= name.size() && is(i + 1, 'a') && is(i + 2, 'c') && is(i + 3, 'h') && is(i + 4, 'e'))
            return true;
    }
    return false;
}

bool isMiscName(std::string_view name)
{
    if (!mayHoldJunkWord(name))
        return false;
    bool junk = false;
    if (isAscii(name)) {
        junk = hasJunkWord(name.data(), name.size());
    } else {
        // Letters beyond ASCII ("blog草稿") join a word: split them by their Unicode class.
        const std::u32string codes =
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toStdU32String();
        junk = hasJunkWord(codes.data(), codes.size());
    }
    if (!junk)
        return false;
    const std::string_view extension = lastExtension(name);
    std::array<char, 16> lower;
    if (extension.size() > lower.size())
        return true;
    for (size_t i = 0; i < extension.size(); ++i) {
        const char c = extension[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const std::string_view lowerExtension(lower.data(), extension.size());
    return !isPersonalWork(fileKindOfExtension(lowerExtension)) && !isIn(kArchiveExtensions, lowerExtension) &&
           !isIn(kInstallerExtensions, lowerExtension);
}

// Archives and installers go by their lower-cased last extension.
bool hasExtensionOf(MiscFileCategory category, std::string_view lower)
{
    const std::string_view extension = lastExtension(lower);
    return category == MiscFileCategory::archives ? isIn(kArchiveExtensions, extension)
                                                  : isIn(kInstallerExtensions, extension);
}

class SizeSum final : public WalkVisitor
{
public:
    WalkAction visit(const WalkEntry& entry) override
    {
        if (entry.isRegularFile())
            total += entry.allocatedOrLogicalSize();
        return WalkAction::proceed;
    }
    qint64 total = 0;
};

const TrashBatchTexts& trashTexts()
{
    static const TrashBatchTexts texts{QStringLiteral("[MiscFileCleanup]"), QStringLiteral("已将 {n} 个文件移到废纸篓"),
                                       QStringLiteral("已移动 {n} 个文件，部分文件处理失败")};
    return texts;
}

} // namespace

class FileCollector final : public WalkVisitor
{
public:
    FileCollector(MiscFileCategory category, std::optional<qint64> cutoffMSecs)
        : m_category(category), m_cutoffMSecs(cutoffMSecs)
    {}

    WalkAction visit(const WalkEntry& entry) override
    {
        if (!matchesName(m_category, entry.name()))
            return WalkAction::proceed;
        // Only regular files, and installer packages in folder form (a pkg folder is a
        // package, so the walk does not enter it). Links are never listed.
        const bool packageFolder =
            entry.isDirectory() && m_category == MiscFileCategory::installers && lowerExtension(entry.name()) == "pkg";
        if (!entry.isRegularFile() && !packageFolder)
            return WalkAction::proceed;
        const std::optional<qint64> born = entry.birthTimeMSecs();
        if (!born)
            return WalkAction::proceed;
        if (m_category != MiscFileCategory::miscellaneous && m_cutoffMSecs && !(*born < *m_cutoffMSecs))
            return WalkAction::proceed;
        MiscFileItem item;
        item.path = entry.filePath();
        item.creationDate = QDateTime::fromMSecsSinceEpoch(*born);
        item.isDirectory = packageFolder;
        // The stat that gave the birth time identifies the item for the clean's check.
        item.identity = ItemIdentity::of(entry);
        if (!packageFolder)
            item.size = entry.allocatedOrLogicalSize();
        items.append(std::move(item));
        return WalkAction::proceed;
    }

    static std::string lowerExtension(std::string_view name)
    {
        const size_t dot = name.rfind('.');
        std::string e(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
        for (char& c : e)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return e;
    }

    QList<MiscFileItem> items;

private:
    MiscFileCategory m_category;
    std::optional<qint64> m_cutoffMSecs;
};

WalkOptions walkOptions()
{
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageDescendants = true;
    return options;
}

QString commandName(MiscFileCategory category)
{
    switch (category) {
    case MiscFileCategory::miscellaneous:
        return QStringLiteral("misc");
    case MiscFileCategory::archives:
        return QStringLiteral("archives");
    case MiscFileCategory::installers:
        return QStringLiteral("installers");
    }
    return {};
}

QString pathExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

bool matchesName(MiscFileCategory category, std::string_view name)
{
    if (category == MiscFileCategory::miscellaneous)
        return isMiscName(name); // case splits words: never folded first
    // Every entry of the walk comes through here, once per scan: fold on the stack. ASCII
    // names (nearly all) are folded without building a QString; any other goes through Unicode.
    std::array<char, 256> buffer;
    if (name.size() > buffer.size() || !isAscii(name))
        return matchesName(category, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        buffer[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return hasExtensionOf(category, std::string_view(buffer.data(), name.size()));
}

bool matchesName(MiscFileCategory category, const QString& name)
{
    if (category == MiscFileCategory::miscellaneous)
        return isMiscName(name.toStdString());
    return hasExtensionOf(category, name.toLower().toStdString());
}

std::optional<QDateTime> cutoffFor(const QDateTime& now)
{
    const QDateTime cutoff = now.addMonths(-1);
    if (!cutoff.isValid())
        return std::nullopt;
    return cutoff;
}

qint64 packageFolderSize(const QString& folder)
{
    WalkOptions options = walkOptions();
    options.threads = 1;
    qint64 total = 0;
    for (const SizeSum& part : Walker::walkEach(folder, options, SizeSum()))
        total += part.total;
    return total;
}

FileScan::FileScan(MiscFileCategory category, const std::optional<QDateTime>& cutoff, int threads)
    : m_category(category)
{
    std::optional<qint64> cutoffMSecs;
    if (cutoff && cutoff->isValid())
        cutoffMSecs = cutoff->toMSecsSinceEpoch();
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_collectors.push_back(std::make_unique<FileCollector>(category, cutoffMSecs));
}

FileScan::FileScan(FileScan&&) noexcept = default;
FileScan::~FileScan() = default;

WalkVisitor* FileScan::visitor(int thread)
{
    return m_collectors.at(static_cast<size_t>(thread)).get();
}

Report FileScan::report()
{
    Report report;
    for (const std::unique_ptr<FileCollector>& part : m_collectors)
        report.items.append(std::move(part->items));
    ProtectedPlaces::current().removeProtected(report.items);
    // Package folders are measured after the walk, not from inside a walking thread.
    for (MiscFileItem& item : report.items)
        if (item.isDirectory)
            item.size = packageFolderSize(item.path);
    sortBySizeThenName(report.items);
    return report;
}

Report findFiles(const QString& home, MiscFileCategory category, const std::optional<QDateTime>& cutoff,
                 const std::shared_ptr<WalkProgress>& progress)
{
    const WalkOptions options = walkOptions();
    const int threads = Walker::threadCount(options);
    FileScan scan(category, cutoff, threads);
    std::vector<WalkVisitor*> visitors;
    for (int i = 0; i < threads; ++i)
        visitors.push_back(scan.visitor(i));
    walkWatched(home, options, visitors, progress);
    return scan.report();
}

Report findFilesAsOf(const QString& home, MiscFileCategory category, const QDateTime& now)
{
    return findFiles(home, category, cutoffFor(now));
}

TrashBatchResult moveToTrash(const QList<MiscFileItem>& items, MiscFileCategory category)
{
    // A log still being written is still the same file: its size is not part of its identity.
    QList<TrashItem> request;
    for (const MiscFileItem& item : items)
        request.append({item.path, item.identity, item.size});
    return TrashGateway::moveToTrash(request, {trashTexts(), false, {}, commandName(category)});
}

} // namespace Sweepora::Core::MiscFileEngine
