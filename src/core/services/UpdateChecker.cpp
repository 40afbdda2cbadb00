#include "core/services/UpdateChecker.h"

#include "core/platform/Clock.h"
#include "core/platform/Log.h"
#include "core/platform/Settings.h"
#include "core/services/ServiceEndpoints.h"
#include "core/util/ViewModelSupport.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

using namespace Qt::StringLiterals;

#ifndef SWEEPORA_BUILD_VERSION
#define SWEEPORA_BUILD_VERSION ""
#endif

namespace Sweepora::Core {

namespace {

std::optional<QDateTime> lastCheck()
{
    const QVariant stored = Settings::store().value(Settings::kLastUpdateCheck);
    if (stored.typeId() != QMetaType::QDateTime || !stored.toDateTime().isValid())
        return std::nullopt;
    return stored.toDateTime();
}

qint64 skippedBuild()
{
    bool ok = false;
    const qint64 build = Settings::store().value(Settings::kSkippedBuild).toLongLong(&ok);
    return ok ? build : 0;
}

// An internet date-time: "2024-05-01T08:30:00Z", "2024-05-01T08:30:00.250+08:00".
std::optional<QDateTime> parseInternetDateTime(const QString& text)
{
    static const QRegularExpression pattern(
        uR"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:\.(\d+))?(?:(Z)|([+-])(\d{2}):(\d{2}))$)"_s);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&match](int group) { return match.captured(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    // Milliseconds from the first three fraction digits; finer digits do not show in a short time.
    const QString fraction = (match.captured(7) + u"000"_s).left(3);
    const QTime time(number(4), number(5), number(6), fraction.toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offsetSeconds = 0;
    if (match.captured(8).isEmpty()) {
        const int hours = number(10);
        const int minutes = number(11);
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (match.captured(9) == u"-"_s ? -1 : 1);
    }
    return QDateTime(date, time, QTimeZone(offsetSeconds));
}

} // namespace

UpdateChecker::UpdateChecker(QObject* parent) : UpdateChecker(bundleBuildNumber(), PeriodicTimer::create(), parent)
{}

UpdateChecker::UpdateChecker(qint64 installedBuildNumber, std::unique_ptr<PeriodicTimer> timer, QObject* parent)
    : QObject(parent), m_installedBuildNumber(installedBuildNumber), m_timer(std::move(timer))
{}

UpdateChecker::~UpdateChecker() = default;

qint64 UpdateChecker::parseBuildNumber(const QString& text)
{
    static const QRegularExpression pattern(u"^[+-]?[0-9]+$"_s);
    if (!pattern.match(text).hasMatch())
        return 0;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 0;
}

qint64 UpdateChecker::bundleBuildNumber()
{
    return parseBuildNumber(QStringLiteral(SWEEPORA_BUILD_VERSION));
}

void UpdateChecker::startAutomaticChecks()
{
    if (m_started)
        return;
    m_started = true;
    checkIfNeeded();
    if (m_timer)
        m_timer->start(kCheckInterval, [this] { fetchLatest(); });
}

void UpdateChecker::checkIfNeeded()
{
    const std::optional<QDateTime> last = lastCheck();
    // A moment in the future gives a negative age: no check until the loop's next turn.
    if (!last || last->secsTo(Clock::now()) >= kCheckInterval.count())
        fetchLatest();
}

void UpdateChecker::fetchLatest()
{
    emit checkStarted();
    ServiceEndpoints::fetchLatestVersion(this, [this](ServiceResult<AppVersionEnvelope> result) {
        if (!result) {
            Log::line(u"[UpdateChecker] 版本检测失败："_s + result.error().localizedDescription());
            emit checkFinished(false);
            return;
        }
        Settings::store().setValue(Settings::kLastUpdateCheck, Clock::now());
        evaluate(result.value());
        emit checkFinished(true);
    });
}

void UpdateChecker::evaluate(const AppVersionEnvelope& envelope)
{
    if (!envelope.data)
        return;
    const AppVersionInfo& published = *envelope.data;
    if (m_installedBuildNumber >= published.buildNumber)
        return;
    // A skipped build comes back only when it is forced.
    if (published.isForced() || published.buildNumber != skippedBuild())
        setAvailableVersion(published);
}

void UpdateChecker::setAvailableVersion(std::optional<AppVersionInfo> version)
{
    if (ViewModelSupport::assign(m_availableVersion, std::move(version)))
        emit availableVersionChanged();
}

QUrl UpdateChecker::update()
{
    if (!m_availableVersion)
        return {};
    // The address comes from the network: only a web page is opened, never a local file or
    // another scheme's handler.
    const QUrl url(m_availableVersion->downloadURL, QUrl::StrictMode);
    const bool web =
        url.isValid() && (url.scheme() == u"http"_s || url.scheme() == u"https"_s) && !url.host().isEmpty();
    if (!web)
        return {};
    const bool forced = m_availableVersion->isForced();
    emit openURLRequested(url);
    if (!forced)
        setAvailableVersion(std::nullopt);
    return url;
}

void UpdateChecker::later()
{
    if (!m_availableVersion || m_availableVersion->isForced())
        return;
    setAvailableVersion(std::nullopt);
}

void UpdateChecker::skip()
{
    if (!m_availableVersion || m_availableVersion->isForced())
        return;
    Settings::store().setValue(Settings::kSkippedBuild, m_availableVersion->buildNumber);
    setAvailableVersion(std::nullopt);
}

QString UpdateChecker::sheetTitle(const AppVersionInfo& version)
{
    return version.isForced() ? u"发现重要更新"_s : u"发现新版本"_s;
}

QString UpdateChecker::sheetSubtitle(const AppVersionInfo& version)
{
    return u"版本 "_s + version.version + u" · Build "_s + QString::number(version.buildNumber);
}

QString UpdateChecker::releaseTimeText(const QString& createdAt, const QLocale& locale)
{
    const std::optional<QDateTime> moment = parseInternetDateTime(createdAt);
    if (!moment)
        return createdAt;
    const QDateTime local = moment->toLocalTime();
    return locale.toString(local.date(), QLocale::LongFormat) + u' ' +
           locale.toString(local.time(), QLocale::ShortFormat);
}

} // namespace Sweepora::Core
