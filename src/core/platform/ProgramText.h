#pragma once

#include <QString>

#include <functional>

namespace Sweepora::Core::ProgramText {

// "sweepora-cli 1.3.0 (build 13)": what each program prints for --version, from the version and
// build number the build recorded (the About page shows the same two).
QString versionLine(const QString& program);

// The --help text of a program's usage file, compiled in as a resource: the file less its
// comment lines and its man-page part. The man page and the shell completions are made from the
// same file at build time. When `hasCommand` is given, a command entry whose name it refuses is
// left out with its continuation lines, so that the text lists only what the program can run.
QString usage(const QString& resourcePath, const std::function<bool(const QString&)>& hasCommand = {});

} // namespace Sweepora::Core::ProgramText
