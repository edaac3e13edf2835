#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QString>
#include <QVariant>

// One named query object of the data module, used in one pattern: close it,
// clear its text, add the statement in one or more pieces, bind each named
// parameter (":name") by name, then open it for a result or execute it.
//
// A failing statement throws AppError with the engine's text. Dates are bound
// in the one text form the database stores (see DateText::fromDateTime), so
// comparisons of stored and bound dates are plain text comparisons.
//
// The result is kept by a QSqlQueryModel, fetched lazily, so a grid can show
// it directly (model()) while handlers walk it row by row.
class TNamedQuery
{
public:
    TNamedQuery(QString name, QString connectionName);
    TNamedQuery(const TNamedQuery &) = delete;
    TNamedQuery &operator=(const TNamedQuery &) = delete;

    const QString &name() const { return m_name; }

    void close();
    void release();            // close and drop the prepared statement (before the connection goes)
    void clearSql();
    void addSql(const QString &piece);
    void setSql(const QString &sql) { clearSql(); addSql(sql); }
    QString sql() const { return m_sql; }
    void bind(const QString &param, const QVariant &value);

    // The whole pattern in one call, for statements of one piece.
    using Binds = QList<std::pair<QString, QVariant>>;
    void run(const QString &sql, const Binds &binds = {});      // execute a change
    void openWith(const QString &sql, const Binds &binds = {}); // open a result
    // The first row's "expr1001" of a count or max statement (0 for no row
    // or NULL); the query is closed again.
    qint64 count(const QString &sql, const Binds &binds = {});

    void open();  // runs a statement that returns rows
    void exec();  // runs a change; returns rows affected through rowsAffected()
    int rowsAffected() const { return m_rowsAffected; }

    bool isOpen() const { return m_open; }
    bool isEmpty();            // open and without rows (or closed)
    bool first();              // moves to the first row; false when empty
    bool next();               // moves on; false past the last row
    bool last();               // moves to the last row (fetches everything)
    bool atEnd() const { return m_eof; }
    int row() const { return m_row; }
    int fetchAll();            // fetches every row; returns the count
    QVariant value(const QString &column) const;   // of the current row
    QVariant value(int row, const QString &column) const;
    bool seek(int row);

    // For grids: the model showing the last opened result.
    QSqlQueryModel *model() { return &m_model; }

    // Values bound since the last clear, by parameter name (for reopening).
    const QHash<QString, QVariant> &bindings() const { return m_binds; }
    void reopen();             // close and open again with the same text and values

    static QVariant toDbValue(const QVariant &value);

private:
    QSqlQuery prepared();

    QString m_name;
    QString m_connection;
    QString m_sql;
    QHash<QString, QVariant> m_binds;
    QSqlQueryModel m_model;
    QSqlQuery m_exec;           // kept prepared while its text does not change
    QString m_execPreparedSql;
    bool m_modelUsed = false;
    bool m_open = false;
    bool m_eof = true;
    int m_row = -1;
    int m_rowsAffected = 0;
};
