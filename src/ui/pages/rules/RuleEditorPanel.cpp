#include "ui/pages/rules/RuleEditorPanel.h"

#include "core/services/RuleEditorViewModel.h"
#include "ui/components/BusyIndicator.h"
#include "ui/components/Buttons.h"
#include "ui/style/Theme.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

QLabel* fieldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(Theme::font(TextStyle::subheadline));
    Theme::makeSecondary(label);
    return label;
}

QLineEdit* lineField(const QString& placeholder, bool editable, QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setPlaceholderText(placeholder);
    field->setReadOnly(!editable);
    return field;
}

// Replaces the editor's text only when it differs, so typing keeps its cursor.
void showText(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}

void showText(QPlainTextEdit* editor, const QString& text)
{
    if (editor->toPlainText() != text)
        editor->setPlainText(text);
}

} // namespace

RuleEditorPanel::RuleEditorPanel(Core::RuleEditorViewModel* model, QWidget* parent) : QFrame(parent), m_model(model)
{
    m_model->setParent(this);
    setObjectName(QStringLiteral("ruleEditorPanel"));
    setFixedWidth(kWidth);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    // A panel of its own beside the page; fields that only show the rule carry no fill, so
    // they do not look as if they took typing.
    setStyleSheet(QStringLiteral("QFrame#ruleEditorPanel { background: %1; border: none; border-left: 1px solid %2; }"
                                 "QLineEdit:read-only, QPlainTextEdit[readOnly=\"true\"] { background: transparent;"
                                 " border: 1px solid %2; border-radius: 5px; padding: 3px 4px; }")
                      .arg(Theme::cardBackground().name(QColor::HexArgb), Theme::separator().name(QColor::HexArgb)));

    const bool editable = m_model->fieldsEditable();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(8);

    auto* titleRow = new QHBoxLayout;
    auto* title = new QLabel(m_model->title(), this);
    title->setObjectName(QStringLiteral("ruleEditorTitle"));
    title->setFont(Theme::font(22, QFont::Bold));
    auto* close = Buttons::symbol(QStringLiteral("xmark"), QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("ruleEditorClose"));
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    titleRow->addWidget(close);
    layout->addLayout(titleRow);
    layout->addSpacing(6);

    layout->addWidget(fieldLabel(QStringLiteral("规则名称"), this));
    m_name = lineField(QStringLiteral("请输入规则名称"), editable, this, "ruleNameField");
    layout->addWidget(m_name);
    layout->addWidget(fieldLabel(QStringLiteral("描述"), this));
    m_description = lineField(QStringLiteral("请输入规则描述"), editable, this, "ruleDescriptionField");
    layout->addWidget(m_description);
    layout->addWidget(fieldLabel(QStringLiteral("PackName"), this));
    m_packName = lineField(QStringLiteral("应用 Bundle Identifier"), editable, this, "rulePackNameField");
    layout->addWidget(m_packName);
    layout->addWidget(fieldLabel(QStringLiteral("扫描路径"), this));
    m_paths = new QPlainTextEdit(this);
    m_paths->setObjectName(QStringLiteral("rulePathsEditor"));
    m_paths->setFixedHeight(82);
    m_paths->setReadOnly(!editable);
    m_paths->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_paths);

    if (m_model->showsJSONSection()) {
        layout->addSpacing(6);
        auto* jsonRow = new QHBoxLayout;
        auto* jsonLabel = new QLabel(QStringLiteral("规则 JSON"), this);
        jsonLabel->setFont(Theme::font(TextStyle::headline));
        m_parse = Buttons::bordered(QStringLiteral("解析 JSON"), this);
        m_parse->setObjectName(QStringLiteral("parseJSONButton"));
        jsonRow->addWidget(jsonLabel);
        jsonRow->addStretch(1);
        jsonRow->addWidget(m_parse);
        layout->addLayout(jsonRow);
        m_json = new QPlainTextEdit(this);
        m_json->setObjectName(QStringLiteral("ruleJSONEditor"));
        m_json->setFixedHeight(120);
        m_json->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        layout->addWidget(m_json);
        auto* caption = new QLabel(Core::RuleEditorViewModel::kJSONCaption, this);
        caption->setFont(Theme::font(TextStyle::caption));
        caption->setWordWrap(true);
        Theme::makeSecondary(caption);
        layout->addWidget(caption);
        connect(m_parse, &QPushButton::clicked, m_model, &Core::RuleEditorViewModel::parseJSON);
        connect(m_json, &QPlainTextEdit::textChanged, this, [this] { m_model->setJsonInput(m_json->toPlainText()); });
    }
    layout->addStretch(1);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    if (m_model->showsExportButton()) {
        m_export =
            Buttons::symbol(QStringLiteral("square.and.arrow.up"), Core::RuleEditorViewModel::kExportTooltip, this, 18);
        m_export->setObjectName(QStringLiteral("exportJSONButton"));
        actions->addWidget(m_export);
        connect(m_export, &QToolButton::clicked, this, &RuleEditorPanel::exportToClipboard);
    }
    actions->addStretch(1);
    m_cancel = Buttons::bordered(m_model->cancelTitle(), this);
    m_cancel->setObjectName(QStringLiteral("ruleEditorCancel"));
    m_primary = Buttons::prominent(m_model->primaryTitle(), this);
    m_primary->setObjectName(QStringLiteral("ruleEditorPrimary"));
    m_primary->setMinimumWidth(88);
    m_uploadSpinner = new BusyIndicator(14, m_primary);
    auto* spinnerLayout = new QHBoxLayout(m_primary);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    spinnerLayout->addWidget(m_uploadSpinner, 0, Qt::AlignCenter);
    m_uploadSpinner->hide();
    actions->addWidget(m_cancel);
    actions->addWidget(m_primary);
    layout->addLayout(actions);

    // Escape cancels and Return runs the primary action, as a sheet's keys do; a multi-line
    // editor keeps its own Return for new lines.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, m_model, &Core::RuleEditorViewModel::close);
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &RuleEditorPanel::pressPrimary);
    }

    connect(close, &QToolButton::clicked, m_model, &Core::RuleEditorViewModel::close);
    connect(m_cancel, &QPushButton::clicked, m_model, &Core::RuleEditorViewModel::close);
    connect(m_primary, &QPushButton::clicked, this, &RuleEditorPanel::pressPrimary);
    connect(m_name, &QLineEdit::textEdited, m_model, &Core::RuleEditorViewModel::setName);
    connect(m_description, &QLineEdit::textEdited, m_model, &Core::RuleEditorViewModel::setDescription);
    connect(m_packName, &QLineEdit::textEdited, m_model, &Core::RuleEditorViewModel::setPackName);
    connect(m_paths, &QPlainTextEdit::textChanged, this, [this] {
        if (m_model->fieldsEditable())
            m_model->setPathsText(m_paths->toPlainText());
    });
    connect(m_model, &Core::RuleEditorViewModel::ruleChanged, this, &RuleEditorPanel::showRule);
    connect(m_model, &Core::RuleEditorViewModel::uploadStateChanged, this, &RuleEditorPanel::showUploadState);
    connect(m_model, &Core::RuleEditorViewModel::resultChanged, this, &RuleEditorPanel::showResult);
    showRule();
    showUploadState();
}

void RuleEditorPanel::showRule()
{
    showText(m_name, m_model->name());
    showText(m_description, m_model->description());
    showText(m_packName, m_model->packName());
    showText(m_paths, m_model->pathsText());
}

void RuleEditorPanel::showUploadState()
{
    if (m_model->mode() != Core::RuleEditorMode::uploading)
        return;
    const bool uploading = m_model->isUploading();
    m_primary->setEnabled(m_model->canUpload());
    m_primary->setText(uploading ? QString() : m_model->primaryTitle());
    m_uploadSpinner->setVisible(uploading);
}

void RuleEditorPanel::pressPrimary()
{
    if (m_primary->isEnabled())
        m_model->primaryAction();
}

void RuleEditorPanel::exportToClipboard()
{
    const QString text = m_model->exportJSON();
    if (text.isEmpty())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void RuleEditorPanel::showResult()
{
    if (!m_model->showResult()) {
        if (m_alert != nullptr)
            m_alert->close();
        return;
    }
    if (m_alert == nullptr) {
        m_alert = new QMessageBox(this);
        m_alert->setObjectName(QStringLiteral("ruleEditorResult"));
        m_alert->setIcon(QMessageBox::NoIcon);
        m_alert->setTextFormat(Qt::PlainText);
        m_alert->addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        connect(m_alert, &QMessageBox::finished, this, [this] {
            m_alert->deleteLater();
            m_alert = nullptr;
            m_model->dismissResult();
        });
    }
    m_alert->setWindowTitle(m_model->resultTitle());
    m_alert->setText(m_model->resultTitle());
    m_alert->setInformativeText(m_model->resultMessage());
    m_alert->open();
}

} // namespace Sweepora::Ui
