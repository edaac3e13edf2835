#include "print/receiptprint.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "data/community.h"
#include "data/receiptcolumns.h"
#include "print/defaultprinter.h"
#include "print/receiptpreview.h"
#include "print/spreadsheetengine.h"
#include "text/datetext.h"
#include "text/numtext.h"
#include "text/texterror.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

const std::array<ReceiptCell, 20> &ReceiptCells()
{
    static const std::array<ReceiptCell, 20> cells{{
        {"A2", 2, 1},  {"E2", 2, 5},  {"M2", 2, 13},
        {"B4", 4, 2},  {"G4", 4, 7},  {"J4", 4, 10}, {"K4", 4, 11}, {"L4", 4, 12}, {"M4", 4, 13}, {"N4", 4, 14},
        {"B5", 5, 2},  {"G5", 5, 7},  {"J5", 5, 10}, {"K5", 5, 11}, {"L5", 5, 12}, {"M5", 5, 13}, {"N5", 5, 14},
        {"B6", 6, 2},  {"B7", 7, 2},  {"K7", 7, 11},
    }};
    return cells;
}

static bool isDate(const QString &text)
{
    try {
        return DateText::toDate(text).isValid();
    } catch (const TextError &) {
        return false;
    }
}

ReceiptCheck RunReceiptCheck(ReceiptCheckName name, const ReceiptPrintData &d)
{
    auto given = [](const QString &text, const QString &message, const QString &focus = {}) {
        return text.isEmpty() ? ReceiptCheck{false, message, focus} : ReceiptCheck{};
    };
    using N = ReceiptCheckName;
    switch (name) {
    case N::DateGiven:
        return given(d.Edit1, QStringLiteral("单据日期不能为空！"));
    case N::AreaGiven:
        return given(d.edit2, QStringLiteral("区域不能为空！"));
    case N::TotalGiven:
        return given(d.Edit35, QStringLiteral("没有金额！"));
    case N::NameGiven:
        return given(d.edit41, QStringLiteral("户名信息填写不完整！"));
    case N::DateReadable:
        return isDate(d.Edit1) ? ReceiptCheck{} : ReceiptCheck{false, QStringLiteral("日期格式不对！"), {}};
    case N::ReadingGiven:
        return given(d.Edit21, QStringLiteral("本月抄表数不能为空！"), QStringLiteral("Edit21"));
    case N::LastReadingGiven:
        return given(d.Edit22, QStringLiteral("上月抄表数不能为空！"), QStringLiteral("Edit22"));
    case N::UsageGiven:
        return given(d.Edit27, QStringLiteral("用量不能为空！"), QStringLiteral("Edit27"));
    case N::PriceGiven:
        return given(d.Edit28, QStringLiteral("单价不能为空！"), QStringLiteral("Edit28"));
    case N::WaterGiven:
        for (const auto &[text, field] : {std::pair{&d.Edit30, "Edit30"}, std::pair{&d.Edit31, "Edit31"},
                                          std::pair{&d.Edit32, "Edit32"}})
            if (text->isEmpty())
                return ReceiptCheck{false, {}, QString::fromLatin1(field)};
        return {};
    case N::MonthForm:
        if (!d.cbyf.isEmpty() && d.cbyf.size() != 2)
            return ReceiptCheck{false, QStringLiteral("电费月份格式不对长度应为2位比如01"), {}};
        return {};
    }
    return {};
}

ReceiptCheck RunReceiptChecks(const QList<ReceiptCheckName> &names, const ReceiptPrintData &data)
{
    for (const ReceiptCheckName name : names) {
        const ReceiptCheck check = RunReceiptCheck(name, data);
        if (!check.passed)
            return check;
    }
    return {};
}

const QList<ReceiptCheckName> &PrintChecks()
{
    using N = ReceiptCheckName;
    static const QList<ReceiptCheckName> order{N::DateGiven,    N::AreaGiven,    N::TotalGiven,       N::NameGiven,
                                               N::DateReadable, N::ReadingGiven, N::LastReadingGiven, N::UsageGiven,
                                               N::PriceGiven,   N::WaterGiven,   N::MonthForm};
    return order;
}

ReceiptCheck CheckReceiptForPrint(const ReceiptPrintData &data)
{
    return RunReceiptChecks(PrintChecks(), data);
}

namespace {

// The twenty cells, in their order, from the texts of the values; a meter
// gives this month's reading, last month's, the difference, the loss, the
// usage, the unit price and the amount.
QStringList receiptCells(const QString &name, const QDate &date, const QString &serial, const QStringList &power,
                         const QStringList &water, const QString &otherFees, const QString &rent,
                         const QString &total)
{
    QStringList cells{
        name + QStringLiteral(" 住户"),
        QStringLiteral("时间:%1年%2月%3日")
            .arg(date.year(), 4, 10, QLatin1Char('0'))
            .arg(date.month(), 2, 10, QLatin1Char('0'))
            .arg(date.day(), 2, 10, QLatin1Char('0')),
        QStringLiteral("NO.") + serial,
    };
    cells << power << water << otherFees << rent << QStringLiteral("总合计金额：") + total + QStringLiteral(" 元");
    return cells;
}

} // namespace

const QString *ReceiptPrintData::field(const QString &name) const
{
    return const_cast<ReceiptPrintData *>(this)->field(name);
}

QString *ReceiptPrintData::field(const QString &name)
{
    using D = ReceiptPrintData;
    static const std::pair<const char *, QString D::*> fields[]{
        {"Edit1", &D::Edit1},   {"edit2", &D::edit2},   {"Edit3", &D::Edit3},   {"edit41", &D::edit41},
        {"Edit21", &D::Edit21}, {"Edit22", &D::Edit22}, {"Edit8", &D::Edit8},   {"Edit27", &D::Edit27},
        {"Edit28", &D::Edit28}, {"Edit29", &D::Edit29}, {"Edit30", &D::Edit30}, {"Edit31", &D::Edit31},
        {"Edit24", &D::Edit24}, {"Edit32", &D::Edit32}, {"Edit33", &D::Edit33}, {"Edit34", &D::Edit34},
        {"Edit36", &D::Edit36}, {"Edit37", &D::Edit37}, {"Edit35", &D::Edit35}, {"cbyf", &D::cbyf},
        {"cblb", &D::cblb},     {"cbskr", &D::cbskr},   {"cbcbr", &D::cbcbr},
    };
    for (const auto &[fieldName, member] : fields)
        if (name == QLatin1String(fieldName))
            return &(this->*member);
    return nullptr;
}

QStringList ReceiptCellTexts(const ReceiptRow &r, const ShownNumbers &shown)
{
    const QDate date = DateText::toDateTime(r.rq).date();
    auto text = [&](const char *column, double value) {
        const auto it = shown.constFind(QLatin1String(column));
        return it == shown.cend() ? FloatToText(value) : *it;
    };
    auto number = [&](const char *column, double value) {
        const auto it = shown.constFind(QLatin1String(column));
        return it == shown.cend() ? value : TextToFloat(*it);
    };
    // Read in this order, so that the first unreadable reading is the one named.
    const double power = number("bccjd", r.bccjd);
    const QString usedPower = FloatToText(power - number("sccjd", r.sccjd));
    const double water = number("bccjds", r.bccjds);
    const QString usedWater = FloatToText(water - number("sccjds", r.sccjds));
    return receiptCells(r.bhmc, date, r.sjxh,
                        {text("bccjd", r.bccjd), text("sccjd", r.sccjd), usedPower, text("shsld", r.shsld),
                         text("cjdl", r.cjdl), text("dj", r.dj), text("jed", r.jed)},
                        {text("bccjds", r.bccjds), text("sccjds", r.sccjds), usedWater, text("shsls", r.shsls),
                         text("cjdls", r.cjdls), text("djs", r.djs), text("jes", r.jes)},
                        text("qtfy", r.qtfy), text("fzfy", r.fzfy), text("cost", r.cost));
}

QStringList ReceiptCellTexts(const ReceiptPrintData &d)
{
    // The receipt the fields show: its texts in the row, its numbers as shown.
    ReceiptRow row;
    ShownNumbers shown;
    for (const ReceiptColumns::Column &column : ReceiptColumns::all()) {
        const QString *text = column.field.isEmpty() ? nullptr : d.field(column.field);
        if (!text)
            continue;
        if (column.type == ReceiptColumns::Type::Text)
            ReceiptColumns::setValue(row, column, *text);
        else
            shown.insert(column.name, *text);
    }
    return ReceiptCellTexts(row, shown);
}

static QString programFile(const QString &name)
{
    return QFileInfo(name).isAbsolute() ? name : AppPaths::inProgramDir(name);
}

void FillReceiptTemplate(const QString &outputName, const QStringList &cells)
{
    const auto &layout = ReceiptCells();
    if (cells.size() != int(layout.size()))
        throw AppError(QStringLiteral("单据内容不完整：应有%1项，实有%2项").arg(layout.size()).arg(cells.size()));
    const QString output = programFile(outputName);
    // An old copy must never be taken for this receipt.
    if (QFileInfo::exists(output) && !QFile::remove(output))
        throw AppError(QStringLiteral("无法删除旧文件：%1").arg(QDir::toNativeSeparators(output)));
    const QString templatePath = AppPaths::inProgramDir(kTemplateFileName);
    if (!QFileInfo(templatePath).isFile())
        throw AppError(QStringLiteral("找不到单据模板：%1").arg(QDir::toNativeSeparators(templatePath)));
    try {
        auto book = SpreadsheetEngine::open(templatePath);
        for (size_t i = 0; i < layout.size(); ++i)
            book->setCellText(layout[i].row, layout[i].column, cells[int(i)]);
        book->saveAs(output);
        book->close();
    } catch (const AppError &) {
        QFile::remove(output);   // nothing half-written stays behind
        throw;
    }
}

int PrintWorkbookFirstSheet(const QString &path)
{
    const QString workbook = programFile(path);
    if (DefaultPrinter::name().isEmpty())
        throw AppError(DefaultPrinter::kNoDefaultPrinterMessage);
    QTemporaryDir dir;
    if (!dir.isValid())
        throw AppError(QStringLiteral("无法建立临时文件夹：%1").arg(dir.errorString()));
    const QString pdf = dir.filePath(QStringLiteral("receipt.pdf"));
    {
        auto book = SpreadsheetEngine::open(workbook);
        book->exportFirstSheetPdf(pdf);
    }
    return DefaultPrinter::printPdf(pdf, QFileInfo(workbook).fileName());
}

// The copy of an earlier run goes first, so that a receipt whose fields
// cannot be read leaves no copy behind either.
static void RemoveOldCopy(const QString &outputName)
{
    const QString output = programFile(outputName);
    if (QFileInfo::exists(output) && !QFile::remove(output))
        throw AppError(QStringLiteral("无法删除旧文件：%1").arg(QDir::toNativeSeparators(output)));
}

static void FillFromScreen(const QString &outputName, const ReceiptPrintData &data)
{
    RemoveOldCopy(outputName);
    FillReceiptTemplate(outputName, ReceiptCellTexts(data));
}

TReceiptPrinting::TReceiptPrinting(QObject *parent) : QObject(parent)
{
    openWithDesktop = [](const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

TReceiptPrinting::~TReceiptPrinting()
{
    removeTempFolder();
}

QString TReceiptPrinting::tempFolder() const
{
    return m_temp && m_temp->isValid() ? m_temp->path() : QString();
}

void TReceiptPrinting::removeTempFolder()
{
    closePreview();
    m_temp.reset();
}

QString TReceiptPrinting::tempFile(const QString &name)
{
    if (!m_temp || !m_temp->isValid())
        m_temp = std::make_unique<QTemporaryDir>();
    return m_temp->filePath(name);
}

void TReceiptPrinting::closePreview()
{
    if (m_preview) {
        m_preview->close();   // deletes itself
        delete m_preview.data();
    }
    m_preview = nullptr;
}

bool TReceiptPrinting::runChecks(const ReceiptPrintData &data, ReceiptPrintResult &result)
{
    const ReceiptCheck check = CheckReceiptForPrint(data);
    result.checksPassed = check.passed;
    result.focus = check.focus;
    if (!check.passed && !check.message.isEmpty())
        Dialogs::message(check.message);
    return check.passed;
}

ReceiptPrintResult TReceiptPrinting::SpeedButton9Click(ReceiptPrintData data,
                                                       const std::function<ReceiptPrintData()> &recalculate)
{
    ReceiptPrintResult result;
    data.edit2 = kCommunity;
    closePreview();
    if (!runChecks(data, result))
        return result;
    if (recalculate) {
        data = recalculate();
        data.edit2 = kCommunity;
    }
    try {
        FillFromScreen(kPreviewFileName, data);
        const QString pdf = tempFile(QStringLiteral("preview-%1.pdf").arg(++m_previewCount));
        {
            auto book = SpreadsheetEngine::open(AppPaths::inProgramDir(kPreviewFileName));
            book->exportFirstSheetPdf(pdf);
        }
        m_preview = new TReceiptPreview(pdf, QStringLiteral("NO.") + data.Edit3);
        m_preview->show();
        m_preview->raise();
        m_preview->activateWindow();
        result.done = true;
    } catch (const EngineUnavailable &e) {
        Dialogs::message(e.message());
    } catch (const AppError &e) {
        Dialogs::error(QStringLiteral("单据预览失败：%1").arg(e.message()));
    } catch (const TextError &e) {
        Dialogs::error(QStringLiteral("单据预览失败：%1").arg(e.message()));
    }
    return result;
}

ReceiptPrintResult TReceiptPrinting::BitBtn13Click(const ReceiptPrintData &data)
{
    ReceiptPrintResult result;
    if (!runChecks(data, result))
        return result;
    printFilled(result, [&data] { FillFromScreen(kPrintFileName, data); });
    return result;
}

ReceiptPrintResult TReceiptPrinting::printStored(const ReceiptRow &row)
{
    ReceiptPrintResult result;
    result.checksPassed = true;
    printFilled(result, [&row] {
        RemoveOldCopy(kPrintFileName);
        FillReceiptTemplate(kPrintFileName, ReceiptCellTexts(row));
    });
    return result;
}

void TReceiptPrinting::printFilled(ReceiptPrintResult &result, const std::function<void()> &fill)
{
    try {
        fill();
        closePreview();
        result.jobId = PrintWorkbookFirstSheet(AppPaths::inProgramDir(kPrintFileName));
        result.done = true;
    } catch (const EngineUnavailable &e) {
        Dialogs::message(e.message());
    } catch (const AppError &e) {
        Dialogs::error(QStringLiteral("单据打印失败：%1").arg(e.message()));
    } catch (const TextError &e) {
        Dialogs::error(QStringLiteral("单据打印失败：%1").arg(e.message()));
    }
}

void TReceiptPrinting::SpeedButton35Click()
{
    if (openWithDesktop)
        openWithDesktop(AppPaths::inProgramDir(kTemplateFileName));
}

void TReceiptPrinting::FormClose()
{
    const QString copy = AppPaths::inProgramDir(kPreviewFileName);
    if (QFileInfo::exists(copy))
        QFile::remove(copy);
}

void TReceiptPrinting::FormDestroy()
{
    removeTempFolder();
}

TReceiptPreview *TReceiptPrinting::previewWindow() const
{
    return m_preview.data();
}
