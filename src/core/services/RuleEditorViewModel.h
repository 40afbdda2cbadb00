#pragma once

#include "core/rules/CleanupRule.h"
#include "core/rules/RuleEditorMode.h"
#include "core/rules/RuleStore.h"
#include "core/services/MarketTasks.h"
#include "core/services/ServiceError.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace Sweepora::Core {

// The rule editor panel: one rule edited (editing), looked at before it is taken into the
// local store (viewing), or filled from pasted JSON and uploaded to the workshop (uploading).
// The panel is made anew each time the window opens it; its signals are the window's callbacks.
class RuleEditorViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Sweepora::Core::RuleEditorMode mode READ mode CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(bool fieldsEditable READ fieldsEditable CONSTANT)
    Q_PROPERTY(bool showsJSONSection READ showsJSONSection CONSTANT)
    Q_PROPERTY(bool showsExportButton READ showsExportButton CONSTANT)
    Q_PROPERTY(QString cancelTitle READ cancelTitle CONSTANT)
    Q_PROPERTY(QString primaryTitle READ primaryTitle CONSTANT)

    Q_PROPERTY(QString name READ name WRITE setName NOTIFY ruleChanged)
    Q_PROPERTY(QString description READ description WRITE setDescription NOTIFY ruleChanged)
    Q_PROPERTY(QString packName READ packName WRITE setPackName NOTIFY ruleChanged)
    Q_PROPERTY(QString pathsText READ pathsText WRITE setPathsText NOTIFY ruleChanged)

    Q_PROPERTY(QString jsonInput READ jsonInput WRITE setJsonInput NOTIFY jsonInputChanged)
    Q_PROPERTY(bool isUploading READ isUploading NOTIFY uploadStateChanged)
    Q_PROPERTY(bool hasParsedJSON READ hasParsedJSON NOTIFY uploadStateChanged)
    Q_PROPERTY(bool canUpload READ canUpload NOTIFY uploadStateChanged)

    Q_PROPERTY(bool showResult READ showResult NOTIFY resultChanged)
    Q_PROPERTY(QString resultTitle READ resultTitle NOTIFY resultChanged)
    Q_PROPERTY(QString resultMessage READ resultMessage NOTIFY resultChanged)

public:
    static inline const QString kJSONCaption =
        QStringLiteral("粘贴规则 JSON 后点击解析，上方详情仅供核对，不能手动修改。");
    static inline const QString kExportTooltip = QStringLiteral("导出 JSON 到剪贴板");

    RuleEditorViewModel(RuleEditorMode mode, const CleanupRule& rule, QObject* parent = nullptr);
    RuleEditorViewModel(RuleEditorMode mode, const CleanupRule& rule, RuleStore store, QObject* parent = nullptr);

    RuleEditorMode mode() const { return m_mode; }
    // "编辑规则", "规则详情" or "上传规则".
    QString title() const;
    // The four fields take edits only in editing mode; otherwise they just show the rule.
    bool fieldsEditable() const { return m_mode == RuleEditorMode::editing; }
    bool showsJSONSection() const { return m_mode == RuleEditorMode::uploading; }
    bool showsExportButton() const { return m_mode != RuleEditorMode::uploading; }
    // "关闭" when viewing, "取消" otherwise.
    QString cancelTitle() const;
    // The default-key button: "保存", "入库" or "上传规则".
    QString primaryTitle() const;

    const CleanupRule& rule() const { return m_rule; }
    QString name() const { return m_rule.name; }
    QString description() const { return m_rule.description; }
    QString packName() const { return m_rule.packName; }
    // The paths editor's text as typed (one path a line).
    QString pathsText() const { return m_pathsText; }

    void setName(const QString& name);
    void setDescription(const QString& description);
    void setPackName(const QString& packName);
    // The rule's paths become the text's lines, empty lines dropped, spaces kept, order kept.
    void setPathsText(const QString& text);

    QString jsonInput() const { return m_jsonInput; }
    void setJsonInput(const QString& text);
    bool isUploading() const { return m_isUploading; }
    bool hasParsedJSON() const { return m_hasParsedJSON; }
    bool canUpload() const { return m_mode == RuleEditorMode::uploading && m_hasParsedJSON && !m_isUploading; }

    bool showResult() const { return m_showResult; }
    QString resultTitle() const { return m_resultTitle; }
    QString resultMessage() const { return m_resultMessage; }
    // "确定" on the result alert.
    void dismissResult();

    // The default-key button: save when editing or viewing, upload when uploading.
    void primaryAction();
    // "保存" and "入库": writes the rule as it stands and emits saved(). A rule the store cannot
    // write (its identity holds "/", or the disk refuses), or a workshop rule that fails the
    // rule review, is reported and the panel stays open, so that nothing is lost without a word.
    void save();
    // The rule as pretty-printed JSON for the clipboard (the page puts it there), and the
    // "导出 JSON" alert.
    QString exportJSON();
    // "解析 JSON": decodes jsonInput as a rule; on failure "JSON 解析失败" with the decoder's
    // message, and the rule stays as it was.
    void parseJSON();
    // "上传规则": sends the last parsed rule to the workshop. A press while a request runs, or
    // before anything was parsed, does nothing.
    void upload();
    // The close button and the cancel key.
    void close();
    // Called with the review's verdict when an upload succeeds, even after the panel (and this
    // model) closed; `context` must outlive the panel, and the call is dropped only when it is gone.
    void setUploadedHandler(QObject* context, std::function<void(const QString& verdict)> handler);
    // "上传成功，规则已通过审核。" or "上传成功，规则暂未通过审核：{reason}"
    static QString verdictText(const UploadMarketTaskResult& review);

signals:
    void ruleChanged();
    void jsonInputChanged();
    void uploadStateChanged();
    void resultChanged();

    void saved();          // the window bumps its rules version and closes the panel
    void uploaded();       // the window bumps its workshop version; the panel stays
    void closeRequested(); // the window closes the panel

private:
    void setRule(CleanupRule rule);
    void setUploading(bool uploading);
    void setParsed(bool parsed);
    void present(const QString& title, const QString& message);
    void finishUpload(const ServiceResult<UploadMarketTaskEnvelope>& result);

    QPointer<QObject> m_uploadedContext;
    std::function<void(const QString&)> m_uploadedHandler;
    const RuleEditorMode m_mode;
    RuleStore m_store;
    CleanupRule m_rule;
    QString m_pathsText;
    QString m_jsonInput;
    bool m_isUploading = false;
    bool m_hasParsedJSON = false;
    bool m_showResult = false;
    QString m_resultTitle;
    QString m_resultMessage;
};

} // namespace Sweepora::Core
