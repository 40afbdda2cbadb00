#pragma once

#include <QString>

namespace Sweepora::Ui {

// Shows one file or folder selected in the desktop's file manager: through the file manager's
// D-Bus interface where there is one, otherwise by opening the folder that holds it. False when
// no file manager could show it.
bool revealInFileManager(const QString& path);

} // namespace Sweepora::Ui
