#pragma once

#include <QString>
#include <QStringList>

class QSqlQueryModel;
class TDemoDM;

// The employees (table zgxxb: name, code, type and login password). The
// code is the login code and unique. Every step runs on the data module's
// named query objects, inside the caller's transaction if any, and throws
// AppError when it fails.
namespace Employees {

struct Employee
{
    QString name;       // zgxm
    QString code;       // py
    QString type;       // bz: 收款人, 抄表人, ...
    QString password;   // as typed; stored as its hash
};

// Opens every employee in entry order for the base data list (qzg) and
// gives the model that shows them.
QSqlQueryModel *openList(TDemoDM &dm);
// Whether that list is open.
bool listIsOpen(TDemoDM &dm);

// The login codes of every employee, in entry order.
QStringList codes(TDemoDM &dm);
// The names of the employees of one type, in entry order.
QStringList namesOfType(TDemoDM &dm, const QString &type);

// Whether an employee has this code (letter case aside).
bool codeExists(TDemoDM &dm, const QString &code);
// Adds the employee; the caller has checked that the code is new.
void add(TDemoDM &dm, const Employee &employee);
// Removes every employee of that name.
void removeByName(TDemoDM &dm, const QString &name);
// Removes the one employee row with that iid.
void remove(TDemoDM &dm, qint64 iid);

// Whether the employee with this code has this password (letter case aside).
bool passwordMatches(TDemoDM &dm, const QString &code, const QString &password);
// Sets the password of the employee with this code.
void setPassword(TDemoDM &dm, const QString &code, const QString &password);

} // namespace Employees
