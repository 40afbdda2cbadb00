#include "core/platform/Clock.h"
#include "core/platform/Context.h"
#include "core/platform/FolderPicker.h"
#include "core/platform/ProgramText.h"
#include "core/services/HTTPUtil.h"
#include "ui/components/FileDialogFolderPicker.h"
#include "ui/style/Theme.h"
#include "ui/style/Translations.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

#include <cstdio>
#include <cstring>

namespace {

// --help and --version are answered before the GUI starts, so that they work without a display.
bool answeredOnTerminal(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        QString text;
        if (std::strcmp(argv[i], "--version") == 0)
            text = Sweepora::Core::ProgramText::versionLine(QStringLiteral("sweepora"));
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            text = Sweepora::Core::ProgramText::usage(QStringLiteral(":/app/usage.txt"));
        if (!text.isEmpty()) {
            std::fputs(text.toUtf8().constData(), stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredOnTerminal(argc, argv))
        return 0;
    Sweepora::Core::Clock::pinLocalTimeZone();
    QApplication app(argc, argv);
    // Everything the window and its jobs share; it goes before the application object does.
    Sweepora::Core::Context context;
    const Sweepora::Core::Context::Scope installed(context);
    QApplication::setOrganizationName(QStringLiteral("Sweepora"));
    QApplication::setApplicationName(QStringLiteral("Sweepora"));
    // The desktop entry's name, so that the window groups with its launcher and shows its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(SWEEPORA_APP_ID));
    // The installed theme's icon; the compiled-in one when the program runs from its build folder.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral(SWEEPORA_APP_ID), QIcon(QStringLiteral(":/app/" SWEEPORA_APP_ID ".svg"))));
    Sweepora::Ui::installChinese(app);
    Sweepora::Ui::Theme::apply(app);

    Sweepora::Ui::ContentView content;
    Sweepora::Ui::MainWindow& window = content.window();
    Sweepora::Core::FolderPicker::setCurrent(std::make_shared<Sweepora::Ui::FileDialogFolderPicker>(&window));
    const QScreen* screen = QGuiApplication::primaryScreen();
    window.resize(Sweepora::Ui::MainWindow::initialSize(screen ? screen->availableGeometry().size() : QSize()));
    window.show();
    const int status = QApplication::exec();
    // The picker refers to the window: let it go before the window does.
    Sweepora::Core::FolderPicker::setCurrent(nullptr);
    Sweepora::Core::HTTPUtil::closeSession();
    return status;
}
