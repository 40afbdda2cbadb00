#include "platform/Clock.h"
#include "platform/FolderPicker.h"
#include "ui/components/FileDialogFolderPicker.h"
#include "ui/style/Theme.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    Sweepora::Core::Clock::pinLocalTimeZone();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Sweepora"));
    QApplication::setApplicationName(QStringLiteral("Sweepora"));
    Sweepora::Ui::Theme::apply(app);

    Sweepora::Ui::ContentView content;
    Sweepora::Ui::MainWindow& window = content.window();
    Sweepora::Core::FolderPicker::setCurrent(std::make_shared<Sweepora::Ui::FileDialogFolderPicker>(&window));
    window.resize(1100, 720);
    window.show();
    const int status = QApplication::exec();
    // The picker refers to the window: let it go before the window does.
    Sweepora::Core::FolderPicker::setCurrent(nullptr);
    return status;
}
