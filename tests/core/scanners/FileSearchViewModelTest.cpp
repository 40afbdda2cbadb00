#include "scanners/FileSearchViewModel.h"
#include "platform/Jobs.h"
#include "platform/Notifications.h"
#include "support/HomeFixture.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

class FileSearchModel : public HomeFixture
{
protected:
    static QStringList names(const FileSearchViewModel& model)
    {
        QStringList n;
        for (const FileSearchResult& r : model.results())
            n.append(QFileInfo(r.path).fileName());
        return n;
    }
};

} // namespace

TEST_F(FileSearchModel, SearchNeedsAGrantAndAQueryPublishesHitsAndMessagesThenCleansTheTicked)
{
    const QString big = m_tree->file(QStringLiteral("annual-report.pdf"), 40'000);
    const QString small = m_tree->file(QStringLiteral("REPORTS.txt"), 100);
    m_tree->file(QStringLiteral("r-e-p-o-r-t.txt"), 100);
    FileSearchViewModel model;
    EXPECT_EQ(model.message(), QStringLiteral("在右上角输入文件名开始搜索"));
    model.search(QStringLiteral("report")); // no grant: only the message changes
    EXPECT_EQ(model.state(), FileSearchState::Ready);
    EXPECT_EQ(model.message(), QStringLiteral("请先授权个人文件夹"));
    EXPECT_TRUE(model.currentQuery().isEmpty());

    grantHome();
    int messages = 0;
    auto counting = QObject::connect(&model, &FileSearchViewModel::messageChanged, [&] { ++messages; });
    model.search(QStringLiteral(" \n\t ")); // a blank query changes nothing
    EXPECT_EQ(model.state(), FileSearchState::Ready);
    EXPECT_EQ(messages, 0);
    QObject::disconnect(counting);

    model.search(QStringLiteral("  Report "));
    EXPECT_EQ(model.state(), FileSearchState::Searching);
    EXPECT_EQ(model.currentQuery(), QStringLiteral("Report"));
    EXPECT_EQ(model.message(), QStringLiteral("正在搜索“Report”…"));
    ASSERT_TRUE(waitForState(model, FileSearchState::Searched));
    EXPECT_EQ(model.message(), QStringLiteral("找到 2 个名称包含“Report”的文件"));
    EXPECT_EQ(names(model), (QStringList{QStringLiteral("annual-report.pdf"), QStringLiteral("REPORTS.txt")}));
    EXPECT_EQ(model.selectedSize(), 0);

    model.toggleSelection(big);
    EXPECT_EQ(model.selectedSize(), model.results()[0].size);
    int trashChanged = 0;
    QObject::connect(&Notifications::instance(), &Notifications::trashContentsDidChange, &model,
                     [&] { ++trashChanged; });
    model.clean();
    EXPECT_EQ(model.state(), FileSearchState::Cleaning);
    ASSERT_TRUE(waitForState(model, FileSearchState::Searched));
    EXPECT_EQ(model.message(), QStringLiteral("已将 1 个文件移到废纸篓"));
    EXPECT_EQ(names(model), QStringList{QStringLiteral("REPORTS.txt")});
    EXPECT_FALSE(QFileInfo::exists(big));
    EXPECT_TRUE(QFileInfo::exists(small));
    EXPECT_TRUE(QTest::qWaitFor([&] { return trashChanged == 1; }));
}

TEST_F(FileSearchModel, OverlappingSearchesPublishOnlyTheListOfTheLastStarted)
{
    grantHome();
    // The first search has more to stat, so it tends to end last: it must still lose.
    for (int i = 0; i < 400; ++i)
        m_tree->file(QStringLiteral("many/alpha-%1").arg(i), 10);
    m_tree->file(QStringLiteral("beta.txt"), 10);
    FileSearchViewModel model;
    QList<QStringList> published;
    QObject::connect(&model, &FileSearchViewModel::resultsChanged, [&] {
        if (!model.results().isEmpty())
            published.append(names(model));
    });
    int finished = 0;
    QObject::connect(&model, &FileSearchViewModel::searchFinished, [&] { ++finished; });

    model.search(QStringLiteral("alpha"));
    model.search(QStringLiteral("beta"));
    EXPECT_EQ(model.currentQuery(), QStringLiteral("beta"));
    jobPool().waitForDone();
    ASSERT_TRUE(waitForState(model, FileSearchState::Searched));
    QCoreApplication::processEvents(); // let any late hand-back arrive
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(published, QList<QStringList>{QStringList{QStringLiteral("beta.txt")}});
    EXPECT_EQ(model.message(), QStringLiteral("找到 1 个名称包含“beta”的文件"));
}

TEST_F(FileSearchModel, ASearchAskedForDuringACleanWaitsForItSoNoSecondCleanCanOverlap)
{
    grantHome();
    m_tree->file(QStringLiteral("old-1"), 10);
    m_tree->file(QStringLiteral("new-1"), 10);
    FileSearchViewModel model;
    model.search(QStringLiteral("old"));
    ASSERT_TRUE(waitForState(model, FileSearchState::Searched));
    model.toggleAllSelection();
    model.clean();
    model.search(QStringLiteral("new"));
    EXPECT_EQ(model.state(), FileSearchState::Cleaning) << "the search starts once the clean has handed back";
    model.clean(); // refused: one clean at a time
    EXPECT_EQ(model.state(), FileSearchState::Cleaning);
    ASSERT_TRUE(waitForState(model, FileSearchState::Searching));
    jobPool().waitForDone();
    QCoreApplication::processEvents();
    ASSERT_TRUE(waitForState(model, FileSearchState::Searched));
    QCoreApplication::processEvents();
    EXPECT_EQ(names(model), QStringList{QStringLiteral("new-1")});
    EXPECT_EQ(model.message(), QStringLiteral("找到 1 个名称包含“new”的文件"));
    EXPECT_FALSE(QFileInfo::exists(m_tree->path(QStringLiteral("old-1"))));
}
