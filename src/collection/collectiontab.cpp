#include "collection/collectiontab.h"

#include "collection/collectionlists.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/billingstore.h"
#include "data/demodm.h"
#include "data/employeestore.h"
#include "print/reminderjob.h"
#include "print/rowsheet.h"
#include "print/shownerrors.h"
#include "print/spreadsheetengine.h"
#include "text/datetext.h"
#include "text/numtext.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

namespace {

const QString kAllCommunities = QStringLiteral("（全部社区）");
const QString kAllPayees = QStringLiteral("（全部收款人）");

QTableWidget *listGrid(const QString &name, const QStringList &headings, QWidget *parent)
{
    auto *grid = new QTableWidget(0, int(headings.size()), parent);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels(headings);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

void setRow(QTableWidget *grid, int row, const QStringList &texts, const QList<int> &rightAligned = {})
{
    for (int c = 0; c < texts.size(); ++c) {
        auto *item = new QTableWidgetItem(texts[c]);
        if (rightAligned.contains(c))
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, c, item);
    }
}

QComboBox *monthBox(const QString &name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    for (int m = 1; m <= 12; ++m)
        box->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    return box;
}

QString withSuffix(QString path, const QString &fallback)
{
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + fallback;
    return path;
}

} // namespace

TCollectionTab::TCollectionTab(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CollectionTab"));
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("cPages"));
    m_pages->addTab(buildArrearsPage(), QStringLiteral("欠费查询"));
    m_pages->addTab(buildTakingsPage(), QStringLiteral("收费日报"));
    top->addWidget(m_pages);

    chooseExportPath = [this](const QString &preset) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("导出到"), preset,
                                            QStringLiteral("Excel 2007 工作簿 (*.xlsx);;OpenDocument 电子表格 (*.ods);;Excel 工作簿 (*.xls)"));
    };
    choosePdfPath = [this](const QString &preset) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("催费通知单保存到"), preset, QStringLiteral("PDF 文件 (*.pdf)"));
    };
}

QWidget *TCollectionTab::buildArrearsPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);

    auto *filters = new QGroupBox(QStringLiteral("查询条件"), page);
    auto *row = new QHBoxLayout(filters);
    m_community = new QComboBox(filters);
    m_community->setObjectName(QStringLiteral("cCommunity"));
    m_community->setMinimumWidth(140);
    m_community->addItem(kAllCommunities);
    m_household = new QLineEdit(filters);
    m_household->setObjectName(QStringLiteral("cHousehold"));
    m_household->setPlaceholderText(QStringLiteral("户号或户名"));
    m_household->setFixedWidth(120);
    m_fromYear = new QLineEdit(filters);
    m_fromYear->setObjectName(QStringLiteral("cFromYear"));
    m_fromYear->setMaxLength(4);
    m_fromYear->setFixedWidth(50);
    m_fromYear->setPlaceholderText(QStringLiteral("不限"));
    m_fromMonth = monthBox(QStringLiteral("cFromMonth"), filters);
    m_toYear = new QLineEdit(filters);
    m_toYear->setObjectName(QStringLiteral("cToYear"));
    m_toYear->setMaxLength(4);
    m_toYear->setFixedWidth(50);
    m_toYear->setPlaceholderText(QStringLiteral("不限"));
    m_toMonth = monthBox(QStringLiteral("cToMonth"), filters);
    m_toMonth->setCurrentIndex(11);
    row->addWidget(new QLabel(QStringLiteral("社区"), filters));
    row->addWidget(m_community);
    row->addWidget(new QLabel(QStringLiteral("住户"), filters));
    row->addWidget(m_household);
    row->addWidget(new QLabel(QStringLiteral("从"), filters));
    row->addWidget(m_fromYear);
    row->addWidget(new QLabel(QStringLiteral("年"), filters));
    row->addWidget(m_fromMonth);
    row->addWidget(new QLabel(QStringLiteral("月 至"), filters));
    row->addWidget(m_toYear);
    row->addWidget(new QLabel(QStringLiteral("年"), filters));
    row->addWidget(m_toMonth);
    row->addWidget(new QLabel(QStringLiteral("月"), filters));
    row->addStretch();
    layout->addWidget(filters);
    connect(m_household, &QLineEdit::returnPressed, this, &TCollectionTab::queryArrears);

    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &name, const QString &caption, void (TCollectionTab::*slot)()) {
        auto *b = new QPushButton(caption, page);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("cQueryArrears"), QStringLiteral("查询"), &TCollectionTab::queryArrears);
    button(QStringLiteral("cExportArrears"), QStringLiteral("导出"), &TCollectionTab::exportArrears);
    button(QStringLiteral("cPrintReminders"), QStringLiteral("打印催费通知单"), &TCollectionTab::printReminders);
    button(QStringLiteral("cRemindersPdf"), QStringLiteral("催费通知单存为PDF"), &TCollectionTab::saveRemindersPdf);
    buttons->addStretch();
    m_collect = button(QStringLiteral("cCollect"), QStringLiteral("收款"), &TCollectionTab::collectSelected);
    m_collect->setEnabled(false);
    layout->addLayout(buttons);

    auto *split = new QSplitter(Qt::Vertical, page);
    m_arrearsGrid = listGrid(QStringLiteral("cArrears"),
                             {QStringLiteral("社区"), QStringLiteral("户号"), QStringLiteral("户名"), QStringLiteral("欠费月数"),
                              QStringLiteral("欠费金额"), QStringLiteral("欠费月份")},
                             split);
    m_arrearsGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_arrearsGrid->setColumnWidth(0, 120);
    m_unpaidGrid = listGrid(QStringLiteral("cUnpaid"),
                            {QStringLiteral("月份"), QStringLiteral("收据号"), QStringLiteral("金额"), QStringLiteral("所在")}, split);
    m_unpaidGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    split->addWidget(m_arrearsGrid);
    split->addWidget(m_unpaidGrid);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);
    m_arrearsStatus = new QLabel(QStringLiteral("选择条件后按“查询”，列出未付款的收据。"), page);
    m_arrearsStatus->setObjectName(QStringLiteral("cArrearsStatus"));
    layout->addWidget(m_arrearsStatus);

    connect(m_arrearsGrid, &QTableWidget::currentCellChanged, this, [this](int r) { showUnpaidOf(r); });
    connect(m_unpaidGrid, &QTableWidget::currentCellChanged, this,
            [this](int r) { m_collect->setEnabled(r >= 0); });
    connect(m_unpaidGrid, &QTableWidget::cellDoubleClicked, this, [this] { collectSelected(); });
    return page;
}

QWidget *TCollectionTab::buildTakingsPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *filters = new QGroupBox(QStringLiteral("查询条件"), page);
    auto *row = new QHBoxLayout(filters);
    const auto dateField = [&](const QString &name) {
        auto *d = new QDateEdit(DateText::today(), filters);
        d->setObjectName(name);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setCalendarPopup(true);
        return d;
    };
    m_fromDate = dateField(QStringLiteral("cFromDate"));
    m_toDate = dateField(QStringLiteral("cToDate"));
    m_payee = new QComboBox(filters);
    m_payee->setObjectName(QStringLiteral("cPayee"));
    m_payee->setEditable(true);
    m_payee->setMinimumWidth(120);
    m_payee->addItem(kAllPayees);
    row->addWidget(new QLabel(QStringLiteral("收款日期从"), filters));
    row->addWidget(m_fromDate);
    row->addWidget(new QLabel(QStringLiteral("至"), filters));
    row->addWidget(m_toDate);
    row->addWidget(new QLabel(QStringLiteral("收款人"), filters));
    row->addWidget(m_payee);
    row->addStretch();
    layout->addWidget(filters);

    auto *buttons = new QHBoxLayout;
    for (const auto &[name, caption, slot] :
         {std::tuple{"cQueryTakings", "查询", &TCollectionTab::queryTakings},
          std::tuple{"cExportTakings", "导出", &TCollectionTab::exportTakings},
          std::tuple{"cPrintTakings", "打印", &TCollectionTab::printTakings}}) {
        auto *b = new QPushButton(QString::fromUtf8(caption), page);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    m_methodGrid = listGrid(QStringLiteral("cMethods"), {QStringLiteral("收款方式"), QStringLiteral("笔数"), QStringLiteral("金额")}, page);
    m_methodGrid->setMaximumHeight(190);   // the four methods and the total
    m_methodGrid->horizontalHeader()->setStretchLastSection(false);
    m_methodGrid->setColumnWidth(0, 120);
    m_methodGrid->setColumnWidth(1, 80);
    m_methodGrid->setColumnWidth(2, 120);
    layout->addWidget(m_methodGrid);
    m_takingsGrid = listGrid(QStringLiteral("cTakings"),
                             {QStringLiteral("收款时间"), QStringLiteral("收款人"), QStringLiteral("收款方式"), QStringLiteral("金额"),
                              QStringLiteral("收据号"), QStringLiteral("社区"), QStringLiteral("户号"), QStringLiteral("户名"),
                              QStringLiteral("月份")},
                             page);
    for (const auto &[column, width] : {std::pair{0, 140}, {1, 70}, {2, 72}, {3, 72}, {4, 80}, {5, 90}, {6, 80}, {7, 90}})
        m_takingsGrid->setColumnWidth(column, width);
    layout->addWidget(m_takingsGrid, 1);
    m_takingsStatus = new QLabel(QStringLiteral("选择日期和收款人后按“查询”。"), page);
    m_takingsStatus->setObjectName(QStringLiteral("cTakingsStatus"));
    layout->addWidget(m_takingsStatus);
    return page;
}

void TCollectionTab::reload()
{
    RunShowingErrors([this] {
        TDemoDM &dm = DemoDM();
        const QString community = m_community->currentText();
        m_community->clear();
        m_community->addItem(kAllCommunities);
        m_community->addItems(Billing::communities(dm));
        m_community->setCurrentIndex(std::max(0, int(m_community->findText(community))));
        const QString payee = m_payee->currentText();
        m_payee->clear();
        m_payee->addItem(kAllPayees);
        m_payee->addItems(Employees::namesOfType(dm, QStringLiteral("收款人")));
        m_payee->setEditText(payee.isEmpty() ? kAllPayees : payee);
        // The arrears are what the tab is opened for: listed at once.
        queryArrears();
        if (m_takingsShown)
            queryTakings();
    });
}

// ---------------------------------------------------------------- arrears

Payments::ArrearsFilter TCollectionTab::arrearsFilter() const
{
    Payments::ArrearsFilter f;
    f.cmc = m_community->currentIndex() <= 0 ? QString() : m_community->currentText();
    f.household = m_household->text().trimmed();
    f.fromPeriod = CollectionLists::periodOf(m_fromYear->text(), m_fromMonth->currentText(), QStringLiteral("起始年月"));
    f.toPeriod = CollectionLists::periodOf(m_toYear->text(), m_toMonth->currentText(), QStringLiteral("截止年月"));
    if (f.fromPeriod > 0 && f.toPeriod > 0 && f.fromPeriod > f.toPeriod)
        throw AppError(QStringLiteral("起始年月不能晚于截止年月。"));
    return f;
}

void TCollectionTab::queryArrears()
{
    RunShowingErrors([this] {
        const Payments::ArrearsFilter f = arrearsFilter();
        m_arrears = Payments::arrears(DemoDM(), f);
        m_arrearsShown = true;
        showArrears();
    });
}

void TCollectionTab::showArrears()
{
    // The household shown before stays chosen when it still owes.
    const int before = m_arrearsGrid->currentRow();
    const QString kept = before >= 0 && m_arrearsGrid->item(before, 2)
        ? m_arrearsGrid->item(before, 1)->text() + QLatin1Char('\t') + m_arrearsGrid->item(before, 2)->text()
        : QString();
    m_arrearsGrid->clearSelection();
    m_arrearsGrid->setRowCount(int(m_arrears.lines.size()));
    int again = -1;
    for (int i = 0; i < m_arrears.lines.size(); ++i) {
        const Payments::ArrearsLine &l = m_arrears.lines[i];
        setRow(m_arrearsGrid, i,
               {l.cmc, l.bhh, l.bhmc, QString::number(l.months), FormatMoney(l.sum), CollectionLists::monthsOf(l)}, {3, 4});
        if (!kept.isEmpty() && l.bhh + QLatin1Char('\t') + l.bhmc == kept)
            again = i;
    }
    m_arrearsStatus->setText(QStringLiteral("欠费住户：%1户　未付款收据：%2张　欠费合计：%3元")
                                 .arg(m_arrears.lines.size())
                                 .arg(m_arrears.count)
                                 .arg(FormatMoney(m_arrears.total)));
    const int current = again >= 0 ? again : (m_arrears.lines.isEmpty() ? -1 : 0);
    if (current >= 0)
        m_arrearsGrid->setCurrentCell(current, 0);
    showUnpaidOf(current);
}

void TCollectionTab::showUnpaidOf(int line)
{
    const QList<Payments::UnpaidReceipt> receipts =
        line >= 0 && line < m_arrears.lines.size() ? m_arrears.lines[line].receipts : QList<Payments::UnpaidReceipt>();
    m_unpaidGrid->setRowCount(int(receipts.size()));
    for (int i = 0; i < receipts.size(); ++i) {
        const Payments::UnpaidReceipt &r = receipts[i];
        setRow(m_unpaidGrid, i,
               {Payments::monthText(r.nf, r.yf), r.sjxh, FormatMoney(r.cost),
                r.archived ? QStringLiteral("历史收据") : QStringLiteral("当前收据")},
               {2});
    }
    if (!receipts.isEmpty())
        m_unpaidGrid->setCurrentCell(0, 0);
    m_collect->setEnabled(!receipts.isEmpty());
}

void TCollectionTab::collectSelected()
{
    const int line = m_arrearsGrid->currentRow();
    const int receipt = m_unpaidGrid->currentRow();
    if (line < 0 || line >= m_arrears.lines.size() || receipt < 0 || receipt >= m_arrears.lines[line].receipts.size()) {
        Dialogs::message(QStringLiteral("请先选择一张未付款的收据。"));
        return;
    }
    const Payments::UnpaidReceipt &r = m_arrears.lines[line].receipts[receipt];
    emit collectRequested(r.sjxh, r.lbmc);
}

void TCollectionTab::exportArrears()
{
    if (!m_arrearsShown) {
        Dialogs::message(QStringLiteral("请先查询。"));
        return;
    }
    RunShowingErrors([this] {
        QString path = chooseExportPath(QStringLiteral("欠费查询%1.xlsx").arg(DateText::today().toString(QStringLiteral("yyyyMMdd"))));
        if (path.isEmpty())
            return;
        path = withSuffix(path, QStringLiteral("xlsx"));
        RowSheet::save(path, CollectionLists::arrearsRows(
                                 m_arrears, QStringLiteral("欠费查询 %1").arg(DateText::fromDate(DateText::today()))));
        Dialogs::message(QStringLiteral("已导出%1户欠费：%2").arg(m_arrears.lines.size()).arg(QDir::toNativeSeparators(path)));
    });
}

QList<Payments::ArrearsLine> TCollectionTab::reminderLines()
{
    if (m_arrears.lines.isEmpty()) {
        Dialogs::message(QStringLiteral("没有欠费的住户，请先查询。"));
        return {};
    }
    QList<int> rows;
    for (const QModelIndex &i : m_arrearsGrid->selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    QList<Payments::ArrearsLine> lines;
    if (rows.isEmpty()) {
        if (!Dialogs::question(QStringLiteral("没有选择住户，是否为列表中全部%1户打印催费通知单？").arg(m_arrears.lines.size())))
            return {};
        return m_arrears.lines;
    }
    for (int r : std::as_const(rows))
        if (r < m_arrears.lines.size())
            lines.append(m_arrears.lines[r]);
    return lines;
}

// `ready` asks what the output needs (where to save) before any page is
// filled: a cancel there costs nothing.
void TCollectionTab::sendReminders(const std::function<bool()> &ready, const std::function<QString(ReminderJob &)> &finish)
{
    RunShowingErrors([&] {
        const QList<Payments::ArrearsLine> lines = reminderLines();
        if (lines.isEmpty() || !ready())
            return;
        ReminderJob job;
        const QString today = DateText::fromDate(DateText::today());
        for (const Payments::ArrearsLine &l : lines)
            job.add(l, today);
        const QString done = finish(job);
        if (!done.isEmpty())
            Dialogs::message(done);
    });
}

void TCollectionTab::printReminders()
{
    sendReminders([] { return true; }, [](ReminderJob &job) {
        job.print(QStringLiteral("催费通知单"));
        return QStringLiteral("已将%1张催费通知单作为一个打印任务发送到打印机。").arg(job.count());
    });
}

void TCollectionTab::saveRemindersPdf()
{
    QString path;
    const auto ready = [this, &path] {
        path = choosePdfPath(QStringLiteral("催费通知单%1.pdf").arg(DateText::today().toString(QStringLiteral("yyyyMMdd"))));
        if (path.isEmpty())
            return false;
        if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
            path += QStringLiteral(".pdf");
        return true;
    };
    sendReminders(ready, [&path](ReminderJob &job) {
        job.exportPdf(path);
        return QStringLiteral("已保存%1张催费通知单：%2").arg(job.count()).arg(QDir::toNativeSeparators(path));
    });
}

// ---------------------------------------------------------------- takings

Payments::TakingsFilter TCollectionTab::takingsFilter() const
{
    Payments::TakingsFilter f;
    f.from = m_fromDate->date();
    f.to = m_toDate->date();
    if (f.from > f.to)
        throw AppError(QStringLiteral("起始日期不能晚于截止日期。"));
    const QString payee = m_payee->currentText().trimmed();
    f.payee = payee == kAllPayees ? QString() : payee;
    return f;
}

void TCollectionTab::queryTakings()
{
    RunShowingErrors([this] { readTakings(); });
}

Payments::TakingsFilter TCollectionTab::readTakings()
{
    const Payments::TakingsFilter f = takingsFilter();
    m_takings = Payments::takings(DemoDM(), f);
    m_takingsShown = true;
    showTakings();
    return f;
}

void TCollectionTab::showTakings()
{
    m_methodGrid->setRowCount(int(m_takings.byMethod.size()) + 1);
    int row = 0;
    for (const Payments::MethodSum &m : m_takings.byMethod)
        setRow(m_methodGrid, row++, {m.method, QString::number(m.count), FormatMoney(m.sum)}, {1, 2});
    setRow(m_methodGrid, row, {QStringLiteral("合计"), QString::number(m_takings.count), FormatMoney(m_takings.total)}, {1, 2});
    m_takingsGrid->setRowCount(int(m_takings.rows.size()));
    for (int i = 0; i < m_takings.rows.size(); ++i) {
        const Payments::TakingsRow &r = m_takings.rows[i];
        setRow(m_takingsGrid, i,
               {r.payment.sksj, r.payment.skr, r.payment.skfs, FormatMoney(r.payment.je), r.payment.sjxh, r.cmc, r.bhh,
                r.bhmc, Payments::monthText(r.nf, r.yf)},
               {3});
    }
    m_takingsStatus->setText(QStringLiteral("收款笔数：%1　收款合计：%2元").arg(m_takings.count).arg(FormatMoney(m_takings.total)));
}

void TCollectionTab::exportTakings()
{
    RunShowingErrors([this] {
        const Payments::TakingsFilter f = readTakings();
        QString path = chooseExportPath(
            QStringLiteral("收费日报%1-%2.xlsx").arg(f.from.toString(QStringLiteral("yyyyMMdd")), f.to.toString(QStringLiteral("yyyyMMdd"))));
        if (path.isEmpty())
            return;
        path = withSuffix(path, QStringLiteral("xlsx"));
        RowSheet::save(path, CollectionLists::takingsRows(m_takings, CollectionLists::takingsTitle(f)));
        Dialogs::message(QStringLiteral("已导出%1笔收款：%2").arg(m_takings.count).arg(QDir::toNativeSeparators(path)));
    });
}

void TCollectionTab::printTakings()
{
    RunShowingErrors([this] {
        const Payments::TakingsFilter f = readTakings();
        RowSheet::print(CollectionLists::takingsRows(m_takings, CollectionLists::takingsTitle(f)), QStringLiteral("收费日报"));
    });
}
