#pragma once

#include "core/rules/CleanupRule.h"
#include "core/rules/RuleEditorMode.h"
#include "core/rules/RuleStore.h"
#include "core/services/MarketTasks.h"

#include <QObject>
#include <optional>

namespace Sweepora::Core {

class RuleEditorViewModel;

// The window's side of the rule editor: which rule the panel shows and in which mode, and the
// two versions that make the rules page and the workshop reload. The rules page and the
// workshop call the open operations; the panel's signals come back through attach().
class RuleEditorCoordinator : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isOpen READ isOpen NOTIFY editorChanged)
    Q_PROPERTY(Sweepora::Core::RuleEditorMode mode READ mode NOTIFY editorChanged)
    Q_PROPERTY(int rulesVersion READ rulesVersion NOTIFY rulesVersionChanged)
    Q_PROPERTY(int workshopVersion READ workshopVersion NOTIFY workshopVersionChanged)

public:
    explicit RuleEditorCoordinator(QObject* parent = nullptr);

    // None closes the panel.
    const std::optional<CleanupRule>& editingRule() const { return m_editingRule; }
    bool isOpen() const { return m_editingRule.has_value(); }
    RuleEditorMode mode() const { return m_mode; }
    int rulesVersion() const { return m_rulesVersion; }
    int workshopVersion() const { return m_workshopVersion; }

    // "编辑" on a row of the rules page.
    void edit(const CleanupRule& rule);
    // "新加规则": a new rule named "新规则".
    void add();
    // "查看" on a workshop entry: the entry's rule, read-only, ready to be taken in.
    void open(const MarketRule& entry);
    // The workshop's "上传规则": an empty rule to be filled from pasted JSON.
    void startUpload();
    void close();
    // The panel saved its rule: the rules page reloads and the panel closes.
    void ruleSaved();
    // The panel uploaded its rule: the workshop reloads, the panel closes and the verdict is told.
    void ruleUploaded(const QString& verdict);

    // A panel for the rule and mode now open, its callbacks wired to this object; null when
    // the panel is closed. Each opening gets a fresh panel with no JSON and no parse.
    RuleEditorViewModel* createEditor(QObject* parent, RuleStore store = RuleStore());
    void attach(RuleEditorViewModel* editor);

    static CleanupRule newRule();
    static CleanupRule newUploadRule();

signals:
    // The panel opened, closed, or now shows another rule or mode.
    void editorChanged();
    void rulesVersionChanged(int version);
    void workshopVersionChanged(int version);
    // An upload went through (the panel has closed): the review's verdict, for the window to show.
    void uploadFinished(const QString& verdict);

private:
    void show(RuleEditorMode mode, const CleanupRule& rule);

    std::optional<CleanupRule> m_editingRule;
    RuleEditorMode m_mode = RuleEditorMode::editing;
    int m_rulesVersion = 0;
    int m_workshopVersion = 0;
};

} // namespace Sweepora::Core
