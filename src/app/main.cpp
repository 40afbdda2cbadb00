#include "ui/window/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Sweepora"));
    QApplication::setApplicationName(QStringLiteral("Sweepora"));
    Sweepora::Ui::MainWindow window;
    window.resize(1100, 720);
    window.show();
    return QApplication::exec();
}
