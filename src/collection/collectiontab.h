#pragma once

#include "data/paymentstore.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class ReminderJob;

// The tab "收费管理": "欠费查询" (the unpaid receipts per household, with
// export, reminders and "收款" on a receipt) and "收费日报" (the payments of
// a period by method, with export and print). The lists come from Payments;
// the tab reads its fields, asks and shows. Taking a payment is the main
// window's: the tab asks for it with collectRequested.
class TCollectionTab : public QWidget
{
    Q_OBJECT
public:
    explicit TCollectionTab(QWidget *parent = nullptr);

    QTabWidget *pages() const { return m_pages; }
    // 欠费查询
    QComboBox *communityField() const { return m_community; }
    QLineEdit *householdField() const { return m_household; }
    QLineEdit *fromYearField() const { return m_fromYear; }
    QComboBox *fromMonthField() const { return m_fromMonth; }
    QLineEdit *toYearField() const { return m_toYear; }
    QComboBox *toMonthField() const { return m_toMonth; }
    QTableWidget *arrearsGrid() const { return m_arrearsGrid; }
    QTableWidget *unpaidGrid() const { return m_unpaidGrid; }
    QLabel *arrearsStatus() const { return m_arrearsStatus; }
    const Payments::Arrears &arrears() const { return m_arrears; }
    // 收费日报
    QDateEdit *fromDateField() const { return m_fromDate; }
    QDateEdit *toDateField() const { return m_toDate; }
    QComboBox *payeeField() const { return m_payee; }
    QTableWidget *methodGrid() const { return m_methodGrid; }
    QTableWidget *takingsGrid() const { return m_takingsGrid; }
    QLabel *takingsStatus() const { return m_takingsStatus; }
    const Payments::Takings &takings() const { return m_takings; }

    // The operations of the buttons.
    void queryArrears();       // 查询
    void exportArrears();      // 导出
    void printReminders();     // 打印催费通知单 (the selected households)
    void saveRemindersPdf();   // 催费通知单存为PDF
    void collectSelected();    // 收款 (the selected unpaid receipt)
    void queryTakings();       // 查询
    void exportTakings();      // 导出
    void printTakings();       // 打印

    // Re-reads the communities and payees, and the lists shown so far (after
    // a payment, or when the tab comes to the front).
    void reload();

    // The file dialogs; tests replace them.
    std::function<QString(const QString &preset)> chooseExportPath;
    std::function<QString(const QString &preset)> choosePdfPath;

signals:
    // "收款" on an unpaid receipt: the main window takes the payment.
    void collectRequested(const QString &sjxh, const QString &lbmc);

private:
    QWidget *buildArrearsPage();
    QWidget *buildTakingsPage();
    void showArrears();
    void showUnpaidOf(int line);
    void showTakings();
    // Reads the takings of the fields' period and shows them.
    Payments::TakingsFilter readTakings();
    // Fills a reminder per household chosen and hands the job to finish,
    // which prints or saves it and returns what to tell ("" for nothing).
    void sendReminders(const std::function<bool()> &ready, const std::function<QString(ReminderJob &)> &finish);
    Payments::ArrearsFilter arrearsFilter() const;
    Payments::TakingsFilter takingsFilter() const;
    // The households chosen for reminders: the selected ones, or all listed
    // after a question; empty when there are none or the operator declined.
    QList<Payments::ArrearsLine> reminderLines();

    QTabWidget *m_pages;
    QComboBox *m_community;
    QLineEdit *m_household;
    QLineEdit *m_fromYear;
    QComboBox *m_fromMonth;
    QLineEdit *m_toYear;
    QComboBox *m_toMonth;
    QTableWidget *m_arrearsGrid;
    QTableWidget *m_unpaidGrid;
    QLabel *m_arrearsStatus;
    QPushButton *m_collect;
    QDateEdit *m_fromDate;
    QDateEdit *m_toDate;
    QComboBox *m_payee;
    QTableWidget *m_methodGrid;
    QTableWidget *m_takingsGrid;
    QLabel *m_takingsStatus;
    Payments::Arrears m_arrears;
    Payments::Takings m_takings;
    bool m_arrearsShown = false;
    bool m_takingsShown = false;
};
