#include "core/rules/RuleReview.h"

#include <QRegularExpression>

#include <algorithm>
#include <initializer_list>

namespace Sweepora::Core {
namespace {

const QLatin1String kHomeForm("USERFOLDER/");
const QLatin1String kPublicDataForm("PUBLIC_DATA/");

// A folder below the home folder, as names; "*" stands for any one name.
struct Pattern
{
    QStringList segments;
};

Pattern pattern(const QString& path)
{
    return {path.split(u'/')};
}

// The cache-type folders of the application layouts we know, below the home folder. A path is
// accepted only inside one of them; where a pattern ends in "*", that name (one application's
// cache) must be there, since the folder above it holds every application's caches.
const QList<Pattern>& cacheFolders()
{
    static const QList<Pattern> folders = [] {
        QList<Pattern> list;
        for (const char* path :
             {".cache/*", "Library/Caches/*", "Library/Containers/*/Data/Library/Caches/*", ".var/app/*/cache",
              "snap/*/common/.cache",
              // Tools whose caches live outside the folders above.
              ".npm/_cacache", ".cargo/registry/cache", ".gradle/caches/build-cache-1", ".thumbnails", ".nv/GLCache",
              ".ccache", "go/pkg/mod/cache", "Library/Developer/Xcode/DerivedData",
              "Library/Developer/Xcode/UserData/Previews", "Library/Developer/CoreSimulator/Caches",
              "Library/Application Support/Adobe/Common/Media Cache",
              "Library/Application Support/Adobe/Common/Media Cache Files"})
            list.append(pattern(QString::fromUtf8(path)));
        // Chromium-based (Electron) applications keep their caches directly in their own
        // configuration folder, next to their profile data.
        for (const char* root : {".config/*", "Library/Application Support/*", ".var/app/*/config/*",
                                 "Library/Containers/*/Data/Library/Application Support/*"})
            for (const char* cache : {"Cache", "Code Cache", "GPUCache", "CachedData", "DawnCache"})
                list.append(pattern(QString::fromUtf8(root) + u'/' + QString::fromUtf8(cache)));
        return list;
    }();
    return folders;
}

// Places below the home folder that an accepted path never crosses, wherever they appear in
// it: keys, credentials and wallets, browser profiles, the Trash and Sweepora's own data. The
// allow-list above already keeps paths out of them; this is a second fence for names that turn
// up inside an application's folder. `itself`: only the folder itself and the folders above
// it are protected (everything lives inside them).
struct ProtectedPlace
{
    const char* path;
    bool itself = false;
};

const ProtectedPlace kProtectedPlaces[] = {
    {".ssh"},
    {".gnupg"},
    {".pki"},
    {".aws"},
    {".kube"},
    {".docker"},
    {".local/share/keyrings"},
    {"keyrings"},
    {"Keychains"},
    {".password-store"},
    {".bitcoin"},
    {".electrum"},
    {".local/share/kwalletd"},
    {"kwalletd"},
    {".config", true},
    {".local/share", true},
    {".mozilla"},
    {".thunderbird"},
    {".config/google-chrome"},
    {".config/chromium"},
    {".config/BraveSoftware"},
    {".config/microsoft-edge"},
    {".config/vivaldi"},
    {".config/opera"},
    {"config/google-chrome"},
    {"config/chromium"},
    {"config/BraveSoftware"},
    {"config/microsoft-edge"},
    {"Application Support/Google/Chrome"},
    {"Application Support/Chromium"},
    {"Application Support/Firefox"},
    {"Application Support/Microsoft Edge"},
    {"Application Support/BraveSoftware"},
    {"Application Support/Vivaldi"},
    {"Application Support/com.operasoftware.Opera"},
    {"Library/Safari"},
    {"Trash"},
    {".Trash"},
    {"Sweepora"},
};

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Whether `segments` starts, at `at`, with the names of `pattern`.
bool matchesAt(const QStringList& pattern, const QStringList& segments, qsizetype at)
{
    if (at + pattern.size() > segments.size())
        return false;
    for (qsizetype i = 0; i < pattern.size(); ++i)
        if (pattern.at(i) != QLatin1String("*") && !sameName(pattern.at(i), segments.at(at + i)))
            return false;
    return true;
}

// The protected place that the path crosses, or "".
QString crossedPlace(const QStringList& segments)
{
    for (const ProtectedPlace& place : kProtectedPlaces) {
        const QStringList names = QString::fromUtf8(place.path).split(u'/');
        // The place itself or a folder above it.
        if (segments.size() <= names.size() && matchesAt(segments, names, 0))
            return QString::fromUtf8(place.path);
        if (place.itself)
            continue;
        for (qsizetype at = 0; at + names.size() <= segments.size(); ++at)
            if (matchesAt(names, segments, at))
                return QString::fromUtf8(place.path);
    }
    return {};
}

bool hasControlCharacter(const QString& text, bool allowLineBreaks = false)
{
    for (const QChar c : text) {
        if (allowLineBreaks && (c == u'\n' || c == u'\t'))
            continue;
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return true;
    }
    return false;
}

QString quotedPath(const QString& path)
{
    // Long paths are shortened so that the reason stays readable.
    return QStringLiteral("“") + (path.size() > 80 ? path.left(77) + QStringLiteral("…") : path) + QStringLiteral("”");
}

// The problem with one name of a path ("" when there is none). A drive letter or Wine's
// "dosdevices" leads through a link to another disk's root.
QString segmentProblem(const QString& segment)
{
    static thread_local const QRegularExpression driveLetter(QStringLiteral("^[A-Za-z]:"));
    if (segment.isEmpty())
        return QStringLiteral("含有空的路径段");
    if (segment == QLatin1String("..") || segment == QLatin1String("."))
        return QStringLiteral("含有“..”或“.”");
    if (sameName(segment, QStringLiteral("dosdevices")) || driveLetter.match(segment).hasMatch())
        return QStringLiteral("经过盘符链接（%1）").arg(segment);
    return {};
}

// The problem with a path below the home folder, given as its names ("" when it is acceptable).
QString homeRelativeProblem(const QStringList& segments)
{
    const QList<Pattern>& folders = cacheFolders();
    const bool inCache = std::any_of(folders.begin(), folders.end(),
                                     [&](const Pattern& folder) { return matchesAt(folder.segments, segments, 0); });
    if (!inCache) {
        for (const Pattern& folder : folders)
            if (folder.segments.last() == QLatin1String("*") && segments.size() + 1 == folder.segments.size() &&
                matchesAt(segments, folder.segments, 0))
                return QStringLiteral("指向所有应用共用的缓存文件夹，须指向其中某个应用的缓存");
        return QStringLiteral("不在已知应用的缓存文件夹中");
    }
    if (const QString place = crossedPlace(segments); !place.isEmpty())
        return QStringLiteral("涉及受保护的位置（%1）").arg(place);
    return {};
}

} // namespace

QString ReviewVerdict::reason() const
{
    constexpr qsizetype kShown = 5;
    QStringList shown = problems.mid(0, kShown);
    if (problems.size() > kShown)
        shown.append(QStringLiteral("另有 %1 处问题").arg(problems.size() - kShown));
    return shown.join(QStringLiteral("；"));
}

QString RuleReview::pathProblem(const QString& rulePath)
{
    if (rulePath.isEmpty())
        return QStringLiteral("存在空路径");
    const QString shown = quotedPath(rulePath);
    if (rulePath.size() > kMaxPathLength)
        return QStringLiteral("路径 %1 过长（最多 %2 个字符）").arg(shown).arg(kMaxPathLength);
    if (hasControlCharacter(rulePath))
        return QStringLiteral("路径 %1 含有控制字符").arg(shown);

    const bool home = rulePath.startsWith(kHomeForm);
    if (!home && !rulePath.startsWith(kPublicDataForm))
        return QStringLiteral("路径 %1 须以 USERFOLDER/ 或 PUBLIC_DATA/ 开头").arg(shown);
    const QStringList segments = rulePath.mid(home ? kHomeForm.size() : kPublicDataForm.size()).split(u'/');
    for (const QString& segment : segments)
        if (const QString problem = segmentProblem(segment); !problem.isEmpty())
            return QStringLiteral("路径 %1 %2").arg(shown, problem);

    if (home) {
        if (const QString problem = homeRelativeProblem(segments); !problem.isEmpty())
            return QStringLiteral("路径 %1 %2").arg(shown, problem);
        return {};
    }
    // PUBLIC_DATA/<id>/Caches/<x>/…: the application finds it in the container's caches first,
    // and otherwise in a "Caches" folder of the application's other data folders.
    if (segments.size() < 3 || !sameName(segments.at(1), QStringLiteral("Caches")))
        return QStringLiteral("路径 %1 须写成 PUBLIC_DATA/应用标识/Caches/缓存名").arg(shown);
    if (const QString place = crossedPlace(segments); !place.isEmpty())
        return QStringLiteral("路径 %1 涉及受保护的位置（%2）").arg(shown, place);
    return {};
}

ReviewVerdict RuleReview::review(const CleanupRule& rule)
{
    static thread_local const QRegularExpression packNamePattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));
    ReviewVerdict verdict;
    QStringList& problems = verdict.problems;

    const QString name = rule.name.trimmed();
    if (name.isEmpty())
        problems.append(QStringLiteral("规则名称不能为空"));
    else if (rule.name.size() > kMaxNameLength)
        problems.append(QStringLiteral("规则名称过长（最多 %1 个字符）").arg(kMaxNameLength));
    else if (hasControlCharacter(rule.name) || rule.name.contains(u'/'))
        problems.append(QStringLiteral("规则名称不能含有“/”或控制字符"));

    if (rule.packName.isEmpty())
        problems.append(QStringLiteral("PackName 不能为空"));
    else if (rule.packName.size() > kMaxPackNameLength)
        problems.append(QStringLiteral("PackName 过长（最多 %1 个字符）").arg(kMaxPackNameLength));
    else if (!packNamePattern.match(rule.packName).hasMatch())
        problems.append(QStringLiteral("PackName 只能由字母、数字、“.”、“_”和“-”组成"));

    if (rule.description.size() > kMaxDescriptionLength)
        problems.append(QStringLiteral("描述过长（最多 %1 个字符）").arg(kMaxDescriptionLength));
    else if (hasControlCharacter(rule.description, true))
        problems.append(QStringLiteral("描述含有控制字符"));

    if (rule.paths.isEmpty())
        problems.append(QStringLiteral("规则至少需要一个路径"));
    else if (rule.paths.size() > kMaxPaths)
        problems.append(QStringLiteral("路径过多（最多 %1 个）").arg(kMaxPaths));
    else
        for (const QString& path : rule.paths)
            if (const QString problem = pathProblem(path); !problem.isEmpty())
                problems.append(problem);

    verdict.passed = problems.isEmpty();
    return verdict;
}

} // namespace Sweepora::Core
