#pragma once

#include "data/namedquery.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// The data module: owns the one database connection `democnn` and every
// named query object. One instance lives for the whole process.
class TDemoDM
{
public:
    static inline const QString kConnectionName = QStringLiteral("democnn");
    static inline const QString kDatabaseFileName = QStringLiteral("qmvDemo.db");

    TDemoDM();
    ~TDemoDM();
    TDemoDM(const TDemoDM &) = delete;
    TDemoDM &operator=(const TDemoDM &) = delete;

    static TDemoDM *instance();   // the process's data module, or nullptr

    // The database file in the program's folder.
    static QString databasePath();

    // Opens the connection. A missing (or zero-byte) file is created with the
    // full schema and initial rows, readable by its owner only, unless the
    // creation check says no; an existing file that is not a sound, readable
    // and writable database is left untouched and false is returned.
    bool open();
    void close();
    bool isOpen() const;
    QString lastOpenError() const { return m_lastError; }
    // The last open() failed because the file is missing and may not be created.
    bool missingDatabase() const { return m_missing; }

    // Whether a missing or zero-byte database may be created anew (a new
    // database restarts the receipt numbers). The program installs its check
    // at start; without one, a missing file is created.
    static void setCreationCheck(std::function<bool()> mayCreate);
    // No file at path, or a file of zero bytes.
    static bool databaseMissing(const QString &path);

    // Named queries and datasets.
    TNamedQuery P_OrderDADS{QStringLiteral("P_OrderDADS"), kConnectionName};
    TNamedQuery ADOQuery1{QStringLiteral("ADOQuery1"), kConnectionName};
    TNamedQuery ADOQuery2{QStringLiteral("ADOQuery2"), kConnectionName};
    TNamedQuery qcx{QStringLiteral("qcx"), kConnectionName};
    TNamedQuery qup{QStringLiteral("qup"), kConnectionName};
    TNamedQuery qxh{QStringLiteral("qxh"), kConnectionName};
    TNamedQuery qpd{QStringLiteral("qpd"), kConnectionName};
    TNamedQuery qins{QStringLiteral("qins"), kConnectionName};
    TNamedQuery qinshz{QStringLiteral("qinshz"), kConnectionName};
    TNamedQuery qcount{QStringLiteral("qcount"), kConnectionName};
    TNamedQuery qsq{QStringLiteral("qsq"), kConnectionName};
    TNamedQuery qdc{QStringLiteral("qdc"), kConnectionName};
    TNamedQuery qsp{QStringLiteral("qsp"), kConnectionName};
    TNamedQuery qzg{QStringLiteral("qzg"), kConnectionName};
    TNamedQuery qbz{QStringLiteral("qbz"), kConnectionName};
    TNamedQuery qspdw{QStringLiteral("qspdw"), kConnectionName};
    TNamedQuery qdw{QStringLiteral("qdw"), kConnectionName};
    TNamedQuery qlb{QStringLiteral("qlb"), kConnectionName};
    TNamedQuery qlshz{QStringLiteral("qlshz"), kConnectionName};
    TNamedQuery qlsmx{QStringLiteral("qlsmx"), kConnectionName};
    TNamedQuery qt{QStringLiteral("qt"), kConnectionName};
    TNamedQuery qup2{QStringLiteral("qup2"), kConnectionName};
    TNamedQuery qqmvhz{QStringLiteral("qqmvhz"), kConnectionName};

    // Closes every query (before the connection is released).
    void closeAllQueries();

    // Money columns keep four decimals.
    static double money(double value);

    // Transactions; nested calls become savepoints. Prefer DbTransaction.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return m_depth; }

private:
    std::vector<TNamedQuery *> allQueries();
    void runPlain(const QString &sql);

    QString m_lastError;
    bool m_missing = false;
    int m_depth = 0;
};

// The data module of the process (shorthand for TDemoDM::instance()).
TDemoDM &DemoDM();

// All statements of one user operation commit together or not at all:
// create one at the start of the operation, call commit() at its end; an
// exception or an early return rolls everything back.
class DbTransaction
{
public:
    explicit DbTransaction(TDemoDM &dm = DemoDM());
    ~DbTransaction();
    DbTransaction(const DbTransaction &) = delete;
    DbTransaction &operator=(const DbTransaction &) = delete;
    void commit();

private:
    TDemoDM &m_dm;
    bool m_done = false;
};
