#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <vector>

namespace Sweepora::Ui {

// The files of one rule result, in their order, for FileItemDelegate. A file's size is read
// the first time its line is drawn (0 when it cannot be read), so a result with a hundred
// thousand files opens at once.
class ScanFileModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ScanFileModel(QObject* parent = nullptr);

    void setFiles(const QStringList& files);
    const QStringList& files() const { return m_files; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The logical size of a file as the sandbox lets us see it: 0 when it is out of reach,
    // missing or unreadable. Symbolic links are not followed.
    static qint64 readSize(const QString& path);

private:
    QStringList m_files;
    mutable std::vector<qint64> m_sizes; // -1: not read yet
};

} // namespace Sweepora::Ui
