#include "platform/PathBytes.h"
#include "fs/Walker.h"
#include "platform/Sandbox.h"
#include "platform/Trash.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <QRandomGenerator>
#include <unistd.h>

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

// A name that is not UTF-8, found by a scan, must still reach the Trash under its own bytes.
TEST(PathBytesTest, AFileTheWalkerFindsWithANonUtf8NameGoesToTheTrash)
{
    QTemporaryDir dir;
    Sweepora::Test::TreeBuilder tree(dir.path() + QStringLiteral("/home"));
    tree.folder(QStringLiteral("."));
    const std::string bytes = tree.fileBytes(std::string("bad-\xff\xfe.bin"), 10);
    Sweepora::Core::Sandbox::openScope(tree.root());
    struct Collector final : Sweepora::Core::WalkVisitor
    {
        Sweepora::Core::WalkAction visit(const Sweepora::Core::WalkEntry& e) override
        {
            paths << e.filePath();
            return Sweepora::Core::WalkAction::Continue;
        }
        QStringList paths;
    };
    QStringList found;
    for (const Collector& c : Sweepora::Core::Walker::walkEach(tree.root(), {}, Collector()))
        found += c.paths;
    ASSERT_EQ(found.size(), 1);
    const Sweepora::Core::Trash::Result moved = Sweepora::Core::Trash::current().trashItem(found.first());
    EXPECT_TRUE(moved.ok) << moved.error.toStdString();
    EXPECT_NE(::access(bytes.c_str(), F_OK), 0);
}
