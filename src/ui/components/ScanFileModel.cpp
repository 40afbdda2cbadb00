#include "ui/components/ScanFileModel.h"

#include "core/util/NameOrder.h"
#include "ui/components/FileItemDelegate.h"

namespace Sweepora::Ui {

ScanFileModel::ScanFileModel(QObject* parent) : QAbstractListModel(parent)
{}

void ScanFileModel::setFiles(const QStringList& files, const QList<Core::ItemIdentity>& identities)
{
    beginResetModel();
    m_files = files;
    m_identities = identities;
    endResetModel();
}

int ScanFileModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_files.size());
}

QVariant ScanFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_files.size())
        return {};
    const QString& path = m_files.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return Core::lastPathComponent(path);
    case Qt::ToolTipRole:
    case FileItemRole::Path:
        return path;
    case FileItemRole::Size: {
        const qsizetype row = index.row();
        return row < m_identities.size() && m_identities[row].known ? m_identities[row].logicalSize : qint64(0);
    }
    case FileItemRole::Symbol:
        return QStringLiteral("doc");
    default:
        return {};
    }
}

} // namespace Sweepora::Ui
