#pragma once

#include "data/historyquery.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <list>

// The listed history receipts for a grid, read as they are shown: after a
// query the k-th receipt of the result carries the number k (pxxh), so the
// rows of any stretch of the list are found through the index of the
// numbers, a block at a time. Only the last few blocks are kept, so
// scrolling through a list of any length keeps memory bounded, and
// jumping to its end reads just the rows at the end.
class THistoryRows : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kBlockRows = 64;    // rows read in one statement
    static constexpr int kKeptBlocks = 16;   // blocks kept at most

    explicit THistoryRows(QObject *parent = nullptr);

    // Shows the result of the filter (numbered 1 to count by the query).
    // The same filter and count again keeps the rows' places and reads the
    // shown rows afresh without resetting the list.
    void show(const HistoryQuery::Filter &filter, qint64 count);
    // No rows.
    void clear();
    // Every row read afresh (the connection was opened again).
    void reload();
    // The receipt of the row left the history: the row goes, the rows after
    // it move up and keep their numbers.
    void removeListedRow(int row);

    // The number (pxxh) the row's receipt carries; 0 outside the list.
    qint64 numberAt(int row) const;
    // How many blocks of rows are held.
    int blocksHeld() const { return int(m_blocks.size()); }
    // The column names of the rows.
    const QStringList &names() const { return m_names; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Block
    {
        qint64 first = 0;                  // the number of its first row
        QList<QList<QVariant>> rows;       // by number - first; empty: none
    };
    const Block &block(qint64 number) const;
    void readNames();

    HistoryQuery::Filter m_filter;
    qint64 m_count = 0;                    // numbers 1 .. m_count
    QList<qint64> m_gone;                  // numbers whose rows left, ascending
    QStringList m_names;
    mutable std::list<Block> m_blocks;     // most recently used first
};
