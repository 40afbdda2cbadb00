#include "ui/pages/storage/StorageRowDelegate.h"

#include "core/util/ByteCount.h"
#include "ui/pages/storage/StorageEntryListModel.h"
#include "ui/style/AppStyle.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace Sweepora::Ui {
namespace {

constexpr int kMargin = 4;
constexpr int kPadding = 12;
constexpr int kCheckbox = 18;
constexpr int kSymbolFrame = 38;
constexpr int kSymbolSize = 21;

} // namespace

StorageRowDelegate::StorageRowDelegate(QObject* parent) : QStyledItemDelegate(parent)
{}

QSize StorageRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(index);
    return {option.rect.width(), kRowHeight};
}

QRect StorageRowDelegate::barRect(const QRect& rowRect) const
{
    return rowRect.adjusted(kMargin, kMargin / 2, -kMargin, -kMargin / 2);
}

QRect StorageRowDelegate::checkboxRect(const QRect& rowRect) const
{
    const QRect bar = barRect(rowRect);
    return {bar.left() + kPadding, bar.center().y() - kCheckbox / 2 + 1, kCheckbox, kCheckbox};
}

void StorageRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect bar = barRect(option.rect);
    const bool isDirectory = index.data(StorageEntryListModel::IsDirectoryRole).toBool();

    // The row, then its share of the listing drawn over it from the leading edge.
    QPainterPath rounded;
    rounded.addRoundedRect(bar, 8, 8);
    painter->fillPath(rounded, Theme::cardBackground());
    if (option.state & QStyle::State_MouseOver)
        painter->fillPath(rounded, Theme::hoverFill());
    const double share = qBound(0.0, index.data(StorageEntryListModel::ShareRole).toDouble(), 1.0);
    if (share > 0) {
        QColor fill = Theme::tint(Tint::accent);
        fill.setAlphaF(0.16f);
        painter->save();
        painter->setClipPath(rounded);
        painter->fillRect(QRectF(bar.left(), bar.top(), bar.width() * share, bar.height()), fill);
        painter->restore();
    }

    const QRect check = checkboxRect(option.rect);
    // A protected place is shown, but its box cannot be ticked.
    AppStyle::drawCheckBox(painter, check, index.data(Qt::CheckStateRole).toInt() == Qt::Checked,
                           !index.data(StorageEntryListModel::IsProtectedRole).toBool(), false);

    const QRect symbolFrame(check.right() + 10, bar.center().y() - kSymbolFrame / 2 + 1, kSymbolFrame, kSymbolFrame);
    const QPixmap symbol = Symbols::pixmap(isDirectory ? QStringLiteral("folder.fill") : QStringLiteral("doc.fill"),
                                           kSymbolSize, Theme::tint(isDirectory ? Tint::blue : Tint::gray),
                                           painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0);
    painter->drawPixmap(QRect(symbolFrame.center().x() - kSymbolSize / 2 + 1,
                              symbolFrame.center().y() - kSymbolSize / 2 + 1, kSymbolSize, kSymbolSize),
                        symbol);

    const QRect sizeRect(bar.right() - kPadding - kSizeColumn, bar.top(), kSizeColumn, bar.height());
    const QRect textRect(symbolFrame.right() + 8, bar.top() + 7, sizeRect.left() - symbolFrame.right() - 16,
                         bar.height() - 14);
    const QPalette& palette = option.palette;
    painter->setPen(palette.color(QPalette::Text));
    painter->setFont(Theme::font(TextStyle::body));
    const QString name = index.data(Qt::DisplayRole).toString();
    const QFontMetrics nameMetrics(painter->font());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop,
                      nameMetrics.elidedText(name, Qt::ElideMiddle, textRect.width()));
    painter->setFont(Theme::font(TextStyle::caption));
    painter->setPen(Theme::secondaryText());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignBottom,
                      isDirectory ? QStringLiteral("文件夹") : QStringLiteral("文件"));

    QFont sizeFont = Theme::font(TextStyle::callout);
    sizeFont.setStyleHint(QFont::Monospace, QFont::PreferDefault);
    painter->setFont(sizeFont);
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(sizeRect, Qt::AlignRight | Qt::AlignVCenter,
                      Core::formattedByteCount(index.data(StorageEntryListModel::SizeRole).toLongLong()));
    painter->restore();
}

bool StorageRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                     const QModelIndex& index)
{
    Q_UNUSED(model);
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !barRect(option.rect).contains(mouse->position().toPoint()))
        return false;
    if (checkboxRect(option.rect).adjusted(-6, -6, 6, 6).contains(mouse->position().toPoint()))
        emit toggleRequested(index);
    else
        emit rowClicked(index);
    return true;
}

} // namespace Sweepora::Ui
