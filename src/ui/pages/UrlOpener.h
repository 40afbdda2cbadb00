#pragma once

#include <QUrl>

#include <functional>

namespace Sweepora::Ui {

// Opens an address with the desktop (a folder in the file browser, a web page, a mail link).
// Tests replace the opener to see what would have been opened; null restores the desktop's.
// An invalid address is never opened.
void openUrl(const QUrl& url);
void setUrlOpener(std::function<void(const QUrl&)> opener);

} // namespace Sweepora::Ui
