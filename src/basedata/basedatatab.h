#pragma once

#include "common/screenkeys.h"

#include <QWidget>
#include <functional>

namespace Ui {
class TBaseDataTab;
}
class TDemoDM;
class TGridModel;

// What the base data tab needs from outside; defaults() gives the real ones.
struct TBaseDataServices
{
    // Opens the password change dialog for the employee of this code (modal).
    std::function<void(const QString &code)> openPasswordDialog;

    // The dialogs are children of parent's window.
    static TBaseDataServices defaults(QWidget *parent);
};

// The second tab, "基础数据维护": the households (name, number, pinyin
// initials) with their list, the employees who log in and sign receipts,
// and the switch that prints a receipt directly when it is saved as new.
class TBaseDataTab : public QWidget
{
    Q_OBJECT
public:
    explicit TBaseDataTab(QWidget *parent = nullptr);
    ~TBaseDataTab() override;

    TGridModel *householdModel() const { return m_households; }
    TGridModel *employeeModel() const { return m_employees; }

    // The tab comes to the front: reloads the household and employee lists
    // (and the other base lists of the data module) and sets the direct-print
    // switch from the settings.
    void reload();

    // Households.
    void SpeedButton11Click();   // 保存
    void SpeedButton12Click();   // 删除 the selected household
    void BitBtn3Click();         // 重填
    void DBGrid1CellClick();     // pick the current row into the fields
    void deleteHouseholdRow();   // Ctrl+Delete in DBGrid1

    // Employees.
    void SpeedButton17Click();   // 保存
    void SpeedButton18Click();   // 删除 every employee of the current row's name
    void SpeedButton25Click();   // 密码修改
    void deleteEmployeeRow();    // Ctrl+Delete in DBGrid4

    // Direct printing.
    void cbdyClick();

    // Current rows of the lists (-1 when the list is empty).
    int householdRow() const;
    int employeeRow() const;

    // What the tab needs from outside: the password dialog. The tab starts
    // with defaults() of its own.
    TBaseDataServices &services() { return m_services; }
    void setServices(TBaseDataServices services) { m_services = std::move(services); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reloadHouseholds();
    void reloadEmployees();
    void doSaveHousehold();
    void doDeleteHousehold();
    void doSaveEmployee();
    void doDeleteEmployee();
    void doChangePassword();
    // Removes the row's record (by its iid) with the store's remove step.
    void deleteRowOf(void (*remove)(TDemoDM &, qint64), TGridModel *model, int row);

    Ui::TBaseDataTab *ui;
    TGridModel *m_households = nullptr;
    TGridModel *m_employees = nullptr;
    TEnterChain m_enterChain;
    TBaseDataServices m_services;
};
