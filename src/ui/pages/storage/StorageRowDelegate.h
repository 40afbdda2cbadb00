#pragma once

#include <QStyledItemDelegate>

namespace Sweepora::Ui {

// Draws one storage row: behind it a bar filled to the entry's share of the listing, then a
// checkbox, the folder or file symbol (21 in a 38 × 38 frame), the name over "文件夹" or "文件",
// and the size in an 88-wide column. Clicks are reported, never applied here.
class StorageRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // From the list's edge to a row's checkbox.
    static constexpr int kCheckboxInset = 16;

    static constexpr int kRowHeight = 54;
    static constexpr int kSizeColumn = 88;

    explicit StorageRowDelegate(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    QRect checkboxRect(const QRect& rowRect) const;
    // The part of the row behind the bar (the row less its margins).
    QRect barRect(const QRect& rowRect) const;

signals:
    void toggleRequested(const QModelIndex& index);
    void rowClicked(const QModelIndex& index);
};

} // namespace Sweepora::Ui
