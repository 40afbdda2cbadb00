#include "support/BundleBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <plist/plist.h>

namespace Sweepora::Test {

QString BundleBuilder::make(const QString& bundlePath, const BundlePlist& plist)
{
    const QString contents = bundlePath + QStringLiteral("/Contents");
    EXPECT_TRUE(QDir().mkpath(contents + QStringLiteral("/MacOS")));

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
    QFile info(contents + QStringLiteral("/Info.plist"));
    EXPECT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(data, length);
    info.close();
    if (plist.binary)
        plist_to_bin_free(data);
    else
        plist_to_xml_free(data);
    plist_free(dict);

    QFile executable(contents + QStringLiteral("/MacOS/main"));
    EXPECT_TRUE(executable.open(QIODevice::WriteOnly));
    executable.write(QByteArray(plist.executableBytes, 'x'));
    return bundlePath;
}

BundlePlist BundleBuilder::xml(const QString& bundleID, qint64 executableBytes)
{
    BundlePlist plist;
    plist.bundleID = bundleID;
    plist.executableBytes = executableBytes;
    return plist;
}

BundlePlist BundleBuilder::binary(const QString& bundleID, qint64 executableBytes)
{
    BundlePlist plist = xml(bundleID, executableBytes);
    plist.binary = true;
    return plist;
}

} // namespace Sweepora::Test
