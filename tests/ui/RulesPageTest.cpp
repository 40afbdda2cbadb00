#include "ui/pages/RulesPage.h"
#include "OnlineUiTest.h"
#include "services/RulesPageViewModel.h"
#include "support/Screenshots.h"
#include "support/ScriptedFolderPicker.h"
#include "trash/ProtectedPlaces.h"
#include "trash/ProtectedPlacesViewModel.h"
#include "ui/pages/CloudRuleCard.h"
#include "ui/pages/ProtectedPlacesCard.h"
#include "ui/pages/RuleCard.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Sweepora::Ui;
using namespace Sweepora::Test;
using Sweepora::Core::CleanupRule;

namespace {

class RulesPageTest : public OnlineUiTest
{
protected:
    void SetUp() override
    {
        OnlineUiTest::SetUp();
        page = std::make_unique<RulesPage>(store());
        page->resize(760, 620);
    }
    void serveCloud(const QByteArrayList& rules)
    {
        QByteArrayList entries;
        for (qsizetype i = 0; i < rules.size(); ++i)
            entries.append("{\"id\":" + QByteArray::number(i + 1) + ",\"rule_json\":" + rules[i] + "}");
        serveJSON("GET", QStringLiteral("/tasks/rules"),
                  R"({"code":0,"message":"","data":[)" + entries.join(',') + "]}");
    }
    // Shows the page (which checks the cloud) and waits until the check ended.
    void showAndWait()
    {
        page->show();
        ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));
        QApplication::processEvents();
    }
    // In the store's order.
    QStringList storedNames() const
    {
        QStringList names;
        for (const CleanupRule& rule : store().loadRules())
            names.append(rule.name);
        return names;
    }
    QStringList cardNames() const
    {
        QStringList names;
        for (RuleCard* card : page->ruleCards())
            names.append(card->rule().name);
        return names;
    }
    QString subtitle() const { return page->cloudCard()->subtitle(); }
    QString control() const { return page->cloudCard()->currentControl()->objectName(); }

    std::unique_ptr<RulesPage> page;
};

} // namespace

TEST_F(RulesPageTest, ListsLocalRulesWithTheirDetailsAndReloadsOnANewVersionOnly)
{
    addRule(QStringLiteral("com.beta"), QStringLiteral("Beta"), {QStringLiteral("USERFOLDER/a"), QStringLiteral("b")});
    addRule(QStringLiteral("com.alpha"), QStringLiteral("alpha"));
    serveCloud({});
    page->setRefreshID(0);
    showAndWait();
    ASSERT_EQ(cardNames().size(), 2);
    ASSERT_EQ(cardNames(), storedNames());

    RuleCard* beta = page->ruleCards().at(cardNames().indexOf(QStringLiteral("Beta")));
    EXPECT_EQ(beta->findChild<QLabel*>(QStringLiteral("ruleCardPackName"))->text(),
              QStringLiteral("PackName · com.beta"));
    EXPECT_EQ(beta->findChild<QLabel*>(QStringLiteral("ruleCardPathCount"))->text(), QStringLiteral("2 个路径"));
    EXPECT_EQ(beta->findChild<QLabel*>(QStringLiteral("ruleCardPaths"))->text(), QStringLiteral("USERFOLDER/a\nb"));
    Screenshots::save(page.get(), QStringLiteral("rules-page-list"));

    // A rule written behind the page's back shows only once the window's version moves.
    addRule(QStringLiteral("com.gamma"), QStringLiteral("Gamma"));
    page->setRefreshID(0);
    EXPECT_EQ(page->ruleCards().size(), 2);
    page->setRefreshID(1);
    EXPECT_EQ(cardNames().size(), 3);
    EXPECT_EQ(cardNames(), storedNames());

    QSignalSpy edited(page.get(), &RulesPage::editRequested);
    QSignalSpy adds(page.get(), &RulesPage::addRequested);
    RuleCard* betaCard = page->ruleCards().at(cardNames().indexOf(QStringLiteral("Beta")));
    QTest::mouseClick(betaCard->findChild<QPushButton*>(QStringLiteral("ruleCardEdit")), Qt::LeftButton);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited[0][0].value<CleanupRule>().packName, QStringLiteral("com.beta"));
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("addRuleButton")), Qt::LeftButton);
    EXPECT_EQ(adds.count(), 1);
}

TEST_F(RulesPageTest, CloudCardOffersSyncWhileFewerLocalRulesThenTheCheckmark)
{
    addRule(QStringLiteral("com.a"), QStringLiteral("A"));
    serveCloud({ruleJSON("A", "com.a"), ruleJSON("B", "com.b", R"(,"App":false)"), ruleJSON("C", "com.c")});
    page->show();
    // While the request runs: the spinner and the checking line.
    EXPECT_EQ(subtitle(), QStringLiteral("正在检查规则数量…"));
    EXPECT_EQ(control(), QStringLiteral("cloudRuleSpinner"));
    Screenshots::save(page.get(), QStringLiteral("rules-page-cloud-checking"));
    ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));

    EXPECT_EQ(subtitle(), QStringLiteral("本地 1 条 · 云端 3 条"));
    EXPECT_EQ(control(), QStringLiteral("cloudRuleSync"));
    Screenshots::save(page.get(), QStringLiteral("rules-page-cloud-sync"));

    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("cloudRuleSync")), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !page->model().isSyncing(); }));
    QApplication::processEvents();
    EXPECT_EQ(subtitle(), QStringLiteral("本地 3 条 · 云端 3 条"));
    EXPECT_EQ(control(), QStringLiteral("cloudRuleUpToDate"));
    EXPECT_EQ(cardNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(requestCount(QStringLiteral("/tasks/rules")), 1); // the import does not ask again
    Screenshots::save(page.get(), QStringLiteral("rules-page-cloud-up-to-date"));
}

TEST_F(RulesPageTest, FailedCheckOffersOnlyRecheckAndEachShowingChecksAgain)
{
    addRule(QStringLiteral("com.a"), QStringLiteral("A"));
    serveJSON("GET", QStringLiteral("/tasks/rules"), R"({"code":0})", 500);
    showAndWait();
    EXPECT_EQ(subtitle(), QStringLiteral("云端检查失败"));
    EXPECT_EQ(control(), QStringLiteral("cloudRuleRecheck"));
    // The local list is there even though the service is not.
    EXPECT_EQ(page->ruleCards().size(), 1);
    Screenshots::save(page.get(), QStringLiteral("rules-page-cloud-failed"));

    serveCloud({});
    QTest::mouseClick(page->findChild<QToolButton*>(QStringLiteral("cloudRuleRecheck")), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));
    EXPECT_EQ(subtitle(), QStringLiteral("本地 1 条 · 云端 0 条"));
    EXPECT_EQ(control(), QStringLiteral("cloudRuleUpToDate"));

    page->hide();
    page->show();
    ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));
    EXPECT_EQ(requestCount(QStringLiteral("/tasks/rules")), 3);
}

TEST_F(RulesPageTest, ProtectedPlacesAreAddedWithThePickerAndRemovedOneByOne)
{
    auto picker = ScriptedFolderPicker::install();
    serveCloud({});
    showAndWait();
    auto* card = page->findChild<ProtectedPlacesCard*>();
    ASSERT_NE(card, nullptr);
    EXPECT_NE(card->findChild<QLabel*>(QStringLiteral("protectedEmpty")), nullptr);

    picker->answerWith(QStringLiteral("/srv/projects"));
    picker->cancelNext();
    auto* add = card->findChild<QPushButton*>(QStringLiteral("addProtectedButton"));
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(add, Qt::LeftButton); // cancelled: nothing changes
    EXPECT_EQ(card->model().paths(), QStringList{QStringLiteral("/srv/projects")});
    EXPECT_EQ(Sweepora::Core::ProtectedPlaces::userPaths(), QStringList{QStringLiteral("/srv/projects")});
    QApplication::processEvents();
    Screenshots::save(page.get(), QStringLiteral("rules-protected-places"));

    auto* remove = card->findChild<QToolButton*>(QStringLiteral("removeProtectedButton"));
    ASSERT_NE(remove, nullptr);
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_TRUE(card->model().paths().isEmpty());
    EXPECT_TRUE(Sweepora::Core::ProtectedPlaces::userPaths().isEmpty());
}
