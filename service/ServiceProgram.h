#pragma once

#include <QStringList>

namespace Sweepora::Service {

// The whole program behind main(): parses the command line, opens the database, then serves
// until SIGINT or SIGTERM, or runs one operator command. Returns the exit status.
int runServiceProgram(const QStringList& arguments);

} // namespace Sweepora::Service
