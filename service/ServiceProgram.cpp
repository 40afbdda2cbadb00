#include "ServiceProgram.h"

#include "CodeSender.h"
#include "CommandLine.h"
#include "Database.h"
#include "HttpServer.h"
#include "OperatorCommands.h"
#include "ServiceApi.h"
#include "ServiceStore.h"
#include "SmtpCodeSender.h"
#include "VerificationCodes.h"
#include "core/platform/Log.h"
#include "core/platform/ProgramText.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <pthread.h>
#include <thread>

namespace Sweepora::Service {
namespace {

// The limits that the serve command's options change; nothing when one is not a positive number.
std::optional<ServiceLimits> limitsFrom(const CommandLine& line)
{
    ServiceLimits limits;
    const std::pair<const char*, int*> counts[] = {{"uploads-per-hour", &limits.uploadsPerHour},
                                                   {"uploads-per-day", &limits.uploadsPerDay},
                                                   {"rows-per-client", &limits.rowsPerClient}};
    for (const auto& [name, value] : counts) {
        if (!line.options.contains(QLatin1String(name)))
            continue;
        bool ok = false;
        *value = line.options.value(QLatin1String(name)).toInt(&ok);
        if (!ok || *value <= 0)
            return std::nullopt;
    }
    if (line.options.contains(QStringLiteral("max-db-mb"))) {
        bool ok = false;
        const qint64 megabytes = line.options.value(QStringLiteral("max-db-mb")).toLongLong(&ok);
        if (!ok || megabytes <= 0 || megabytes > 1024 * 1024)
            return std::nullopt;
        limits.maxDatabaseBytes = megabytes * 1024 * 1024;
    }
    return limits;
}

// One JSON object a line, for log collectors: "[Component] text" becomes its fields.
void logAsJson(const QString& text)
{
    static const QRegularExpression tagged(QStringLiteral("^\\[([A-Za-z]+)\\] (.*)$"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = tagged.match(text);
    const QString message = match.hasMatch() ? match.captured(2) : text;
    const bool failure = message.contains(QStringLiteral("失败")) || message.contains(QStringLiteral("出错"));
    const QJsonObject line{
        {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
        {QStringLiteral("level"), failure ? QStringLiteral("error") : QStringLiteral("info")},
        {QStringLiteral("component"), match.hasMatch() ? match.captured(1) : QStringLiteral("Service")},
        {QStringLiteral("message"), message}};
    const QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// The database as the log shows it: a PostgreSQL address without its password.
QString shownDatabase(const QString& address)
{
    if (!Database::isPostgresAddress(address))
        return address;
    QUrl url(address);
    url.setPassword(QString());
    return url.toString();
}

int serve(const CommandLine& line, Database& db, const QString& databasePath, const ServiceLimits& limits)
{
    QString problem;
    const std::optional<SmtpSettings> smtp = SmtpSettings::fromEnvironment(&problem);
    if (smtp && !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    std::unique_ptr<CodeSender> sender;
    if (smtp)
        sender = std::make_unique<SmtpCodeSender>(*smtp);
    else
        sender = std::make_unique<LogCodeSender>();

    ServiceStore store(db);
    VerificationCodes codes(db, *sender, systemClock(), limits);
    ServiceApi api(store, codes, systemClock(), limits);
    HttpServer server(api);

    // SIGINT and SIGTERM are taken by one waiting thread, which stops the server; they are
    // blocked before any other thread starts, so that every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QString error;
    if (!server.bind(line.host, line.port, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const QString shownHost = line.host.contains(u':') ? u'[' + line.host + u']' : line.host;
    Core::Log::line(QStringLiteral("[Service] 正在监听 http://%1:%2，数据库 %3")
                        .arg(shownHost)
                        .arg(server.port())
                        .arg(shownDatabase(databasePath)));
    if (line.host != QLatin1String("127.0.0.1") && line.host != QLatin1String("::1") &&
        line.host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        Core::Log::line(
            QStringLiteral("[Service] 注意：服务对本机以外开放，且不加密、不认证；请放在 HTTPS 反向代理之后"));
    Core::Log::line(smtp ? QStringLiteral("[Service] 验证码经 SMTP 以邮件发出，短信暂不支持")
                         : QStringLiteral("[Service] 开发模式：验证码只写入日志，不会真正发出"));

    // On a stop signal the listener closes at once, /healthz says "not ready", and requests in
    // flight get their replies for up to 10 seconds.
    std::atomic<bool> stopping{false};
    std::thread stopper([&server, &api, &stopping, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        if (stopping.exchange(true))
            return;
        api.setStopping();
        Core::Log::line(QStringLiteral("[Service] 正在停止：不再接受连接，处理中的请求最多再等 10 秒"));
        server.shutdown(std::chrono::seconds(10));
    });

    const bool served = server.run();
    if (!stopping.exchange(true))
        pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    Core::Log::line(QStringLiteral("[Service] 已停止"));
    return served ? 0 : 2;
}

} // namespace

int runServiceProgram(const QStringList& arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    std::optional<CommandLine> line = CommandLine::parse(arguments, &error);
    if (!line) {
        err << error << "\n" << CommandLine::usage();
        return 1;
    }
    if (line->help) {
        out << CommandLine::usage();
        return 0;
    }
    if (line->version) {
        out << Core::ProgramText::versionLine(QStringLiteral("sweepora-service"));
        return 0;
    }

    const QString logFormat = line->options.take(QStringLiteral("log-format"));
    if (logFormat == QLatin1String("json"))
        Core::Log::setSink(logAsJson);
    else if (!logFormat.isEmpty() && logFormat != QLatin1String("text")) {
        err << "--log-format 须为 text 或 json\n";
        return 1;
    }
    int connections = Database::kDefaultPoolSize;
    if (line->options.contains(QStringLiteral("db-connections"))) {
        bool ok = false;
        connections = line->options.take(QStringLiteral("db-connections")).toInt(&ok);
        if (!ok || connections < 1 || connections > 1000) {
            err << "--db-connections 须为 1 到 1000 之间的整数\n";
            return 1;
        }
    }

    const QString databasePath = line->databasePath.isEmpty() ? CommandLine::defaultDatabasePath() : line->databasePath;
    Database db;
    if (!db.open(databasePath, &error, connections)) {
        err << error << "\n";
        return 2;
    }
    if (line->command == QLatin1String("serve")) {
        const std::optional<ServiceLimits> limits = limitsFrom(*line);
        const QStringList limitOptions = {QStringLiteral("uploads-per-hour"), QStringLiteral("uploads-per-day"),
                                          QStringLiteral("rows-per-client"), QStringLiteral("max-db-mb")};
        const bool onlyLimits = std::all_of(line->options.keyBegin(), line->options.keyEnd(),
                                            [&](const QString& name) { return limitOptions.contains(name); });
        if (!line->arguments.isEmpty() || !onlyLimits || !line->flags.isEmpty()) {
            err << "serve 只接受 --db、--listen 与上传限制选项\n" << CommandLine::usage();
            return 1;
        }
        if (!limits) {
            err << "上传限制与数据库上限须为正整数\n";
            return 1;
        }
        return serve(*line, db, databasePath, *limits);
    }
    ServiceStore store(db);
    return OperatorCommands(store, systemClock(), out, err).run(*line);
}

} // namespace Sweepora::Service
