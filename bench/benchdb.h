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
    // month and serial number), 2,000 households in 20 communities of 100
    // (the name begins with the district, 东区/西区/南区/北区, five
    // communities each, then the community, "东区小区03-2号楼105"), every
    // sort number 0.
    void seedHistory(int count);
    // Whether the index of the numbered history rows is in the schema.
    bool hasNumberedIndex();
    void exec(const QString &sql);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TDemoDM> m_dm;
};
