#include "data/namedquery.h"

#include "common/apperror.h"
#include "text/datetext.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlRecord>

namespace {
QString errorText(const QSqlError &e)
{
    QString t = e.databaseText();
    if (t.isEmpty())
        t = e.text();
    if (t.isEmpty())
        t = QStringLiteral("数据库错误");
    return t;
}
} // namespace

TNamedQuery::TNamedQuery(QString name, QString connectionName)
    : m_name(std::move(name)), m_connection(std::move(connectionName))
{
}

void TNamedQuery::close()
{
    // QSqlQueryModel::clear() must not run before the model ever held a query.
    if (m_modelUsed)
        m_model.setQuery(QSqlQuery());
    m_modelUsed = false;
    m_open = false;
    m_eof = true;
    m_row = -1;
}

void TNamedQuery::release()
{
    close();
    m_exec = QSqlQuery();
    m_execPreparedSql.clear();
}

void TNamedQuery::clearSql()
{
    m_sql.clear();
    m_binds.clear();
}

void TNamedQuery::addSql(const QString &piece)
{
    if (!m_sql.isEmpty())
        m_sql += QLatin1Char('\n');
    m_sql += piece;
}

QVariant TNamedQuery::toDbValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return DateText::fromDate(value.toDate());
    case QMetaType::QDateTime:
        return DateText::fromDateTime(value.toDateTime());
    case QMetaType::QString:
        // A null text is an empty text, never a database NULL.
        return value.toString().isNull() ? QVariant(QStringLiteral("")) : value;
    default:
        return value;
    }
}

void TNamedQuery::bind(const QString &param, const QVariant &value)
{
    const QString key = param.startsWith(QLatin1Char(':')) ? param : QLatin1Char(':') + param;
    m_binds.insert(key, toDbValue(value));
}

QSqlQuery TNamedQuery::prepared()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(false);
    if (!q.prepare(m_sql))
        throw AppError(errorText(q.lastError()));
    for (auto it = m_binds.cbegin(); it != m_binds.cend(); ++it)
        q.bindValue(it.key(), it.value());
    return q;
}

void TNamedQuery::open()
{
    close();
    QSqlQuery q = prepared();
    if (!q.exec())
        throw AppError(errorText(q.lastError()));
    m_model.setQuery(std::move(q));
    m_modelUsed = true;
    if (m_model.lastError().isValid())
        throw AppError(errorText(m_model.lastError()));
    m_open = true;
    first();
}

void TNamedQuery::exec()
{
    close();
    if (m_execPreparedSql != m_sql || !m_exec.isValid()) {
        m_exec = QSqlQuery(QSqlDatabase::database(m_connection, false));
        m_execPreparedSql.clear();
        if (!m_exec.prepare(m_sql))
            throw AppError(errorText(m_exec.lastError()));
        m_execPreparedSql = m_sql;
    }
    for (auto it = m_binds.cbegin(); it != m_binds.cend(); ++it)
        m_exec.bindValue(it.key(), it.value());
    if (!m_exec.exec()) {
        const QString t = errorText(m_exec.lastError());
        m_exec.finish();
        throw AppError(t);
    }
    m_rowsAffected = m_exec.numRowsAffected();
    m_exec.finish();
}

void TNamedQuery::run(const QString &sql, const Binds &binds)
{
    close();
    setSql(sql);
    for (const auto &[name, value] : binds)
        bind(name, value);
    exec();
}

void TNamedQuery::openWith(const QString &sql, const Binds &binds)
{
    close();
    setSql(sql);
    for (const auto &[name, value] : binds)
        bind(name, value);
    open();
}

qint64 TNamedQuery::count(const QString &sql, const Binds &binds)
{
    openWith(sql, binds);
    const qint64 n = isEmpty() ? 0 : value(QStringLiteral("expr1001")).toLongLong();
    close();
    return n;
}

void TNamedQuery::reopen()
{
    open();
}

bool TNamedQuery::isEmpty()
{
    if (!m_open)
        return true;
    if (m_model.rowCount() > 0)
        return false;
    return !m_model.canFetchMore();
}

bool TNamedQuery::seek(int row)
{
    if (!m_open || row < 0) {
        m_eof = true;
        return false;
    }
    while (row >= m_model.rowCount() && m_model.canFetchMore())
        m_model.fetchMore();
    if (row >= m_model.rowCount()) {
        m_row = m_model.rowCount();
        m_eof = true;
        return false;
    }
    m_row = row;
    m_eof = false;
    return true;
}

bool TNamedQuery::first()
{
    return seek(0);
}

bool TNamedQuery::next()
{
    return seek(m_row + 1);
}

int TNamedQuery::fetchAll()
{
    if (!m_open)
        return 0;
    while (m_model.canFetchMore())
        m_model.fetchMore();
    return m_model.rowCount();
}

bool TNamedQuery::last()
{
    const int n = fetchAll();
    return seek(n - 1);
}

QVariant TNamedQuery::value(const QString &column) const
{
    return value(m_row, column);
}

QVariant TNamedQuery::value(int row, const QString &column) const
{
    if (!m_open || row < 0 || row >= m_model.rowCount())
        throw AppError(QStringLiteral("%1: 没有当前记录").arg(m_name));
    const QSqlRecord rec = m_model.record(row);
    const int idx = rec.indexOf(column);
    if (idx < 0)
        throw AppError(QStringLiteral("%1: 找不到字段“%2”").arg(m_name, column));
    return rec.value(idx);
}
