#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <functional>

// Shows chosen columns of a query result (by column name), in a chosen
// order, with titles and an optional display form, so a grid lists exactly
// the columns it names. Rows are fetched from the source as the grid needs
// them.
class TGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString field;
        QString title;
        int width = 64;
        std::function<QString(const QVariant &)> format; // empty: the value as text
        bool hidden = false;                              // kept in the model, not shown
    };

    explicit TGridModel(QObject *parent = nullptr);

    void setColumns(const QList<Column> &columns);
    const QList<Column> &columns() const { return m_columns; }
    void setSource(QAbstractItemModel *source);
    QAbstractItemModel *source() const { return m_source; }

    // The value of a column of the source (shown or not) in a row.
    QVariant fieldValue(int row, const QString &field) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Shows the model in a grid the way every list of the program is shown:
    // whole rows, read-only, centred titles, the columns' widths and hidden
    // columns, laid out again after every reset of the rows.
    void showIn(class QTableView *view);

private:
    void applyLayout(QTableView *view) const;
    int sourceColumn(const QString &field) const;
    void remap();

    QPointer<QAbstractItemModel> m_source;
    QList<Column> m_columns;
    QList<int> m_map; // shown column -> source column (-1 when missing)
    QList<QMetaObject::Connection> m_connections;
};
