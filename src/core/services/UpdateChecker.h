#pragma once

#include "core/services/AppVersion.h"
#include "core/services/PeriodicTimer.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

namespace Sweepora::Core {

// Asks the service once a day whether a newer build is published and, when one is, offers it
// (availableVersion) until the user updates, postpones or skips it. A forced version can be
// neither skipped nor dismissed. Builds are compared by their integer build number only.
//
// Settings: "sweepora.update.lastCheckAt" (the moment of the last successful check, from the
// clock seam) and "sweepora.update.skippedBuildNumber".
class UpdateChecker : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasAvailableVersion READ hasAvailableVersion NOTIFY availableVersionChanged)
    Q_PROPERTY(bool isForced READ isForced NOTIFY availableVersionChanged)

public:
    static constexpr std::chrono::seconds kCheckInterval{86400};

    // The installed build from this build's version, and a real timer.
    explicit UpdateChecker(QObject* parent = nullptr);
    UpdateChecker(qint64 installedBuildNumber, std::unique_ptr<PeriodicTimer> timer, QObject* parent = nullptr);
    ~UpdateChecker() override;

    const std::optional<AppVersionInfo>& availableVersion() const { return m_availableVersion; }
    bool hasAvailableVersion() const { return m_availableVersion.has_value(); }
    bool isForced() const { return m_availableVersion && m_availableVersion->isForced(); }
    qint64 installedBuildNumber() const { return m_installedBuildNumber; }

    // At once when the last check is a day old or was never made, then every 24 hours from
    // now. The window calls it once; later calls do nothing.
    void startAutomaticChecks();
    // One check when the last successful one is at least a day old or missing.
    void checkIfNeeded();
    // One request and its evaluation, whatever the last check's age.
    void fetchLatest();

    // "立即更新": the download address to open in the browser (the page opens it; the same
    // address is also emitted as openURLRequested). An address that is not an http(s) URL
    // gives an empty URL and changes nothing. The sheet closes unless the version is forced.
    QUrl update();
    // "稍后", and any dismissal of the sheet: closes it unless the version is forced.
    void later();
    // "跳过此版本": remembers the build (only one) and closes the sheet; not for a forced version.
    void skip();

    // The rule for the bundle's build value: a decimal integer with an optional sign; anything
    // else (empty, other characters, overflow) is 0.
    static qint64 parseBuildNumber(const QString& text);
    // This build's version, read by that rule.
    static qint64 bundleBuildNumber();

    // The sheet's texts.
    static QString sheetTitle(const AppVersionInfo& version);    // "发现重要更新" / "发现新版本"
    static QString sheetSubtitle(const AppVersionInfo& version); // "版本 <v> · Build <n>"
    // "created_at" as an internet date-time (with or without fractional seconds), shown as
    // the long date and the short time of `locale` in local time; any other text unchanged.
    static QString releaseTimeText(const QString& createdAt,
                                   const QLocale& locale = QLocale(QLocale::Chinese, QLocale::China));

signals:
    void availableVersionChanged();
    void openURLRequested(const QUrl& url);
    // A request is leaving (emitted before it is sent).
    void checkStarted();
    // A request ended and was evaluated (or logged).
    void checkFinished(bool succeeded);

private:
    void evaluate(const AppVersionEnvelope& envelope);
    void setAvailableVersion(std::optional<AppVersionInfo> version);

    qint64 m_installedBuildNumber;
    std::unique_ptr<PeriodicTimer> m_timer;
    bool m_started = false;
    std::optional<AppVersionInfo> m_availableVersion;
};

} // namespace Sweepora::Core
