#include "core/util/ByteCount.h"
#include "core/util/FileKind.h"
#include "core/util/NameOrder.h"

#include <gtest/gtest.h>

using namespace Sweepora::Core;

TEST(ByteCount, FileStyleUnitsAndRoundingNameOrderAndFileKinds)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "0 KB"},
        {1, "1 字节"},
        {999, "999 字节"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'999, "1 MB"}, // never "1,000 KB"
        {1'000'000, "1 MB"},
        {1'500'000, "1.5 MB"},
        {1'230'000'000, "1.23 GB"},
        {1'073'741'824, "1.07 GB"},
        {10'000'000'000, "10 GB"},
        {1'200'000'000'000, "1.2 TB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(formattedByteCount(bytes), QString::fromUtf8(text)) << bytes;

    // Names order by size first, then by name ignoring case and path components.
    EXPECT_TRUE(sizeThenNameBefore(10, QStringLiteral("z"), 9, QStringLiteral("a")));
    EXPECT_TRUE(sizeThenNameBefore(5, QStringLiteral("a.mov"), 5, QStringLiteral("B.mov")));
    EXPECT_FALSE(sizeThenNameBefore(5, QStringLiteral("B.mov"), 5, QStringLiteral("a.mov")));
    EXPECT_LT(localizedCaseInsensitiveCompare(QStringLiteral("alpha"), QStringLiteral("Beta")), 0);
    EXPECT_EQ(lastPathComponent(QStringLiteral("/a/b.txt")), QStringLiteral("b.txt"));
    EXPECT_EQ(parentPath(QStringLiteral("/a/b.txt")), QStringLiteral("/a"));
    EXPECT_EQ(parentPath(QStringLiteral("/a")), QStringLiteral("/"));

    // The icon follows what the file holds.
    const std::pair<const char*, FileKind> kinds[] = {
        {"notes.md", FileKind::document},     {"cache.sqlite", FileKind::database}, {"Report.PDF", FileKind::document},
        {"backup.tar.gz", FileKind::archive}, {"setup.dmg", FileKind::installer},   {"IMG_0001.HEIC", FileKind::image},
        {"clip.mov", FileKind::video},        {"song.flac", FileKind::audio},       {"main.cpp", FileKind::code},
        {"app.log", FileKind::log},           {"Makefile", FileKind::other},        {".bashrc", FileKind::other},
        {"trailing.", FileKind::other},
    };
    for (const auto& [name, kind] : kinds)
        EXPECT_EQ(fileKindOf(QString::fromUtf8(name)), kind) << name;
}
