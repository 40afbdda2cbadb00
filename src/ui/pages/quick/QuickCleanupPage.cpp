#include "ui/pages/quick/QuickCleanupPage.h"

#include "ui/components/BusyIndicator.h"
#include "ui/components/Buttons.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

constexpr int kSpacing = 14;

Tint tintNamed(const QString& name)
{
    static const QHash<QString, Tint> tints = {
        {QStringLiteral("blue"), Tint::blue},     {QStringLiteral("purple"), Tint::purple},
        {QStringLiteral("orange"), Tint::orange}, {QStringLiteral("indigo"), Tint::indigo},
        {QStringLiteral("mint"), Tint::mint},     {QStringLiteral("teal"), Tint::teal}};
    return tints.value(name, Tint::accent);
}

QLabel* passThroughLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

QuickCleanupGlassCard::QuickCleanupGlassCard(QWidget* parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("quickCleanupCard"));
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(96);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setStyleSheet(
        QStringLiteral("QPushButton#quickCleanupCard { background: %1; border: 1px solid %2;"
                       " border-radius: 12px; text-align: left; }"
                       "QPushButton#quickCleanupCard:hover { border-color: %3; }")
            .arg(Theme::cardBackground().name(), Theme::separator().name(), Theme::tint(Tint::accent).name()));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(12);

    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    m_tile = passThroughLabel(this);
    m_tile->setFixedSize(34, 34);
    m_tile->setAlignment(Qt::AlignCenter);
    top->addWidget(m_tile);
    m_title = passThroughLabel(this);
    m_title->setFont(Theme::font(TextStyle::headline));
    top->addWidget(m_title, 1);
    m_status = passThroughLabel(this);
    m_status->setFont(Theme::font(TextStyle::caption));
    Theme::makeSecondary(m_status);
    top->addWidget(m_status);
    layout->addLayout(top);

    m_figures = new QWidget(this);
    m_figures->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* bottom = new QHBoxLayout(m_figures);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(8);
    m_figure = passThroughLabel(m_figures);
    m_figure->setFont(Theme::font(TextStyle::title3));
    bottom->addWidget(m_figure);
    m_count = passThroughLabel(m_figures);
    m_count->setFont(Theme::font(TextStyle::subheadline));
    Theme::makeSecondary(m_count);
    bottom->addWidget(m_count);
    bottom->addStretch(1);
    m_spinner = new BusyIndicator(16, m_figures);
    m_spinner->setToolTip(QStringLiteral("正在扫描"));
    bottom->addWidget(m_spinner);
    m_arrow = new QLabel(m_figures);
    m_arrow->setToolTip(QStringLiteral("查看扫描结果"));
    bottom->addWidget(m_arrow);
    layout->addWidget(m_figures);
    layout->addStretch(1);
}

void QuickCleanupGlassCard::show(const Core::QuickCleanupCard& card, bool hasActivity)
{
    const QColor tint = Theme::tint(tintNamed(card.tint));
    if (m_symbol != card.symbol) {
        m_symbol = card.symbol;
        QColor fill = tint;
        fill.setAlphaF(0.16f);
        m_tile->setStyleSheet(QStringLiteral("background: %1; border-radius: 8px;").arg(fill.name(QColor::HexArgb)));
        m_tile->setPixmap(Symbols::pixmap(card.symbol, 18, tint, devicePixelRatioF()));
        m_arrow->setPixmap(
            Symbols::pixmap(QStringLiteral("arrow.right"), 14, Theme::secondaryText(), devicePixelRatioF()));
    }
    m_title->setText(card.title);
    m_status->setText(card.statusText());
    setAccessibleName(card.title + QLatin1Char(' ') + card.statusText());
    if (hasActivity && !m_figures->isVisibleTo(this)) {
        // The figures row opens with a little spring rather than popping in.
        m_figures->setVisible(true);
        auto* open = new QPropertyAnimation(m_figures, "maximumHeight", m_figures);
        open->setDuration(320);
        open->setStartValue(0);
        open->setEndValue(m_figures->sizeHint().height());
        open->setEasingCurve(QEasingCurve::OutBack);
        connect(open, &QPropertyAnimation::finished, m_figures,
                [figures = m_figures] { figures->setMaximumHeight(QWIDGETSIZE_MAX); });
        open->start(QAbstractAnimation::DeleteWhenStopped);
    } else if (!hasActivity) {
        m_figures->setVisible(false);
    }
    m_figure->setText(card.figureText());
    m_count->setText(card.countText());
    m_spinner->setVisible(card.isBusy());
    m_arrow->setVisible(card.status == Core::QuickCleanupCard::Status::done);
}

QString QuickCleanupGlassCard::statusText() const
{
    return m_status->text();
}

QString QuickCleanupGlassCard::figureText() const
{
    return m_figure->text();
}

QString QuickCleanupGlassCard::countText() const
{
    return m_count->text();
}

bool QuickCleanupGlassCard::figuresShown() const
{
    // Shown and done opening.
    return m_figures->isVisibleTo(this) && m_figures->maximumHeight() == QWIDGETSIZE_MAX;
}

bool QuickCleanupGlassCard::spinnerShown() const
{
    return m_spinner->isVisibleTo(this);
}

bool QuickCleanupGlassCard::arrowShown() const
{
    return m_arrow->isVisibleTo(this);
}

QuickCleanupPage::QuickCleanupPage(Core::QuickCleanupViewModel::Models models,
                                   std::function<void(const QString&)> onOpenSection, QWidget* parent)
    : QWidget(parent), m_model(new Core::QuickCleanupViewModel(models, this)), m_onOpenSection(std::move(onOpenSection))
{
    setObjectName(QStringLiteral("quickCleanupPage"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 20, 24, 24);
    outer->setSpacing(20);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(kSpacing);
    for (int i = 0; i < Core::QuickCleanupViewModel::scanCount(); ++i) {
        auto* card = new QuickCleanupGlassCard(this);
        connect(card, &QPushButton::clicked, this, [this, i] {
            if (m_onOpenSection)
                m_onOpenSection(m_model->cards().at(i).title);
        });
        grid->addWidget(card, i / 2, i % 2);
        m_cards.append(card);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_start = Buttons::prominent(QStringLiteral("开始扫描"), this, QStringLiteral("magnifyingglass"));
    m_start->setObjectName(QStringLiteral("quickScanButton"));
    m_start->setToolTip(QStringLiteral("开始快速扫描"));
    m_start->setMinimumSize(160, 36);
    // The spinner sits inside the button, before its label, while the scans run.
    auto* inside = new QHBoxLayout(m_start);
    inside->setContentsMargins(12, 0, 0, 0);
    m_startSpinner = new BusyIndicator(14, m_start);
    m_startSpinner->setAttribute(Qt::WA_TransparentForMouseEvents);
    inside->addWidget(m_startSpinner);
    inside->addStretch(1);
    row->addWidget(m_start);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("quickCancelButton"));
    m_cancel->setMinimumHeight(36);
    row->addWidget(m_cancel);
    row->addStretch(1);
    outer->addLayout(row);
    outer->addStretch(1);

    connect(m_start, &QPushButton::clicked, m_model, &Core::QuickCleanupViewModel::startQuickScan);
    connect(m_cancel, &QPushButton::clicked, m_model, &Core::QuickCleanupViewModel::cancelScans);
    connect(m_model, &Core::QuickCleanupViewModel::changed, this, &QuickCleanupPage::refresh);
    refresh();
}

void QuickCleanupPage::refresh()
{
    const QList<Core::QuickCleanupCard> cards = m_model->cards();
    const bool activity = m_model->hasActivity();
    for (int i = 0; i < m_cards.size() && i < cards.size(); ++i)
        m_cards[i]->show(cards[i], activity);
    const bool running = m_model->isAnyScanRunning();
    m_start->setEnabled(!running);
    m_start->setText(m_model->startButtonText());
    m_start->setIcon(running ? QIcon() : Symbols::icon(QStringLiteral("magnifyingglass"), QColor(Qt::white)));
    m_startSpinner->setVisible(running);
    m_cancel->setVisible(running);
}

} // namespace Sweepora::Ui
