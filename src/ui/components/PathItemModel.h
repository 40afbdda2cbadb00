#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

#include <optional>

namespace Sweepora::Ui {

// The rows of a scanner page for FileItemDelegate: a path, an optional size, a checkbox, and
// optionally a symbol and a secondary line of their own. Setting rows with the same paths in the same order only
// repaints them (a tick keeps the scroll position); anything else resets the model.
class PathItemModel : public QAbstractListModel
{
    Q_OBJECT
public:
    struct Row
    {
        QString path;
        std::optional<qint64> size; // none shows no size
        bool checked = false;
        QString symbol = {}; // empty: the model's symbol
        QString detail = {}; // an extra secondary line, or empty

        friend bool operator==(const Row&, const Row&) = default;
    };

    explicit PathItemModel(const QString& symbol = {}, QObject* parent = nullptr);

    void setRows(QList<Row> rows);
    // Sets the ticks of the rows in order (one per row), repainting only the rows between the
    // first and last that changed: a tick-all over a long list neither copies nor compares paths.
    void setChecks(const QList<bool>& checks);
    const QList<Row>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QString m_symbol;
    QList<Row> m_rows;
};

} // namespace Sweepora::Ui
