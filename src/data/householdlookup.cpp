#include "data/householdlookup.h"

#include "common/apperror.h"
#include "data/namedquery.h"

#include <QRegularExpression>

namespace HouseholdLookup {

QString prefixPattern(const QString &text)
{
    QString pattern;
    pattern.reserve(text.size() + 2);
    for (const QChar c : text) {
        if (c == QLatin1Char(kEscape) || c == QLatin1Char('%') || c == QLatin1Char('_'))
            pattern += QLatin1Char(kEscape);
        pattern += c;
    }
    pattern += QLatin1Char('%');
    return pattern;
}

QString statement(const QString &selectField)
{
    static const QRegularExpression column(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!column.match(selectField).hasMatch())
        throw AppError(QStringLiteral("无效的字段名：%1").arg(selectField));
    const QString like = QStringLiteral(" like :t escape '\\'");
    return QStringLiteral("select * from hhb where ") + selectField + like + QStringLiteral(" or hm") + like
        + QStringLiteral(" or hh") + like;
}

void open(TNamedQuery &query, const QString &selectField, const QString &text)
{
    const QString sql = statement(selectField);
    query.close();
    query.clearSql();
    query.addSql(sql);
    query.bind(QStringLiteral("t"), prefixPattern(text));
    query.open();
}

} // namespace HouseholdLookup
