// Other tools read the .trashinfo files we write to restore an item: the Path= line of any
// original path, whatever its bytes, decodes to exactly those bytes, and nothing in the path can
// add a line or a key to the file.
#include "FuzzCheck.h"
#include "core/platform/PlatformLayout.h"
#include "core/trash/FreedesktopTrash.h"

#include <QDate>
#include <QTime>

using namespace Sweepora::Core;

// Built without a program's context: the reader never asks for the installed layout.
const PlatformLayout& PlatformLayout::current()
{
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray location = fuzzBytes(data, size);
    const QByteArray info = FreedesktopTrash::trashInfo(location, QDateTime(QDate(2024, 2, 29), QTime(23, 5, 9)));
    const QList<QByteArray> lines = info.split('\n');
    FUZZ_CHECK(lines.size() == 4 && lines[3].isEmpty());
    FUZZ_CHECK(lines[0] == "[Trash Info]");
    FUZZ_CHECK(lines[1].startsWith("Path="));
    FUZZ_CHECK(lines[2] == "DeletionDate=2024-02-29T23:05:09");
    const QByteArray encoded = lines[1].mid(5);
    for (const char c : encoded)
        FUZZ_CHECK(c > ' ' && c < 0x7f);
    FUZZ_CHECK(QByteArray::fromPercentEncoding(encoded) == location);
    return 0;
}
