#include "common/gridmodel.h"

#include <QHeaderView>
#include <QTableView>

TGridModel::TGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void TGridModel::setColumns(const QList<Column> &columns)
{
    beginResetModel();
    m_columns = columns;
    remap();
    endResetModel();
}

void TGridModel::setSource(QAbstractItemModel *source)
{
    beginResetModel();
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (source) {
        m_connections << connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
        m_connections << connect(source, &QAbstractItemModel::modelReset, this, [this] {
            remap();
            endResetModel();
        });
        m_connections << connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                                 [this](const QModelIndex &, int first, int last) { beginInsertRows({}, first, last); });
        m_connections << connect(source, &QAbstractItemModel::rowsInserted, this, [this] { endInsertRows(); });
        m_connections << connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                                 [this](const QModelIndex &, int first, int last) { beginRemoveRows({}, first, last); });
        m_connections << connect(source, &QAbstractItemModel::rowsRemoved, this, [this] { endRemoveRows(); });
        m_connections << connect(source, &QAbstractItemModel::dataChanged, this, [this] {
            if (rowCount() > 0 && columnCount() > 0)
                emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        });
    }
    remap();
    endResetModel();
}

int TGridModel::sourceColumn(const QString &field) const
{
    if (!m_source)
        return -1;
    for (int c = 0; c < m_source->columnCount(); ++c)
        if (m_source->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void TGridModel::remap()
{
    m_map.clear();
    for (const Column &c : m_columns)
        m_map << sourceColumn(c.field);
}

QVariant TGridModel::fieldValue(int row, const QString &field) const
{
    const int c = sourceColumn(field);
    if (!m_source || c < 0 || row < 0 || row >= m_source->rowCount())
        return {};
    return m_source->data(m_source->index(row, c), Qt::DisplayRole);
}

int TGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_source)
        return 0;
    return m_source->rowCount();
}

int TGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TGridModel::data(const QModelIndex &index, int role) const
{
    if (!m_source || !index.isValid() || index.column() >= m_map.size())
        return {};
    const int src = m_map[index.column()];
    if (src < 0)
        return {};
    const QVariant v = m_source->data(m_source->index(index.row(), src), Qt::DisplayRole);
    if (role == Qt::DisplayRole) {
        const Column &c = m_columns[index.column()];
        if (v.isNull())
            return QString();
        return c.format ? c.format(v) : v.toString();
    }
    if (role == Qt::TextAlignmentRole) {
        switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Int:
        case QMetaType::LongLong:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    return {};
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_columns.size()) {
        if (role == Qt::DisplayRole)
            return m_columns[section].title;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
    }
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return {};
}

bool TGridModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_source && m_source->canFetchMore({});
}

void TGridModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid() && m_source)
        m_source->fetchMore({});
}

void TGridModel::showIn(QTableView *view)
{
    view->setModel(this);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    applyLayout(view);
    // A reset gives the header its default sizes back.
    QPointer<QTableView> guarded(view);
    connect(this, &QAbstractItemModel::modelReset, view, [this, guarded] {
        if (guarded)
            applyLayout(guarded);
    });
}

void TGridModel::applyLayout(QTableView *view) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        view->setColumnWidth(i, m_columns[i].width);
        view->setColumnHidden(i, m_columns[i].hidden);
    }
}
