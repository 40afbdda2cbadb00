#include "ui/components/ScanProgressCard.h"

#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace Sweepora::Ui {
namespace {
constexpr int kBarSteps = 10000;

double clamped(double progress)
{
    if (std::isnan(progress))
        return 0.0;
    return std::clamp(progress, 0.0, 1.0);
}
} // namespace

ScanProgressCard::ScanProgressCard(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("scanProgressCard"));
    Theme::makeCard(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 16);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* symbol = new QLabel(this);
    symbol->setPixmap(
        Symbols::pixmap(QStringLiteral("magnifyingglass"), 15, Theme::tint(Tint::accent), devicePixelRatioF()));
    auto* label = new QLabel(QStringLiteral("正在扫描"), this);
    label->setObjectName(QStringLiteral("scanProgressTitle"));
    label->setFont(Theme::font(TextStyle::headline));
    m_percent = new QLabel(this);
    m_percent->setObjectName(QStringLiteral("scanProgressPercent"));
    m_percent->setFont(Theme::font(12, QFont::DemiBold));
    header->addWidget(symbol);
    header->addWidget(label);
    header->addStretch(1);
    header->addWidget(m_percent);
    layout->addLayout(header);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("scanProgressBar"));
    m_bar->setRange(0, kBarSteps);
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);

    m_ruleName = new QLabel(this);
    m_ruleName->setObjectName(QStringLiteral("scanProgressRule"));
    m_ruleName->setTextFormat(Qt::PlainText);
    m_ruleName->setFont(Theme::font(TextStyle::caption));
    layout->addWidget(m_ruleName);

    auto* note = new QLabel(QStringLiteral("正在分析规则指定的文件和目录，请稍候…"), this);
    note->setObjectName(QStringLiteral("scanProgressNote"));
    note->setFont(Theme::font(TextStyle::caption));
    Theme::makeSecondary(note);
    layout->addWidget(note);

    setProgress(0.0);
}

void ScanProgressCard::setRuleName(const QString& name)
{
    m_ruleName->setText(name);
}

void ScanProgressCard::setProgress(double progress)
{
    const double p = clamped(progress);
    m_percent->setText(percentText(p));
    m_bar->setValue(static_cast<int>(std::lround(p * kBarSteps)));
}

QString ScanProgressCard::percentText() const
{
    return m_percent->text();
}

QString ScanProgressCard::percentText(double progress)
{
    // The small allowance absorbs binary rounding only; 0.999 still reads 99%.
    const double percent = std::floor(clamped(progress) * 100.0 + 1e-9);
    return QString::number(static_cast<int>(percent)) + QLatin1Char('%');
}

} // namespace Sweepora::Ui
