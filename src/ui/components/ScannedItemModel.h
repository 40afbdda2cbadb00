#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

namespace Sweepora::Ui {

// One line of a targeted scanner's result list, as FileItemDelegate draws it.
struct ScannedItemRow
{
    QString path;
    qint64 size = 0;
    bool selected = false;
    QString symbol;
    QString detail; // an extra secondary line, or empty
};

// The rows of a scanner page. Replacing the rows with a list of the same paths (a tick
// changed) updates the lines in place, so the list keeps its scroll position.
class ScannedItemModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ScannedItemModel(QObject* parent = nullptr);

    void setRows(QList<ScannedItemRow> rows);
    const QList<ScannedItemRow>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<ScannedItemRow> m_rows;
};

} // namespace Sweepora::Ui
