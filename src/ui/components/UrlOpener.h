#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace Sweepora::Ui {

// Opens an address with the desktop (a folder in the file browser, a web page, a mail link);
// false when nothing could open it. Tests replace the opener to see what would have been
// opened, or to play a desktop without a file manager; null restores the desktop's.
// An invalid address is never opened.
bool openUrl(const QUrl& url);
void setUrlOpener(std::function<bool(const QUrl&)> opener);

// Opens a folder in the file manager, or says so next to `parent` when there is none to open it.
void openFolder(QWidget* parent, const QString& folder);
// The message shown then (also for a reveal that found no file manager).
void sayNoFileManager(QWidget* parent, const QString& path);

} // namespace Sweepora::Ui
