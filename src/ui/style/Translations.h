#pragma once

class QCoreApplication;

namespace Sweepora::Ui {

// Qt's own Chinese texts (the file dialog, the standard buttons) and Chinese formats for dates
// and numbers, whatever the system's language: the whole interface is Chinese. False when Qt's
// translation is not installed; the interface then still works, with Qt's English in places.
bool installChinese(QCoreApplication& app);

} // namespace Sweepora::Ui
