// The rule pages: local rules and the cloud card, the rule editor panel, the rule workshop.
#include "core/services/RuleEditorViewModel.h"
#include "core/services/RuleWorkshopViewModel.h"
#include "core/services/RulesPageViewModel.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/ProtectedPlacesViewModel.h"
#include "support/ScriptedFolderPicker.h"
#include "ui/OnlineUiTest.h"
#include "ui/components/PlaceholderView.h"
#include "ui/pages/rules/CloudRuleCard.h"
#include "ui/pages/rules/ProtectedPlacesCard.h"
#include "ui/pages/rules/RuleCard.h"
#include "ui/pages/rules/RuleEditorPanel.h"
#include "ui/pages/rules/RulesPage.h"
#include "ui/pages/workshop/MarketRuleRow.h"
#include "ui/pages/workshop/RuleWorkshopPage.h"

#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

using namespace Sweepora;
using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Sweepora::Ui;
using namespace Qt::StringLiterals;

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
    void serveCloud(const QByteArrayList& rules) { serveJSON("GET", u"/tasks/rules"_s, cloudRules(rules)); }
    QStringList cardNames() const
    {
        QStringList names;
        for (RuleCard* card : page->ruleCards())
            names.append(card->rule().name);
        return names;
    }
    QString control() const { return page->cloudCard()->currentControl()->objectName(); }

    std::unique_ptr<RulesPage> page;
};

TEST_F(RulesPageTest, ListsLocalRulesReloadsOnANewVersionOnlyAndAddsAndRemovesProtectedPlaces)
{
    addRule(u"com.beta"_s, u"Beta"_s, {u"USERFOLDER/a"_s, u"b"_s});
    addRule(u"com.alpha"_s, u"alpha"_s);
    serveCloud({});
    page->setRefreshID(0);
    page->show(); // which checks the cloud
    ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));
    QApplication::processEvents();
    ASSERT_EQ(cardNames(), (QStringList{u"Beta"_s, u"alpha"_s})); // in the store's order

    RuleCard* beta = page->ruleCards()[0];
    EXPECT_EQ(beta->findChild<QLabel*>(u"ruleCardPathCount"_s)->text(), u"2 个路径"_s);
    EXPECT_EQ(beta->findChild<QLabel*>(u"ruleCardPaths"_s)->text(), u"USERFOLDER/a\nb"_s);
    Screenshots::save(page.get(), u"rules-page-list"_s);

    // A rule written behind the page's back shows only once the window's version moves.
    addRule(u"com.gamma"_s, u"Gamma"_s);
    page->setRefreshID(0);
    EXPECT_EQ(page->ruleCards().size(), 2);
    page->setRefreshID(1);
    EXPECT_EQ(cardNames().size(), 3);

    QSignalSpy edited(page.get(), &RulesPage::editRequested);
    QSignalSpy adds(page.get(), &RulesPage::addRequested);
    click(page->ruleCards().at(cardNames().indexOf(u"Beta"_s))->findChild<QPushButton*>(u"ruleCardEdit"_s));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited[0][0].value<CleanupRule>().packName, u"com.beta"_s);
    click(page->findChild<QPushButton*>(u"addRuleButton"_s));
    EXPECT_EQ(adds.count(), 1);

    // Protected places are added with the picker and removed one by one.
    auto picker = ScriptedFolderPicker::install();
    auto* card = page->findChild<ProtectedPlacesCard*>();
    ASSERT_NE(card, nullptr);
    EXPECT_NE(card->findChild<QLabel*>(u"protectedEmpty"_s), nullptr);

    picker->answerWith(u"/srv/projects"_s);
    picker->cancelNext();
    auto* add = card->findChild<QPushButton*>(u"addProtectedButton"_s);
    click(add);
    click(add); // cancelled: nothing changes
    EXPECT_EQ(card->model().paths(), QStringList{u"/srv/projects"_s});
    EXPECT_EQ(Sweepora::Core::ProtectedPlaces::userPaths(), QStringList{u"/srv/projects"_s});
    QApplication::processEvents();
    Screenshots::save(page.get(), u"rules-protected-places"_s);

    auto* remove = card->findChild<QToolButton*>(u"removeProtectedButton"_s);
    ASSERT_NE(remove, nullptr);
    click(remove);
    EXPECT_TRUE(card->model().paths().isEmpty());
}

TEST_F(RulesPageTest, FailedCheckOffersRecheckThenSyncWhileFewerLocalRulesThenTheCheckmark)
{
    addRule(u"com.a"_s, u"A"_s);
    serveJSON("GET", u"/tasks/rules"_s, R"({"code":0})", 500);
    page->show();
    // While the request runs: the spinner and the checking line.
    EXPECT_EQ(control(), u"cloudRuleSpinner"_s);
    Screenshots::save(page.get(), u"rules-page-cloud-checking"_s);
    ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));
    QApplication::processEvents();
    EXPECT_EQ(control(), u"cloudRuleRecheck"_s);
    // The local list is there even though the service is not.
    EXPECT_EQ(page->ruleCards().size(), 1);
    Screenshots::save(page.get(), u"rules-page-cloud-failed"_s);

    serveCloud({ruleJSON("A", "com.a"), ruleJSON("B", "com.b", R"(,"App":false)"), ruleJSON("C", "com.c")});
    click(page->findChild<QToolButton*>(u"cloudRuleRecheck"_s));
    ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));
    EXPECT_EQ(page->cloudCard()->subtitle(), u"本地 1 条 · 云端 3 条"_s);
    EXPECT_EQ(control(), u"cloudRuleSync"_s);
    Screenshots::save(page.get(), u"rules-page-cloud-sync"_s);

    click(page->findChild<QPushButton*>(u"cloudRuleSync"_s));
    ASSERT_TRUE(waitUntil([&] { return !page->model().isSyncing(); }));
    QApplication::processEvents();
    EXPECT_EQ(control(), u"cloudRuleUpToDate"_s);
    EXPECT_EQ(cardNames(), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    Screenshots::save(page.get(), u"rules-page-cloud-up-to-date"_s);

    // Each showing checks again.
    page->hide();
    page->show();
    ASSERT_TRUE(waitUntil([&] { return !page->model().isCheckingCloud(); }));
    EXPECT_EQ(requestCount(u"/tasks/rules"_s), 3);
}

const CleanupRule kRule{true,         u"微信"_s, {u"USERFOLDER/a"_s, u"USERFOLDER/b"_s}, 0, u"com.tencent.xinWeChat"_s,
                        u"聊天缓存"_s};

class RuleEditorPanelTest : public OnlineUiTest
{
protected:
    RuleEditorPanel& open(RuleEditorMode mode, const CleanupRule& rule = kRule)
    {
        panel = std::make_unique<RuleEditorPanel>(new RuleEditorViewModel(mode, rule, store()));
        panel->resize(RuleEditorPanel::kWidth, 640);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return *panel;
    }
    // Presses "确定" on the result alert and returns its title and message.
    QPair<QString, QString> takeAlert()
    {
        EXPECT_TRUE(waitUntil([&] { return panel->resultAlert() != nullptr; }));
        QMessageBox* box = panel->resultAlert();
        if (box == nullptr)
            return {};
        const QPair<QString, QString> shown{box->text(), box->informativeText()};
        box->buttons().first()->click();
        QApplication::processEvents();
        EXPECT_FALSE(panel->model().showResult());
        return shown;
    }

    std::unique_ptr<RuleEditorPanel> panel;
};

TEST_F(RuleEditorPanelTest, EditingExportsAndSavesViewingIsReadOnlyAndUploadingReportsTheReview)
{
    RuleEditorPanel& p = open(RuleEditorMode::editing);
    EXPECT_EQ(p.nameField()->text(), kRule.name);
    EXPECT_EQ(p.pathsEditor()->toPlainText(), u"USERFOLDER/a\nUSERFOLDER/b"_s);
    EXPECT_EQ(p.jsonEditor(), nullptr);
    ASSERT_NE(p.exportButton(), nullptr);

    // Export puts the rule on the clipboard and says so.
    QGuiApplication::clipboard()->setText(u"old"_s);
    click(p.exportButton());
    const QJsonObject copied = QJsonDocument::fromJson(QGuiApplication::clipboard()->text().toUtf8()).object();
    EXPECT_EQ(copied.value(u"PackName"_s).toString(), kRule.packName);
    EXPECT_EQ(copied.value(u"Paths"_s).toArray().size(), 2);
    Screenshots::save(panel.get(), u"rule-editor-export-alert"_s);
    EXPECT_EQ(takeAlert(), (QPair<QString, QString>{u"导出 JSON"_s, u"规则 JSON 已复制到剪贴板。"_s}));

    p.nameField()->clear();
    QTest::keyClicks(p.nameField(), u"Chat"_s);
    p.pathsEditor()->clear();
    QTest::keyClicks(p.pathsEditor(), u" a"_s);
    QTest::keyClick(p.pathsEditor(), Qt::Key_Return);
    QTest::keyClick(p.pathsEditor(), Qt::Key_Return);
    QTest::keyClicks(p.pathsEditor(), u"b"_s);
    // The editor keeps what was typed; the model reads the paths from it.
    EXPECT_EQ(p.pathsEditor()->toPlainText(), u" a\n\nb"_s);
    Screenshots::save(panel.get(), u"rule-editor-editing"_s);

    QSignalSpy saved(&p.model(), &RuleEditorViewModel::saved);
    click(p.primaryButton());
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(store().loadRules().value(0).paths, (QStringList{u" a"_s, u"b"_s}));

    // Viewing is read-only and takes the rule in with Return.
    CleanupRule shared = kRule; // a workshop rule is taken in only when it passes the rule review
    shared.paths = {u"USERFOLDER/Library/Caches/com.tencent.xinWeChat"_s};
    RuleEditorPanel& v = open(RuleEditorMode::viewing, shared);
    for (QLineEdit* field : {v.nameField(), v.descriptionField(), v.packNameField()})
        EXPECT_TRUE(field->isReadOnly());
    EXPECT_TRUE(v.pathsEditor()->isReadOnly());

    v.nameField()->setFocus();
    Screenshots::save(panel.get(), u"rule-editor-viewing"_s);

    QSignalSpy taken(&v.model(), &RuleEditorViewModel::saved);
    QTest::keyClick(v.nameField(), Qt::Key_Return);
    EXPECT_EQ(taken.count(), 1);

    QSignalSpy closes(&v.model(), &RuleEditorViewModel::closeRequested);
    QTest::keyClick(v.nameField(), Qt::Key_Escape);
    click(v.cancelButton());
    EXPECT_EQ(closes.count(), 2);

    // Uploading needs a parsed rule and reports the review.
    RuleEditorPanel& u = open(RuleEditorMode::uploading, CleanupRule{true, {}, {}, 0, {}, {}});
    EXPECT_EQ(u.exportButton(), nullptr);
    ASSERT_NE(u.jsonEditor(), nullptr);
    EXPECT_FALSE(u.primaryButton()->isEnabled());

    u.jsonEditor()->setPlainText(
        uR"({"App":true,"Name":"工坊规则","Paths":["USERFOLDER/x"],"Notice":0,"PackName":"com.w","Description":"d"})"_s);
    click(u.parseButton());
    EXPECT_EQ(u.pathsEditor()->toPlainText(), u"USERFOLDER/x"_s);
    EXPECT_TRUE(u.nameField()->isReadOnly());
    ASSERT_TRUE(u.primaryButton()->isEnabled());
    Screenshots::save(panel.get(), u"rule-editor-uploading-parsed"_s);

    QSignalSpy uploads(&u.model(), &RuleEditorViewModel::uploaded);
    serveJSON("POST", u"/market/tasks"_s, R"({"code":0,"message":"","data":{"id":7,"allow":0,"reason":"路径过宽"}})");
    // A second press while the request runs sends nothing more.
    click(u.primaryButton());
    click(u.primaryButton());
    EXPECT_FALSE(u.primaryButton()->isEnabled());
    EXPECT_TRUE(u.primaryButton()->text().isEmpty()); // the spinner shows instead
    Screenshots::save(panel.get(), u"rule-editor-uploading-busy"_s);
    EXPECT_EQ(takeAlert().second, u"上传成功，规则暂未通过审核：路径过宽"_s);
    EXPECT_EQ(uploads.count(), 1);
    EXPECT_TRUE(u.primaryButton()->isEnabled());
    EXPECT_FALSE(u.primaryButton()->text().isEmpty());
}

using RuleWorkshopPageTest = OnlineUiTest;

TEST_F(RuleWorkshopPageTest, FailureOffersReloadThenTheEmptyViewThenRowsThatMarkUnreviewedEntries)
{
    RuleWorkshopPage page;
    page.resize(760, 560);
    const auto serve = [&](const QByteArrayList& entries) { serveJSON("GET", u"/market/tasks"_s, listReply(entries)); };
    const auto waitLoaded = [&] {
        ASSERT_TRUE(waitUntil([&] { return !page.model().isLoading(); }));
        QApplication::processEvents();
    };
    serveJSON("GET", u"/market/tasks"_s, "{}", 502);
    page.show();
    EXPECT_TRUE(page.placeholder()->isBusy());
    Screenshots::save(&page, u"workshop-loading"_s);
    waitLoaded();
    EXPECT_EQ(page.placeholder()->symbolName(), u"wifi.exclamationmark"_s);
    EXPECT_EQ(page.placeholder()->subtitle(), page.model().errorMessage());
    EXPECT_TRUE(page.reloadButton()->isVisible());
    Screenshots::save(&page, u"workshop-unavailable"_s);

    serve({});
    click(page.reloadButton());
    waitLoaded();
    EXPECT_EQ(page.placeholder()->symbolName(), u"shippingbox"_s);
    EXPECT_FALSE(page.reloadButton()->isVisible());
    Screenshots::save(&page, u"workshop-empty"_s);

    QSignalSpy uploads(&page, &RuleWorkshopPage::uploadRequested);
    click(page.findChild<QPushButton*>(u"uploadRuleButton"_s));
    EXPECT_EQ(uploads.count(), 1);

    // Entries: rows mark the unreviewed ones and open their entry.
    serve({workshopEntry(3, 0, ruleJSON("未审规则", "com.a")), workshopEntry(1, 1, ruleJSON("已审规则", "com.b")),
           workshopEntry(2, 2, ruleJSON("另一条", "com.c"))});
    page.model().load();
    waitLoaded();
    EXPECT_NE(page.currentContent(), page.placeholder()->parentWidget());
    const QList<MarketRuleRow*> rows = page.rows();
    ASSERT_EQ(rows.size(), 3);
    // Which entries carry the badge is the view model's rule; here, that the row draws it.
    EXPECT_NE(rows[0]->findChild<QLabel*>(u"unreviewedBadge"_s), nullptr);
    EXPECT_EQ(rows[1]->findChild<QLabel*>(u"unreviewedBadge"_s), nullptr);
    EXPECT_EQ(rows[0]->findChild<QLabel*>(u"marketRulePathCount"_s)->text(), u"1 个扫描路径"_s);
    Screenshots::save(&page, u"workshop-list"_s);

    QSignalSpy opened(&page, &RuleWorkshopPage::openRequested);
    click(rows[1]->findChild<QPushButton*>(u"marketRuleOpen"_s));
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].value<MarketRule>().id, 1);
}

} // namespace
