#include "ui/components/ScannedItemModel.h"

#include "ui/components/FileItemDelegate.h"
#include "util/NameOrder.h"

#include <algorithm>

namespace Sweepora::Ui {

ScannedItemModel::ScannedItemModel(QObject* parent) : QAbstractListModel(parent)
{}

void ScannedItemModel::setRows(QList<ScannedItemRow> rows)
{
    const bool samePaths =
        rows.size() == m_rows.size() && std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(),
                                                   [](const auto& a, const auto& b) { return a.path == b.path; });
    if (samePaths) {
        m_rows = std::move(rows);
        if (!m_rows.isEmpty())
            emit dataChanged(index(0), index(static_cast<int>(m_rows.size()) - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int ScannedItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant ScannedItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ScannedItemRow& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return Core::lastPathComponent(row.path);
    case Qt::CheckStateRole:
        return row.selected ? Qt::Checked : Qt::Unchecked;
    case FileItemRole::Path:
        return row.path;
    case FileItemRole::Size:
        return row.size;
    case FileItemRole::Symbol:
        return row.symbol.isEmpty() ? QVariant() : QVariant(row.symbol);
    case FileItemRole::Detail:
        return row.detail.isEmpty() ? QVariant() : QVariant(row.detail);
    default:
        return {};
    }
}

} // namespace Sweepora::Ui
