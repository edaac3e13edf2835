#pragma once

#include <QColor>
#include <QIdentityProxyModel>
#include <QList>
#include <functional>

class QTableView;

// Shows chosen columns of a query result (by column name), in a chosen
// order, with titles and an optional display form, so a grid lists exactly
// the columns it names. A proxy of the result: rows are the source's rows
// (inserted, removed, fetched and reset with it), columns are the named
// ones. Rows are fetched from the source as the grid needs them.
class TGridModel : public QIdentityProxyModel
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
    void setSourceModel(QAbstractItemModel *source) override;

    // Rows whose value in `field` (shown or not) is `value` are drawn on the
    // background `colour`, the whole row; an empty field marks no row.
    void setRowMark(const QString &field, const QVariant &value, const QColor &colour = kMarkColour);
    // The background of a marked row unless a grid names another: light red.
    static inline const QColor kMarkColour = QColor(255, 214, 214);

    // The value of a column of the source (shown or not) in a row.
    QVariant fieldValue(int row, const QString &field) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &idx) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Shows the model in a grid the way every list of the program is shown:
    // whole rows, read-only, centred titles, the columns' widths and hidden
    // columns, laid out again after every reset of the rows.
    void showIn(QTableView *view);

private:
    void applyLayout(QTableView *view) const;
    int sourceColumn(const QString &field) const;
    // Shown column -> source column (-1 when the source has no such column);
    // found again after the source's columns may have changed.
    const QList<int> &map() const;
    void sourceColumnsChanged();

    QList<Column> m_columns;
    QString m_markField;
    QVariant m_markValue;
    QColor m_markColour;
    mutable int m_markSource = -1;   // found with the map
    mutable QList<int> m_map;
    mutable bool m_mapValid = false;
    QList<QMetaObject::Connection> m_connections;
};
