#include "ui/pages/RuleEditorPanel.h"
#include "OnlineUiTest.h"
#include "services/RuleEditorViewModel.h"
#include "support/Screenshots.h"

#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Sweepora::Ui;
using namespace Sweepora::Test;
using Sweepora::Core::CleanupRule;
using Sweepora::Core::RuleEditorMode;
using Sweepora::Core::RuleEditorViewModel;

namespace {

const CleanupRule kRule{true,
                        QStringLiteral("微信"),
                        {QStringLiteral("USERFOLDER/a"), QStringLiteral("USERFOLDER/b")},
                        0,
                        QStringLiteral("com.tencent.xinWeChat"),
                        QStringLiteral("聊天缓存")};

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
        QMessageBox* box = nullptr;
        EXPECT_TRUE(waitUntil([&] { return (box = openAlert(panel.get())) != nullptr; }));
        if (box == nullptr)
            return {};
        const QPair<QString, QString> shown{box->text(), box->informativeText()};
        box->button(QMessageBox::Ok) != nullptr ? box->button(QMessageBox::Ok)->click()
                                                : box->buttons().first()->click();
        QApplication::processEvents();
        EXPECT_FALSE(panel->model().showResult());
        return shown;
    }

    std::unique_ptr<RuleEditorPanel> panel;
};

} // namespace

TEST_F(RuleEditorPanelTest, EditingExportsTakesTypedFieldsAndSavesThem)
{
    RuleEditorPanel& p = open(RuleEditorMode::editing);
    EXPECT_EQ(p.nameField()->text(), kRule.name);
    EXPECT_EQ(p.pathsEditor()->toPlainText(), QStringLiteral("USERFOLDER/a\nUSERFOLDER/b"));
    EXPECT_EQ(p.jsonEditor(), nullptr);
    ASSERT_NE(p.exportButton(), nullptr);

    // Export puts the rule on the clipboard and says so.
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    QTest::mouseClick(p.exportButton(), Qt::LeftButton);
    const QJsonObject copied = QJsonDocument::fromJson(QGuiApplication::clipboard()->text().toUtf8()).object();
    EXPECT_EQ(copied.value(QStringLiteral("PackName")).toString(), kRule.packName);
    EXPECT_EQ(copied.value(QStringLiteral("Paths")).toArray().size(), 2);
    Screenshots::save(panel.get(), QStringLiteral("rule-editor-export-alert"));
    EXPECT_EQ(takeAlert(),
              (QPair<QString, QString>{QStringLiteral("导出 JSON"), QStringLiteral("规则 JSON 已复制到剪贴板。")}));

    p.nameField()->clear();
    QTest::keyClicks(p.nameField(), QStringLiteral("Chat"));
    p.pathsEditor()->clear();
    QTest::keyClicks(p.pathsEditor(), QStringLiteral(" a"));
    QTest::keyClick(p.pathsEditor(), Qt::Key_Return);
    QTest::keyClick(p.pathsEditor(), Qt::Key_Return);
    QTest::keyClicks(p.pathsEditor(), QStringLiteral("b"));
    // An empty line is no path; spaces are kept; the editor keeps what was typed.
    EXPECT_EQ(p.model().rule().paths, (QStringList{QStringLiteral(" a"), QStringLiteral("b")}));
    EXPECT_EQ(p.pathsEditor()->toPlainText(), QStringLiteral(" a\n\nb"));
    Screenshots::save(panel.get(), QStringLiteral("rule-editor-editing"));

    QSignalSpy saved(&p.model(), &RuleEditorViewModel::saved);
    QTest::mouseClick(p.primaryButton(), Qt::LeftButton);
    EXPECT_EQ(saved.count(), 1);
    const QList<CleanupRule> rules = store().loadRules();
    ASSERT_EQ(rules.size(), 1);
    EXPECT_EQ(rules.first().name, QStringLiteral("Chat"));
    EXPECT_EQ(rules.first().paths, (QStringList{QStringLiteral(" a"), QStringLiteral("b")}));
}

TEST_F(RuleEditorPanelTest, ViewingIsReadOnlyAndTakesTheRuleInWithReturn)
{
    CleanupRule shared = kRule; // a workshop rule is taken in only when it passes the rule review
    shared.paths = {QStringLiteral("USERFOLDER/Library/Caches/com.tencent.xinWeChat")};
    RuleEditorPanel& p = open(RuleEditorMode::viewing, shared);
    for (QLineEdit* field : {p.nameField(), p.descriptionField(), p.packNameField()})
        EXPECT_TRUE(field->isReadOnly());
    EXPECT_TRUE(p.pathsEditor()->isReadOnly());

    p.nameField()->setFocus();
    QTest::keyClicks(p.nameField(), QStringLiteral("x"));
    QTest::keyClicks(p.pathsEditor(), QStringLiteral("y"));
    EXPECT_EQ(p.model().rule(), shared);
    Screenshots::save(panel.get(), QStringLiteral("rule-editor-viewing"));

    QSignalSpy saved(&p.model(), &RuleEditorViewModel::saved);
    QTest::keyClick(p.nameField(), Qt::Key_Return);
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(store().loadRules(), QList<CleanupRule>{shared});

    QSignalSpy closes(&p.model(), &RuleEditorViewModel::closeRequested);
    QTest::keyClick(p.nameField(), Qt::Key_Escape);
    QTest::mouseClick(p.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(closes.count(), 2);
}

TEST_F(RuleEditorPanelTest, UploadingNeedsAParsedRuleAndReportsTheReview)
{
    RuleEditorPanel& p = open(RuleEditorMode::uploading, CleanupRule{true, {}, {}, 0, {}, {}});
    EXPECT_EQ(p.exportButton(), nullptr);
    ASSERT_NE(p.jsonEditor(), nullptr);
    EXPECT_FALSE(p.primaryButton()->isEnabled());

    // A rule without "Notice" is no rule: the alert names the problem and upload stays off.
    p.jsonEditor()->setPlainText(
        QStringLiteral(R"({"App":true,"Name":"n","Paths":[],"PackName":"p","Description":"d"})"));
    QTest::mouseClick(p.parseButton(), Qt::LeftButton);
    const auto failure = takeAlert();
    EXPECT_EQ(failure.first, QStringLiteral("JSON 解析失败"));
    EXPECT_FALSE(failure.second.isEmpty());
    EXPECT_FALSE(p.primaryButton()->isEnabled());

    p.jsonEditor()->setPlainText(
        QString::fromUtf8(R"({"App":true,"Name":"工坊规则","Paths":["USERFOLDER/x"],"Notice":0,)"
                          R"("PackName":"com.w","Description":"d"})"));
    QTest::mouseClick(p.parseButton(), Qt::LeftButton);
    EXPECT_EQ(p.pathsEditor()->toPlainText(), QStringLiteral("USERFOLDER/x"));
    EXPECT_TRUE(p.nameField()->isReadOnly());
    ASSERT_TRUE(p.primaryButton()->isEnabled());
    Screenshots::save(panel.get(), QStringLiteral("rule-editor-uploading-parsed"));

    QSignalSpy uploads(&p.model(), &RuleEditorViewModel::uploaded);
    serveJSON("POST", QStringLiteral("/market/tasks"),
              R"({"code":0,"message":"","data":{"id":7,"allow":0,"reason":"路径过宽"}})");
    // A second press while the request runs sends nothing more.
    QTest::mouseClick(p.primaryButton(), Qt::LeftButton);
    QTest::mouseClick(p.primaryButton(), Qt::LeftButton);
    EXPECT_FALSE(p.primaryButton()->isEnabled());
    EXPECT_TRUE(p.primaryButton()->text().isEmpty()); // the spinner shows instead
    Screenshots::save(panel.get(), QStringLiteral("rule-editor-uploading-busy"));
    EXPECT_EQ(takeAlert(), (QPair<QString, QString>{QStringLiteral("规则工坊"),
                                                    QStringLiteral("上传成功，规则暂未通过审核：路径过宽")}));
    EXPECT_EQ(requestCount(QStringLiteral("/market/tasks")), 1);
    EXPECT_EQ(uploads.count(), 1);
    const QJsonObject sent = QJsonDocument::fromJson(server.requests().first().body).object();
    EXPECT_EQ(sent.value(QStringLiteral("rule_json")).toObject().value(QStringLiteral("Name")).toString(),
              QStringLiteral("工坊规则"));

    EXPECT_TRUE(p.primaryButton()->isEnabled());
    EXPECT_EQ(p.primaryButton()->text(), QStringLiteral("上传规则"));
}
