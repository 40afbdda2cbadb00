#include "cli/CommandLine.h"
#include "platform/Clock.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    Sweepora::Core::Clock::pinLocalTimeZone();
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return Sweepora::Cli::runCommandLine(arguments);
}
