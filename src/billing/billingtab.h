#pragma once

#include "billing/readingsheet.h"
#include "data/billingcheck.h"

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The tab "抄表计费": the reading sheet of a month, the import of the filled
// sheet into a checked preview, the month's bills from it, and the payment
// notices of the unpaid bills. The work is done by BillingRun and the
// notice job; the tab reads its fields, asks and shows.
class TBillingTab : public QWidget
{
    Q_OBJECT
public:
    explicit TBillingTab(QWidget *parent = nullptr);

    QLineEdit *yearField() const { return m_year; }
    QComboBox *monthField() const { return m_month; }
    QComboBox *communityField() const { return m_community; }
    QTableWidget *previewGrid() const { return m_grid; }
    QLabel *statusLabel() const { return m_status; }
    const QList<Billing::CheckedRow> &previewRows() const { return m_rows; }

    // The operations of the buttons.
    void saveReadingSheet();      // 生成抄表单
    void printReadingSheet();     // 打印抄表单
    void importReadings();        // 导入抄表数据
    void importFile(const QString &path);
    void generateBills();         // 生成收据
    void printNotices();          // 打印缴费通知单
    void saveNoticesPdf();        // 通知单存为PDF

    // Re-reads the communities (when the tab comes to the front).
    void reload();

    // The file dialogs and the column mapping step; tests replace them.
    std::function<QString(const QString &preset)> chooseSavePath;
    std::function<QString(const QString &preset)> choosePdfPath;
    std::function<QString()> chooseImportPath;
    // Given the headings row and the map as far as it was recognised: fills
    // in the missing columns; false when the operator cancelled.
    std::function<bool(const QStringList &headings, ReadingSheet::ColumnMap &map)> mapColumns;

signals:
    // Bills were stored: the current receipts and the next number changed.
    void billsStored();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString year() const;
    QString month() const;
    QString community() const;
    bool checkPeriod();
    void showPreview();
    void recheck();
    QList<ReceiptRow> noticeBills();
    QList<Billing::SheetHousehold> sheetHouseholds();
    int unknownCount() const;

    QLineEdit *m_year;
    QComboBox *m_month;
    QComboBox *m_community;
    QTableWidget *m_grid;
    QLabel *m_status;
    QPushButton *m_generate;
    QPushButton *m_createUnknown;
    QList<Billing::SheetRow> m_sheet;
    QList<Billing::CheckedRow> m_rows;
};
