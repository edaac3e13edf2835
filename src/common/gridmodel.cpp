#include "common/gridmodel.h"

#include <QBrush>

#include <QHeaderView>
#include <QPointer>
#include <QTableView>

TGridModel::TGridModel(QObject *parent) : QIdentityProxyModel(parent) {}

void TGridModel::setColumns(const QList<Column> &columns)
{
    beginResetModel();
    m_columns = columns;
    m_mapValid = false;
    endResetModel();
}

void TGridModel::setSourceModel(QAbstractItemModel *source)
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_mapValid = false;
    QIdentityProxyModel::setSourceModel(source);
    if (!source)
        return;
    // The identity proxy passes columns and cells on by their source
    // numbers; here the columns are the named ones, so those changes are
    // passed on by name instead.
    disconnect(source, &QAbstractItemModel::dataChanged, this, nullptr);
    disconnect(source, &QAbstractItemModel::headerDataChanged, this, nullptr);
    disconnect(source, &QAbstractItemModel::columnsAboutToBeInserted, this, nullptr);
    disconnect(source, &QAbstractItemModel::columnsInserted, this, nullptr);
    disconnect(source, &QAbstractItemModel::columnsAboutToBeRemoved, this, nullptr);
    disconnect(source, &QAbstractItemModel::columnsRemoved, this, nullptr);
    disconnect(source, &QAbstractItemModel::columnsAboutToBeMoved, this, nullptr);
    disconnect(source, &QAbstractItemModel::columnsMoved, this, nullptr);

    auto invalidate = [this] { m_mapValid = false; };
    m_connections << connect(source, &QAbstractItemModel::modelAboutToBeReset, this, invalidate);
    m_connections << connect(source, &QAbstractItemModel::modelReset, this, invalidate);
    m_connections << connect(source, &QAbstractItemModel::dataChanged, this,
                             [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
                                 if (topLeft.parent().isValid())
                                     return;
                                 int first = -1;
                                 int last = -1;
                                 const QList<int> &m = map();
                                 for (int c = 0; c < m.size(); ++c)
                                     if (m[c] >= topLeft.column() && m[c] <= bottomRight.column()) {
                                         if (first < 0)
                                             first = c;
                                         last = c;
                                     }
                                 if (first >= 0)
                                     emit dataChanged(index(topLeft.row(), first), index(bottomRight.row(), last), roles);
                             });
    m_connections << connect(source, &QAbstractItemModel::headerDataChanged, this,
                             [this](Qt::Orientation orientation, int first, int last) {
                                 if (orientation == Qt::Horizontal)
                                     sourceColumnsChanged();   // the names may have changed
                                 else
                                     emit headerDataChanged(orientation, first, last);
                             });
    for (auto about : {&QAbstractItemModel::columnsAboutToBeInserted, &QAbstractItemModel::columnsAboutToBeRemoved})
        m_connections << connect(source, about, this, [this](const QModelIndex &parent) {
            if (!parent.isValid())
                beginResetModel();
        });
    for (auto done : {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
        m_connections << connect(source, done, this, [this](const QModelIndex &parent) {
            if (!parent.isValid()) {
                m_mapValid = false;
                endResetModel();
            }
        });
    m_connections << connect(source, &QAbstractItemModel::columnsAboutToBeMoved, this,
                             [this](const QModelIndex &parent) {
                                 if (!parent.isValid())
                                     beginResetModel();
                             });
    m_connections << connect(source, &QAbstractItemModel::columnsMoved, this, [this](const QModelIndex &parent) {
        if (!parent.isValid()) {
            m_mapValid = false;
            endResetModel();
        }
    });
}

void TGridModel::sourceColumnsChanged()
{
    beginResetModel();
    m_mapValid = false;
    endResetModel();
}

int TGridModel::sourceColumn(const QString &field) const
{
    const QAbstractItemModel *source = sourceModel();
    if (!source)
        return -1;
    for (int c = 0; c < source->columnCount(); ++c)
        if (source->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

const QList<int> &TGridModel::map() const
{
    if (!m_mapValid) {
        m_map.clear();
        for (const Column &c : m_columns)
            m_map << sourceColumn(c.field);
        m_markSource = m_markField.isEmpty() ? -1 : sourceColumn(m_markField);
        m_mapValid = true;
    }
    return m_map;
}

QVariant TGridModel::fieldValue(int row, const QString &field) const
{
    const int c = sourceColumn(field);
    const QAbstractItemModel *source = sourceModel();
    if (!source || c < 0 || row < 0 || row >= source->rowCount())
        return {};
    return source->data(source->index(row, c), Qt::DisplayRole);
}

QModelIndex TGridModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column);
}

QModelIndex TGridModel::parent(const QModelIndex &) const
{
    return {};
}

QModelIndex TGridModel::sibling(int row, int column, const QModelIndex &) const
{
    return index(row, column);
}

int TGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !sourceModel())
        return 0;
    return sourceModel()->rowCount();
}

int TGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

bool TGridModel::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && rowCount() > 0 && columnCount() > 0;
}

QModelIndex TGridModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!sourceModel() || !proxyIndex.isValid() || proxyIndex.column() >= map().size())
        return {};
    const int src = map()[proxyIndex.column()];
    return src < 0 ? QModelIndex() : sourceModel()->index(proxyIndex.row(), src);
}

QModelIndex TGridModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceModel() || !sourceIndex.isValid() || sourceIndex.parent().isValid())
        return {};
    const int shown = map().indexOf(sourceIndex.column());
    return shown < 0 ? QModelIndex() : index(sourceIndex.row(), shown);
}

void TGridModel::setRowMark(const QString &field, const QVariant &value, const QColor &colour)
{
    m_markField = field;
    m_markValue = value;
    m_markColour = colour;
    m_mapValid = false;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

QVariant TGridModel::data(const QModelIndex &index, int role) const
{
    // A grid asks for many roles of every cell it paints; three have answers.
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole && role != Qt::BackgroundRole)
        return {};
    const QModelIndex src = mapToSource(index);
    if (!src.isValid())
        return {};
    const QVariant v = src.data(Qt::DisplayRole);
    if (role == Qt::DisplayRole) {
        const Column &c = m_columns[index.column()];
        if (v.isNull())
            return QString();
        return c.format ? c.format(v) : v.toString();
    }
    if (role == Qt::BackgroundRole) {
        map();   // finds the mark's column too
        const int c = m_markSource;
        if (c >= 0 && src.siblingAtColumn(c).data(Qt::DisplayRole) == m_markValue)
            return QBrush(m_markColour);
        return {};
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

Qt::ItemFlags TGridModel::flags(const QModelIndex &index) const
{
    // A list to look at and choose from: never edited in place.
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

bool TGridModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && sourceModel() && sourceModel()->canFetchMore({});
}

void TGridModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid() && sourceModel())
        sourceModel()->fetchMore({});
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
