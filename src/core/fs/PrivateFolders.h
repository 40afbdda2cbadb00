#pragma once

#include <QByteArray>

namespace Sweepora::Core {

// Opens the folder at `absolutePath` (a descriptor that names it, O_PATH where the system has
// it), first making each missing component private to the user (0700), as the XDG base
// directories ask of the data home. What exists is reached as the user set it up; each folder
// made is made and opened relative to the one above it without following a link, so a link
// put there meanwhile ends the call instead of leading elsewhere. A relative path is refused
// (EINVAL): nothing is ever made in the current folder. Returns -1 with errno set.
int openOrMakePrivateFolders(const QByteArray& absolutePath);

} // namespace Sweepora::Core
