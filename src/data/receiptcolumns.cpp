#include "data/receiptcolumns.h"

#include "data/demodm.h"

#include <QStringList>

namespace ReceiptColumns {

namespace {

Column column(const char *name, Type type, Member member, const char *field = "", unsigned use = 0)
{
    return Column{QString::fromLatin1(name), type, member, QString::fromLatin1(field), use};
}

constexpr unsigned U = Updatable;
constexpr unsigned X = ExactText;

} // namespace

const QList<Column> &all()
{
    using R = ReceiptRow;
    using T = Type;
    static const QList<Column> columns{
        column("iid", T::Integer, &R::iid, "", Key),
        column("BILLID", T::Integer, &R::billid),
        column("ITEMNO", T::Integer, &R::itemno),
        column("GOODSID", T::Integer, &R::goodsid),
        column("QTY", T::Real, &R::qty),
        column("PRICE", T::Real, &R::price),
        column("TAXRATE", T::Real, &R::taxrate),
        column("DISC", T::Real, &R::disc),
        column("EXEQTY", T::Real, &R::exeqty),
        column("STOPED", T::Integer, &R::stoped),
        column("CANCELED", T::Integer, &R::canceled),
        column("rq", T::Text, &R::rq, "Edit1", U | X),   // date text, see DateText::fromDateTime
        column("jkdw", T::Text, &R::jkdw, "", U),
        column("sjxh", T::Text, &R::sjxh, "Edit3"),
        column("sppy", T::Text, &R::sppy),
        column("Bzsm", T::Text, &R::bzsm),
        column("zg", T::Text, &R::zg, "", U),
        column("kj", T::Text, &R::kj, "", U),
        column("skr", T::Text, &R::skr, "cbskr", U),
        column("cost", T::Money, &R::cost, "Edit35", U),
        column("pxxh", T::Integer, &R::pxxh),
        column("lbmc", T::Text, &R::lbmc, "cblb"),
        column("fkzt", T::Text, &R::fkzt, "cbfk", U),
        column("cmc", T::Text, &R::cmc, "edit2"),
        column("nf", T::Text, &R::nf, "Edit4", U),
        column("yf", T::Text, &R::yf, "cbyf", U),
        column("bzsm1", T::Text, &R::bzsm1),
        column("bhmc", T::Text, &R::bhmc, "edit41"),
        column("bhh", T::Text, &R::bhh, "Edit20"),
        column("sccjd", T::Real, &R::sccjd, "Edit22", U),
        column("bccjd", T::Real, &R::bccjd, "Edit21", U),
        column("bl", T::Real, &R::bl, "", U),
        column("cjdl", T::Real, &R::cjdl, "Edit27", U),
        column("bdl", T::Real, &R::bdl, "", U),
        column("hbdl", T::Real, &R::hbdl, "", U),
        column("hjdl", T::Real, &R::hjdl, "", U),
        column("dj", T::Money, &R::dj, "Edit28", U),
        column("cbr", T::Text, &R::cbr, "cbcbr", U),
        column("sccjds", T::Real, &R::sccjds, "Edit31", U),
        column("bccjds", T::Real, &R::bccjds, "Edit30", U),
        column("cjdls", T::Real, &R::cjdls, "Edit32", U),
        column("djs", T::Money, &R::djs, "Edit33", U),
        column("jed", T::Money, &R::jed, "Edit29", U),
        column("jes", T::Money, &R::jes, "Edit34", U),
        column("shsld", T::Real, &R::shsld, "Edit8", U),
        column("shsls", T::Real, &R::shsls, "Edit24", U),
        column("qtfy", T::Real, &R::qtfy, "Edit36", U),
        column("fzfy", T::Real, &R::fzfy, "Edit37", U),
    };
    return columns;
}

const Column *find(const QString &name)
{
    for (const Column &c : all())
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QStringList names()
{
    QStringList out;
    for (const Column &c : all())
        out << c.name;
    return out;
}

QString sqlType(Type type)
{
    switch (type) {
    case Type::Integer:
        return QStringLiteral("INTEGER");
    case Type::Real:
    case Type::Money:
        return QStringLiteral("REAL");
    case Type::Text:
        break;
    }
    return QStringLiteral("TEXT");
}

QString definition(const Column &column)
{
    QString out = column.name + QLatin1Char(' ') + sqlType(column.type);
    if (column.use & Key)
        out += QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
    else if (column.type == Type::Text && !(column.use & ExactText))
        out += QStringLiteral(" COLLATE NOCASE");
    return out;
}

QString createStatement(const QString &table)
{
    QStringList definitions;
    for (const Column &c : all())
        definitions << definition(c);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(table, definitions.join(QStringLiteral(", ")));
}

QVariant value(const ReceiptRow &row, const Column &column)
{
    return std::visit([&](auto member) { return QVariant(row.*member); }, column.member);
}

QVariant boundValue(const ReceiptRow &row, const Column &column)
{
    const QVariant v = value(row, column);
    return column.type == Type::Money ? QVariant(TDemoDM::money(v.toDouble())) : v;
}

void setValue(ReceiptRow &row, const Column &column, const QVariant &value)
{
    std::visit(
        [&](auto member) {
            auto &v = row.*member;
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, qint64>)
                v = value.toLongLong();
            else if constexpr (std::is_same_v<V, double>)
                v = value.toDouble();
            else
                v = value.toString();
        },
        column.member);
}

QString insertStatement(const QString &table)
{
    QStringList cols, params;
    for (const Column &c : all()) {
        if (c.use & Key)
            continue;
        cols << c.name;
        params << QLatin1Char(':') + c.name;
    }
    return QStringLiteral("insert into %1(%2) values(%3)").arg(table, cols.join(QLatin1Char(',')), params.join(QLatin1Char(',')));
}

QString updateStatement(const QString &table)
{
    QStringList sets;
    for (const Column &c : all())
        if (c.use & Updatable)
            sets << QStringLiteral("%1= :%1").arg(c.name);
    return QStringLiteral("update %1 set %2 where sjxh= :sjxh and lbmc= :lbmc").arg(table, sets.join(QLatin1Char(',')));
}

} // namespace ReceiptColumns
