#include "core/scanners/DuplicateFileEngine.h"
#include "core/platform/PathBytes.h"
#include "core/trash/Trash.h"
#include "support/ScopedTreeFixture.h"
#include "support/TrashFakes.h"

#include <gtest/gtest.h>

#include <QFile>

#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

// Paths relative to the home, as UTF-8 (a byte that is not UTF-8 shows as U+FFFD both sides).
using Groups = std::set<std::set<std::string>>;

// Bytes that differ from file to file unless made from the same seed.
QByteArray content(qint64 size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 1;
    for (qint64 i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = static_cast<char>(x);
    }
    return data;
}

class DuplicateEngine : public ScopedTreeFixture
{
protected:
    // QTemporaryDir cannot remove names that are not UTF-8.
    void TearDown() override
    {
        TreeBuilder::removeTree(TreeBuilder::bytes(home()));
        ScopedTreeFixture::TearDown();
    }
    // Writes `data` to a path relative to the home, given as bytes (any name).
    QString write(const QByteArray& relative, const QByteArray& data)
    {
        const QString path = pathFromBytes(bytesFromPath(home()) + '/' + relative);
        m_tree.fileBytes(relative.toStdString());
        EXPECT_TRUE(overwrite(path, data, 0));
        return path;
    }
    static bool overwrite(const QString& path, const QByteArray& data, qint64 offset)
    {
        const int fd = ::open(bytesFromPath(path).constData(), O_WRONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && ::pwrite(fd, data.constData(), data.size(), offset) == data.size();
        if (fd >= 0)
            ::close(fd);
        return ok;
    }
    static void setModified(const QString& path, qint64 seconds)
    {
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, bytesFromPath(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    DuplicateFileEngine::Report find(qint64 minimum, QStringList references = {}) const
    {
        return DuplicateFileEngine::findDuplicates({{home()}, minimum, std::move(references)});
    }
    std::string relative(const QString& path) const { return path.mid(home().size() + 1).toStdString(); }
    Groups groupsOf(const DuplicateFileEngine::Report& report) const
    {
        Groups groups;
        for (const DuplicateGroup& g : report.groups) {
            std::set<std::string> paths;
            for (const DuplicateCopy& c : g.copies)
                paths.insert(relative(c.path));
            groups.insert(paths);
        }
        return groups;
    }
};

} // namespace

// Each pair breaks one stage: the sizes, the edges, the whole content, the minimum, the walk's
// rules and the inode. What is found is exactly the groups of equal content listed below.
TEST_F(DuplicateEngine, GroupsAreExactlyTheFilesWithEqualContent)
{
    const qint64 big = 100'000;
    const QByteArray base = content(big, 1);
    write("size/a", content(big, 2));
    write("size/b", content(big, 12));
    QByteArray middle = base;
    middle[big / 2] = static_cast<char>(middle[big / 2] ^ 1);
    write("edges/same", base);
    write("edges/middle", middle); // equal edges, different content
    QByteArray last = content(big, 3);
    write("last/a", last);
    last[big - 1] = static_cast<char>(last[big - 1] ^ 1);
    write("last/b", last);
    const QString copy1 = write("dup/one", content(big, 4));
    write("dup/deeper/two", content(big, 4));
    write("dup/three", content(big, 4));
    // Just under and at the minimum (30 000): only the second pair counts.
    write("min/under1", content(29'999, 5));
    write("min/under2", content(29'999, 5));
    write("min/at1", content(30'000, 6));
    write("min/at2", content(30'000, 6));
    // Hard links: one file, whatever the number of names; with a real copy, a group of two.
    const QString linked = write("links/a", content(big, 7));
    ASSERT_EQ(::link(bytesFromPath(linked).constData(), bytesFromPath(m_tree.path(u"links/b"_s)).constData()), 0);
    const QString lonely = write("links/only", content(big, 8));
    ASSERT_EQ(::link(bytesFromPath(lonely).constData(), bytesFromPath(m_tree.path(u"links/only2"_s)).constData()), 0);
    write("links/copy", content(big, 7));
    // Never candidates: a link, hidden entries, package contents.
    m_tree.symlink(u"link-to-one"_s, copy1);
    write(".hidden-copy", content(big, 4));
    write(".cache/copy", content(big, 4));
    write("Tool.app/Contents/copy", content(big, 4));
    // Names a QString path cannot spell, and a newline.
    const QString invalid = write("odd/\xff\xfe name", content(big, 9));
    write("odd/new\nline", content(big, 9));
    // Sparse: equal holes in the middle, then equal or different data at the end.
    for (const char* name : {"sparse/a", "sparse/b", "sparse/c"}) {
        const QString path = m_tree.sparseFile(QString::fromLatin1(name), 8 << 20, 4096);
        ASSERT_TRUE(overwrite(path, qstrcmp(name, "sparse/c") == 0 ? "end" : "END", (8 << 20) - 3));
    }
    write("empty1", {});
    write("empty2", {});

    const DuplicateFileEngine::Report report = find(30'000);
    Groups expected = {{"dup/one", "dup/deeper/two", "dup/three"},
                       {"min/at1", "min/at2"},
                       {"links/a", "links/copy"},
                       {"odd/new\nline", relative(invalid)},
                       {"sparse/a", "sparse/b"}};
    EXPECT_EQ(groupsOf(report), expected);
    // An empty file is never a duplicate, whatever the minimum.
    expected.insert({"min/under1", "min/under2"});
    EXPECT_EQ(groupsOf(find(0)), expected);

    // The sparse pair wastes most, then the three copies; the total is their sum.
    ASSERT_EQ(report.groups.size(), 5);
    EXPECT_EQ(report.groups[0].size, 8 << 20);
    EXPECT_EQ(report.groups[1].copies.size(), 3);
    EXPECT_EQ(report.groups[1].wasted(), 2 * big);
    qint64 total = 0;
    for (const DuplicateGroup& g : report.groups) {
        total += g.wasted();
        EXPECT_EQ(g.hash.size(), 16);
    }
    EXPECT_EQ(report.totalWasted, total);

    // A scan cancelled before it reads anything finds nothing.
    DuplicateFileEngine::Progress cancelled;
    cancelled.cancelled = true;
    const DuplicateFileEngine::Report none = DuplicateFileEngine::findDuplicates({{home()}, 1, {}}, &cancelled);
    EXPECT_TRUE(none.cancelled);
    EXPECT_TRUE(none.groups.isEmpty());
}

TEST_F(DuplicateEngine, KeptCopyIsInAReferenceFolderElseOldestElseShortestPathAndSizesReadInDecimalUnits)
{
    const QByteArray data = content(50'000, 1);
    const QString longer = write("aa/copy", data);
    const QString shorter = write("b/copy", data);
    const QString newer = write("new/copy", data);
    setModified(longer, 1000);
    setModified(shorter, 1000);
    setModified(newer, 2000);
    DuplicateGroup group = find(1).groups.value(0);
    ASSERT_EQ(group.copies.size(), 3);
    EXPECT_EQ(group.kept().path, shorter);
    EXPECT_EQ(group.copies[1].path, longer);
    EXPECT_TRUE(group.copies[1].selected && group.copies[2].selected && !group.kept().selected);

    // The user keeps another: it loses its tick and the former kept copy gains one.
    ASSERT_TRUE(DuplicateFileEngine::keepCopy(group, newer));
    EXPECT_EQ(group.kept().path, newer);
    EXPECT_FALSE(group.kept().selected);
    EXPECT_TRUE(group.copies[1].selected && group.copies[1].path == shorter);
    EXPECT_FALSE(DuplicateFileEngine::keepCopy(group, u"/nowhere"_s));

    // A reference folder outranks age, and its copies are never ticked.
    const QString reference = m_tree.path(u"new"_s);
    const QString refCopy2 = write("new/again", data);
    group = find(1, {reference}).groups.value(0);
    ASSERT_EQ(group.copies.size(), 4);
    EXPECT_TRUE(group.kept().inReferenceFolder);
    for (const DuplicateCopy& c : std::as_const(group.copies))
        EXPECT_EQ(c.selected, !c.path.startsWith(reference + u'/')) << c.path.toStdString();
    EXPECT_TRUE(group.kept().path == newer || group.kept().path == refCopy2);

    EXPECT_EQ(DuplicateFileEngine::parseSize(u"1M"_s), 1'000'000);
    EXPECT_EQ(DuplicateFileEngine::parseSize(u"500K"_s), 500'000);
    EXPECT_EQ(DuplicateFileEngine::parseSize(u"1.5g"_s), 1'500'000'000);
    EXPECT_EQ(DuplicateFileEngine::parseSize(u"2MB"_s), 2'000'000);
    EXPECT_EQ(DuplicateFileEngine::parseSize(u"1234"_s), 1234);
    for (const QString& bad : {u""_s, u"M"_s, u"-1M"_s, u"1X"_s, u"nan"_s, u"1e30"_s})
        EXPECT_FALSE(DuplicateFileEngine::parseSize(bad).has_value()) << bad.toStdString();
}

// The last copy of a group is never moved: a copy leaves only while the kept copy is still
// there and equal to it byte for byte.
TEST_F(DuplicateEngine, ACopyIsMovedOnlyWhileTheKeptCopyStillMatchesIt)
{
    const QByteArray first = content(60'000, 1);
    const QStringList three{write("g1/a", first), write("g1/b", first), write("g1/c", first)};
    setModified(three[0], 1000);
    const QByteArray second = content(70'000, 2);
    const QString kept2 = write("g2/a", second);
    const QString changed = write("g2/b", second);
    const QString fine = write("g2/c", second);
    setModified(kept2, 1000);

    QList<DuplicateGroup> groups = find(1).groups;
    ASSERT_EQ(groups.size(), 2);
    ASSERT_EQ(groups[1].kept().path, three[0]);
    ASSERT_EQ(groups[0].kept().path, kept2);
    // Only two of the three ticked, then the kept one goes before the clean.
    groups[1].copies[2].selected = false;
    ASSERT_TRUE(QFile::remove(three[0]));
    // One byte of a copy changes in place after the scan: same file, same size.
    ASSERT_TRUE(overwrite(changed, QByteArray(1, static_cast<char>(second[35'000] ^ 1)), 35'000));
    auto trash = std::make_shared<RecordingTrash>();
    Trash::setCurrent(trash);
    const TrashBatchResult result = DuplicateFileEngine::moveToTrash(groups);

    EXPECT_EQ(result.moved, QStringList{fine});
    EXPECT_EQ(trash->requests(), QStringList{fine});
    QHash<QString, QString> errors;
    for (const TrashFailure& f : result.failed)
        errors.insert(f.path, f.error);
    EXPECT_EQ(errors, (QHash<QString, QString>{{changed, DuplicateFileEngine::kDiffersFromKept},
                                               {groups[1].copies[1].path, DuplicateFileEngine::kKeptCopyGone}}));
    EXPECT_EQ(result.message, u"已移动 1 个文件，部分文件处理失败"_s);
    EXPECT_TRUE(QFile::exists(groups[1].copies[1].path) && QFile::exists(groups[1].copies[2].path));
}
