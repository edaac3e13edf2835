#include "billing/billingtab.h"

#include "billing/billingrun.h"
#include "common/dialogs.h"
#include "common/operation.h"
#include "data/billingstore.h"
#include "data/demodm.h"
#include "print/noticejob.h"
#include "print/rowsheet.h"
#include "print/shownerrors.h"
#include "print/spreadsheetengine.h"
#include "settings/global.h"
#include "text/datetext.h"
#include "text/numtext.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kAllCommunities = QStringLiteral("（全部社区）");

bool askColumns(QWidget *parent, const QStringList &headings, ReadingSheet::ColumnMap &map)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("指定数据列"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("表中有的列标题无法识别，请指定各项数据所在的列："), &dialog));
    auto *form = new QFormLayout;
    layout->addLayout(form);
    QList<std::pair<int, QComboBox *>> choices;
    for (int c = 0; c < ReadingSheet::ColumnCount; ++c) {
        auto *box = new QComboBox(&dialog);
        box->addItem(QStringLiteral("（无）"), -1);
        for (int i = 0; i < headings.size(); ++i)
            box->addItem(QStringLiteral("第%1列：%2").arg(i + 1).arg(headings[i]), i);
        box->setCurrentIndex(map.column[c] + 1);
        form->addRow(ReadingSheet::headings()[c] + (ReadingSheet::isRequired(ReadingSheet::Column(c)) ? QStringLiteral(" *") : QString()), box);
        choices.append({c, box});
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    for (const auto &[c, box] : choices)
        map.column[c] = box->currentData().toInt();
    return true;
}

} // namespace

TBillingTab::TBillingTab(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BillingTab"));
    auto *top = new QVBoxLayout(this);

    auto *period = new QGroupBox(QStringLiteral("抄表月份"), this);
    auto *row = new QHBoxLayout(period);
    m_year = new QLineEdit(QString::number(DateText::today().year()), period);
    m_year->setObjectName(QStringLiteral("bYear"));
    m_year->setMaxLength(4);
    m_year->setFixedWidth(60);
    m_month = new QComboBox(period);
    m_month->setObjectName(QStringLiteral("bMonth"));
    for (int m = 1; m <= 12; ++m)
        m_month->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    m_month->setCurrentIndex(DateText::today().month() - 1);
    m_community = new QComboBox(period);
    m_community->setObjectName(QStringLiteral("bCommunity"));
    m_community->setMinimumWidth(160);
    m_community->addItem(kAllCommunities);
    row->addWidget(new QLabel(QStringLiteral("年份"), period));
    row->addWidget(m_year);
    row->addWidget(new QLabel(QStringLiteral("月份"), period));
    row->addWidget(m_month);
    row->addWidget(new QLabel(QStringLiteral("社区"), period));
    row->addWidget(m_community);
    row->addStretch();
    top->addWidget(period);

    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &name, const QString &caption, void (TBillingTab::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("bSaveSheet"), QStringLiteral("生成抄表单"), &TBillingTab::saveReadingSheet);
    button(QStringLiteral("bPrintSheet"), QStringLiteral("打印抄表单"), &TBillingTab::printReadingSheet);
    button(QStringLiteral("bImport"), QStringLiteral("导入抄表数据"), &TBillingTab::importReadings);
    m_createUnknown = new QPushButton(QStringLiteral("新建未知住户"), this);
    m_createUnknown->setObjectName(QStringLiteral("bCreateUnknown"));
    buttons->addWidget(m_createUnknown);
    connect(m_createUnknown, &QPushButton::clicked, this, [this] {
        RunShowingErrors([this] {
            const int n = BillingRun::createUnknownHouseholds(DemoDM(), m_rows);
            Dialogs::message(QStringLiteral("已新建%1户住户。").arg(n));
            recheck();
        });
    });
    m_generate = button(QStringLiteral("bGenerate"), QStringLiteral("生成收据"), &TBillingTab::generateBills);
    button(QStringLiteral("bPrintNotices"), QStringLiteral("打印缴费通知单"), &TBillingTab::printNotices);
    button(QStringLiteral("bNoticesPdf"), QStringLiteral("通知单存为PDF"), &TBillingTab::saveNoticesPdf);
    buttons->addStretch();
    top->addLayout(buttons);

    m_grid = new QTableWidget(0, 9, this);
    m_grid->setObjectName(QStringLiteral("bPreview"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("社区"), QStringLiteral("户号"),
                                       QStringLiteral("户名"), QStringLiteral("上月电表数"), QStringLiteral("本月电表数"),
                                       QStringLiteral("上月水表数"), QStringLiteral("本月水表数"), QStringLiteral("检查结果")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setColumnWidth(0, 40);
    top->addWidget(m_grid, 1);
    m_status = new QLabel(QStringLiteral("导入填好的抄表单后，在这里检查每一行，再生成收据。"), this);
    m_status->setObjectName(QStringLiteral("bStatus"));
    top->addWidget(m_status);
    m_generate->setEnabled(false);
    m_createUnknown->setEnabled(false);

    chooseSavePath = [this](const QString &preset) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("抄表单保存到"), preset,
                                            QStringLiteral("Excel 2007 工作簿 (*.xlsx);;OpenDocument 电子表格 (*.ods);;Excel 工作簿 (*.xls)"));
    };
    choosePdfPath = [this](const QString &preset) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("缴费通知单保存到"), preset, QStringLiteral("PDF 文件 (*.pdf)"));
    };
    chooseImportPath = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("导入抄表数据"), QString(),
                                            QStringLiteral("抄表单 (*.xlsx *.xls *.ods *.csv);;所有文件 (*)"));
    };
    mapColumns = [this](const QStringList &headings, ReadingSheet::ColumnMap &map) {
        return askColumns(this, headings, map);
    };
}

void TBillingTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (TDemoDM::instance() && TDemoDM::instance()->isOpen())
        RunShowingErrors([this] { reload(); });
}

void TBillingTab::reload()
{
    const QString kept = m_community->currentText();
    const QStringList list = Billing::communities(DemoDM());
    m_community->clear();
    m_community->addItem(kAllCommunities);
    m_community->addItems(list);
    m_community->setCurrentIndex(std::max(0, int(m_community->findText(kept))));
}

QString TBillingTab::year() const { return m_year->text().trimmed(); }
QString TBillingTab::month() const { return m_month->currentText(); }
QString TBillingTab::community() const
{
    return m_community->currentIndex() <= 0 ? QString() : m_community->currentText();
}

bool TBillingTab::checkPeriod()
{
    static const QRegularExpression fourDigits(QStringLiteral("^\\d{4}$"));
    if (!fourDigits.match(year()).hasMatch()) {
        Dialogs::message(QStringLiteral("电费年份格式不对长度应为4位比如2011"));
        m_year->setFocus();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- reading sheet

static QString sheetTitle(const QString &year, const QString &month, const QString &community)
{
    return QStringLiteral("抄表单 %1年%2月 %3").arg(year, month, community.isEmpty() ? QStringLiteral("全部社区") : community);
}

// The households of the sheet for the period and community shown; empty,
// with the operator told, when there are none.
QList<Billing::SheetHousehold> TBillingTab::sheetHouseholds()
{
    const QList<Billing::SheetHousehold> households = Billing::readingSheet(DemoDM(), community(), year(), month());
    if (households.isEmpty())
        Dialogs::message(QStringLiteral("没有住户，无法生成抄表单。"));
    return households;
}

void TBillingTab::saveReadingSheet()
{
    if (!checkPeriod())
        return;
    RunShowingErrors([this] {
        const QList<Billing::SheetHousehold> households = sheetHouseholds();
        if (households.isEmpty())
            return;
        QString path = chooseSavePath(QStringLiteral("抄表单%1%2.xlsx").arg(year(), month()));
        if (path.isEmpty())
            return;
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".xlsx");
        BillingRun::writeCells(path, ReadingSheet::sheetRows(households, sheetTitle(year(), month(), community())));
        Dialogs::message(QStringLiteral("抄表单已保存：%1（%2户）").arg(QDir::toNativeSeparators(path)).arg(households.size()));
    });
}

void TBillingTab::printReadingSheet()
{
    if (!checkPeriod())
        return;
    RunShowingErrors([this] {
        const QList<Billing::SheetHousehold> households = sheetHouseholds();
        if (households.isEmpty())
            return;
        RowSheet::print(ReadingSheet::sheetRows(households, sheetTitle(year(), month(), community())), QStringLiteral("抄表单"));
    });
}

// ---------------------------------------------------------------- import

void TBillingTab::importReadings()
{
    if (!checkPeriod())
        return;
    const QString path = chooseImportPath();
    if (!path.isEmpty())
        importFile(path);
}

void TBillingTab::importFile(const QString &path)
{
    if (!checkPeriod())
        return;
    RunShowingErrors([&] {
        const QList<QStringList> cells = BillingRun::readCells(path);
        if (cells.isEmpty()) {
            Dialogs::message(QStringLiteral("表中没有数据。"));
            return;
        }
        ReadingSheet::ColumnMap map = ReadingSheet::recognise(cells);
        if (!ReadingSheet::missingFields(map).isEmpty()) {
            if (!mapColumns(cells.value(map.headingRow), map))
                return;
            const QStringList missing = ReadingSheet::missingFields(map);
            if (!missing.isEmpty()) {
                Dialogs::message(QStringLiteral("没有指定以下数据所在的列：%1").arg(missing.join(QStringLiteral("、"))));
                return;
            }
        }
        m_sheet = ReadingSheet::rowsOf(cells, map);
        recheck();
        const int unknown = unknownCount();
        if (unknown > 0
            && Dialogs::question(QStringLiteral("表中有%1户住户不存在，是否按表中的户号、户名和社区新建这些住户？").arg(unknown))) {
            const int n = BillingRun::createUnknownHouseholds(DemoDM(), m_rows);
            recheck();
            Dialogs::message(QStringLiteral("已新建%1户住户。").arg(n));
        }
    });
}

void TBillingTab::recheck()
{
    m_rows = BillingRun::preview(DemoDM(), m_sheet, year(), month());
    showPreview();
}

void TBillingTab::showPreview()
{
    m_grid->setRowCount(int(m_rows.size()));
    int accepted = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        const Billing::CheckedRow &r = m_rows[i];
        const QStringList texts{QString::number(r.sheet.line), r.sheet.cmc, r.sheet.bhh, r.sheet.bhmc,
                                FloatToText(r.facts.lastElectricity), r.sheet.bccjd, FloatToText(r.facts.lastWater),
                                r.sheet.bccjds, r.problems.isEmpty() ? QStringLiteral("正常") : r.reason()};
        QColor colour = Qt::white;
        if (!r.accepted())
            colour = QColor(255, 214, 214);
        else if (!r.problems.isEmpty())
            colour = QColor(255, 245, 190);
        for (int c = 0; c < texts.size(); ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            item->setBackground(colour);
            if (c == texts.size() - 1)
                item->setToolTip(texts[c]);   // the whole reason, however long
            m_grid->setItem(i, c, item);
        }
        accepted += r.accepted() ? 1 : 0;
    }
    m_status->setText(QStringLiteral("%1年%2月：共%3行，可生成%4张收据，跳过%5行（红色），提示%6行（黄色）。")
                          .arg(year(), month())
                          .arg(m_rows.size())
                          .arg(accepted)
                          .arg(m_rows.size() - accepted)
                          .arg(std::count_if(m_rows.begin(), m_rows.end(), [](const Billing::CheckedRow &r) {
                              return r.accepted() && !r.problems.isEmpty();
                          })));
    m_generate->setEnabled(accepted > 0);
    m_createUnknown->setEnabled(unknownCount() > 0);
}

int TBillingTab::unknownCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const Billing::CheckedRow &r) {
        return r.problems.contains(Billing::Problem::UnknownHousehold) && !r.sheet.bhmc.isEmpty();
    }));
}

// ---------------------------------------------------------------- bills

void TBillingTab::generateBills()
{
    if (m_rows.isEmpty()) {
        Dialogs::message(QStringLiteral("请先导入抄表数据。"));
        return;
    }
    RunShowingErrors([this] {
        // Checked again for the month shown: it may have been changed, and
        // receipts may have been stored since the import.
        m_rows = BillingRun::preview(DemoDM(), m_sheet, year(), month());
        const int accepted = int(std::count_if(m_rows.begin(), m_rows.end(), [](const Billing::CheckedRow &r) { return r.accepted(); }));
        if (!Dialogs::question(QStringLiteral("将为%1年%2月生成%3张未付款收据，确定吗？").arg(year(), month()).arg(accepted)))
            return;
        TGlobal &g = Global();
        const Billing::BillSettings settings{year(), month(),
                                             DateText::fromDateTime(QDateTime(DateText::today(), QTime(0, 0))),
                                             g.str_dj, g.str_djs, g.str_skr, g.str_cbr};
        const BillingRun::Result result = BillingRun::generate(DemoDM(), m_rows, settings);
        emit billsStored();
        m_rows = BillingRun::preview(DemoDM(), m_sheet, year(), month());
        showPreview();
        Dialogs::message(result.summary(), QStringLiteral("生成收据"));
    });
}

// ---------------------------------------------------------------- notices

QList<ReceiptRow> TBillingTab::noticeBills()
{
    QList<ReceiptRow> bills;
    const QString only = community();
    for (const ReceiptRow &r : Billing::unpaidBills(DemoDM(), year(), month()))
        if (only.isEmpty() || r.cmc.compare(only, Qt::CaseInsensitive) == 0)
            bills.append(r);
    if (bills.isEmpty())
        Dialogs::message(QStringLiteral("%1年%2月没有未付款的收据。").arg(year(), month()));
    return bills;
}

void TBillingTab::printNotices()
{
    if (!checkPeriod())
        return;
    RunShowingErrors([this] {
        const QList<ReceiptRow> bills = noticeBills();
        if (bills.isEmpty())
            return;
        NoticeJob job;
        const QString today = DateText::fromDate(DateText::today());
        for (const ReceiptRow &r : bills)
            job.add(r, today);
        job.print(QStringLiteral("缴费通知单 %1年%2月").arg(year(), month()));
        Dialogs::message(QStringLiteral("已将%1张缴费通知单作为一个打印任务发送到打印机。").arg(job.count()));
    });
}

void TBillingTab::saveNoticesPdf()
{
    if (!checkPeriod())
        return;
    RunShowingErrors([this] {
        const QList<ReceiptRow> bills = noticeBills();
        if (bills.isEmpty())
            return;
        QString path = choosePdfPath(QStringLiteral("缴费通知单%1%2.pdf").arg(year(), month()));
        if (path.isEmpty())
            return;
        if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
            path += QStringLiteral(".pdf");
        NoticeJob job;
        const QString today = DateText::fromDate(DateText::today());
        for (const ReceiptRow &r : bills)
            job.add(r, today);
        job.exportPdf(path);
        Dialogs::message(QStringLiteral("已保存%1张缴费通知单：%2").arg(job.count()).arg(QDir::toNativeSeparators(path)));
    });
}
