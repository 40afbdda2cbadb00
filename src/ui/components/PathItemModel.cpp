#include "ui/components/PathItemModel.h"

#include "core/util/NameOrder.h"
#include "ui/components/FileItemDelegate.h"

#include <algorithm>

namespace Sweepora::Ui {

PathItemModel::PathItemModel(const QString& symbol, QObject* parent) : QAbstractListModel(parent), m_symbol(symbol)
{}

void PathItemModel::setRows(QList<Row> rows)
{
    const bool samePaths =
        rows.size() == m_rows.size() && std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(),
                                                   [](const Row& a, const Row& b) { return a.path == b.path; });
    if (!samePaths) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    if (rows == m_rows)
        return;
    m_rows = std::move(rows);
    emit dataChanged(index(0), index(static_cast<int>(m_rows.size()) - 1));
}

void PathItemModel::setChecks(const QList<bool>& checks)
{
    Q_ASSERT(checks.size() == m_rows.size());
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < m_rows.size() && i < checks.size(); ++i) {
        if (m_rows[i].checked == checks[i])
            continue;
        m_rows[i].checked = checks[i];
        if (first < 0)
            first = i;
        last = i;
    }
    if (first >= 0)
        emit dataChanged(index(static_cast<int>(first)), index(static_cast<int>(last)), {Qt::CheckStateRole});
}

int PathItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant PathItemModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return Core::lastPathComponent(row.path);
    case FileItemRole::Path:
        return row.path;
    case FileItemRole::Size:
        return row.size ? QVariant(*row.size) : QVariant();
    case FileItemRole::Symbol:
        return row.symbol.isEmpty() ? m_symbol : row.symbol;
    case FileItemRole::Detail:
        return row.detail.isEmpty() ? QVariant() : QVariant(row.detail);
    case Qt::CheckStateRole:
        return row.checked ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
        return row.path;
    default:
        return {};
    }
}

} // namespace Sweepora::Ui
