#include "OnlineTestSupport.h"

#include "services/RuleEditorCoordinator.h"
#include "services/RuleEditorViewModel.h"
#include "services/RulesPageViewModel.h"

#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

const QString kGoodJSON =
    uR"({"App":false,"Name":"缓存","Paths":["a","b"],"Notice":3,"PackName":"com.x","Description":"d"})"_s;

class RuleEditorTest : public ServiceTest
{
protected:
    std::unique_ptr<RuleEditorViewModel> openEditor()
    {
        return std::unique_ptr<RuleEditorViewModel>(window.createEditor(nullptr, rules.store()));
    }

    void answerUpload(qint64 allow, const QByteArray& reason)
    {
        server.setReply("POST", u"/market/tasks"_s,
                        TestHttpServer::json(200, R"({"code":7,"message":"","data":{"id":9,"allow":)" +
                                                      QByteArray::number(allow) + R"(,"reason":")" + reason + "\"}}"));
    }
    static void waitForUpload(RuleEditorViewModel& editor)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !editor.isUploading(); }));
        QCoreApplication::processEvents();
    }

    TemporaryRuleStore rules;
    RuleEditorCoordinator window;
};

} // namespace

TEST_F(RuleEditorTest, SavingAnExistingIdentityReplacesItAndAnUnwritableOneStaysOpen)
{
    window.edit(rules.add(u"com.x"_s, u"缓存"_s, u"旧"_s));
    auto editor = openEditor();
    editor->setDescription(u"新"_s);
    editor->setPathsText(u" a \n\nb\n"_s); // one path a line: spaces kept, empty lines dropped
    EXPECT_EQ(editor->pathsText(), u" a \n\nb\n"_s);
    editor->primaryAction();
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(window.rulesVersion(), 1);
    ASSERT_EQ(rules.store().loadRules().size(), 1);
    EXPECT_EQ(rules.find(u"com.x缓存"_s)->description, u"新"_s);
    EXPECT_EQ(rules.find(u"com.x缓存"_s)->paths, (QStringList{u" a "_s, u"b"_s}));

    window.add();
    editor = openEditor();
    editor->setName(u"a/b"_s);
    editor->save();
    EXPECT_TRUE(window.isOpen());
    EXPECT_EQ(window.rulesVersion(), 1);
    EXPECT_EQ(editor->resultTitle(), u"保存失败"_s);
    EXPECT_EQ(rules.fileCount(), 1);
}

TEST_F(RuleEditorTest, ViewingIsReadOnlyAndTakingInSavesClosesAndReloadsTheRulesPage)
{
    MarketRule entry; // no App, no Notice
    entry.ruleJSON.name = u"工坊"_s;
    entry.ruleJSON.packName = u"com.shop"_s;
    entry.ruleJSON.paths = {u"USERFOLDER/.cache/shop"_s};
    RulesPageViewModel page(rules.store());
    page.setRefreshID(window.rulesVersion());
    QObject::connect(&window, &RuleEditorCoordinator::rulesVersionChanged, &page, &RulesPageViewModel::setRefreshID);

    window.open(entry);
    auto editor = openEditor();
    EXPECT_EQ(editor->primaryTitle(), u"入库"_s);
    editor->setName(u"改名"_s);
    editor->setPathsText(u"/etc"_s);
    EXPECT_EQ(editor->rule(), entry.ruleJSON.toCleanupRule());
    EXPECT_TRUE(editor->rule().app);

    editor->primaryAction();
    EXPECT_FALSE(window.isOpen());
    ASSERT_EQ(page.rules().size(), 1);
    EXPECT_EQ(page.rules()[0].ruleKey(), u"com.shop工坊"_s);

    // A workshop rule that fails the rule review (an operator may have let it through) is not
    // taken in, and the panel says why.
    entry.ruleJSON.name = u"凭据"_s;
    entry.ruleJSON.paths = {u"USERFOLDER/.cache/x"_s, u"USERFOLDER/.aws"_s};
    window.open(entry);
    editor = openEditor();
    editor->primaryAction();
    EXPECT_TRUE(window.isOpen());
    EXPECT_EQ(editor->resultTitle(), u"未能入库"_s);
    EXPECT_TRUE(editor->resultMessage().contains(u"USERFOLDER/.aws"_s)) << editor->resultMessage().toStdString();
    EXPECT_EQ(rules.fileCount(), 1);
}

TEST_F(RuleEditorTest, JSONThatIsNotARuleShowsTheDecoderMessageAndKeepsUploadDisabled)
{
    window.startUpload();
    auto editor = openEditor();
    const QString noNotice = uR"({"App":true,"Name":"n","Paths":[],"PackName":"p","Description":"d"})"_s;
    for (const QString& text : {noNotice, u"{not json"_s}) {
        editor->setJsonInput(text);
        editor->parseJSON();
        EXPECT_EQ(editor->resultTitle(), u"JSON 解析失败"_s);
        EXPECT_EQ(editor->resultMessage(), CleanupRule::fromJson(text.toUtf8()).error);
        EXPECT_FALSE(editor->canUpload());
    }
    editor->upload();
    EXPECT_TRUE(server.requests().isEmpty());

    // A failed parse after a good one disables the upload again and keeps the shown rule.
    editor->setJsonInput(kGoodJSON);
    editor->parseJSON();
    EXPECT_TRUE(editor->canUpload());
    editor->setJsonInput(noNotice);
    editor->parseJSON();
    EXPECT_FALSE(editor->canUpload());
    EXPECT_EQ(editor->rule().packName, u"com.x"_s);
}

TEST_F(RuleEditorTest, TwoQuickPressesSendOneRequestAndTheReviewDecidesTheMessage)
{
    window.startUpload();
    auto editor = openEditor();
    editor->setJsonInput(kGoodJSON);
    editor->parseJSON();
    editor->setJsonInput(u"edited after parsing"_s); // still sends the parsed rule

    answerUpload(0, "重复");
    editor->primaryAction();
    editor->primaryAction();
    waitForUpload(*editor);
    ASSERT_EQ(server.requests().size(), 1);
    const QJsonObject sent = QJsonDocument::fromJson(server.requests()[0].body).object()[u"rule_json"_s].toObject();
    EXPECT_EQ(CleanupRule::fromJsonObject(sent).value, CleanupRule::fromJson(kGoodJSON.toUtf8()).value);
    EXPECT_EQ(editor->resultTitle(), u"规则工坊"_s);
    EXPECT_EQ(editor->resultMessage(), u"上传成功，规则暂未通过审核：重复"_s);
    EXPECT_EQ(window.workshopVersion(), 1);
    EXPECT_TRUE(window.isOpen());

    answerUpload(1, "ignored");
    editor->upload();
    waitForUpload(*editor);
    EXPECT_EQ(editor->resultMessage(), u"上传成功，规则已通过审核。"_s);

    server.setReply("POST", u"/market/tasks"_s, TestHttpServer::json(500, R"({"message":"服务繁忙"})"));
    editor->upload();
    waitForUpload(*editor);
    EXPECT_EQ(editor->resultMessage(), u"上传失败：服务繁忙"_s);
    EXPECT_EQ(window.workshopVersion(), 2);
    EXPECT_TRUE(editor->canUpload());
    EXPECT_EQ(rules.fileCount(), 0); // an upload is not saved locally

    // The panel closes before the service answers: the workshop still reloads.
    answerUpload(1, "");
    editor->upload();
    editor.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.workshopVersion() == 3; }));
}
