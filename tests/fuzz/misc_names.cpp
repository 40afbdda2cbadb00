// Every name of the home walk goes through the miscellaneous-name test, as file-system bytes and
// as text: both answer alike for a name that is valid UTF-8, in every category.
#include "FuzzCheck.h"
#include "core/scanners/MiscFileEngine.h"

#include <string_view>

using namespace Sweepora::Core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(size));
    const bool validUtf8 = text.toUtf8() == QByteArray(bytes.data(), static_cast<qsizetype>(size));
    for (const MiscFileCategory category :
         {MiscFileCategory::miscellaneous, MiscFileCategory::archives, MiscFileCategory::installers}) {
        const bool byBytes = MiscFileEngine::matchesName(category, bytes);
        const bool byText = MiscFileEngine::matchesName(category, text);
        FUZZ_CHECK(!validUtf8 || byBytes == byText);
    }
    return 0;
}
