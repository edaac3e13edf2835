#include "history/historytab.h"
#include "ui_historytab.h"

#include "common/apperror.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "common/operation.h"
#include "common/screenkeys.h"
#include "data/demodm.h"
#include "data/serials.h"
#include "entry/brdateform.h"
#include "history/formdyts.h"
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
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTimer>
#include <memory>

namespace {

// Every operation of the tab runs inside the program's operation boundary.
constexpr auto &runOperation = Operation::run;

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

void prepare(TNamedQuery &q, const QStringList &lines, const QList<QPair<QString, QVariant>> &binds)
{
    q.close();
    q.clearSql();
    for (const QString &line : lines)
        q.addSql(line);
    for (const auto &b : binds)
        if (q.sql().contains(QLatin1Char(':') + b.first))
            q.bind(b.first, b.second);
}

} // namespace

THistoryTab::THistoryTab(QWidget *parent)
    : QWidget(parent), ui(new Ui::THistoryTab), m_list(new TGridModel(this))
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
    m_list->showIn(grid);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->hide();   // the numbers are in 序号
    ScreenKeys::onCtrlDelete(grid, this, [this] { deleteSelectedRow(); });
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

    // Created once; keeps the numbers entered last time.
    m_formdyts = new TFormdyts(this);
    runRangeDialog = [](TFormdyts *d) { return d->exec() == QDialog::Accepted && d->accepted(); };
    chooseSavePath = WorkbookExport::fileDialog(this);
    writeWorkbook = HistoryPrinting::ExportWriter();
    fillReceipt = FillReceiptTemplate;
    startReceiptJob = [] { return std::unique_ptr<ReceiptJob>(new TemplateReceiptJob); };
    printFirstSheet = [this](const QString &path) {
        try {
            return PrintWorkbookFirstSheet(path) > 0;
        } catch (const AppError &e) {
            if (m_batchFailureReason.isEmpty())
                m_batchFailureReason = e.message();
            return false;
        }
    };
    pickDate = [this](const QDate &shown, QDate *chosen) {
        auto dialog = std::make_unique<TBrDateForm>(this);
        if (shown.isValid())
            dialog->setDate(shown);
        const bool ok = dialog->exec() == QDialog::Accepted;
        *chosen = dialog->date();
        return ok;
    };

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

// ------------------------------------------------------------------ focus

bool THistoryTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_batchWindow && event->type() == QEvent::Close && m_batchRunning && !m_batchStop) {
        // The batch would run on without its window: closing ends it after
        // the receipt in hand, or keeps the window open.
        if (!Dialogs::question(QStringLiteral("正在批量打印，关闭窗口将在当前单据打印完后停止打印。您确定要关闭吗？"))) {
            event->ignore();
            return true;
        }
        stopBatch();
        return false;
    }
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
    const bool ok = pickDate && pickDate(shown.date(), &chosen);
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

THistoryTab::Statement THistoryTab::buildStatements(bool history) const
{
    Statement s;
    s.table = history ? QStringLiteral("P_ORDERDBAK") : QStringLiteral("P_ORDERD_del");
    s.list << QStringLiteral("select * from %1 where bhmc like :bhmc  ").arg(s.table);
    // Count and total in one pass over the result's rows, found through the
    // same index as the list's.
    s.sums << QStringLiteral("select sum(cost) as expr1001, count(*) as expr1002 from %1 where bhmc like :bhmc").arg(s.table);
    s.conditions << QStringLiteral("bhmc like :bhmc ");
    s.binds << qMakePair(QStringLiteral("bhmc"), QVariant(ui->Edit15->text() + QLatin1Char('%')));
    auto add = [&s](const QString &line, const QString &param, const QVariant &value) {
        s.list << line;
        s.sums << line;
        s.conditions << line;
        s.binds << qMakePair(param, value);
    };
    if (!ui->Edit16->text().isEmpty())
        add(QStringLiteral(" and sjxh= :sjxh "), QStringLiteral("sjxh"), ui->Edit16->text());
    // A date that is not a date stops here, before any statement runs.
    if (!ui->Edit17->text().isEmpty())
        add(QStringLiteral(" and rq>= :rq0 "), QStringLiteral("rq0"), DateText::toDateTime(ui->Edit17->text()));
    if (!ui->Edit18->text().isEmpty())
        add(QStringLiteral(" and rq<= :rq1 "), QStringLiteral("rq1"), DateText::toDateTime(ui->Edit18->text()));
    if (history) {
        if (!ui->Edit23->text().isEmpty())
            add(QStringLiteral(" and nf= :nf "), QStringLiteral("nf"), ui->Edit23->text());
        if (!ui->cbbyf->currentText().isEmpty())
            add(QStringLiteral(" and yf= :yf "), QStringLiteral("yf"), ui->cbbyf->currentText());
    }
    return s;
}

void THistoryTab::SpeedButton21Click()
{
    runOperation([this] { doQuery(); });
}

bool THistoryTab::listShown() const
{
    return m_list->source() != nullptr;
}

void THistoryTab::reopenList(bool dataReplaced)
{
    if (!listShown())
        return;
    runOperation([this, dataReplaced] {
        if (dataReplaced) {
            doQuery();
            return;
        }
        const int row = m_rowBeforeReset;
        TNamedQuery &list = DemoDM().qlshz;
        list.reopen();
        m_list->setSource(list.model());
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
    m_list->setSource(nullptr);
}

void THistoryTab::doQuery()
{
    TDemoDM &dm = DemoDM();
    const bool history = ui->rbb1->isChecked();
    const Statement s = buildStatements(history);

    TNamedQuery &list = dm.qlshz;
    QStringList listLines = s.list;
    listLines << QStringLiteral(" order by nf,yf,sjxh,iid ");
    list.close();
    m_listTable = s.table;

    if (history) {
        // One renumbering pass over the listed receipts, in list order;
        // nothing listed stops here. Then the list is opened on the new
        // numbers.
        if (!Serials::RenumberHistoryResult(dm, s.conditions.join(QString()), QStringLiteral("nf,yf,sjxh,iid"), s.binds)) {
            showEmptyList();
            return;
        }
    }

    prepare(list, listLines, s.binds);
    list.open();
    if (list.isEmpty()) {
        list.close();
        showEmptyList();
        return;
    }
    // The grid shows the new numbers; first row current.
    m_list->setSource(list.model());
    if (m_list->rowCount() > 0)
        ui->DBGrid5->setCurrentIndex(m_list->index(0, 0));

    TNamedQuery &t = dm.qcx;
    prepare(t, s.sums, s.binds);
    t.open();
    // A money total, with two decimals (the sum carries binary noise).
    const QString total = FormatMoney(t.isEmpty() ? 0.0 : t.value(QStringLiteral("expr1001")).toDouble());
    const QString count = QString::number(t.isEmpty() ? 0 : t.value(QStringLiteral("expr1002")).toLongLong());
    t.close();
    setStatus(count, total);
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
    runOperation([this] {
        const int row = selectedRow();
        if (!ScreenKeys::confirmDeleteRow(row))
            return;
        const qint64 iid = m_list->fieldValue(row, QStringLiteral("iid")).toLongLong();
        TDemoDM &dm = DemoDM();
        {
            DbTransaction tx(dm);
            dm.qup.run(QStringLiteral("delete from %1 where iid= :iid").arg(m_listTable), {{QStringLiteral("iid"), iid}});
            tx.commit();
        }
        // The row goes; the others keep their numbers and the totals stay.
        dm.qlshz.reopen();
        m_list->setSource(dm.qlshz.model());
        if (m_list->rowCount() > 0)
            ui->DBGrid5->setCurrentIndex(m_list->index(qMin(row, m_list->rowCount() - 1), 0));
    });
}

// ------------------------------------------------------------------ moves

void THistoryTab::SpeedButton20Click()
{
    runOperation([this] { doArchive(); });
}

void THistoryTab::doArchive()
{
    TDemoDM &dm = DemoDM();
    TNamedQuery &c = dm.qcx;
    c.close();
    c.clearSql();
    c.addSql(QStringLiteral("select count(*) as expr1001 from P_ORDERD"));
    c.open();
    const qint64 current = c.isEmpty() ? 0 : c.value(QStringLiteral("expr1001")).toLongLong();
    c.close();
    if (current == 0) {
        Dialogs::message(QStringLiteral("当前没有需要导出的单据！"));
        return;
    }
    if (!Dialogs::question(QStringLiteral("您确定要导出当前所有单据数据到历史表吗？")))
        return;
    try {
        // Copy and delete together: either every receipt is in the history
        // and none is left current, or nothing moved.
        DbTransaction tx(dm);
        dm.qup.run(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD"), {});
        dm.qup.run(QStringLiteral("delete from P_ORDERD"), {});
        tx.commit();
    } catch (const AppError &) {
        Dialogs::message(QStringLiteral("单据导出到历史表失败！"));
        return;
    }
    if (onArchived)
        onArchived();
    Dialogs::message(QStringLiteral("单据导出到历史表成功！"));
    if (onNewReceipt)
        onNewReceipt();
}

void THistoryTab::SpeedButton5Click()
{
    runOperation([this] { doRestore(); });
}

void THistoryTab::doRestore()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString sjxh = m_list->fieldValue(row, QStringLiteral("sjxh")).toString();
    TDemoDM &dm = DemoDM();
    const QList<QPair<QString, QVariant>> key{{QStringLiteral("sjxh"), sjxh}};

    // A receipt that is no longer in the history (restored a moment ago,
    // or listed from the deleted receipts) is not moved again: the move
    // would first remove the current receipt with this number and then
    // find nothing to put back.
    TNamedQuery &c = dm.qcx;
    c.close();
    c.clearSql();
    c.addSql(QStringLiteral("select count(*) as expr1001 from P_ORDERDBAK where sjxh= :sjxh "));
    c.bind(QStringLiteral("sjxh"), sjxh);
    c.open();
    const bool inHistory = !c.isEmpty() && c.value(QStringLiteral("expr1001")).toLongLong() > 0;
    c.close();

    if (inHistory) {
        DbTransaction tx(dm);
        TNamedQuery &u = dm.qup;
        u.run(QStringLiteral("delete from sjmxb where sjxh= :sjxh "), key);
        u.run(QStringLiteral("insert into sjmxb select * from sjmxbbak where sjxh= :sjxh "), key);
        u.run(QStringLiteral("delete from P_ORDERD where sjxh= :sjxh "), key);
        u.run(QStringLiteral("insert into P_ORDERD select * from P_ORDERDBAK where sjxh= :sjxh "), key);
        u.run(QStringLiteral("delete from P_ORDERDBAK where sjxh= :sjxh "), key);
        u.run(QStringLiteral("delete from sjmxbbak where sjxh= :sjxh "), key);
        Serials::RenumberCurrentReceipts(dm);
        tx.commit();
    }
    // The list keeps showing the row until the next query.
    if (onReceiptRestored)
        onReceiptRestored(sjxh);
}

void THistoryTab::SpeedButton23Click()
{
    runOperation([this] { doDelete(); });
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
    const QList<QPair<QString, QVariant>> key{{QStringLiteral("sjxh"), sjxh}, {QStringLiteral("lbmc"), lbmc}};
    {
        DbTransaction tx(dm);
        dm.qup.run(QStringLiteral("insert into p_orderd_del select * from P_ORDERDbak where sjxh= :sjxh and lbmc= :lbmc"), key);
        dm.qup.run(QStringLiteral("delete from P_ORDERDbak where sjxh= :sjxh and lbmc= :lbmc "), key);
        tx.commit();
    }
    // The row is gone; the others keep their numbers, the totals stay.
    dm.qlshz.reopen();
    m_list->setSource(dm.qlshz.model());
    if (m_list->rowCount() > 0)
        ui->DBGrid5->setCurrentIndex(m_list->index(qMin(row, m_list->rowCount() - 1), 0));
}

// ------------------------------------------------------------ batch print

void THistoryTab::SpeedButton37Click()
{
    runOperation([this] { doBatch(); });
}

void THistoryTab::doBatch()
{
    if (m_batchRunning)
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
    if (!runRangeDialog || !runRangeDialog(m_formdyts))
        return;
    const qint64 firstNo = m_formdyts->first();
    const qint64 lastNo = m_formdyts->last();

    // Ends the batch state however the batch ends; a failure leaves the
    // last progress text standing.
    struct Running
    {
        THistoryTab *tab;
        explicit Running(THistoryTab *t) : tab(t)
        {
            tab->m_batchRunning = true;
            tab->m_batchStop = false;
            tab->m_batchFailures.clear();
            tab->m_batchFailureReason.clear();
            tab->m_batchJobId = 0;
            // Closing the window is watched for while the batch runs.
            tab->m_batchWindow = tab->window();
            tab->m_batchWindow->installEventFilter(tab);
        }
        ~Running()
        {
            if (tab->m_batchWindow)
                tab->m_batchWindow->removeEventFilter(tab);
            tab->m_batchWindow = nullptr;
            tab->m_batchRunning = false;
            tab->ui->pbdyts->hide();
        }
    } running(this);

    ui->ldyts->clear();
    QProgressBar *bar = ui->pbdyts;
    bar->setFormat(QStringLiteral("%v/%m"));
    setBatchProgress(0, lastNo - firstNo + 1);
    bar->show();
    if (m_formdyts->oneJob()) {
        doBatchOneJob(firstNo, lastNo);
        return;
    }
    const QString output = AppPaths::inProgramDir(QStringLiteral("2.xls"));

    for (qint64 i = firstNo; i <= lastNo && !m_batchStop; ++i) {
        QCoreApplication::processEvents();
        ui->ldyts->setText(QStringLiteral("正在打印序号为%1的单据").arg(i));
        QCoreApplication::processEvents();
        if (m_batchStop)
            break;

        QStringList cells;
        bool printed = false;
        if (openBatchReceipt(i, &cells)) {
            if (!fillReceipt) {
                Dialogs::message(kEngineMissingMessage);
                return;
            }
            // A failure to fill ends the batch with its own message.
            try {
                fillReceipt(output, cells);
            } catch (const EngineUnavailable &) {
                Dialogs::message(kEngineMissingMessage);
                return;
            }
            printed = printFirstSheet && printFirstSheet(output);
            if (!printed)
                m_batchFailures << i;
        }
        setBatchProgress(i - firstNo + 1, lastNo - firstNo + 1);
        if (onBatchStep)
            onBatchStep(i, printed);
        QCoreApplication::processEvents();
        if (!m_batchStop)
            pause(m_batchPauseMs);
    }
    QCoreApplication::processEvents();
    ui->ldyts->clear();
    QCoreApplication::processEvents();
    // A batch ended by closing the window says nothing more: the window is gone.
    if (!m_batchFailures.isEmpty() && !m_batchStop) {
        QStringList numbers;
        for (qint64 n : m_batchFailures)
            numbers << QString::number(n);
        QString text = QStringLiteral("以下序号的单据没有打印出来：%1").arg(numbers.join(QStringLiteral("、")));
        if (!m_batchFailureReason.isEmpty())
            text += QLatin1Char('\n') + m_batchFailureReason;
        Dialogs::message(text);
    }
}

// The receipt numbered `number` on the list, as its cell texts; false when
// no receipt has that number. A receipt whose values cannot be read throws,
// or with `unreadable` gives no cells and the reason there.
bool THistoryTab::openBatchReceipt(qint64 number, QStringList *cells, QString *unreadable)
{
    TNamedQuery &q = DemoDM().qlsmx;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select * from P_ORDERDBAK where pxxh= :pxxh "));
    q.bind(QStringLiteral("pxxh"), number);
    q.open();
    if (q.isEmpty()) {
        q.close();
        return false;
    }
    // A stored text that is not a date or a number makes the receipt unreadable.
    try {
        *cells = storedReceiptCells([&q](const QString &c) { return q.value(c); });
    } catch (const AppError &e) {
        q.close();
        if (!unreadable)
            throw;
        *unreadable = e.message();
        cells->clear();
    } catch (const TextError &e) {
        q.close();
        if (!unreadable)
            throw;
        *unreadable = e.message();
        cells->clear();
    }
    q.close();
    return true;
}

void THistoryTab::setBatchProgress(qint64 done, qint64 span)
{
    const bool scaled = span > 100000;
    ui->pbdyts->setRange(0, scaled ? 100000 : int(span));
    ui->pbdyts->setValue(scaled ? int(done * 100000 / span) : int(done));
}

// The range as one print job: every receipt is filled into the job, one
// after another without a pause; those that cannot be filled are left out
// and named at the end. Stopping (closing the window) sends nothing.
void THistoryTab::doBatchOneJob(qint64 firstNo, qint64 lastNo)
{
    // Every receipt is a sheet of one workbook in the engine: a range
    // beyond what one job takes is refused before the engine is asked.
    TNamedQuery &q = DemoDM().qlsmx;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral("select count(*) as n from P_ORDERDBAK where pxxh between :a and :b"));
    q.bind(QStringLiteral("a"), firstNo);
    q.bind(QStringLiteral("b"), lastNo);
    q.open();
    const qint64 receipts = q.isEmpty() ? 0 : q.value(QStringLiteral("n")).toLongLong();
    q.close();
    if (receipts > m_oneJobLimit) {
        ui->ldyts->clear();
        Dialogs::message(QStringLiteral("合并为一个打印任务时一次最多打印%1张单据，所选范围有%2张，请缩小打印范围。")
                             .arg(m_oneJobLimit)
                             .arg(receipts));
        return;
    }
    std::unique_ptr<ReceiptJob> job;
    try {
        if (startReceiptJob)
            job = startReceiptJob();
    } catch (const EngineUnavailable &) {
        job.reset();
    }
    if (!job) {
        Dialogs::message(kEngineMissingMessage);
        return;
    }
    for (qint64 i = firstNo; i <= lastNo && !m_batchStop; ++i) {
        ui->ldyts->setText(QStringLiteral("正在打印序号为%1的单据").arg(i));
        QCoreApplication::processEvents();
        if (m_batchStop)
            break;
        bool added = false;
        QStringList cells;
        QString failure;
        if (openBatchReceipt(i, &cells, &failure)) {
            if (failure.isEmpty()) {
                try {
                    job->add(cells);
                    added = true;
                } catch (const EngineUnavailable &e) {
                    // The job is lost with the engine: nothing is sent.
                    Dialogs::message(e.message());
                    return;
                } catch (const AppError &e) {
                    failure = e.message();
                }
            }
            if (!added) {
                m_batchFailures << i;
                if (m_batchFailureReason.isEmpty())
                    m_batchFailureReason = failure;
            }
        }
        setBatchProgress(i - firstNo + 1, lastNo - firstNo + 1);
        if (onBatchStep)
            onBatchStep(i, added);
    }
    QCoreApplication::processEvents();
    if (m_batchStop) {
        ui->ldyts->clear();
        return;
    }
    QString sendFailure;
    if (job->count() > 0) {
        ui->ldyts->setText(QStringLiteral("正在发送打印任务（%1张单据）").arg(job->count()));
        QCoreApplication::processEvents();
        try {
            m_batchJobId = job->print(QStringLiteral("批量打印 序号%1-%2").arg(firstNo).arg(lastNo));
        } catch (const EngineUnavailable &e) {
            sendFailure = e.message();
        } catch (const AppError &e) {
            sendFailure = QStringLiteral("批量打印失败：%1").arg(e.message());
        }
    }
    job.reset();
    ui->ldyts->clear();
    QCoreApplication::processEvents();
    if (!sendFailure.isEmpty())
        Dialogs::error(sendFailure);
    if (!m_batchFailures.isEmpty()) {
        QStringList numbers;
        for (qint64 n : m_batchFailures)
            numbers << QString::number(n);
        Dialogs::message(QStringLiteral("以下序号的单据无法填写，没有放入打印任务：%1\n%2")
                             .arg(numbers.join(QStringLiteral("、")), m_batchFailureReason));
    }
}

void THistoryTab::pause(int ms)
{
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    m_pauseLoop = &loop;
    loop.exec();
    m_pauseLoop = nullptr;
}

void THistoryTab::stopBatch()
{
    if (!m_batchRunning)
        return;
    m_batchStop = true;
    if (m_pauseLoop)
        m_pauseLoop->quit();
}

QStringList THistoryTab::storedReceiptCells(const std::function<QVariant(const QString &)> &field)
{
    auto num = [&field](const char *name) { return field(QString::fromLatin1(name)).toDouble(); };
    auto n = [&num](const char *name) { return FloatToText(num(name)); };
    const QDate d = DateText::toDateTime(field(QStringLiteral("rq")).toString()).date();
    QStringList cells;
    cells << field(QStringLiteral("bhmc")).toString() + QStringLiteral(" 住户")
          << QStringLiteral("时间:%1年%2月%3日")
                 .arg(d.year(), 4, 10, QLatin1Char('0'))
                 .arg(d.month(), 2, 10, QLatin1Char('0'))
                 .arg(d.day(), 2, 10, QLatin1Char('0'))
          << QStringLiteral("NO.") + field(QStringLiteral("sjxh")).toString()
          << n("bccjd") << n("sccjd") << FloatToText(num("bccjd") - num("sccjd")) << n("shsld") << n("cjdl")
          << n("dj") << n("jed")
          << n("bccjds") << n("sccjds") << FloatToText(num("bccjds") - num("sccjds")) << n("shsls") << n("cjdls")
          << n("djs") << n("jes")
          << n("qtfy") << n("fzfy")
          << QStringLiteral("总合计金额：") + n("cost") + QStringLiteral(" 元");
    return cells;
}

// ------------------------------------------------------------------ export

void THistoryTab::SpeedButton29Click()
{
    runOperation([this] { doExport(); });
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
    TNamedQuery &q = DemoDM().qdc;
    q.close();
    q.clearSql();
    q.addSql(QStringLiteral(
        "select pxxh as 序号,sjxh as 收据号,nf as 年度,yf as 月份,bhmc as 户名,bhh as 户号,sccjd as 上月抄电量,"
        "bccjd as 本月抄电量,shsld as 损耗电费量,cjdl as 用电量,dj as 电费单价,jed as 电费  "));
    q.addSql(QStringLiteral(
        " ,sccjds as 上月抄水量,bccjds as 本月抄水量,shsls as 损耗水费量,cjdls as 用水量,djs as 水费单价,jes as 水费,"
        "qtfy as 其它费用,fzfy as 房租费用,cost as 总金额,cmc as 区域,cbr as 抄表人,skr as 收款人 ,rq as 填表日期 "
        "from P_ORDERDBAK where bhmc like :bhmc "));
    // Dates are read before anything runs.
    QList<QPair<QString, QVariant>> binds{{QStringLiteral("bhmc"), ui->Edit15->text() + QLatin1Char('%')}};
    if (!ui->Edit16->text().isEmpty()) {
        q.addSql(QStringLiteral(" and sjxh= :sjxh "));
        binds << qMakePair(QStringLiteral("sjxh"), QVariant(ui->Edit16->text()));
    }
    if (!ui->Edit17->text().isEmpty()) {
        q.addSql(QStringLiteral(" and rq>= :rq0 "));
        binds << qMakePair(QStringLiteral("rq0"), QVariant(DateText::toDateTime(ui->Edit17->text())));
    }
    if (!ui->Edit18->text().isEmpty()) {
        q.addSql(QStringLiteral(" and rq<= :rq1 "));
        binds << qMakePair(QStringLiteral("rq1"), QVariant(DateText::toDateTime(ui->Edit18->text())));
    }
    if (!year.isEmpty()) {
        q.addSql(QStringLiteral(" and nf= :nf "));
        binds << qMakePair(QStringLiteral("nf"), QVariant(year));
    }
    if (!month.isEmpty()) {
        q.addSql(QStringLiteral(" and yf= :yf "));
        binds << qMakePair(QStringLiteral("yf"), QVariant(month));
    }
    q.addSql(QStringLiteral(" order by nf,yf,bhmc "));
    for (const auto &b : binds)
        q.bind(b.first, b.second);
    q.open();
    if (q.isEmpty()) {
        Dialogs::message(QStringLiteral("没有您需要查询的数据！"));
        q.close();
        return;
    }
    const WorkbookExport::Result result =
        WorkbookExport::ExportQueryToWorkbook(q, QStringLiteral("水电费导出明细报表"), chooseSavePath, writeWorkbook,
                                             exportProgress);
    q.close();
    // Only a file that was written is reported as done.
    if (result == WorkbookExport::Result::Written)
        Dialogs::message(QStringLiteral("数据导出完成！"));
}
