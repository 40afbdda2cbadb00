#include "ui/pages/RuleWorkshopPage.h"
#include "OnlineUiTest.h"
#include "services/RuleWorkshopViewModel.h"
#include "support/Screenshots.h"
#include "ui/components/PlaceholderView.h"
#include "ui/pages/MarketRuleRow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Sweepora::Ui;
using namespace Sweepora::Test;
using Sweepora::Core::MarketRule;

namespace {

QByteArray entry(qint64 id, qint64 allow, const QByteArray& rule)
{
    return "{\"id\":" + QByteArray::number(id) + ",\"allow\":" + QByteArray::number(allow) +
           R"(,"created_at":"2026-01-01T00:00:00Z","updated_at":"2026-01-01T00:00:00Z","rule_json":)" + rule + "}";
}

class RuleWorkshopPageTest : public OnlineUiTest
{
protected:
    void SetUp() override
    {
        OnlineUiTest::SetUp();
        page = std::make_unique<RuleWorkshopPage>();
        page->resize(760, 560);
    }
    void serve(const QByteArrayList& entries)
    {
        serveJSON("GET", QStringLiteral("/market/tasks"),
                  R"({"code":0,"message":"","data":[)" + entries.join(',') + "]}");
    }
    void waitLoaded()
    {
        ASSERT_TRUE(waitUntil([&] { return !page->model().isLoading(); }));
        QApplication::processEvents();
    }
    QString placeholderTitle() const { return page->placeholder()->title(); }

    std::unique_ptr<RuleWorkshopPage> page;
};

} // namespace

TEST_F(RuleWorkshopPageTest, RowsMarkUnreviewedEntriesAndOpenTheirEntry)
{
    serve({entry(3, 0, ruleJSON("未审规则", "com.a")), entry(1, 1, ruleJSON("已审规则", "com.b")),
           entry(2, 2, ruleJSON("另一条", "com.c"))});
    page->show();
    waitLoaded();
    EXPECT_NE(page->currentContent(), page->placeholder()->parentWidget());
    const QList<MarketRuleRow*> rows = page->rows();
    ASSERT_EQ(rows.size(), 3);
    // The badge on every entry that has not passed review.
    EXPECT_TRUE(rows[0]->showsUnreviewedBadge());
    EXPECT_FALSE(rows[1]->showsUnreviewedBadge());
    EXPECT_TRUE(rows[2]->showsUnreviewedBadge());
    QLabel* badge = rows[0]->findChild<QLabel*>(QStringLiteral("unreviewedBadge"));
    ASSERT_NE(badge, nullptr);
    EXPECT_EQ(badge->text(), QStringLiteral("未审核"));
    EXPECT_EQ(rows[1]->findChild<QLabel*>(QStringLiteral("unreviewedBadge")), nullptr);
    EXPECT_EQ(rows[0]->findChild<QLabel*>(QStringLiteral("marketRulePathCount"))->text(),
              QStringLiteral("1 个扫描路径"));
    Screenshots::save(page.get(), QStringLiteral("workshop-list"));

    QSignalSpy opened(page.get(), &RuleWorkshopPage::openRequested);
    QTest::mouseClick(rows[1]->findChild<QPushButton*>(QStringLiteral("marketRuleOpen")), Qt::LeftButton);
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].value<MarketRule>().id, 1);
}

TEST_F(RuleWorkshopPageTest, FailureWithNothingShownOffersReloadThenTheEmptyView)
{
    serveJSON("GET", QStringLiteral("/market/tasks"), "{}", 502);
    page->show();
    EXPECT_TRUE(page->placeholder()->isBusy());
    EXPECT_EQ(page->placeholder()->subtitle(), QStringLiteral("正在加载规则工坊…"));
    Screenshots::save(page.get(), QStringLiteral("workshop-loading"));
    waitLoaded();
    EXPECT_EQ(placeholderTitle(), QStringLiteral("规则工坊暂时不可用"));
    EXPECT_EQ(page->placeholder()->symbolName(), QStringLiteral("wifi.exclamationmark"));
    EXPECT_EQ(page->placeholder()->subtitle(), page->model().errorMessage());
    EXPECT_TRUE(page->reloadButton()->isVisible());
    Screenshots::save(page.get(), QStringLiteral("workshop-unavailable"));

    serve({});
    QTest::mouseClick(page->reloadButton(), Qt::LeftButton);
    waitLoaded();
    EXPECT_EQ(placeholderTitle(), QStringLiteral("规则工坊暂无规则"));
    EXPECT_EQ(page->placeholder()->symbolName(), QStringLiteral("shippingbox"));
    EXPECT_FALSE(page->reloadButton()->isVisible());
    Screenshots::save(page.get(), QStringLiteral("workshop-empty"));

    QSignalSpy uploads(page.get(), &RuleWorkshopPage::uploadRequested);
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("uploadRuleButton")), Qt::LeftButton);
    EXPECT_EQ(uploads.count(), 1);
}
