#pragma once

#include "core/scanners/StorageTree.h"
#include "core/scanners/TreemapLayout.h"

#include <QHash>
#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>

namespace Sweepora::Ui {

// The storage analysis as a treemap: the current folder's tree, several levels deep, coloured
// by kind, drawn from the tree the analysis already holds. A click on a folder enters it, a click
// on a file selects its row, and hovering names the item and its size.
class Treemap : public QWidget
{
    Q_OBJECT

public:
    explicit Treemap(QWidget* parent = nullptr);

    // Shows `folder` of `tree` (whose path is `folderPath`); a null tree shows nothing.
    void setTree(std::shared_ptr<const Core::StorageTree> tree, Core::StorageTree::Index folder,
                 const QString& folderPath);
    // The listed row drawn as selected, shared with the list.
    void setSelected(std::optional<Core::StorageTree::Index> child);

    const std::vector<Core::TreemapTile>& tiles() const { return m_tiles; }
    // The innermost tile under a point, if any.
    const Core::TreemapTile* tileAt(const QPointF& point) const;
    // The item's path and size, as hovering shows them.
    QString describe(const Core::TreemapTile& tile) const;
    // Lays out and paints everything at `size` into an image (what the widget caches).
    QImage render(const QSize& size);

signals:
    // The listed child (a folder) that a click landed in.
    void folderActivated(Core::StorageTree::Index child);
    // The listed child (a file) that a click landed on.
    void entryClicked(Core::StorageTree::Index child);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void layOut(const QSize& size);
    QColor colourOf(const Core::TreemapTile& tile) const;
    QString pathOf(Core::StorageTree::Index node, Core::StorageTree::Index folder) const;

    std::shared_ptr<const Core::StorageTree> m_tree;
    Core::StorageTree::Index m_folder = 0;
    QString m_folderPath;
    std::vector<Core::TreemapTile> m_tiles;
    QHash<Core::StorageTree::Index, Core::StorageTree::Index> m_parentOf; // folder tiles' folders
    QImage m_image; // the painted layout, redrawn only when the tree or the size changes
    bool m_dirty = true;
    std::optional<Core::StorageTree::Index> m_selected;
    const Core::TreemapTile* m_hovered = nullptr;
};

} // namespace Sweepora::Ui
