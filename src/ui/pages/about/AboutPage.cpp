#include "ui/pages/about/AboutPage.h"

#include "core/platform/PlatformWords.h"
#include "core/scanners/AboutInfo.h"
#include "ui/components/UrlOpener.h"
#include "ui/pages/about/AboutListRow.h"
#include "ui/pages/trash/TrashSummaryView.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

QPixmap applicationImage(qreal ratio)
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon.pixmap(QSize(88, 88), ratio);
    return Symbols::pixmap(QStringLiteral("sparkles"), 72, Theme::tint(Tint::accent), ratio);
}

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: %1; border: none;").arg(Theme::separator().name(QColor::HexArgb)));
    return line;
}

} // namespace

AboutPage::AboutPage(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);

    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(14);

    auto* icon = new QLabel(content);
    icon->setPixmap(applicationImage(devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Sweepora"), content);
    name->setObjectName(QStringLiteral("appName"));
    name->setAlignment(Qt::AlignCenter);
    QFont bold = Theme::font(TextStyle::title);
    bold.setBold(true);
    name->setFont(bold);
    auto* tagline = new QLabel(QStringLiteral("简洁快速完成清理"), content);
    tagline->setFont(Theme::font(TextStyle::subheadline));
    tagline->setAlignment(Qt::AlignCenter);
    Theme::makeSecondary(tagline);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(tagline);

    auto* trashCard = new QFrame(content);
    Theme::makeCard(trashCard);
    auto* trashLayout = new QVBoxLayout(trashCard);
    trashLayout->setContentsMargins(4, 4, 4, 4);
    m_trash = new TrashSummaryView(trashCard);
    trashLayout->addWidget(m_trash);
    layout->addWidget(trashCard);

    auto* section = new QLabel(QStringLiteral("支持与信息"), content);
    section->setFont(Theme::font(TextStyle::headline));
    layout->addSpacing(6);
    layout->addWidget(section);

    auto* card = new QFrame(content);
    Theme::makeCard(card);
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(4, 4, 4, 4);
    rows->setSpacing(0);
    const QList<std::pair<AboutListRow::Content, QUrl>> table = {
        {{QStringLiteral("safari"), Tint::blue, QStringLiteral("关于"), QStringLiteral("访问Sweepora官方网站"),
          Core::AboutInfo::kWebsiteDomain, true},
         Core::AboutInfo::websiteUrl()},
        {{QStringLiteral("envelope"), Tint::orange, QStringLiteral("反馈"),
          QStringLiteral("通过邮件告诉我们你的建议或遇到的问题"), Core::AboutInfo::kFeedbackAddress, true},
         Core::AboutInfo::feedbackMailUrl()},
        {{QStringLiteral("number"), Tint::purple, QStringLiteral("版本信息"), QStringLiteral("当前安装的Sweepora版本"),
          Core::AboutInfo::installedVersionText(), false},
         QUrl()},
        {{QStringLiteral("doc.text"), Tint::gray, QStringLiteral("版权信息"),
          QStringLiteral("Sweepora ") + Core::PlatformWords::computer() + QStringLiteral("文件清理工具"),
          Core::AboutInfo::legalNoticeThisYear(), false},
         QUrl()},
    };
    for (const auto& [rowContent, url] : table) {
        const bool actionable = rowContent.showsChevron;
        auto* row = new AboutListRow(rowContent, actionable, card);
        if (actionable)
            connect(row, &AboutListRow::clicked, this, [url] { openUrl(url); });
        if (!m_rows.isEmpty())
            rows->addWidget(separator(card));
        rows->addWidget(row);
        m_rows.append(row);
    }
    layout->addWidget(card);
    layout->addStretch(1);
    scroll->setWidget(content);
}

} // namespace Sweepora::Ui
