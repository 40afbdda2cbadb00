// Info.plist files come with applications that anyone wrote, in XML or binary. Whatever the
// reader takes from one it takes alike from the same dictionary in the other format.
#include "FuzzCheck.h"
#include "core/apps/InfoDictionary.h"

#include <plist/plist.h>

#include <memory>

using namespace Sweepora::Core;

namespace {

const QString kKeys[] = {QStringLiteral("CFBundleIdentifier"), QStringLiteral("CFBundleName"),
                         QStringLiteral("CFBundleDisplayName"), QStringLiteral("CFBundleExecutable")};

// The same property list in the other format, or empty when libplist cannot write it.
QByteArray otherFormat(const QByteArray& data)
{
    plist_t root = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &root);
    if (root == nullptr)
        return {};
    const std::unique_ptr<void, void (*)(void*)> owner(root, [](void* node) { plist_free(node); });
    char* out = nullptr;
    uint32_t length = 0;
    if (plist_is_binary(data.constData(), static_cast<uint32_t>(data.size())) != 0)
        plist_to_xml(root, &out, &length);
    else
        plist_to_bin(root, &out, &length);
    const QByteArray converted(out, out ? static_cast<qsizetype>(length) : 0);
    free(out);
    return converted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    const std::optional<InfoDictionary> dictionary = InfoDictionary::fromData(bytes);
    if (!dictionary)
        return 0;
    // libplist's binary writer drops the bytes of XML text that are not UTF-8, so such a text
    // would not stay the same text; ours reads them as U+FFFD.
    const bool binary = plist_is_binary(bytes.constData(), static_cast<uint32_t>(bytes.size()));
    if (!binary && QString::fromUtf8(bytes).toUtf8() != bytes)
        return 0;
    const QByteArray converted = otherFormat(bytes);
    if (converted.isEmpty())
        return 0;
    const std::optional<InfoDictionary> again = InfoDictionary::fromData(converted);
    FUZZ_CHECK(again.has_value());
    for (const QString& key : kKeys) {
        // libplist's XML writer ends a text at a NUL, which a binary text may hold.
        if (!dictionary->text(key).value_or(QString()).contains(QChar(0)))
            FUZZ_CHECK(again->text(key) == dictionary->text(key));
    }
    return 0;
}
