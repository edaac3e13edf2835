#include "data/employeestore.h"

#include "data/demodm.h"
#include "data/passwords.h"

namespace Employees {

namespace {

// The values of one column over every row of the open query; closes it.
QStringList columnOf(TNamedQuery &q, const QString &column)
{
    QStringList out;
    for (bool more = q.first(); more; more = q.next())
        out << q.value(column).toString();
    q.close();
    return out;
}

} // namespace

QSqlQueryModel *openList(TDemoDM &dm)
{
    dm.qzg.openWith(QStringLiteral("select * from zgxxb  order by iid"));
    return dm.qzg.model();
}

bool listIsOpen(TDemoDM &dm)
{
    return dm.qzg.isOpen();
}

QStringList codes(TDemoDM &dm)
{
    dm.qcx.openWith(QStringLiteral("select * from zgxxb order by iid "));
    return columnOf(dm.qcx, QStringLiteral("py"));
}

QStringList namesOfType(TDemoDM &dm, const QString &type)
{
    dm.qxh.openWith(QStringLiteral("select * from zgxxb where bz= :bz order by iid "), {{"bz", type}});
    return columnOf(dm.qxh, QStringLiteral("zgxm"));
}

bool codeExists(TDemoDM &dm, const QString &code)
{
    return dm.qcx.count(QStringLiteral("select count(*) as expr1001 from zgxxb where py= :py"), {{"py", code}}) != 0;
}

void add(TDemoDM &dm, const Employee &employee)
{
    dm.qup.run(QStringLiteral("insert into zgxxb (py, zgxm, bz, mm) values (:py, :zgxm, :bz, :mm)"),
               {{"py", employee.code},
                {"zgxm", employee.name},
                {"bz", employee.type},
                {"mm", Passwords::hash(employee.password)}});
}

void removeByName(TDemoDM &dm, const QString &name)
{
    dm.qup.run(QStringLiteral("delete from zgxxb where zgxm= :zgxm"), {{"zgxm", name}});
}

void remove(TDemoDM &dm, qint64 iid)
{
    dm.qup.run(QStringLiteral("delete from zgxxb where iid= :iid"), {{"iid", iid}});
}

bool passwordMatches(TDemoDM &dm, const QString &code, const QString &password)
{
    TNamedQuery &q = dm.qcx;
    q.openWith(QStringLiteral("select mm from zgxxb where py= :py "), {{"py", code}});
    bool match = false;
    for (bool more = q.first(); more && !match; more = q.next())
        match = Passwords::verify(q.value(QStringLiteral("mm")).toString(), password);
    q.close();
    return match;
}

void setPassword(TDemoDM &dm, const QString &code, const QString &password)
{
    dm.qup.run(QStringLiteral("update zgxxb set mm= :mm where py= :py "), {{"mm", Passwords::hash(password)}, {"py", code}});
}

} // namespace Employees
