// Desktop entries and Flatpak metadata come from any package or any download: whatever the bytes,
// the key-file reader answers, and what it reads back is what a clean file with those values says.
#include "FuzzCheck.h"
#include "core/apps/DesktopEntry.h"

using namespace Sweepora::Core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KeyFile file = KeyFile::parse(fuzzBytes(data, size));
    const DesktopEntry entry = DesktopEntry::fromKeyFile(file);
    FUZZ_CHECK(entry.program().size() <= entry.exec.size());
    (void)file.value(QStringLiteral("Application"), QStringLiteral("name"));

    // A value written back with its escapes reads as itself: nothing in it opens a group or a key.
    // Only spaces and tabs have escapes: other white space at either end is trimmed on reading.
    const auto endsWrittenBack = [](QChar c) {
        return !c.isSpace() || c == QLatin1Char(' ') || c == QLatin1Char('\t');
    };
    if (!entry.name.isEmpty() && !entry.name.contains(QLatin1Char('\n')) && !entry.name.contains(QLatin1Char('\r')) &&
        endsWrittenBack(entry.name.front()) && endsWrittenBack(entry.name.back())) {
        QString escaped = entry.name;
        escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        escaped.replace(QLatin1Char(' '), QStringLiteral("\\s"));
        escaped.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
        const KeyFile again =
            KeyFile::parse("[Desktop Entry]\nType=Application\nName=" + escaped.toUtf8() + "\nExec=x\n");
        FUZZ_CHECK(DesktopEntry::fromKeyFile(again).name == entry.name);
    }
    FUZZ_CHECK(!desktopFileID(entry.exec).contains(QLatin1Char('/')));
    return 0;
}
