#pragma once

#include "core/scanners/StorageTree.h"

#include <QRectF>

#include <vector>

namespace Sweepora::Core {

// One rectangle of the storage treemap.
struct TreemapTile
{
    QRectF rect;
    StorageTree::Index node = 0;   // for an aggregate, the folder whose small items it stands for
    StorageTree::Index folder = 0; // the folder the tile lies in
    StorageTree::Index top = 0;    // the child of the laid-out folder that holds it (or is it)
    int depth = 0;                 // 0 for the laid-out folder's own children
    bool aggregate = false;        // items of `folder` too small to draw, as one block
    qint64 size = 0;
};

struct TreemapOptions
{
    int depth = 3;             // folder levels drawn below the laid-out folder
    double smallest = 4.0;     // items whose area would be under smallest² join their folder's aggregate
    double folderInset = 2.0;  // a folder's children are drawn this far inside its edges
    double folderHeader = 0.0; // and below a strip this high, where its name goes
};

// A squarified layout of `folder`'s tree inside `bounds`: each folder's children fill its rectangle
// (less the inset and header) in proportion to their allocated sizes, as close to squares as the
// order by size allows; folders come before their children, so painting in order layers them.
// Zero-size items get no tile. Works on the tree alone, never on the disk.
std::vector<TreemapTile> layoutTreemap(const StorageTree& tree, StorageTree::Index folder, const QRectF& bounds,
                                       const TreemapOptions& options = {});

} // namespace Sweepora::Core
