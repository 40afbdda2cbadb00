#include "ui/components/ScanFileModel.h"

#include "platform/Sandbox.h"
#include "ui/components/FileItemDelegate.h"
#include "util/NameOrder.h"

#include <QFile>
#include <sys/stat.h>

namespace Sweepora::Ui {

ScanFileModel::ScanFileModel(QObject* parent) : QAbstractListModel(parent)
{}

void ScanFileModel::setFiles(const QStringList& files)
{
    beginResetModel();
    m_files = files;
    m_sizes.assign(static_cast<size_t>(files.size()), -1);
    endResetModel();
}

int ScanFileModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_files.size());
}

qint64 ScanFileModel::readSize(const QString& path)
{
    if (!Core::Sandbox::canRead(path))
        return 0;
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return static_cast<qint64>(st.st_size);
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
        qint64& size = m_sizes[static_cast<size_t>(index.row())];
        if (size < 0)
            size = readSize(path);
        return size;
    }
    case FileItemRole::Symbol:
        return QStringLiteral("doc");
    default:
        return {};
    }
}

} // namespace Sweepora::Ui
