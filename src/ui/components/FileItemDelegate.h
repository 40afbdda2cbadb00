#pragma once

#include <QStyledItemDelegate>

namespace Sweepora::Ui {

// Data roles a model gives to FileItemDelegate. Only Path is required: the name and the
// parent folder are taken from it when the model has no display text.
namespace FileItemRole {
enum : int {
    Path = Qt::UserRole + 100, // QString, absolute
    Size,                      // qint64 bytes; no value shows no size
    Symbol,                    // QString symbol name; none uses the delegate's default
    Detail,                    // QString, an extra secondary line (a creation date, …)
};
} // namespace FileItemRole

// Draws one file or folder line: [checkbox] symbol, name over its folder's path [and a
// detail], size, [reveal button]. The checkbox reads Qt::CheckStateRole. Clicks on the
// checkbox and on the reveal button are reported, never applied to the model here.
class FileItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    struct Options
    {
        bool checkbox = true;
        bool revealButton = true;
        bool cards = true;       // each line a rounded card; otherwise plain lines with separators
        bool detailLine = false; // room for FileItemRole::Detail under the folder (all rows alike)
        QString defaultSymbol = QStringLiteral("doc.fill");
        int symbolSize = 20;
    };

    // From a line's edge to its checkbox.
    static constexpr int kPadding = 14;

    explicit FileItemDelegate(QObject* parent = nullptr);
    FileItemDelegate(const Options& options, QObject* parent);

    const Options& options() const { return m_options; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Where the parts of a line drawn in `rowRect` are (hit tests and tests use these).
    QRect checkboxRect(const QRect& rowRect) const;
    QRect revealRect(const QRect& rowRect) const;

signals:
    void toggleRequested(const QModelIndex& index);
    void revealRequested(const QModelIndex& index);

private:
    QRect contentRect(const QRect& rowRect) const;

    Options m_options;
};

} // namespace Sweepora::Ui
