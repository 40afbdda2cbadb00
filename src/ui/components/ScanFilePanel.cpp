#include "ui/components/ScanFilePanel.h"

#include "ui/components/FileItemList.h"
#include "ui/components/ScanFileModel.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {

ScanFilePanel::ScanFilePanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("scanFilePanel"));
    Theme::makeCard(this);
    setFixedWidth(kWidth);
    // Escape closes the panel while it is on screen (a hidden panel's shortcut does not fire).
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &ScanFilePanel::closeRequested);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 14, 0, 6);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 0, 10, 0);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("垃圾文件"), this);
    title->setObjectName(QStringLiteral("scanFilePanelTitle"));
    title->setFont(Theme::font(15, QFont::Bold));
    m_ruleName = new QLabel(this);
    m_ruleName->setObjectName(QStringLiteral("scanFilePanelRule"));
    m_ruleName->setTextFormat(Qt::PlainText);
    m_ruleName->setFont(Theme::font(TextStyle::caption));
    Theme::makeSecondary(m_ruleName);
    titles->addWidget(title);
    titles->addWidget(m_ruleName);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("scanFilePanelClose"));
    close->setProperty("borderless", true);
    close->setIcon(Symbols::icon(QStringLiteral("xmark"), QPalette::PlaceholderText));
    close->setIconSize(QSize(14, 14));
    close->setToolTip(QStringLiteral("关闭"));
    header->addLayout(titles, 1);
    header->addWidget(close, 0, Qt::AlignTop);
    layout->addLayout(header);

    FileItemDelegate::Options options;
    options.checkbox = false;
    options.revealButton = false;
    options.cards = false;
    options.defaultSymbol = QStringLiteral("doc");
    options.symbolSize = 16;
    m_list = new FileItemList(options, this);
    m_list->setObjectName(QStringLiteral("scanFileList"));
    m_model = new ScanFileModel(this);
    m_list->setModel(m_model);
    layout->addWidget(m_list, 1);

    connect(close, &QToolButton::clicked, this, &ScanFilePanel::closeRequested);
}

void ScanFilePanel::setResult(const Core::CleanupResult& result)
{
    m_result = result;
    m_ruleName->setText(result.rule.name);
    m_model->setFiles(result.files, result.identities);
}

} // namespace Sweepora::Ui
