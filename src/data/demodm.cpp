#include "data/demodm.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "common/filereplace.h"
#include "data/schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
TDemoDM *g_instance = nullptr;
std::function<bool()> g_mayCreate;

// The database and the engine's side files beside it are for the owner only.
void restrictToOwner(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"}) {
        const QByteArray name = QFile::encodeName(path) + suffix;
        struct stat st{};
        if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0)
            ::chmod(name.constData(), st.st_mode & 0700);
    }
}

// An empty file readable by its owner only, which SQLite then fills; the
// engine gives its journal the same mode.
bool createPrivateFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    return ::close(fd) == 0;
}
} // namespace

void TDemoDM::setCreationCheck(std::function<bool()> mayCreate)
{
    g_mayCreate = std::move(mayCreate);
}

bool TDemoDM::databaseMissing(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || (info.isFile() && info.size() == 0);
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
    // A damaged file (cut short, overwritten in part) is refused here rather
    // than failing later in the middle of an operation.
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next()) {
        *error = q.lastError().text();
        return false;
    }
    if (q.value(0).toString() != QLatin1String("ok")) {
        *error = q.value(0).toString();
        return false;
    }
    q.finish();
    // Deleted and overwritten rows (old passwords among them) leave no
    // readable bytes behind in the file.
    for (const char *pragma : {"PRAGMA synchronous = FULL", "PRAGMA secure_delete = ON"}) {
        if (!q.exec(QString::fromLatin1(pragma))) {
            *error = q.lastError().text();
            return false;
        }
    }
    return true;
}

} // namespace

bool TDemoDM::open()
{
    close();
    m_lastError.clear();
    m_missing = false;
    const QString path = databasePath();
    const QFileInfo info(path);

    if (databaseMissing(path)) {
        // A new, empty database restarts the receipt numbers: only where the
        // program has never run before.
        if (g_mayCreate && !g_mayCreate()) {
            m_missing = true;
            m_lastError = QStringLiteral("数据库文件 %1 不存在或是空文件").arg(path);
            return false;
        }
        // Build the new file under a temporary name and move it into place
        // only when complete, so a failed creation leaves nothing behind.
        const QString temp = path + QStringLiteral(".new");
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnectionName);
            db.setDatabaseName(temp);
            if (!createPrivateFile(temp)) {
                m_lastError = QStringLiteral("无法创建数据库文件 %1").arg(path);
            } else if (db.open()) {
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
        // The new file takes the place of a zero-byte one in one step.
        if (!ok || !FileReplace::replace(temp, path)) {
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

    restrictToOwner(path);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnectionName);
        db.setDatabaseName(path);
        if (db.open()) {
            ok = configure(db, &m_lastError);
            if (ok) {
                try {
                    Schema::upgrade(db);
                    if (!Schema::hasProgramTables(db))
                        throw AppError(QStringLiteral("%1 不是本程序的数据库").arg(path));
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
