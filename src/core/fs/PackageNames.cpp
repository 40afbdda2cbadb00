#include "core/fs/PackageNames.h"
#include "core/platform/PathBytes.h"

#include <algorithm>
#include <array>

namespace Sweepora::Core {
namespace {

// Lower case, so a name is compared without building a string.
constexpr std::array<std::string_view, 36> kExtensions = {
    "action",       "app",
    "appex",        "bundle",
    "component",    "docset",
    "framework",    "imovielibrary",
    "kext",         "key",
    "logicx",       "mdimporter",
    "mpkg",         "numbers",
    "pages",        "photoslibrary",
    "playground",   "plugin",
    "pkg",          "prefpane",
    "qlgenerator",  "rtfd",
    "saver",        "scptd",
    "sparsebundle", "systemextension",
    "theater",      "vst",
    "vst3",         "wdgt",
    "workflow",     "xcarchive",
    "xcodeproj",    "xcworkspace",
    "xpc",          "dsym",
};

constexpr size_t kLongestExtension = 15;

constexpr bool lowerAndShort()
{
    for (size_t i = 0; i < kExtensions.size(); ++i) {
        for (char c : kExtensions[i])
            if (c >= 'A' && c <= 'Z')
                return false;
        if (kExtensions[i].size() > kLongestExtension)
            return false;
    }
    return true;
}
static_assert(lowerAndShort(), "package extensions are lower case and short");

} // namespace

const QStringList& packageExtensions()
{
    static const QStringList list = [] {
        QStringList l;
        for (std::string_view e : kExtensions)
            l.append(QString::fromLatin1(e.data(), static_cast<qsizetype>(e.size())));
        l.sort();
        return l;
    }();
    return list;
}

bool hasPackageExtension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    // ".app" alone is a hidden name, not an extension.
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot - 1 > kLongestExtension)
        return false;
    char lower[kLongestExtension];
    const size_t length = name.size() - dot - 1;
    for (size_t i = 0; i < length; ++i) {
        const char c = name[dot + 1 + i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const std::string_view extension(lower, length);
    return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

bool hasPackageExtension(const QString& name)
{
    const QByteArray bytes = bytesFromPath(name);
    return hasPackageExtension(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

} // namespace Sweepora::Core
