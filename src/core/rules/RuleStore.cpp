#include "core/rules/RuleStore.h"

#include "core/fs/PrivateFolders.h"
#include "core/fs/UniqueFd.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Core {
namespace {

// A rule file holds a few hundred bytes; anything far larger is not a rule and is not read
// into memory.
constexpr qint64 maximumRuleFileSize = 4 * 1024 * 1024;

QStringList sortedEntries(const QDir& dir, const QStringList& nameFilters, QDir::Filters filters)
{
    QStringList names = dir.entryList(nameFilters, filters, QDir::Unsorted);
    std::sort(names.begin(), names.end());
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names)
        paths.append(dir.filePath(name));
    return paths;
}

std::optional<QByteArray> readResource(const QString& path)
{
    QFile file(path);
    if (file.size() > maximumRuleFileSize || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The user folder may hold anything: only a regular file is read. Opening without blocking
// keeps a named pipe or a device from stalling the caller.
std::optional<QByteArray> readUserFile(const QString& path)
{
    const int fd = ::open(bytesFromPath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maximumRuleFileSize) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray data;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.append(buffer, n);
        if (data.size() > maximumRuleFileSize) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return data;
}

std::optional<QByteArray> readRuleFile(const QString& path)
{
    return path.startsWith(QLatin1Char(':')) ? readResource(path) : readUserFile(path);
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

RuleStore::RuleStore()
    : RuleStore({QStringLiteral(":/Rules"), QStringLiteral(":/")}, PlatformLayout::current().userRulesDirectory())
{}

RuleStore::RuleStore(QStringList resourceFolders, QString userRulesDirectory)
    : m_resourceFolders(std::move(resourceFolders)), m_userRulesDirectory(std::move(userRulesDirectory))
{}

QList<CleanupRule> RuleStore::loadRules() const
{
    QStringList files;
    for (const QString& folder : m_resourceFolders)
        files += sortedEntries(QDir(folder), {QStringLiteral("*.json")}, QDir::Files | QDir::CaseSensitive);
    if (!m_userRulesDirectory.isEmpty())
        files += sortedEntries(QDir(m_userRulesDirectory), {},
                               QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);

    QHash<QString, CleanupRule> byKey;
    for (const QString& file : files) {
        const std::optional<QByteArray> text = readRuleFile(file);
        if (!text)
            continue;
        Decoded<CleanupRule> decoded = CleanupRule::fromJson(*text);
        if (decoded)
            byKey.insert(decoded.value->ruleKey(), std::move(*decoded.value));
    }
    if (byKey.isEmpty())
        return {fallbackRule()};

    QList<CleanupRule> rules = byKey.values();
    // Equal names have no defined order; the identity makes the list the same on every load.
    std::sort(rules.begin(), rules.end(), [](const CleanupRule& a, const CleanupRule& b) {
        if (a.name != b.name)
            return a.name < b.name;
        return a.ruleKey() < b.ruleKey();
    });
    return rules;
}

bool RuleStore::isWritableIdentity(const QString& ruleKey)
{
    return !ruleKey.contains(QLatin1Char('/')) && !ruleKey.contains(QChar(u'\0')) && ruleKey != QLatin1String(".") &&
           ruleKey != QLatin1String("..");
}

bool RuleStore::saveRule(const CleanupRule& rule, QString* error) const
{
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    const QString key = rule.ruleKey();
    if (!isWritableIdentity(key))
        return fail(QStringLiteral("规则的应用标识与名称连起来不能含有“/”或空字符，也不能是“.”或“..”"));
    // Its folder is in the data home: made private to the user where it is missing.
    if (m_userRulesDirectory.isEmpty() ||
        !UniqueFd(openOrMakePrivateFolders(bytesFromPath(QDir().absoluteFilePath(m_userRulesDirectory)))).valid())
        return fail(QStringLiteral("无法创建规则文件夹：%1").arg(m_userRulesDirectory));

    const QString target = m_userRulesDirectory + QLatin1Char('/') + key + QStringLiteral(".json");
    // Written beside the target and renamed over it: the file is replaced in one step, and a
    // symbolic link of that name is replaced too instead of being written through.
    QTemporaryFile temporary(m_userRulesDirectory + QStringLiteral("/.rule-XXXXXX"));
    if (!temporary.open())
        return fail(QStringLiteral("无法写入规则文件：%1").arg(temporary.errorString()));
    const QByteArray data = rule.toJson();
    if (temporary.write(data) != data.size() || !temporary.flush() || ::fsync(temporary.handle()) != 0)
        return fail(QStringLiteral("无法写入规则文件：%1").arg(temporary.errorString()));
    temporary.close();
    if (::rename(bytesFromPath(temporary.fileName()).constData(), bytesFromPath(target).constData()) != 0) {
        const int code = errno;
        return fail(QStringLiteral("无法写入规则文件 %1：%2").arg(target, systemError(code)));
    }
    temporary.setAutoRemove(false);
    if (error)
        error->clear();
    return true;
}

QString RuleStore::exportJSON(const CleanupRule& rule)
{
    return QString::fromUtf8(rule.toJson());
}

CleanupRule RuleStore::fallbackRule()
{
    CleanupRule rule;
    rule.app = true;
    rule.name = QStringLiteral("微信 小程序缓存");
    rule.paths = {QStringLiteral("PUBLIC_DATA/com.tencent.mm/MicroMsg/wxacache"),
                  QStringLiteral("PUBLIC_DATA/com.tencent.mm/MicroMsg/appbrand/pkg")};
    rule.notice = 0;
    rule.packName = QStringLiteral("com.tencent.mm");
    rule.description = QStringLiteral("微信小程序缓存数据");
    return rule;
}

} // namespace Sweepora::Core
