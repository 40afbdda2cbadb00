#include "core/services/RuleEditorCoordinator.h"

#include "core/services/RuleEditorViewModel.h"

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

RuleEditorCoordinator::RuleEditorCoordinator(QObject* parent) : QObject(parent)
{}

CleanupRule RuleEditorCoordinator::newRule()
{
    CleanupRule rule;
    rule.app = true;
    rule.name = u"新规则"_s;
    rule.notice = 0;
    return rule;
}

CleanupRule RuleEditorCoordinator::newUploadRule()
{
    CleanupRule rule;
    rule.app = true;
    rule.notice = 0;
    return rule;
}

void RuleEditorCoordinator::show(RuleEditorMode mode, const CleanupRule& rule)
{
    m_mode = mode;
    m_editingRule = rule;
    // Always announced, even for the same rule: the page builds a fresh panel for every opening.
    emit editorChanged();
}

void RuleEditorCoordinator::edit(const CleanupRule& rule)
{
    show(RuleEditorMode::editing, rule);
}

void RuleEditorCoordinator::add()
{
    show(RuleEditorMode::editing, newRule());
}

void RuleEditorCoordinator::open(const MarketRule& entry)
{
    show(RuleEditorMode::viewing, entry.ruleJSON.toCleanupRule());
}

void RuleEditorCoordinator::startUpload()
{
    show(RuleEditorMode::uploading, newUploadRule());
}

void RuleEditorCoordinator::close()
{
    if (!m_editingRule)
        return;
    m_editingRule.reset();
    emit editorChanged();
}

void RuleEditorCoordinator::ruleSaved()
{
    ++m_rulesVersion;
    emit rulesVersionChanged(m_rulesVersion);
    close();
}

void RuleEditorCoordinator::ruleUploaded(const QString& verdict)
{
    ++m_workshopVersion;
    emit workshopVersionChanged(m_workshopVersion);
    // The rule is up: the panel has done its work, and the window tells the verdict.
    close();
    emit uploadFinished(verdict);
}

RuleEditorViewModel* RuleEditorCoordinator::createEditor(QObject* parent, RuleStore store)
{
    if (!m_editingRule)
        return nullptr;
    auto* editor = new RuleEditorViewModel(m_mode, *m_editingRule, std::move(store), parent);
    attach(editor);
    return editor;
}

void RuleEditorCoordinator::attach(RuleEditorViewModel* editor)
{
    connect(editor, &RuleEditorViewModel::saved, this, &RuleEditorCoordinator::ruleSaved);
    editor->setUploadedHandler(this, [this](const QString& verdict) { ruleUploaded(verdict); });
    connect(editor, &RuleEditorViewModel::closeRequested, this, &RuleEditorCoordinator::close);
}

} // namespace Sweepora::Core
