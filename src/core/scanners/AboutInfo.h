#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace Sweepora::Core {

// What the About page shows: the product's addresses, its installed version and its legal
// notice. The addresses are configuration of the product, kept here only.
namespace AboutInfo {

inline const QString kWebsiteAddress = QStringLiteral("https://sweepora.app");
inline const QString kWebsiteDomain = QStringLiteral("sweepora.app");
inline const QString kFeedbackAddress = QStringLiteral("feedback@sweepora.app");
inline const QString kFeedbackSubject = QStringLiteral("Sweepora使用反馈");

// The version and build this binary was built as; none when the build recorded none.
std::optional<QString> shortVersionString();
std::optional<QString> buildVersion();

// "版本 {version}（{build}）", with "1.0" and "1" standing in for what is missing.
QString versionText(const std::optional<QString>& shortVersion, const std::optional<QString>& build);
QString installedVersionText();

// "© {year} Sweepora. 保留所有权利。"
QString legalNotice(int year);
QString legalNoticeThisYear();

// The web site, and "mailto:{address}?subject=…" for feedback; invalid when one cannot be formed.
QUrl websiteUrl();
QUrl feedbackMailUrl();

} // namespace AboutInfo
} // namespace Sweepora::Core
