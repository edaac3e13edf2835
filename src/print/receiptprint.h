#pragma once

#include "common/apppaths.h"
#include "data/receiptrow.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <memory>

class TReceiptPreview;

// The texts of the entry screen's fields that printing reads, named after
// the fields: the entry screen fills it from its fields as they stand.
struct ReceiptPrintData
{
    QString Edit1;    // receipt date, yyyy-mm-dd
    QString edit2;    // area (hidden)
    QString Edit3;    // serial number
    QString edit41;   // household name
    QString Edit21;   // electricity: reading this month
    QString Edit22;   //   reading last month
    QString Edit8;    //   loss units
    QString Edit27;   //   usage
    QString Edit28;   //   unit price
    QString Edit29;   //   amount
    QString Edit30;   // water: reading this month
    QString Edit31;   //   reading last month
    QString Edit24;   //   loss units
    QString Edit32;   //   usage
    QString Edit33;   //   unit price
    QString Edit34;   //   amount
    QString Edit36;   // other fees
    QString Edit37;   // rent
    QString Edit35;   // total
    QString cbyf;     // month
    QString cblb;     // receipt category (hidden)
    QString cbskr;    // payee
    QString cbcbr;    // meter reader

    // The text of a field by its name ("Edit21"); nullptr for a field
    // printing does not read.
    const QString *field(const QString &name) const;
    QString *field(const QString &name);
};

// One cell of the receipt template that printing writes.
struct ReceiptCell
{
    const char *name;   // "A2"
    int row;            // from 1
    int column;         // from 1
};

// The twenty cells in the order they are written: A2, E2, M2, row 4 left to
// right, row 5, B6, B7, K7.
const std::array<ReceiptCell, 20> &ReceiptCells();

// The outcome of the checks that come before a preview or print.
struct ReceiptCheck
{
    bool passed = true;
    QString message;   // shown when not empty
    QString focus;     // the field that gets the focus ("" = none)
};

// The checks of a receipt on the entry screen, each by name. A preview or
// print runs them in the order of PrintChecks(); a save runs them in its
// own order, between steps of its own.
enum class ReceiptCheckName {
    DateGiven,          // "单据日期不能为空！"
    AreaGiven,          // "区域不能为空！"
    TotalGiven,         // "没有金额！"
    NameGiven,          // "户名信息填写不完整！"
    DateReadable,       // "日期格式不对！"
    ReadingGiven,       // this month's electricity reading (focus Edit21)
    LastReadingGiven,   // last month's (focus Edit22)
    UsageGiven,         // the electricity usage (focus Edit27)
    PriceGiven,         // the electricity unit price (focus Edit28)
    WaterGiven,         // the water readings and usage: the first empty one gets the focus, no message
    MonthForm,          // a month given has two digits
};

ReceiptCheck RunReceiptCheck(ReceiptCheckName name, const ReceiptPrintData &data);
// The first of the checks, in the order given, that fails; passed when none does.
ReceiptCheck RunReceiptChecks(const QList<ReceiptCheckName> &names, const ReceiptPrintData &data);

// The order of a preview and a print: every check.
const QList<ReceiptCheckName> &PrintChecks();

// The checks before a preview or print, in their order; the first one that fails.
ReceiptCheck CheckReceiptForPrint(const ReceiptPrintData &data);

// The texts a screen shows for the number columns of a receipt, by the
// column's name ("bccjd" -> "1250.50").
using ShownNumbers = QHash<QString, QString>;

// The twenty cell texts of a receipt. A number column that `shown` holds
// is printed as it is shown there, and a cell computed from it reads that
// text; every other number is printed in its short form (FloatToText).
// Throws TextError when the date, or a shown reading a cell is computed
// from, is not readable.
QStringList ReceiptCellTexts(const ReceiptRow &row, const ShownNumbers &shown = {});
// The twenty cell texts of the receipt on the entry screen: the receipt its
// fields show, each number printed as it stands in its field.
QStringList ReceiptCellTexts(const ReceiptPrintData &data);

// Fills a copy of the template "收据模板.xls" of the program folder with the
// twenty cell texts and saves it as outputName (a name in the program folder,
// or a full path). An old file of that name is deleted first, so after a
// failure there is no file at all, never an old one. Throws
// EngineUnavailable when the spreadsheet application cannot be used and
// AppError for any other failure (the template missing, for one).
void FillReceiptTemplate(const QString &outputName, const QStringList &cells);

// Prints the first worksheet of the workbook at path once on the default
// printer; returns the print job's number. Throws like FillReceiptTemplate,
// and AppError when there is no default printer.
int PrintWorkbookFirstSheet(const QString &path);

inline const QString kTemplateFileName = AppPaths::kTemplateFileName;
inline const QString kPreviewFileName = QStringLiteral("3.xls");
inline const QString kPrintFileName = QStringLiteral("2.xls");

// What a preview or print did.
struct ReceiptPrintResult
{
    bool checksPassed = false;   // false: a check failed (its message was shown)
    QString focus;               // the field to give the focus to ("" = none)
    bool done = false;           // the receipt was shown / sent to the printer
    int jobId = 0;               // the print job (print only)
};

// The preview, print and template editing of the entry screen. The entry
// tab's handlers read their fields into ReceiptPrintData and hand over;
// the tab then moves the focus to result.focus and clears its "household
// picker active" flag. The main window owns the one instance; it holds the
// preview window and the temporary folder of the preview files, which go
// with it.
class TReceiptPrinting : public QObject
{
    Q_OBJECT
public:
    explicit TReceiptPrinting(QObject *parent = nullptr);
    ~TReceiptPrinting() override;

    // "单据打印预览". The caller sets its area field edit2 to kCommunity first
    // (data.edit2 is taken as that). recalculate runs the compute-total
    // button of the entry screen and returns the fields as they then are.
    ReceiptPrintResult SpeedButton9Click(ReceiptPrintData data,
                                         const std::function<ReceiptPrintData()> &recalculate = {});
    // "real_prt": prints the receipt on the entry screen.
    ReceiptPrintResult BitBtn13Click(const ReceiptPrintData &data);
    // "收款": prints a stored receipt (current or archived) the way
    // real_prt prints the screen's, without the screen's checks.
    ReceiptPrintResult printStored(const ReceiptRow &row);
    // "test_prt": does nothing.
    void BitBtn12Click() {}
    // "修改单据模版": opens the template with the desktop's application for it.
    void SpeedButton35Click();
    // The main window closes: the preview copy goes.
    void FormClose();
    // The main window goes: the preview window closes with it, and the
    // temporary folder of the preview files is removed.
    void FormDestroy();

    // The open preview window, or nullptr.
    TReceiptPreview *previewWindow() const;
    void closePreview();
    // The temporary folder of the preview files ("" while there is none).
    QString tempFolder() const;

    // For tests: how a file is opened with the desktop (default:
    // QDesktopServices::openUrl).
    std::function<bool(const QString &path)> openWithDesktop;

private:
    QString tempFile(const QString &name);
    void removeTempFolder();
    bool runChecks(const ReceiptPrintData &data, ReceiptPrintResult &result);
    // Fills the print copy through fill and prints it; a failure is shown.
    void printFilled(ReceiptPrintResult &result, const std::function<void()> &fill);

    QPointer<TReceiptPreview> m_preview;
    std::unique_ptr<QTemporaryDir> m_temp;
    int m_previewCount = 0;
};
