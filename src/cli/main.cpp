#include "cli/CommandLine.h"
#include "core/platform/Clock.h"
#include "core/platform/Context.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    Sweepora::Core::Clock::pinLocalTimeZone();
    QCoreApplication app(argc, argv);
    Sweepora::Core::Context context;
    const Sweepora::Core::Context::Scope installed(context);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return Sweepora::Cli::runCommandLine(arguments);
}
