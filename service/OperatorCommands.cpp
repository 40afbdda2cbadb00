#include "OperatorCommands.h"

#include "CommandLine.h"
#include "ServiceStore.h"
#include "core/rules/RuleReview.h"

#include <QFile>
#include <QUrl>

namespace Sweepora::Service {
namespace {

std::optional<qint64> positiveId(const QString& text)
{
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    return ok && id > 0 ? std::optional<qint64>(id) : std::nullopt;
}

QString stateText(ReviewState state)
{
    switch (state) {
    case ReviewState::approved:
        return QStringLiteral("已通过");
    case ReviewState::held:
        return QStringLiteral("待审核");
    case ReviewState::rejected:
        return QStringLiteral("已拒绝");
    }
    return {};
}

} // namespace

OperatorCommands::OperatorCommands(ServiceStore& store, ServiceClock clock, QTextStream& out, QTextStream& err)
    : m_store(store), m_clock(std::move(clock)), m_out(out), m_err(err)
{}

int OperatorCommands::usageError(const QString& message)
{
    m_err << message << "\n" << CommandLine::usage();
    m_err.flush();
    return 1;
}

bool OperatorCommands::onlyOptions(const CommandLine& line, const QStringList& options, const QStringList& flags)
{
    for (auto it = line.options.cbegin(); it != line.options.cend(); ++it)
        if (!options.contains(it.key())) {
            usageError(QStringLiteral("选项 --%1 不适用于 %2").arg(it.key(), line.command));
            return false;
        }
    for (const QString& flag : line.flags)
        if (!flags.contains(flag)) {
            usageError(QStringLiteral("选项 --%1 不适用于 %2").arg(flag, line.command));
            return false;
        }
    return true;
}

int OperatorCommands::run(const CommandLine& line)
{
    int status = 1;
    if (line.command == QLatin1String("publish-rule"))
        status = publishRules(line);
    else if (line.command == QLatin1String("unpublish-rule"))
        status = unpublishRule(line);
    else if (line.command == QLatin1String("publish-version"))
        status = publishVersion(line);
    else if (line.command == QLatin1String("review"))
        status = review(line);
    else if (line.command == QLatin1String("list") || line.command == QLatin1String("check")) {
        if (!onlyOptions(line, {}, {}))
            return 1;
        if (!line.arguments.isEmpty())
            return usageError(QStringLiteral("%1 不带参数").arg(line.command));
        status = line.command == QLatin1String("list") ? list() : check();
    } else
        status = usageError(QStringLiteral("未知命令 %1").arg(line.command));
    m_out.flush();
    m_err.flush();
    return status;
}

int OperatorCommands::publishRules(const CommandLine& line)
{
    if (!onlyOptions(line, {}, {QStringLiteral("override-review")}))
        return 1;
    if (line.arguments.isEmpty())
        return usageError(QStringLiteral("publish-rule 需要至少一个规则文件"));
    const bool overrideReview = line.flags.contains(QStringLiteral("override-review"));
    int status = 0;
    for (const QString& path : line.arguments) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_err << path << "：无法读取（" << file.errorString() << "）\n";
            status = 2;
            continue;
        }
        if (file.size() > kMaxRuleFileBytes) {
            m_err << path << "：文件过大\n";
            status = 2;
            continue;
        }
        const Core::Decoded<Core::RemoteRuleJSON> rule = Core::RemoteRuleJSON::fromJson(file.readAll());
        if (!rule) {
            m_err << path << "：规则格式不正确：" << rule.error << "\n";
            status = 2;
            continue;
        }
        const Core::ReviewVerdict verdict = Core::RuleReview::review(rule.value->toCleanupRule());
        if (!verdict.passed && !overrideReview) {
            m_err << path << "：未通过自动审核：" << verdict.reason() << "（确认无误可加 --override-review）\n";
            status = 2;
            continue;
        }
        bool replaced = false;
        const std::optional<qint64> id = m_store.publishRule(*rule.value, m_clock(), &replaced);
        if (!id) {
            m_err << path << "：写入数据库失败\n";
            status = 2;
            continue;
        }
        m_out << "已发布 #" << *id << " " << rule.value->packName << " " << rule.value->name
              << (replaced ? "（替换了同名规则）" : "") << "\n";
    }
    return status;
}

int OperatorCommands::unpublishRule(const CommandLine& line)
{
    if (!onlyOptions(line, {}, {}))
        return 1;
    const std::optional<qint64> id = line.arguments.size() == 1 ? positiveId(line.arguments.first()) : std::nullopt;
    if (!id)
        return usageError(QStringLiteral("unpublish-rule 需要一个规则 ID"));
    switch (m_store.unpublishRule(*id)) {
    case ServiceStore::Change::done:
        m_out << "已撤下云端规则 #" << *id << "\n";
        return 0;
    case ServiceStore::Change::notFound:
        m_err << "没有云端规则 #" << *id << "\n";
        return 2;
    case ServiceStore::Change::failed:
        break;
    }
    m_err << "写入数据库失败\n";
    return 2;
}

int OperatorCommands::publishVersion(const CommandLine& line)
{
    const QStringList names = {QStringLiteral("build"), QStringLiteral("version"), QStringLiteral("url"),
                               QStringLiteral("notes"), QStringLiteral("minimum-version")};
    if (!onlyOptions(line, names, {QStringLiteral("force")}))
        return 1;
    if (!line.arguments.isEmpty())
        return usageError(QStringLiteral("publish-version 只接受选项"));
    for (const char* required : {"build", "version", "url", "notes"})
        if (!line.options.contains(QString::fromLatin1(required)))
            return usageError(QStringLiteral("publish-version 缺少 --%1").arg(QString::fromLatin1(required)));

    VersionRecord v;
    bool ok = false;
    v.buildNumber = line.options.value(QStringLiteral("build")).toLongLong(&ok);
    if (!ok || v.buildNumber <= 0)
        return usageError(QStringLiteral("--build 须为正整数"));
    v.version = line.options.value(QStringLiteral("version")).trimmed();
    if (v.version.isEmpty() || v.version.size() > 64)
        return usageError(QStringLiteral("--version 不能为空，且最多 64 个字符"));
    v.downloadURL = line.options.value(QStringLiteral("url")).trimmed();
    const QUrl url(v.downloadURL, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return usageError(QStringLiteral("--url 须为 http(s) 地址"));
    v.releaseNotes = line.options.value(QStringLiteral("notes"));
    if (line.options.contains(QStringLiteral("minimum-version")))
        v.minimumVersion = line.options.value(QStringLiteral("minimum-version"));
    v.forceUpdate = line.flags.contains(QStringLiteral("force"));

    bool replaced = false;
    const std::optional<qint64> id = m_store.publishVersion(v, m_clock(), &replaced);
    if (!id) {
        m_err << "写入数据库失败\n";
        return 2;
    }
    m_out << (replaced ? "已更新版本 " : "已发布版本 ") << v.version << "（Build " << v.buildNumber << "，#" << *id
          << "）" << (v.forceUpdate ? "，强制更新" : "") << "\n";
    return 0;
}

int OperatorCommands::review(const CommandLine& line)
{
    if (!onlyOptions(line, {}, {}))
        return 1;
    if (line.arguments.size() < 2)
        return usageError(QStringLiteral("review 需要 ID 和 allow 或 reject"));
    const std::optional<qint64> id = positiveId(line.arguments.at(0));
    const QString decision = line.arguments.at(1);
    const QString reason = line.arguments.mid(2).join(u' ').trimmed();
    if (!id)
        return usageError(QStringLiteral("ID 须为正整数"));
    if (decision != QLatin1String("allow") && decision != QLatin1String("reject"))
        return usageError(QStringLiteral("审核结果须为 allow 或 reject"));
    const bool allow = decision == QLatin1String("allow");
    if (!allow && reason.isEmpty())
        return usageError(QStringLiteral("拒绝时须写明原因"));

    bool failed = false;
    const std::optional<WorkshopEntry> entry = m_store.workshopEntry(*id, &failed);
    if (!entry) {
        m_err << (failed ? QStringLiteral("读取数据库失败") : QStringLiteral("规则工坊中没有 #%1").arg(*id)) << "\n";
        return 2;
    }
    if (m_store.setReview(*id, allow ? ReviewState::approved : ReviewState::rejected, reason, m_clock()) !=
        ServiceStore::Change::done) {
        m_err << "写入数据库失败\n";
        return 2;
    }
    if (allow) {
        m_out << "#" << *id << " 已通过审核，将出现在规则工坊中\n";
        // The operator overrules the automatic checks knowingly, never by accident.
        const Core::ReviewVerdict verdict = Core::RuleReview::review(entry->rule.toCleanupRule());
        if (!verdict.passed)
            m_out << "注意：该规则未通过自动检查：" << verdict.reason() << "\n";
    } else {
        m_out << "#" << *id << " 已拒绝：" << reason << "\n";
    }
    return 0;
}

int OperatorCommands::list()
{
    const auto rules = m_store.publishedRules();
    const auto entries = m_store.workshopEntries();
    const auto versions = m_store.versions();
    if (!rules || !entries || !versions) {
        m_err << "读取数据库失败\n";
        return 2;
    }
    m_out << "云端规则（" << rules->size() << "）\n";
    for (const PublishedRule& r : *rules)
        m_out << "  #" << r.id << "  " << r.rule.packName << "  " << r.rule.name << "  " << r.rule.paths.size()
              << " 个路径\n";
    m_out << "规则工坊（" << entries->size() << "）\n";
    for (const WorkshopEntry& e : *entries) {
        m_out << "  #" << e.id << "  " << stateText(e.state) << "  " << e.rule.packName << "  " << e.rule.name << "  "
              << isoTimestamp(e.createdAt);
        if (!e.reason.isEmpty())
            m_out << "  " << e.reason;
        m_out << "\n";
    }
    m_out << "版本（" << versions->size() << "）\n";
    for (const VersionRecord& v : *versions)
        m_out << "  #" << v.id << "  Build " << v.buildNumber << "  " << v.version << (v.forceUpdate ? "  强制" : "")
              << "  " << v.downloadURL << "\n";
    return 0;
}

int OperatorCommands::check()
{
    const std::optional<QStringList> problems = m_store.consistencyProblems();
    const std::optional<ServiceStore::Counts> counts = m_store.counts();
    if (!problems || !counts) {
        m_err << "无法检查数据库\n";
        return 2;
    }
    for (const QString& problem : *problems)
        m_err << problem << "\n";
    m_out << (problems->isEmpty() ? "数据库一致" : "数据库有问题") << "：云端规则 " << counts->publishedRules
          << " 条，规则工坊 " << counts->approved + counts->held + counts->rejected << " 条（已通过 "
          << counts->approved << "，待审核 " << counts->held << "，已拒绝 " << counts->rejected << "），版本 "
          << counts->versions << " 个，验证码 " << counts->codes << " 条\n";
    return problems->isEmpty() ? 0 : 2;
}

} // namespace Sweepora::Service
