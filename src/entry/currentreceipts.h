#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class TEntryTab;
class TReceiptFields;
class TGridModel;
class QTableView;
namespace Ui {
class TEntryTab;
}

// What the saves need from outside.
struct TCurrentReceiptsServices
{
    // Prints the receipt on the form (the print button's operation), run by
    // a new save when direct printing is on. Returns false when the print
    // stopped; the save then stops too. Unset: the save stops there.
    std::function<bool()> printReceipt;
};

// Saving the receipt on the entry tab, and the list of current receipts
// below it: loading a receipt back, storing its changes, deleting it and
// starting a new one. The database steps of each operation commit together
// or not at all.
class TCurrentReceipts : public QObject
{
    Q_OBJECT
public:
    explicit TCurrentReceipts(TEntryTab *tab, QObject *parent = nullptr);
    ~TCurrentReceipts() override;

    // What the saves need from outside (the frame sets them).
    TCurrentReceiptsServices &services() { return m_services; }
    void setServices(TCurrentReceiptsServices services) { m_services = std::move(services); }

    // (Re)reads the list of current receipts (newest first) and its footer.
    void OpenCurrentReceipts();

    void SpeedButton1Click();   // 新增保存
    void SpeedButton4Click();   // 修改保存
    void SpeedButton3Click();   // 删除整张单据
    void SpeedButton10Click();  // 新增一张单据
    void OrderDDbgDblClick();   // load the selected receipt

    // Ctrl+Delete in the list: removes the selected row alone, after the question.
    void deleteSelectedRow();

    bool loadedMode() const { return m_loaded; }
    void setLoadedMode(bool loaded);

    TGridModel *listModel() const { return m_list; }
    int selectedRow() const;

signals:
    // "收款" on the selected receipt (the list's context menu).
    void collectRequested(const QString &sjxh, const QString &lbmc);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Ui::TEntryTab *form() const;
    void doSaveNew();
    void doSaveLoaded();
    void doDelete();
    void doNewReceipt();
    void doLoad();
    void prepareSave();
    void zeroEmptyFees();
    bool checkFields(bool newSave);
    void rememberFees();
    void updateHousehold();
    void insertReceipt(const QString &serial);
    int updateReceipt(const QString &serial);   // the receipts changed
    QString amountRefusal() const;
    void advanceNumber();
    void resetAfterSave(bool reopenPickers);
    void resetForm(bool dateToday);
    void updateFooter();

    TEntryTab *m_tab;
    QPointer<QObject> m_grid;   // the grid, watched for Enter (no downcast while it is destroyed)
    TGridModel *m_list;
    std::unique_ptr<TReceiptFields> m_fields;
    TCurrentReceiptsServices m_services;
    bool m_loaded = false;
};
