#include "data/demodm.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "data/schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace {
TDemoDM *g_instance = nullptr;
}

TDemoDM::TDemoDM()
{
    if (!g_instance)
        g_instance = this;
}

TDemoDM::~TDemoDM()
{
    close();
    if (g_instance == this)
        g_instance = nullptr;
}

TDemoDM *TDemoDM::instance()
{
    return g_instance;
}

TDemoDM &DemoDM()
{
    Q_ASSERT(g_instance);
    return *g_instance;
}

QString TDemoDM::databasePath()
{
    return AppPaths::inProgramDir(kDatabaseFileName);
}

std::vector<TNamedQuery *> TDemoDM::allQueries()
{
    return {&P_OrderDADS, &ADOQuery1, &ADOQuery2, &qcx, &qup, &qxh, &qpd, &qins, &qinshz,
            &qcount, &qsq, &qdc, &qsp, &qzg, &qbz, &qspdw, &qdw, &qlb, &qlshz, &qlsmx,
            &qt, &qup2, &qqmvhz};
}

void TDemoDM::closeAllQueries()
{
    for (TNamedQuery *q : allQueries())
        q->close();
}

bool TDemoDM::isOpen() const
{
    return QSqlDatabase::contains(kConnectionName) && QSqlDatabase::database(kConnectionName, false).isOpen();
}

void TDemoDM::close()
{
    closeAllQueries();
    // Drop the prepared statements kept by the queries before the connection goes.
    for (TNamedQuery *q : allQueries())
        q->release();
    if (QSqlDatabase::contains(kConnectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(kConnectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(kConnectionName);
    }
    m_depth = 0;
}

namespace {

bool configure(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    // Reads the first page: a file that is not a database fails here.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next()) {
        *error = q.lastError().text();
        return false;
    }
    q.finish();
    if (!q.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

} // namespace

bool TDemoDM::open()
{
    close();
    m_lastError.clear();
    const QString path = databasePath();
    const QFileInfo info(path);

    if (!info.exists()) {
        // Build the new file under a temporary name and move it into place
        // only when complete, so a failed creation leaves nothing behind.
        const QString temp = path + QStringLiteral(".new");
        QFile::remove(temp);
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnectionName);
            db.setDatabaseName(temp);
            if (db.open()) {
                try {
                    Schema::create(db);
                    ok = true;
                } catch (const AppError &e) {
                    m_lastError = e.message();
                }
                db.close();
            } else {
                m_lastError = db.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase(kConnectionName);
        if (!ok || !QFile::rename(temp, path)) {
            if (m_lastError.isEmpty())
                m_lastError = QStringLiteral("无法创建数据库文件 %1").arg(path);
            QFile::remove(temp);
            return false;
        }
    } else if (!info.isFile() || !info.isReadable() || !info.isWritable()
               || !QFileInfo(info.absolutePath()).isWritable()) {
        m_lastError = QStringLiteral("无法读写数据库文件 %1").arg(path);
        return false;
    }

    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnectionName);
        db.setDatabaseName(path);
        if (db.open()) {
            ok = configure(db, &m_lastError);
            if (ok) {
                try {
                    Schema::upgrade(db);
                } catch (const AppError &e) {
                    m_lastError = e.message();
                    ok = false;
                }
            }
            if (!ok)
                db.close();
        } else {
            m_lastError = db.lastError().text();
        }
    }
    if (!ok)
        QSqlDatabase::removeDatabase(kConnectionName);
    return ok;
}

double TDemoDM::money(double value)
{
    if (!std::isfinite(value))
        return value;
    return std::round(value * 10000.0) / 10000.0;
}

void TDemoDM::runPlain(const QString &sql)
{
    QSqlQuery q(QSqlDatabase::database(kConnectionName, false));
    if (!q.exec(sql))
        throw AppError(q.lastError().text());
}

void TDemoDM::begin()
{
    if (m_depth == 0)
        runPlain(QStringLiteral("BEGIN IMMEDIATE"));
    else
        runPlain(QStringLiteral("SAVEPOINT sp%1").arg(m_depth));
    ++m_depth;
}

void TDemoDM::commit()
{
    if (m_depth <= 0)
        return;
    --m_depth;
    if (m_depth == 0) {
        try {
            runPlain(QStringLiteral("COMMIT"));
        } catch (...) {
            // A commit that failed leaves the transaction open: undo it.
            try {
                runPlain(QStringLiteral("ROLLBACK"));
            } catch (...) {
            }
            throw;
        }
    } else
        runPlain(QStringLiteral("RELEASE sp%1").arg(m_depth));
}

void TDemoDM::rollback()
{
    if (m_depth <= 0)
        return;
    --m_depth;
    if (m_depth == 0) {
        runPlain(QStringLiteral("ROLLBACK"));
    } else {
        runPlain(QStringLiteral("ROLLBACK TO sp%1").arg(m_depth));
        runPlain(QStringLiteral("RELEASE sp%1").arg(m_depth));
    }
}

DbTransaction::DbTransaction(TDemoDM &dm) : m_dm(dm)
{
    m_dm.begin();
}

DbTransaction::~DbTransaction()
{
    if (!m_done) {
        try {
            m_dm.rollback();
        } catch (...) {
        }
    }
}

void DbTransaction::commit()
{
    m_done = true;
    m_dm.commit();
}
