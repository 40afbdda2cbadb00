#include "core/scanners/AboutInfo.h"

#include <QDate>
#include <QUrlQuery>

#ifndef SWEEPORA_VERSION
#define SWEEPORA_VERSION ""
#endif
#ifndef SWEEPORA_BUILD_VERSION
#define SWEEPORA_BUILD_VERSION ""
#endif

namespace Sweepora::Core::AboutInfo {
namespace {

std::optional<QString> nonEmpty(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

std::optional<QString> shortVersionString()
{
    return nonEmpty(QStringLiteral(SWEEPORA_VERSION));
}

std::optional<QString> buildVersion()
{
    return nonEmpty(QStringLiteral(SWEEPORA_BUILD_VERSION));
}

QString versionText(const std::optional<QString>& shortVersion, const std::optional<QString>& build)
{
    return QStringLiteral("版本 ") + shortVersion.value_or(QStringLiteral("1.0")) + QStringLiteral("（") +
           build.value_or(QStringLiteral("1")) + QStringLiteral("）");
}

QString installedVersionText()
{
    return versionText(shortVersionString(), buildVersion());
}

QString legalNotice(int year)
{
    return QStringLiteral("© %1 Sweepora. 保留所有权利。").arg(year);
}

QString legalNoticeThisYear()
{
    return legalNotice(QDate::currentDate().year());
}

QUrl websiteUrl()
{
    return QUrl(kWebsiteAddress, QUrl::StrictMode);
}

QUrl feedbackMailUrl()
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(kFeedbackAddress);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), kFeedbackSubject);
    url.setQuery(query);
    return url;
}

} // namespace Sweepora::Core::AboutInfo
