#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

class TDemoDM;

// A fresh program folder with a new database, filled with generated rows,
// for the benchmarks. The data module is open on it while the object lives.
class BenchDatabase
{
public:
    BenchDatabase();
    ~BenchDatabase();
    TDemoDM &dm() { return *m_dm; }
    QString dir() const { return m_dir.path(); }

    // Inserts generated receipts (in one transaction).
    void addCurrentReceipts(int count);
    void addHistoryReceipts(int count);
    void addHouseholds(int count);
    // A history of `count` receipts generated in one statement: ten years
    // (2015-2024) of equal months, in archive order (iid grows with year,
    // month and serial number), 2,000 households in 20 communities, every
    // sort number 0.
    void seedHistory(int count);
    // Whether the index of the numbered history rows is in the schema.
    bool hasNumberedIndex();
    void exec(const QString &sql);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TDemoDM> m_dm;
};
