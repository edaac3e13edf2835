#include "data/historyrows.h"

#include "common/apperror.h"

#include <algorithm>

THistoryRows::THistoryRows(QObject *parent) : QAbstractTableModel(parent) {}

void THistoryRows::show(const HistoryQuery::Filter &filter, qint64 count)
{
    const bool same = !m_names.isEmpty() && m_gone.isEmpty() && count == m_count && filter.history == m_filter.history
        && filter.namePrefix == m_filter.namePrefix && filter.serial == m_filter.serial && filter.from == m_filter.from
        && filter.to == m_filter.to && filter.year == m_filter.year && filter.month == m_filter.month;
    if (same) {
        // The rows keep their places: only what is shown is read again.
        m_blocks.clear();
        if (m_count > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        return;
    }
    beginResetModel();
    m_filter = filter;
    m_count = count;
    m_gone.clear();
    m_blocks.clear();
    readNames();
    endResetModel();
}

void THistoryRows::clear()
{
    beginResetModel();
    m_count = 0;
    m_gone.clear();
    m_blocks.clear();
    endResetModel();
}

void THistoryRows::reload()
{
    m_blocks.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void THistoryRows::removeListedRow(int row)
{
    const qint64 number = numberAt(row);
    if (number <= 0)
        return;
    beginRemoveRows({}, row, row);
    m_gone.insert(std::lower_bound(m_gone.begin(), m_gone.end(), number), number);
    endRemoveRows();
}

qint64 THistoryRows::numberAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return 0;
    // The row-th number not gone.
    qint64 number = row + 1;
    for (qint64 gone : m_gone) {
        if (gone > number)
            break;
        ++number;
    }
    return number;
}

void THistoryRows::readNames()
{
    // The columns of an empty stretch are those of every stretch.
    m_names = HistoryQuery::numberedRows(m_filter, 0, -1).names;
}

const THistoryRows::Block &THistoryRows::block(qint64 number) const
{
    const qint64 first = (number - 1) / kBlockRows * kBlockRows + 1;
    for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it)
        if (it->first == first) {
            m_blocks.splice(m_blocks.begin(), m_blocks, it);
            return m_blocks.front();
        }
    Block b;
    b.first = first;
    b.rows.resize(kBlockRows);
    HistoryQuery::NumberedRows read;
    try {
        read = HistoryQuery::numberedRows(m_filter, first, first + kBlockRows - 1);
    } catch (const AppError &e) {
        // A grid paints what it is given: with the connection closed (a
        // backup in hand) the rows show empty until they are read again.
        static const Block none{0, QList<QList<QVariant>>(kBlockRows)};
        qWarning("history list: %s", qPrintable(e.message()));
        return none;
    }
    for (int i = 0; i < read.numbers.size(); ++i)
        b.rows[int(read.numbers[i] - first)] = read.rows[i];
    m_blocks.push_front(std::move(b));
    while (m_blocks.size() > size_t(kKeptBlocks))
        m_blocks.pop_back();
    return m_blocks.front();
}

int THistoryRows::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_count - m_gone.size());
}

int THistoryRows::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant THistoryRows::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const qint64 number = numberAt(index.row());
    if (number <= 0)
        return {};
    const QList<QVariant> &row = block(number).rows[int((number - 1) % kBlockRows)];
    return index.column() < row.size() ? row[index.column()] : QVariant();
}

QVariant THistoryRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_names.size())
        return m_names[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}
