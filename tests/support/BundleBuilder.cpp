#include "support/BundleBuilder.h"

#include "support/TreeBuilder.h"

#include <plist/plist.h>

namespace Sweepora::Test {

QString BundleBuilder::make(const QString& bundlePath, const BundlePlist& plist)
{
    const QString contents = bundlePath + QStringLiteral("/Contents");
    plist_t dict = plist_new_dict();
    const auto put = [dict](const char* key, const std::optional<QString>& value) {
        if (value)
            plist_dict_set_item(dict, key, plist_new_string(value->toUtf8().constData()));
    };
    put("CFBundleIdentifier", plist.bundleID);
    put("CFBundleDisplayName", plist.displayName);
    put("CFBundleName", plist.bundleName);
    plist_dict_set_item(dict, "CFBundlePackageType", plist_new_string("APPL"));
    char* data = nullptr;
    uint32_t length = 0;
    if (plist.binary)
        plist_to_bin(dict, &data, &length);
    else
        plist_to_xml(dict, &data, &length);
    TreeBuilder::write(contents + QStringLiteral("/Info.plist"), QByteArray(data, qsizetype(length)));
    if (plist.binary)
        plist_to_bin_free(data);
    else
        plist_to_xml_free(data);
    plist_free(dict);
    TreeBuilder::write(contents + QStringLiteral("/MacOS/main"), QByteArray(plist.executableBytes, 'x'));
    return bundlePath;
}

} // namespace Sweepora::Test
