#include "core/services/RuleEditorViewModel.h"

#include "core/rules/RuleReview.h"
#include "core/services/ServiceEndpoints.h"
#include "core/util/ViewModelSupport.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

namespace {

QString joinedPaths(const QStringList& paths)
{
    return paths.join(u'\n');
}

} // namespace

RuleEditorViewModel::RuleEditorViewModel(RuleEditorMode mode, const CleanupRule& rule, QObject* parent)
    : RuleEditorViewModel(mode, rule, RuleStore(), parent)
{}

RuleEditorViewModel::RuleEditorViewModel(RuleEditorMode mode, const CleanupRule& rule, RuleStore store, QObject* parent)
    : QObject(parent), m_mode(mode), m_store(std::move(store)), m_rule(rule), m_pathsText(joinedPaths(rule.paths))
{}

QString RuleEditorViewModel::title() const
{
    switch (m_mode) {
    case RuleEditorMode::editing:
        return u"编辑规则"_s;
    case RuleEditorMode::viewing:
        return u"规则详情"_s;
    case RuleEditorMode::uploading:
        return u"上传规则"_s;
    }
    return {};
}

QString RuleEditorViewModel::cancelTitle() const
{
    return m_mode == RuleEditorMode::viewing ? u"关闭"_s : u"取消"_s;
}

QString RuleEditorViewModel::primaryTitle() const
{
    switch (m_mode) {
    case RuleEditorMode::editing:
        return u"保存"_s;
    case RuleEditorMode::viewing:
        return u"入库"_s;
    case RuleEditorMode::uploading:
        return u"上传规则"_s;
    }
    return {};
}

void RuleEditorViewModel::setRule(CleanupRule rule)
{
    if (ViewModelSupport::assign(m_rule, std::move(rule)))
        emit ruleChanged();
}

void RuleEditorViewModel::setName(const QString& name)
{
    if (!fieldsEditable())
        return;
    CleanupRule rule = m_rule;
    rule.name = name;
    setRule(std::move(rule));
}

void RuleEditorViewModel::setDescription(const QString& description)
{
    if (!fieldsEditable())
        return;
    CleanupRule rule = m_rule;
    rule.description = description;
    setRule(std::move(rule));
}

void RuleEditorViewModel::setPackName(const QString& packName)
{
    if (!fieldsEditable())
        return;
    CleanupRule rule = m_rule;
    rule.packName = packName;
    setRule(std::move(rule));
}

void RuleEditorViewModel::setPathsText(const QString& text)
{
    if (!fieldsEditable() || text == m_pathsText)
        return;
    // The text is kept as typed: a line being started is empty for a moment and must not vanish
    // from the editor, though it is no path.
    m_pathsText = text;
    m_rule.paths = text.split(u'\n', Qt::SkipEmptyParts);
    emit ruleChanged();
}

void RuleEditorViewModel::setJsonInput(const QString& text)
{
    if (text == m_jsonInput)
        return;
    // Editing the text after a parse keeps the parsed rule; the upload sends that rule.
    m_jsonInput = text;
    emit jsonInputChanged();
}

void RuleEditorViewModel::setUploading(bool uploading)
{
    if (ViewModelSupport::assign(m_isUploading, uploading))
        emit uploadStateChanged();
}

void RuleEditorViewModel::setParsed(bool parsed)
{
    if (ViewModelSupport::assign(m_hasParsedJSON, parsed))
        emit uploadStateChanged();
}

void RuleEditorViewModel::present(const QString& title, const QString& message)
{
    m_resultTitle = title;
    m_resultMessage = message;
    m_showResult = true;
    emit resultChanged();
}

void RuleEditorViewModel::dismissResult()
{
    if (!m_showResult)
        return;
    m_showResult = false;
    emit resultChanged();
}

void RuleEditorViewModel::primaryAction()
{
    if (m_mode == RuleEditorMode::uploading)
        upload();
    else
        save();
}

void RuleEditorViewModel::save()
{
    if (m_mode == RuleEditorMode::uploading)
        return;
    // A rule from the workshop was written by someone else: it is taken in only when it passes
    // the same review that the service runs. The user's own rules are theirs.
    if (m_mode == RuleEditorMode::viewing) {
        if (const ReviewVerdict verdict = RuleReview::review(m_rule); !verdict.passed) {
            present(u"未能入库"_s, u"该规则未通过安全审核："_s + verdict.reason());
            return;
        }
    }
    QString error;
    if (!m_store.saveRule(m_rule, &error)) {
        present(u"保存失败"_s, error);
        return;
    }
    emit saved();
}

QString RuleEditorViewModel::exportJSON()
{
    const QString text = RuleStore::exportJSON(m_rule);
    if (text.isEmpty())
        return {};
    present(u"导出 JSON"_s, u"规则 JSON 已复制到剪贴板。"_s);
    return text;
}

void RuleEditorViewModel::parseJSON()
{
    // The text exactly as pasted: the rule format decides what it accepts.
    Decoded<CleanupRule> decoded = CleanupRule::fromJson(m_jsonInput.toUtf8());
    if (!decoded) {
        setParsed(false);
        present(u"JSON 解析失败"_s, decoded.error);
        return;
    }
    const QString pathsText = joinedPaths(decoded.value->paths);
    const bool changed = pathsText != m_pathsText || *decoded.value != m_rule;
    m_pathsText = pathsText;
    m_rule = std::move(*decoded.value);
    if (changed)
        emit ruleChanged();
    setParsed(true);
}

void RuleEditorViewModel::upload()
{
    if (!canUpload())
        return;
    setUploading(true);
    // The reply may come after the panel closed: the workshop still has to reload then.
    QObject* context = m_uploadedContext ? m_uploadedContext.data() : this;
    const QPointer<RuleEditorViewModel> self(this);
    const std::function<void(const QString&)> handler = m_uploadedHandler;
    ServiceEndpoints::uploadMarketTask(m_rule, context,
                                       [self, handler](ServiceResult<UploadMarketTaskEnvelope> result) {
                                           if (result && handler)
                                               handler(verdictText(result.value().data));
                                           if (!self)
                                               return;
                                           self->finishUpload(result);
                                       });
}

void RuleEditorViewModel::finishUpload(const ServiceResult<UploadMarketTaskEnvelope>& result)
{
    if (result) {
        present(u"规则工坊"_s, verdictText(result.value().data));
        emit uploaded();
    } else {
        present(u"规则工坊"_s, u"上传失败："_s + result.error().localizedDescription());
    }
    setUploading(false);
}

QString RuleEditorViewModel::verdictText(const UploadMarketTaskResult& review)
{
    // Only the review's verdict matters; the envelope's code is not examined.
    return review.isApproved() ? u"上传成功，规则已通过审核。"_s : u"上传成功，规则暂未通过审核："_s + review.reason;
}

void RuleEditorViewModel::setUploadedHandler(QObject* context, std::function<void(const QString&)> handler)
{
    m_uploadedContext = context;
    m_uploadedHandler = std::move(handler);
}

void RuleEditorViewModel::close()
{
    emit closeRequested();
}

} // namespace Sweepora::Core
