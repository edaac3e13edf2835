#include "history/historytab.h"
#include "ui_historytab.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "common/operation.h"
#include "common/screenkeys.h"
#include "data/demodm.h"
#include "data/historyrows.h"
#include "data/serials.h"
#include "entry/brdateform.h"
#include "print/formdyts.h"
#include "history/receiptengine.h"
#include "print/receiptbatch.h"
#include "print/receiptpreview.h"
#include "print/receiptprint.h"
#include "print/spreadsheetengine.h"
#include "text/datetext.h"
#include "text/numtext.h"
#include "text/texterror.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <memory>

namespace {

QString numberText(const QVariant &v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? FloatToText(d) : v.toString();
}

QString dateText(const QVariant &v)
{
    QDateTime dt;
    if (DateText::tryToDateTime(v.toString(), &dt))
        return DateText::fromDateTime(dt);
    return v.toString();
}

} // namespace

THistoryTab::THistoryTab(QWidget *parent)
    : QWidget(parent), ui(new Ui::THistoryTab), m_list(new TGridModel(this)), m_rows(new THistoryRows(this))
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("TabSheet3Page"));

    for (int m = 1; m <= 12; ++m)
        ui->cbbyf->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    ui->cbbyf->setCurrentIndex(-1);
    ui->cbbyf->setEditText(QString());
    ui->cbbyf->setInsertPolicy(QComboBox::NoInsert);

    // The list: every receipt column the operator needs, a few kept hidden.
    auto num = [](const char *field, const char *title, int width) {
        return TGridModel::Column{QString::fromUtf8(field), QString::fromUtf8(title), width, numberText};
    };
    auto txt = [](const char *field, const char *title, int width) {
        return TGridModel::Column{QString::fromUtf8(field), QString::fromUtf8(title), width, {}};
    };
    auto hidden = [](TGridModel::Column c) {
        c.hidden = true;
        return c;
    };
    m_list->setColumns({
        num("pxxh", "序号", 44),
        txt("sjxh", "单据编号", 80),
        txt("nf", "年份", 44),
        txt("yf", "月份", 40),
        txt("bhmc", "户名", 100),
        txt("bhh", "户号", 70),
        num("sccjd", "上月抄电量", 80),
        num("bccjd", "本月抄电量", 80),
        num("cjdl", "用电量", 60),
        num("shsld", "电费损耗量", 80),
        num("dj", "电费单价", 64),
        num("jed", "电费", 64),
        num("sccjds", "上月抄水表数", 90),
        num("bccjds", "本月抄水表数", 90),
        num("cjdls", "用水量", 60),
        num("shsls", "水费损耗量", 80),
        num("djs", "水价", 56),
        num("jes", "水费", 64),
        txt("skr", "收款人", 64),
        num("qtfy", "其它费用", 64),
        num("fzfy", "房租费用", 64),
        num("cost", "总金额", 72),
        txt("fkzt", "付款状态", 64),
        TGridModel::Column{QStringLiteral("rq"), QStringLiteral("日期"), 84, dateText},
        txt("cbr", "抄表人", 64),
        // Present but hidden.
        hidden(num("bl", "倍率", 50)),
        hidden(num("bdl", "补电量", 50)),
        hidden(num("hbdl", "换表电量", 60)),
        hidden(num("hjdl", "合计电量", 60)),
        hidden(txt("cmc", "区域", 60)),
    });
    QTableView *grid = ui->DBGrid5;
    m_list->setRowMark(QStringLiteral("fkzt"), QStringLiteral("未付款"));
    m_list->showIn(grid);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->hide();   // the numbers are in 序号
    ScreenKeys::onCtrlDelete(grid, this, [this] { deleteSelectedRow(); });
    ScreenKeys::addGridAction(grid, QStringLiteral("收款"), QStringLiteral("DBGrid5Collect"), this, [this] {
        if (const int row = selectedRow(); row >= 0)
            emit collectRequested(m_list->fieldValue(row, QStringLiteral("sjxh")).toString(),
                                  m_list->fieldValue(row, QStringLiteral("lbmc")).toString());
    });
    // The row the list stood on, kept over a reset of its result (closing
    // the connection resets it; reopenList goes back to the row).
    connect(m_list, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (ui->DBGrid5->currentIndex().isValid())
            m_rowBeforeReset = ui->DBGrid5->currentIndex().row();
    });

    // Status bar: four panels of 140 pixels.
    const QStringList panelTexts{QStringLiteral("收据总张数："), QString(), QStringLiteral("总金额："), QString()};
    for (int i = 0; i < 4; ++i) {
        m_sbPanels[i] = new QLabel(panelTexts[i], ui->sb1);
        m_sbPanels[i]->setObjectName(QStringLiteral("sb1Panel%1").arg(i));
        m_sbPanels[i]->setFixedWidth(140);
        ui->sb1->addWidget(m_sbPanels[i]);
    }

    // The date fields show their picker button while they have the focus,
    // and turn yellow.
    auto *highlight = new TFocusHighlight(this);
    for (QWidget *w : {static_cast<QWidget *>(ui->Edit15), static_cast<QWidget *>(ui->Edit16),
                       static_cast<QWidget *>(ui->Edit17), static_cast<QWidget *>(ui->Edit18),
                       static_cast<QWidget *>(ui->Edit23), static_cast<QWidget *>(ui->cbbyf)}) {
        w->installEventFilter(this);
        highlight->watch(w);
    }

    // The picker buttons keep their place while hidden, so showing one does
    // not push the fields to its right under the mouse.
    for (QPushButton *button : {ui->BitBtn7, ui->BitBtn8}) {
        QSizePolicy policy = button->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        button->setSizePolicy(policy);
    }

    ui->ldyts->clear();
    ui->pbdyts->hide();

    // The batch shows its progress in the label and the bar under the list.
    m_batch = new TBatchPrinting(this);
    m_services = THistoryServices::defaults(this);
    ui->pbdyts->setFormat(QStringLiteral("%v/%m"));
    connect(m_batch, &TBatchPrinting::statusText, ui->ldyts, &QLabel::setText);
    connect(m_batch, &TBatchPrinting::progressChanged, this, [this](int value, int maximum) {
        ui->pbdyts->setRange(0, maximum);
        ui->pbdyts->setValue(value);
    });
    connect(m_batch, &TBatchPrinting::batchStarted, ui->pbdyts, &QWidget::show);
    connect(m_batch, &TBatchPrinting::batchFinished, ui->pbdyts, &QWidget::hide);

    connect(ui->SpeedButton21, &QPushButton::clicked, this, &THistoryTab::SpeedButton21Click);
    connect(ui->rbb1, &QRadioButton::clicked, this, &THistoryTab::rbb1Click);
    connect(ui->rbb2, &QRadioButton::clicked, this, &THistoryTab::rbb2Click);
    connect(ui->SpeedButton5, &QPushButton::clicked, this, &THistoryTab::SpeedButton5Click);
    connect(ui->SpeedButton23, &QPushButton::clicked, this, &THistoryTab::SpeedButton23Click);
    connect(ui->SpeedButton37, &QPushButton::clicked, this, &THistoryTab::SpeedButton37Click);
    connect(ui->SpeedButton29, &QPushButton::clicked, this, &THistoryTab::SpeedButton29Click);
    connect(ui->BitBtn7, &QPushButton::clicked, this, &THistoryTab::BitBtn7Click);
    connect(ui->BitBtn8, &QPushButton::clicked, this, &THistoryTab::BitBtn8Click);
}

THistoryTab::~THistoryTab()
{
    delete ui;
}

THistoryServices THistoryServices::defaults(QWidget *parent)
{
    THistoryServices s;
    s.pickDate = [parent](const QDate &shown, QDate *chosen) {
        auto dialog = std::make_unique<TBrDateForm>(parent);
        if (shown.isValid())
            dialog->setDate(shown);
        const bool ok = dialog->exec() == QDialog::Accepted;
        *chosen = dialog->date();
        return ok;
    };
    s.chooseSavePath = WorkbookExport::fileDialog(parent);
    s.writeWorkbook = HistoryPrinting::ExportWriter();
    s.printing = BatchPrintServices::defaults();
    return s;
}

TFormdyts *THistoryTab::rangeDialog() const
{
    return m_batch->rangeDialog();
}

// ------------------------------------------------------------------ focus

bool THistoryTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && w != ui->DBGrid5) {
            const bool in = event->type() == QEvent::FocusIn;
            QPushButton *button = watched == ui->Edit17 ? ui->BitBtn7 : watched == ui->Edit18 ? ui->BitBtn8 : nullptr;
            if (button) {
                if (in)
                    button->show();
                else if (QApplication::focusWidget() != button)
                    button->hide();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void THistoryTab::BitBtn7Click()
{
    pickInto(7);
}

void THistoryTab::BitBtn8Click()
{
    pickInto(8);
}

void THistoryTab::pickInto(int which)
{
    QLineEdit *field = which == 7 ? ui->Edit17 : ui->Edit18;
    QPushButton *button = which == 7 ? ui->BitBtn7 : ui->BitBtn8;
    QDateTime shown;
    DateText::tryToDateTime(field->text(), &shown);
    QDate chosen;
    const bool ok = m_services.pickDate && m_services.pickDate(shown.date(), &chosen);
    button->hide();
    if (ok && chosen.isValid()) {
        field->setText(DateText::fromDate(chosen));
        if (which == 7)
            ui->Edit18->setFocus();
    }
}

// ------------------------------------------------------------------ query

void THistoryTab::reload()
{
    ui->Edit23->setText(QString::number(DateText::today().year()).rightJustified(4, QLatin1Char('0')));
    ui->cbbyf->setCurrentIndex(-1);
    ui->cbbyf->setEditText(QString());
    SpeedButton21Click();
}

void THistoryTab::setDateRange(const QDate &from, const QDate &to)
{
    ui->Edit17->setText(DateText::fromDate(from));
    ui->Edit18->setText(DateText::fromDate(to));
}

void THistoryTab::rbb1Click()
{
    ui->SpeedButton37->setEnabled(true);
    SpeedButton21Click();
}

void THistoryTab::rbb2Click()
{
    ui->SpeedButton37->setEnabled(false);
    SpeedButton21Click();
}

HistoryQuery::Filter THistoryTab::filter(bool history) const
{
    HistoryQuery::Filter f;
    f.history = history;
    f.namePrefix = ui->Edit15->text();
    f.serial = ui->Edit16->text();
    // A date that is not a date stops here, before any statement runs.
    if (!ui->Edit17->text().isEmpty())
        f.from = DateText::toDateTime(ui->Edit17->text());
    if (!ui->Edit18->text().isEmpty())
        f.to = DateText::toDateTime(ui->Edit18->text());
    f.year = ui->Edit23->text();
    f.month = ui->cbbyf->currentText();
    return f;
}

void THistoryTab::SpeedButton21Click()
{
    Operation::run([this] { doQuery(); });
}

bool THistoryTab::listShown() const
{
    return m_list->sourceModel() != nullptr;
}

void THistoryTab::reopenList(bool dataReplaced)
{
    if (!listShown())
        return;
    Operation::run([this, dataReplaced] {
        if (dataReplaced) {
            doQuery();
            return;
        }
        TNamedQuery &list = DemoDM().qlshz;
        list.reopen();
        if (m_list->sourceModel() == m_rows) {
            // The history rows stay in their places and are read again.
            const QModelIndex current = ui->DBGrid5->currentIndex();
            m_rows->reload();
            if (current.isValid())
                ui->DBGrid5->setCurrentIndex(current);
            return;
        }
        const int row = m_rowBeforeReset;
        m_list->setSourceModel(list.model());
        // Fetch up to the row again (the result is read in pieces).
        while (m_list->rowCount() <= row && m_list->canFetchMore({}))
            m_list->fetchMore({});
        if (m_list->rowCount() > 0)
            ui->DBGrid5->setCurrentIndex(m_list->index(qBound(0, row, m_list->rowCount() - 1), 0));
    });
}

void THistoryTab::showEmptyList()
{
    // No source: no rows, the titles stay.
    m_list->setSourceModel(nullptr);
    m_rows->clear();
}

void THistoryTab::doQuery()
{
    TDemoDM &dm = DemoDM();
    const HistoryQuery::Filter f = filter(ui->rbb1->isChecked());
    m_listTable = f.history ? Receipts::Table::History : Receipts::Table::Deleted;
    HistoryQuery::Totals totals;
    if (!HistoryQuery::openList(dm, dm.qlshz, f, &totals)) {
        showEmptyList();
        return;
    }
    // The grid shows the new numbers; first row current. The history's
    // rows are read by their numbers as the grid shows them.
    if (f.history) {
        m_rows->show(f, totals.count);
        if (m_list->sourceModel() != m_rows)
            m_list->setSourceModel(m_rows);
    } else {
        m_list->setSourceModel(dm.qlshz.model());
    }
    if (m_list->rowCount() > 0)
        ui->DBGrid5->setCurrentIndex(m_list->index(0, 0));

    // A money total, with two decimals (the sum carries binary noise).
    setStatus(QString::number(totals.count), FormatMoney(totals.total));
}

void THistoryTab::setStatus(const QString &count, const QString &total)
{
    m_sbPanels[1]->setText(count);
    m_sbPanels[3]->setText(total);
}

int THistoryTab::selectedRow() const
{
    if (!DemoDM().qlshz.isOpen() || m_list->rowCount() == 0)
        return -1;
    const QModelIndex i = ui->DBGrid5->currentIndex();
    return i.isValid() ? i.row() : 0;
}

void THistoryTab::deleteSelectedRow()
{
    Operation::run([this] {
        const int row = selectedRow();
        if (!ScreenKeys::confirmDeleteRow(row))
            return;
        const qint64 iid = m_list->fieldValue(row, QStringLiteral("iid")).toLongLong();
        TDemoDM &dm = DemoDM();
        {
            DbTransaction tx(dm);
            Receipts::removeRow(dm, m_listTable, iid);
            tx.commit();
        }
        // The row goes; the others keep their numbers and the totals stay.
        removeListedRow(row);
    });
}

// ------------------------------------------------------------------ moves

void THistoryTab::SpeedButton20Click()
{
    Operation::run([this] { doArchive(); });
}

void THistoryTab::doArchive()
{
    TDemoDM &dm = DemoDM();
    const qint64 current = Receipts::count(dm, Receipts::Table::Current);
    if (current == 0) {
        Dialogs::message(QStringLiteral("当前没有需要导出的单据！"));
        return;
    }
    if (!Dialogs::question(QStringLiteral("您确定要导出当前所有单据数据到历史表吗？")))
        return;
    try {
        // Copy and delete together: either every receipt is in the history
        // and none is left current, or nothing moved.
        Receipts::archiveAll(dm);
    } catch (const AppError &) {
        Dialogs::message(QStringLiteral("单据导出到历史表失败！"));
        return;
    }
    emit archived();
    Dialogs::message(QStringLiteral("单据导出到历史表成功！"));
    emit newReceiptRequested();
}

void THistoryTab::SpeedButton5Click()
{
    Operation::run([this] { doRestore(); });
}

void THistoryTab::doRestore()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString sjxh = m_list->fieldValue(row, QStringLiteral("sjxh")).toString();
    TDemoDM &dm = DemoDM();
    // A receipt that is no longer in the history (restored a moment ago,
    // or listed from the deleted receipts) is not moved again: the move
    // would first remove the current receipt with this number and then
    // find nothing to put back.
    if (Receipts::inHistory(dm, sjxh))
        Receipts::restore(dm, sjxh);
    // The list keeps showing the row until the next query.
    emit receiptRestored(sjxh);
}

void THistoryTab::SpeedButton23Click()
{
    Operation::run([this] { doDelete(); });
}

void THistoryTab::doDelete()
{
    if (ui->rbb2->isChecked()) {
        Dialogs::message(QStringLiteral("请先选择“历史数据”"));
        return;
    }
    TDemoDM &dm = DemoDM();
    if (!dm.qlshz.isOpen())
        return;
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString sjxh = m_list->fieldValue(row, QStringLiteral("sjxh")).toString();
    const QString lbmc = m_list->fieldValue(row, QStringLiteral("lbmc")).toString();
    if (!Dialogs::question(QStringLiteral("您确定要删除单据号为：%1的数据吗？").arg(sjxh)))
        return;
    Receipts::removeFromHistory(dm, sjxh, lbmc);
    // The row is gone; the others keep their numbers, the totals stay.
    removeListedRow(row);
}

void THistoryTab::removeListedRow(int row)
{
    TDemoDM &dm = DemoDM();
    dm.qlshz.reopen();
    if (m_list->sourceModel() == m_rows)
        m_rows->removeListedRow(row);
    else
        m_list->setSourceModel(dm.qlshz.model());
    if (m_list->rowCount() > 0)
        ui->DBGrid5->setCurrentIndex(m_list->index(qMin(row, m_list->rowCount() - 1), 0));
}

// ------------------------------------------------------------ batch print

void THistoryTab::SpeedButton37Click()
{
    Operation::run([this] { doBatch(); });
}

void THistoryTab::doBatch()
{
    if (m_batch->batchRunning())
        return;
    TDemoDM &dm = DemoDM();
    if (!dm.qlshz.isOpen()) {
        Dialogs::message(QStringLiteral("请先查询数据！"));
        return;
    }
    if (dm.qlshz.isEmpty()) {
        Dialogs::message(QStringLiteral("没有您需要批量打印的数据！"));
        return;
    }
    m_batch->doBatch(m_services.printing, window());
}

void THistoryTab::stopBatch()
{
    m_batch->stopBatch();
}

// ------------------------------------------------------------------ export

void THistoryTab::SpeedButton29Click()
{
    Operation::run([this] { doExport(); });
}

void THistoryTab::doExport()
{
    const QString month = ui->cbbyf->currentText();
    const QString year = ui->Edit23->text();
    if (!month.isEmpty() && month.size() != 2) {
        Dialogs::message(QStringLiteral("月份长度为2位比如01表示1月份"));
        return;
    }
    if (!year.isEmpty() && year.size() != 4) {
        Dialogs::message(QStringLiteral("年份长度为4位比如2010年"));
        return;
    }
    // Year and month as checked above, whichever list is shown.
    HistoryQuery::Filter f = filter(true);
    f.year = year;
    f.month = month;
    TNamedQuery &q = DemoDM().qdc;
    HistoryQuery::openExport(q, f);
    if (q.isEmpty()) {
        Dialogs::message(QStringLiteral("没有您需要查询的数据！"));
        q.close();
        return;
    }
    const WorkbookExport::Result result =
        WorkbookExport::ExportQueryToWorkbook(q, QStringLiteral("水电费导出明细报表"), m_services.chooseSavePath,
                                             m_services.writeWorkbook, m_services.exportProgress);
    q.close();
    // Only a file that was written is reported as done.
    if (result == WorkbookExport::Result::Written)
        Dialogs::message(QStringLiteral("数据导出完成！"));
}
