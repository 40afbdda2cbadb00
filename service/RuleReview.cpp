#include "RuleReview.h"

#include "rules/RulePath.h"

#include <QRegularExpression>

#include <algorithm>

namespace Sweepora::Service {
namespace {

const QLatin1String kHomeForm("USERFOLDER/");
const QLatin1String kPublicDataForm("PUBLIC_DATA/");
// Rule paths are resolved against this stand-in home to see where they would land.
const QString kReviewHome = QStringLiteral("/home/sweepora-review");

// Folder names that hold what people keep, wherever they appear in a path: the standard user
// folders (also under their Chinese names, as a Chinese desktop creates them), mail, keychains,
// keys, browser profiles and the Trash.
const QStringList kProtectedNames = {
    QStringLiteral("Documents"),
    QStringLiteral("Desktop"),
    QStringLiteral("Downloads"),
    QStringLiteral("Pictures"),
    QStringLiteral("Movies"),
    QStringLiteral("Music"),
    QStringLiteral("Videos"),
    QStringLiteral("Public"),
    QStringLiteral("Templates"),
    QStringLiteral("文档"),
    QStringLiteral("桌面"),
    QStringLiteral("下载"),
    QStringLiteral("图片"),
    QStringLiteral("视频"),
    QStringLiteral("音乐"),
    QStringLiteral("公共"),
    QStringLiteral("模板"),
    QStringLiteral("Mail"),
    QStringLiteral("Keychains"),
    QStringLiteral("keyrings"),
    QStringLiteral(".ssh"),
    QStringLiteral(".gnupg"),
    QStringLiteral(".password-store"),
    QStringLiteral("Mobile Documents"),
    QStringLiteral("Cookies"),
    QStringLiteral(".mozilla"),
    QStringLiteral(".thunderbird"),
    QStringLiteral(".Trash"),
    QStringLiteral("Trash"),
};

// Folders below the home folder (a "*" stands for any one name) that hold user data. A rule
// path may be neither one of them, nor inside one, nor a folder that contains one.
const QStringList kProtectedFolders = {
    QStringLiteral("Library/Mail"),
    QStringLiteral("Library/Messages"),
    QStringLiteral("Library/Keychains"),
    QStringLiteral("Library/Cookies"),
    QStringLiteral("Library/Safari"),
    QStringLiteral("Library/Calendars"),
    QStringLiteral("Library/Accounts"),
    QStringLiteral("Library/Preferences"),
    QStringLiteral("Library/Photos"),
    QStringLiteral("Library/Group Containers"),
    QStringLiteral("Library/Containers/*/Data/Documents"),
    QStringLiteral("Library/Containers/com.apple.mail"),
    QStringLiteral("Library/Thunderbird"),
    QStringLiteral("Library/Application Support/AddressBook"),
    QStringLiteral("Library/Application Support/MobileSync"),
    QStringLiteral("Library/Application Support/Google/Chrome"),
    QStringLiteral("Library/Application Support/Chromium"),
    QStringLiteral("Library/Application Support/Firefox"),
    QStringLiteral("Library/Application Support/Microsoft Edge"),
    QStringLiteral("Library/Application Support/BraveSoftware"),
    QStringLiteral("Library/Application Support/Vivaldi"),
    QStringLiteral("Library/Application Support/com.operasoftware.Opera"),
    QStringLiteral("Library/Application Support/Sweepora"),
    QStringLiteral(".config/google-chrome"),
    QStringLiteral(".config/chromium"),
    QStringLiteral(".config/BraveSoftware"),
    QStringLiteral(".config/microsoft-edge"),
    QStringLiteral(".config/vivaldi"),
    QStringLiteral(".config/opera"),
    QStringLiteral(".config/evolution"),
    QStringLiteral(".config/Sweepora"),
    QStringLiteral(".local/share/keyrings"),
    QStringLiteral(".local/share/evolution"),
    QStringLiteral(".local/share/Trash"),
    QStringLiteral(".local/share/Sweepora"),
    QStringLiteral(".var/app/*/.mozilla"),
    QStringLiteral(".var/app/*/.thunderbird"),
    QStringLiteral(".var/app/*/config/google-chrome"),
    QStringLiteral(".var/app/*/config/chromium"),
    QStringLiteral(".var/app/*/config/BraveSoftware"),
    QStringLiteral(".var/app/*/config/microsoft-edge"),
    QStringLiteral("snap/*/*/.mozilla"),
    QStringLiteral("snap/*/*/.thunderbird"),
    QStringLiteral("snap/*/*/.config"),
};

// Visible folders directly in the home folder are the user's own; caches live in hidden
// folders, in the macOS Library and in snap's per-application folders.
const QStringList kVisibleRootsWithCaches = {QStringLiteral("Library"), QStringLiteral("snap")};

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool segmentMatches(const QString& pattern, const QString& name)
{
    return pattern == QLatin1String("*") || sameName(pattern, name);
}

// Whether the first `count` segments of the path and the pattern agree.
bool prefixMatches(const QStringList& pattern, const QStringList& segments, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        if (!segmentMatches(pattern.at(i), segments.at(i)))
            return false;
    return true;
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

// The problem with a path below the home folder, given as its names ("" when it is acceptable).
QString homeRelativeProblem(const QStringList& segments)
{
    if (segments.isEmpty())
        return QStringLiteral("指向整个个人文件夹");
    for (const QString& segment : segments)
        for (const QString& name : kProtectedNames)
            if (sameName(segment, name))
                return QStringLiteral("涉及用户数据（%1）").arg(segment);
    for (const QString& folder : kProtectedFolders) {
        const QStringList pattern = folder.split(u'/');
        const qsizetype shared = std::min(pattern.size(), segments.size());
        if (prefixMatches(pattern, segments, shared))
            return segments.size() >= pattern.size() ? QStringLiteral("涉及用户数据（%1）").arg(folder)
                                                     : QStringLiteral("包含用户数据（%1）").arg(folder);
    }
    const QString& first = segments.first();
    if (!first.startsWith(u'.') && std::none_of(kVisibleRootsWithCaches.begin(), kVisibleRootsWithCaches.end(),
                                                [&](const QString& root) { return sameName(root, first); }))
        return QStringLiteral("位于用户自己的文件夹（%1）中").arg(first);
    return {};
}

// Where a path under a person's home folder begins ("/Users/name/…" or "/home/name/…"), or -1.
qsizetype homeRelativeStart(const QStringList& segments)
{
    if (segments.size() >= 2 && (segments.at(0) == QLatin1String("Users") || segments.at(0) == QLatin1String("home")))
        return 2;
    return -1;
}

// An application's own container documents: a PUBLIC_DATA path may land there on a machine
// where neither its caches nor its support folder exist. That folder is the application's, and
// the tail under it is the same one checked in every other candidate.
bool isContainerDocuments(const QString& candidate)
{
    static const QStringList pattern = QStringLiteral("Library/Containers/*/Data/Documents").split(u'/');
    const QStringList segments = candidate.mid(kReviewHome.size()).split(u'/', Qt::SkipEmptyParts);
    return segments.size() > pattern.size() && prefixMatches(pattern, segments, pattern.size());
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
    const QStringList raw = rulePath.split(u'/');
    if (raw.contains(QStringLiteral("..")) || raw.contains(QStringLiteral(".")))
        return QStringLiteral("路径 %1 含有“..”或“.”").arg(shown);

    QStringList candidates;
    if (rulePath.startsWith(kHomeForm)) {
        if (rulePath.mid(kHomeForm.size()).split(u'/', Qt::SkipEmptyParts).isEmpty())
            return QStringLiteral("路径 %1 指向整个个人文件夹").arg(shown);
    } else if (rulePath.startsWith(kPublicDataForm)) {
        if (rulePath.mid(kPublicDataForm.size()).split(u'/', Qt::SkipEmptyParts).size() < 2)
            return QStringLiteral("路径 %1 须写成 PUBLIC_DATA/应用标识/子路径").arg(shown);
    } else if (!rulePath.startsWith(u'/')) {
        return QStringLiteral("路径 %1 不是受支持的写法（应以 USERFOLDER/、PUBLIC_DATA/ 或个人文件夹下的绝对路径开头）")
            .arg(shown);
    }

    // Resolve the path as the application would; for PUBLIC_DATA every folder that it may land
    // in on someone's machine is checked, not only the first.
    const Core::PathExistsTest collect = [&candidates](const QString& path) {
        candidates.append(path);
        return false;
    };
    const std::optional<QString> resolved = Core::resolveRulePath(rulePath, kReviewHome, {}, collect);
    if (!resolved)
        return QStringLiteral("路径 %1 无法解析").arg(shown);
    if (candidates.isEmpty())
        candidates.append(*resolved);

    for (const QString& candidate : candidates) {
        QStringList relative;
        if (rulePath.startsWith(u'/')) {
            const QStringList segments = candidate.split(u'/', Qt::SkipEmptyParts);
            const qsizetype start = homeRelativeStart(segments);
            if (start < 0)
                return QStringLiteral("路径 %1 位于个人文件夹之外").arg(shown);
            relative = segments.mid(start);
        } else {
            if (rulePath.startsWith(kPublicDataForm) && isContainerDocuments(candidate))
                continue;
            if (candidate != kReviewHome && !candidate.startsWith(kReviewHome + u'/'))
                return QStringLiteral("路径 %1 位于个人文件夹之外").arg(shown);
            relative = candidate.mid(kReviewHome.size()).split(u'/', Qt::SkipEmptyParts);
        }
        if (const QString problem = homeRelativeProblem(relative); !problem.isEmpty())
            return QStringLiteral("路径 %1 %2").arg(shown, problem);
    }
    return {};
}

ReviewVerdict RuleReview::review(const Core::CleanupRule& rule)
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

} // namespace Sweepora::Service
