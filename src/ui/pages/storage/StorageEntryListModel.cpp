#include "ui/pages/storage/StorageEntryListModel.h"

#include "core/util/NameOrder.h"

namespace Sweepora::Ui {

StorageEntryListModel::StorageEntryListModel(QObject* parent) : QAbstractListModel(parent)
{}

int StorageEntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant StorageEntryListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Core::StorageEntry& e = m_entries[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return Core::lastPathComponent(e.path);
    case Qt::ToolTipRole:
        if (e.isProtected)
            return QStringLiteral("受保护的位置，不能移到废纸篓");
        return e.isDirectory ? QStringLiteral("点击内容打开文件夹，勾选可移到废纸篓") : e.path;
    case Qt::CheckStateRole:
        return m_selected.contains(e.path) ? Qt::Checked : Qt::Unchecked;
    case PathRole:
        return e.path;
    case SizeRole:
        return e.size;
    case IsDirectoryRole:
        return e.isDirectory;
    case IsProtectedRole:
        return e.isProtected;
    case ShareRole:
        return m_total > 0 ? static_cast<double>(e.size) / static_cast<double>(m_total) : 0.0;
    default:
        return {};
    }
}

void StorageEntryListModel::setEntries(const QList<Core::StorageEntry>& entries, qint64 total)
{
    beginResetModel();
    m_entries = entries;
    m_total = total;
    if (m_total < 0) {
        m_total = 0;
        for (const Core::StorageEntry& e : m_entries)
            m_total += e.size;
    }
    endResetModel();
}

void StorageEntryListModel::setSelection(const QSet<QString>& selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    if (!m_entries.isEmpty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::CheckStateRole});
}

} // namespace Sweepora::Ui
