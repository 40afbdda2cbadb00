#pragma once

#include "core/scanners/StorageEngine.h"

#include <QAbstractListModel>
#include <QSet>

namespace Sweepora::Ui {

// The rows of the storage analysis: one per entry, with its share of the listing's total.
class StorageEntryListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role : int {
        PathRole = Qt::UserRole + 1, // QString
        SizeRole,                    // qint64
        IsDirectoryRole,
        IsProtectedRole, // bool
        ShareRole,       // double in [0, 1]: size / total size, 0 when the total is 0
    };

    explicit StorageEntryListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // `total` is what the shares are of (< 0: the sum of `entries`), so that a filtered listing
    // keeps the shares of the whole folder.
    void setEntries(const QList<Core::StorageEntry>& entries, qint64 total = -1);
    void setSelection(const QSet<QString>& selected);
    const Core::StorageEntry& entry(int row) const { return m_entries[row]; }

private:
    QList<Core::StorageEntry> m_entries;
    QSet<QString> m_selected;
    qint64 m_total = 0;
};

} // namespace Sweepora::Ui
