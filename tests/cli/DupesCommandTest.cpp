#include "cli/CliRunner.h"

#include <QFileInfo>

using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

class DupesCli : public CliTest
{
protected:
    // A file of `size` bytes whose content depends only on `seed`, made `age` seconds old.
    QString write(const QString& relative, qint64 size, char seed, qint64 age = 0)
    {
        return home.filledFile(relative, size, seed, age > 0 ? 1'000'000'000 - age : 0);
    }
};

} // namespace

TEST_F(DupesCli, ListsGroupsKeptCopyFirstAndMovesEveryOtherCopyButNoFolderThatIsNotThere)
{
    const QString keep = write(u"Photos/a.jpg"_s, 3'000'000, 'a', 100);
    const QString copy = write(u"Downloads/a (1).jpg"_s, 3'000'000, 'a');
    const QString copy2 = write(u"Downloads/again/a.jpg"_s, 3'000'000, 'a');
    const QString small1 = write(u"Docs/x.txt"_s, 600'000, 'x', 100);
    const QString small2 = write(u"Docs/y.txt"_s, 600'000, 'x');
    write(u"Docs/other.txt"_s, 600'000, 'o');

    // The default minimum is 1 MB: only the three photos.
    const CliRun r = ok("--json dupes");
    EXPECT_EQ(r.items(), (QJsonArray{QJsonObject{
                             {u"size"_s, 3'000'000}, {u"keep"_s, keep}, {u"files"_s, QJsonArray{keep, copy, copy2}}}}));
    EXPECT_EQ(r.at("message").toString(), u"发现 1 组重复文件，可释放 6 MB"_s);

    // 500K takes in the smaller pair; a folder given limits the search to it.
    EXPECT_EQ(cli("--json dupes --min 500K").items().size(), 2);
    const CliRun docs = cli(QStringList{u"--json"_s, u"dupes"_s, u"--min=500K"_s, home.path(u"Docs"_s)});
    ASSERT_EQ(docs.items().size(), 1);
    EXPECT_EQ(docs.items()[0].toObject()[u"keep"_s].toString(), small1);

    EXPECT_TRUE(ok("dupes").out.contains(copy2.toUtf8()));

    expectMoved(ok("--json dupes --min 500K --move-to-trash --yes"), QJsonArray{copy, copy2, small2},
                u"已将 3 个重复文件移到废纸篓"_s);
    EXPECT_TRUE(QFileInfo::exists(keep) && QFileInfo::exists(small1));
    EXPECT_FALSE(QFileInfo::exists(copy) || QFileInfo::exists(copy2) || QFileInfo::exists(small2));
    EXPECT_EQ(cli("--json history").items()[0].toObject()[u"section"_s].toString(), u"dupes"_s);

    // A folder that is not there cannot be scanned (usage errors are with the other commands').
    const CliRun missing = cli(QStringList{u"--json"_s, u"dupes"_s, home.path(u"nowhere"_s)});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.at("error").toBool());
}
