#include "platform/PathBytes.h"

#include <gtest/gtest.h>

#include <QFile>

#include <QRandomGenerator>

using namespace Sweepora::Core;

TEST(PathBytes, EveryByteStringRoundTripsAndValidUtf8DecodesAsQtDoes)
{
    QList<QByteArray> samples = {
        "/h/a %25 b\nc",
        "/h/\xe4\xb8\xad\xe6\x96\x87",
        "/h/\xff\xfe",
        "/h/\xc0\x80",     // overlong NUL
        "/h/\xed\xa0\x80", // an encoded surrogate
        "/h/\xf4\x90\x80\x80",
        "/h/\xe4\xb8",
        "/h/\xf0\x9f\x98\x80\x80",
        "/h/\xed\xb2\x80", // the UTF-8 form of an escape's own surrogate
    };
    QRandomGenerator random(42);
    for (int i = 0; i < 500; ++i) {
        QByteArray bytes;
        for (int k = int(random.bounded(1, 24)); k > 0; --k)
            bytes.append(char(random.bounded(1, 256)));
        samples.append(bytes);
    }
    for (const QByteArray& bytes : samples)
        EXPECT_EQ(bytesFromPath(pathFromBytes(bytes)), bytes) << bytes.toHex().constData();

    const QByteArray valid = "/h/\xe4\xb8\xad \xf0\x9f\x98\x80.txt";
    EXPECT_EQ(pathFromBytes(valid), QFile::decodeName(valid));
    EXPECT_EQ(pathFromBytes("a\xff").at(1).unicode(), 0xDCFF);
    // A lone surrogate that no decoding produced names no byte; it becomes U+FFFD.
    EXPECT_EQ(bytesFromPath(QString(QChar(0xD800))), QByteArray("\xef\xbf\xbd"));
}
