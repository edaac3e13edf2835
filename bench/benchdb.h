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
    void exec(const QString &sql);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TDemoDM> m_dm;
};
