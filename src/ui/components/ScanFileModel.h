#pragma once

#include "core/trash/ItemIdentity.h"

#include <QAbstractListModel>
#include <QList>
#include <QStringList>

namespace Sweepora::Ui {

// The files of one rule result, in their order, for FileItemDelegate. Sizes are what the scan
// saw (0 for a file it could not read): the GUI thread never stats, and a name that is not
// UTF-8 shows its size like any other.
class ScanFileModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ScanFileModel(QObject* parent = nullptr);

    // `identities` as the scan gave them, one per file in the same order.
    void setFiles(const QStringList& files, const QList<Core::ItemIdentity>& identities);
    const QStringList& files() const { return m_files; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList m_files;
    QList<Core::ItemIdentity> m_identities;
};

} // namespace Sweepora::Ui
