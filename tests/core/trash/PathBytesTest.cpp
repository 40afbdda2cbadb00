#include "platform/PathBytes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>

using namespace Sweepora::Core;

TEST(PathBytes, EveryByteStringRoundTrips)
{
    QList<QByteArray> samples = {
        "/home/u/plain",
        "/h/a %25 b\nc",
        "/h/\xe4\xb8\xad\xe6\x96\x87", // valid Chinese
        "/h/\xff\xfe",                 // never valid
        "/h/\xc0\x80",                 // overlong NUL
        "/h/\xed\xa0\x80",             // an encoded surrogate
        "/h/\xf4\x90\x80\x80",         // above U+10FFFF
        "/h/\xe4\xb8",                 // cut short
        "/h/\xf0\x9f\x98\x80",         // outside the BMP
        "/h/\xf0\x9f\x98\x80\x80",     // followed by a stray continuation
        "/h/\xed\xb2\x80",             // the bytes of an escape surrogate itself
    };
    QByteArray everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte.append(char(b));
    samples.append(everyByte);
    QRandomGenerator random(42);
    for (int i = 0; i < 500; ++i) {
        QByteArray bytes;
        const int length = int(random.bounded(1, 24));
        for (int k = 0; k < length; ++k)
            bytes.append(char(random.bounded(1, 256)));
        samples.append(bytes);
    }
    for (const QByteArray& bytes : samples)
        EXPECT_EQ(bytesFromPath(pathFromBytes(bytes)), bytes) << bytes.toHex().constData();
}

TEST(PathBytes, ValidUtf8DecodesAsQtDoesAndInvalidBytesAreEscaped)
{
    const QByteArray valid = "/h/\xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80.txt";
    EXPECT_EQ(pathFromBytes(valid), QFile::decodeName(valid));
    EXPECT_EQ(bytesFromPath(QFile::decodeName(valid)), valid);

    const QString escaped = pathFromBytes("a\xff");
    ASSERT_EQ(escaped.size(), 2);
    EXPECT_EQ(escaped.at(1).unicode(), 0xDCFF);
    // A lone surrogate that did not come from an escape cannot name bytes; it becomes U+FFFD.
    EXPECT_EQ(bytesFromPath(QString(QChar(0xD800))), QByteArray("\xef\xbf\xbd"));
}
