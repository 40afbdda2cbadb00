#include "ui/components/FileItemDelegate.h"

#include "core/platform/PlatformWords.h"
#include "core/util/ByteCount.h"
#include "core/util/NameOrder.h"
#include "ui/style/AppStyle.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace Sweepora::Ui {
namespace {

constexpr int kPadding = FileItemDelegate::kPadding;
constexpr int kGap = 12;
constexpr int kCheckbox = 16;
constexpr int kRevealButton = 28;
constexpr int kSizeColumn = 84;

QString nameOf(const QModelIndex& index)
{
    const QString display = index.data(Qt::DisplayRole).toString();
    return display.isEmpty() ? Core::lastPathComponent(index.data(FileItemRole::Path).toString()) : display;
}

} // namespace

FileItemDelegate::FileItemDelegate(QObject* parent) : FileItemDelegate(Options{}, parent)
{}

FileItemDelegate::FileItemDelegate(const Options& options, QObject* parent)
    : QStyledItemDelegate(parent), m_options(options)
{}

QRect FileItemDelegate::contentRect(const QRect& rowRect) const
{
    return rowRect.adjusted(kPadding, 0, -(m_options.revealButton ? 8 : kPadding), 0);
}

QRect FileItemDelegate::checkboxRect(const QRect& rowRect) const
{
    if (!m_options.checkbox)
        return {};
    const QRect c = contentRect(rowRect);
    return QRect(c.left(), c.top() + (c.height() - kCheckbox) / 2, kCheckbox, kCheckbox);
}

QRect FileItemDelegate::revealRect(const QRect& rowRect) const
{
    if (!m_options.revealButton)
        return {};
    const QRect c = contentRect(rowRect);
    return QRect(c.right() - kRevealButton + 1, c.top() + (c.height() - kRevealButton) / 2, kRevealButton,
                 kRevealButton);
}

QSize FileItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    // One height for every row, so that the view can lay out long lists without asking each.
    const bool detail = m_options.detailLine;
    const int height = m_options.cards ? (detail ? 70 : 56) : (detail ? 58 : 44);
    return QSize(option.rect.width() > 0 ? option.rect.width() : 300, height);
}

void FileItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const QPalette& palette = option.palette;

    if (m_options.cards) {
        QPainterPath path;
        path.addRoundedRect(QRectF(row).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
        painter->fillPath(path, Theme::cardBackground());
        painter->setPen(QPen(hovered ? Theme::tint(Tint::accent) : Theme::separator(), 1));
        painter->drawPath(path);
    } else {
        if (hovered)
            painter->fillRect(row, Theme::hoverFill());
        painter->setPen(QPen(Theme::separator(), 1));
        painter->drawLine(QPointF(row.left() + kPadding, row.bottom() + 0.5), QPointF(row.right(), row.bottom() + 0.5));
    }

    const QRect content = contentRect(row);
    int x = content.left();
    if (m_options.checkbox) {
        AppStyle::drawCheckBox(painter, checkboxRect(row), index.data(Qt::CheckStateRole).toInt() == Qt::Checked, true,
                               false);
        x += kCheckbox + kGap;
    }

    const QString symbol = index.data(FileItemRole::Symbol).toString();
    const int s = m_options.symbolSize;
    const QRect symbolRect(x, content.top() + (content.height() - s) / 2, s, s);
    painter->drawPixmap(symbolRect, Symbols::pixmap(symbol.isEmpty() ? m_options.defaultSymbol : symbol, s,
                                                    Theme::tint(Tint::accent), painter->device()->devicePixelRatioF()));
    x += s + kGap;

    int right = content.right();
    if (m_options.revealButton) {
        const QRect reveal = revealRect(row);
        // Item rectangles are in the viewport's coordinates.
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        const bool overReveal =
            hovered && view != nullptr && reveal.contains(view->viewport()->mapFromGlobal(QCursor::pos()));
        if (overReveal) {
            QPainterPath pill;
            pill.addRoundedRect(QRectF(reveal), 6, 6);
            painter->fillPath(pill, Theme::hoverFill());
        }
        const int icon = 16;
        painter->drawPixmap(QRect(reveal.center().x() - icon / 2 + 1, reveal.center().y() - icon / 2 + 1, icon, icon),
                            Symbols::pixmap(QStringLiteral("folder"), icon, Theme::secondaryText(),
                                            painter->device()->devicePixelRatioF()));
        right = reveal.left() - 8;
    }

    const QVariant size = index.data(FileItemRole::Size);
    if (size.isValid()) {
        const QRect sizeRect(right - kSizeColumn + 1, row.top(), kSizeColumn, row.height());
        painter->setFont(Theme::font(TextStyle::headline));
        painter->setPen(palette.color(QPalette::WindowText));
        painter->drawText(sizeRect, Qt::AlignVCenter | Qt::AlignRight, Core::formattedByteCount(size.toLongLong()));
        right = sizeRect.left() - kGap;
    }

    const QString detail = m_options.detailLine ? index.data(FileItemRole::Detail).toString() : QString();
    const QFont nameFont = Theme::font(TextStyle::body);
    const QFont smallFont = Theme::font(TextStyle::caption);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics smallMetrics(smallFont);
    const int lineGap = 3;
    const int textHeight = nameMetrics.height() + lineGap + smallMetrics.height() +
                           (detail.isEmpty() ? 0 : lineGap + smallMetrics.height());
    const int width = qMax(0, right - x);
    int y = row.top() + (row.height() - textHeight) / 2;

    painter->setFont(nameFont);
    painter->setPen(palette.color(QPalette::WindowText));
    painter->drawText(QRect(x, y, width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(nameOf(index), Qt::ElideMiddle, width));
    y += nameMetrics.height() + lineGap;
    painter->setFont(smallFont);
    painter->setPen(Theme::secondaryText());
    const QString folder = Core::parentPath(index.data(FileItemRole::Path).toString());
    painter->drawText(QRect(x, y, width, smallMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      smallMetrics.elidedText(folder, Qt::ElideMiddle, width));
    if (!detail.isEmpty()) {
        y += smallMetrics.height() + lineGap;
        painter->drawText(QRect(x, y, width, smallMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          smallMetrics.elidedText(detail, Qt::ElideRight, width));
    }
    painter->restore();
}

bool FileItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonDblClick)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QPoint pos = mouse->position().toPoint();
    // A little slack around the small box makes it easier to hit.
    if (m_options.checkbox && checkboxRect(option.rect).adjusted(-6, -6, 6, 6).contains(pos)) {
        if (event->type() == QEvent::MouseButtonRelease)
            emit toggleRequested(index);
        return true;
    }
    if (m_options.revealButton && revealRect(option.rect).contains(pos)) {
        if (event->type() == QEvent::MouseButtonRelease)
            emit revealRequested(index);
        return true;
    }
    return false;
}

bool FileItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (event->type() == QEvent::ToolTip && m_options.revealButton && revealRect(option.rect).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), Core::PlatformWords::showInFileManager(), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace Sweepora::Ui
