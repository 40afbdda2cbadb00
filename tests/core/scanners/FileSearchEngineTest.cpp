#include "scanners/FileSearchEngine.h"
#include "platform/Log.h"
#include "platform/Sandbox.h"
#include "support/ScopedTreeFixture.h"
#include "trash/Trash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Sweepora::Core;
using Sweepora::Test::ScopedTreeFixture;
using Sweepora::Test::TreeBuilder;

namespace {

class FileSearch : public ScopedTreeFixture
{
protected:
    QStringList names(const QString& query) const
    {
        QStringList n;
        for (const FileSearchResult& r : FileSearchEngine::search(home(), query).items)
            n.append(QDir(home()).relativeFilePath(r.path));
        return n;
    }
};

} // namespace

TEST_F(FileSearch, NamesContainingTheTrimmedQueryIgnoringCaseAreHits)
{
    m_tree.file(QStringLiteral("docs/annual-report.pdf"), 3000);
    m_tree.file(QStringLiteral("REPORTS.txt"), 2000);
    m_tree.file(QStringLiteral("r-e-p-o-r-t.txt"), 1000); // scattered letters are no match
    m_tree.file(QStringLiteral("rep*.txt"), 10);          // no wildcards either
    EXPECT_EQ(names(QStringLiteral("Report")),
              (QStringList{QStringLiteral("docs/annual-report.pdf"), QStringLiteral("REPORTS.txt")}));
    EXPECT_TRUE(names(QStringLiteral("rep*")).contains(QStringLiteral("rep*.txt")));
    EXPECT_EQ(names(QStringLiteral("rep*")).size(), 1);

    // The query is trimmed, and the extension is part of the name.
    m_tree.file(QStringLiteral("a.pdf"), 10);
    m_tree.file(QStringLiteral("pdfless.txt"), 10);
    m_tree.file(QStringLiteral("年度报告.docx"), 10);
    const FileSearchEngine::Report report = FileSearchEngine::search(home(), QStringLiteral(" \t.pdf\n "));
    EXPECT_EQ(report.query, QStringLiteral(".pdf"));
    ASSERT_EQ(report.items.size(), 2); // a.pdf and annual-report.pdf
    EXPECT_EQ(report.message, QStringLiteral("找到 2 个名称包含“.pdf”的文件"));
    EXPECT_EQ(names(QStringLiteral("报告")), QStringList{QStringLiteral("年度报告.docx")});
    EXPECT_EQ(FileSearchEngine::search(home(), QStringLiteral("nothing-like-it")).message,
              QStringLiteral("没有找到名称包含“nothing-like-it”的文件"));
    EXPECT_TRUE(FileSearchEngine::search(home(), QStringLiteral("  \n")).items.isEmpty());
}

TEST_F(FileSearch, FoldersLinksHiddenEntriesAndPackageContentsAreNeverHits)
{
    const QString hit = m_tree.file(QStringLiteral("plain/report.txt"), 10);
    m_tree.folder(QStringLiteral("report-folder"));
    m_tree.symlink(QStringLiteral("report-link.txt"), hit);
    m_tree.file(QStringLiteral(".report-hidden.txt"), 10);
    m_tree.file(QStringLiteral(".hidden/report.txt"), 10);
    m_tree.file(QStringLiteral("Report.app/Contents/report.txt"), 10);
    m_tree.file(QStringLiteral("Notes.rtfd/report.txt"), 10);
    EXPECT_EQ(names(QStringLiteral("report")), QStringList{QStringLiteral("plain/report.txt")});
}

TEST_F(FileSearch, SizesAreAllocatedSizesLargestFirstThenNameIgnoringCase)
{
    const QString sparse = m_tree.sparseFile(QStringLiteral("log-sparse"), 50'000'000, 16384);
    const QString big = m_tree.file(QStringLiteral("log-big"), 200'000);
    m_tree.file(QStringLiteral("B.log"), 5000);
    m_tree.file(QStringLiteral("a.log"), 5000);
    const QList<FileSearchResult> items = FileSearchEngine::search(home(), QStringLiteral("log")).items;
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0].path, big);
    EXPECT_EQ(items[0].size, TreeBuilder::allocatedBytes(big));
    EXPECT_EQ(items[1].path, sparse); // judged by what it takes on disk, not its 50 MB length
    EXPECT_EQ(items[1].size, TreeBuilder::allocatedBytes(sparse));
    EXPECT_EQ(QFileInfo(items[2].path).fileName(), QStringLiteral("a.log"));
    EXPECT_EQ(QFileInfo(items[3].path).fileName(), QStringLiteral("B.log"));
    for (const FileSearchResult& r : items)
        EXPECT_FALSE(r.selected);
}

TEST(FileSearchNames, ByteComparisonAgreesWithTextContainment)
{
    // The fast path must give the same answers as the text comparison, including letters
    // beyond ASCII that fold to ASCII (Kelvin sign, long s) and names that are not UTF-8.
    const QStringList queries{QStringLiteral("k"), QStringLiteral("S"),  QStringLiteral("Report"),
                              QStringLiteral("é"), QStringLiteral("ss"), QStringLiteral("a.b")};
    const QStringList texts{QStringLiteral("KELVIN"), QStringLiteral("\u212Aelvin"), QStringLiteral("\u017Fun"),
                            QStringLiteral("Café"),   QStringLiteral("CAFÉ"),        QStringLiteral("reportS"),
                            QStringLiteral("straße"), QStringLiteral("a.b.c"),       QStringLiteral("axb")};
    for (const QString& q : queries) {
        const FileSearchEngine::NameMatcher matcher(q);
        for (const QString& t : texts) {
            const QByteArray bytes = t.toUtf8();
            EXPECT_EQ(matcher.matches(std::string_view(bytes.constData(), size_t(bytes.size()))),
                      t.contains(q, Qt::CaseInsensitive))
                << q.toStdString() << " in " << t.toStdString();
        }
    }
    const FileSearchEngine::NameMatcher matcher(QStringLiteral("caf"));
    EXPECT_TRUE(matcher.matches(std::string_view("CAF\xe9.txt")));
    EXPECT_FALSE(FileSearchEngine::NameMatcher(QString()).matches(std::string_view("anything")));
}

TEST_F(FileSearch, CleanMovesTheUnchangedAndFailsWhatChangedSinceTheSearch)
{
    const QString same = m_tree.file(QStringLiteral("keep-same.txt"), 100);
    const QString resized = m_tree.file(QStringLiteral("keep-resized.txt"), 100);
    const QString replaced = m_tree.file(QStringLiteral("keep-replaced.txt"), 100);
    const QString linked = m_tree.file(QStringLiteral("keep-linked.txt"), 100);
    const QString gone = m_tree.file(QStringLiteral("keep-gone.txt"), 100);
    const QString other = m_tree.file(QStringLiteral("other.bin"), 100);
    const QList<FileSearchResult> items = FileSearchEngine::search(home(), QStringLiteral("keep")).items;
    ASSERT_EQ(items.size(), 5);

    {
        QFile f(resized);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("more");
    }
    ASSERT_TRUE(QFile::rename(other, replaced + QStringLiteral(".new")));
    ASSERT_TRUE(QFile::remove(replaced));
    ASSERT_TRUE(QFile::rename(replaced + QStringLiteral(".new"), replaced)); // same size, another inode
    ASSERT_TRUE(QFile::remove(linked));
    m_tree.symlink(QStringLiteral("keep-linked.txt"), same);
    ASSERT_TRUE(QFile::remove(gone));

    const TrashBatchResult result = FileSearchEngine::moveToTrash(items);
    // A search hit is known by device, inode and kind: a file that only grew is still it.
    EXPECT_EQ(QSet<QString>(result.moved.cbegin(), result.moved.cend()), (QSet<QString>{same, resized}));
    EXPECT_EQ(result.failed.size(), 3);
    EXPECT_EQ(result.message, QStringLiteral("已移动 2 个文件，部分文件处理失败"));
    EXPECT_EQ(loggedLines().size(), 3);
    for (const QString& line : loggedLines())
        EXPECT_TRUE(line.startsWith(QStringLiteral("[FileSearch] 移到废纸篓失败：") + home())) << line.toStdString();
    EXPECT_TRUE(QFileInfo::exists(replaced));
    EXPECT_TRUE(QFileInfo(linked).isSymLink()); // the link stays, and so does its target's namesake
    EXPECT_FALSE(QFileInfo::exists(same));
}
