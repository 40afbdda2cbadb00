#include "ui/components/CleanupRow.h"

#include "core/util/ByteCount.h"
#include "ui/components/AppIcon.h"
#include "ui/style/Theme.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {
QLabel* plainLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}
} // namespace

CleanupRow::CleanupRow(const Core::CleanupResult& result, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("cleanupRow"));
    Theme::makeCard(this);
    setToolTip(QStringLiteral("查看垃圾文件"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kPadding, 12, 16, 12);
    layout->setSpacing(12);
    m_check = new QCheckBox(this);
    m_check->setObjectName(QStringLiteral("cleanupRowCheck"));
    m_check->setCursor(Qt::ArrowCursor);
    m_icon = new AppIcon(QString(), 42, this);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_name = plainLabel(this, "cleanupRowName");
    m_name->setFont(Theme::font(TextStyle::headline));
    m_description = plainLabel(this, "cleanupRowDescription");
    m_description->setFont(Theme::font(TextStyle::subheadline));
    m_description->setWordWrap(true);
    Theme::makeSecondary(m_description);
    texts->addWidget(m_name);
    texts->addWidget(m_description);

    auto* numbers = new QVBoxLayout;
    numbers->setSpacing(2);
    m_size = plainLabel(this, "cleanupRowSize");
    m_size->setFont(Theme::font(TextStyle::headline));
    m_size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_count = plainLabel(this, "cleanupRowCount");
    m_count->setFont(Theme::font(TextStyle::caption));
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Theme::makeSecondary(m_count);
    numbers->addWidget(m_size);
    numbers->addWidget(m_count);

    layout->addWidget(m_check);
    layout->addWidget(m_icon);
    layout->addLayout(texts, 1);
    layout->addLayout(numbers);

    // The box shows the model's selection; a click only asks for the change.
    connect(m_check, &QCheckBox::clicked, this, [this] {
        m_check->setChecked(m_result.selected);
        emit toggled(m_result.id);
    });
    setResult(result);
}

void CleanupRow::setResult(const Core::CleanupResult& result)
{
    m_result = result;
    m_check->setChecked(result.selected);
    if (result.rule.packName != m_icon->bundleID())
        m_icon->setBundleID(result.rule.packName);
    m_name->setText(result.rule.name);
    m_description->setText(result.rule.description);
    m_description->setVisible(!result.rule.description.isEmpty());
    m_size->setText(Core::formattedByteCount(result.size));
    m_count->setText(QString::number(result.files.size()) + QStringLiteral(" 个文件"));
}

void CleanupRow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void CleanupRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (rect().contains(event->position().toPoint()))
            emit inspect(m_result.id);
        event->accept();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

void CleanupRow::keyPressEvent(QKeyEvent* event)
{
    // Space ticks, as it does a checkbox; Return opens the files.
    if (event->key() == Qt::Key_Space) {
        emit toggled(m_result.id);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit inspect(m_result.id);
        return;
    }
    QFrame::keyPressEvent(event);
}

void CleanupRow::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QFrame::enterEvent(event);
}

void CleanupRow::leaveEvent(QEvent* event)
{
    setHovered(false);
    QFrame::leaveEvent(event);
}

void CleanupRow::setHovered(bool hovered)
{
    setProperty("hovered", hovered);
    style()->unpolish(this);
    style()->polish(this);
}

} // namespace Sweepora::Ui
