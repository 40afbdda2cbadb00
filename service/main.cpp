#include "ServiceProgram.h"
#include "core/platform/Context.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    // Only for argument decoding and the standard paths; the server runs no Qt event loop.
    QCoreApplication app(argc, argv);
    Sweepora::Core::Context context;
    const Sweepora::Core::Context::Scope installed(context);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return Sweepora::Service::runServiceProgram(arguments);
}
