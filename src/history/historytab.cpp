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
    emit archived();
    Dialogs::message(QStringLiteral("单据导出到历史表成功！"));
    emit newReceiptRequested();
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
    emit receiptRestored(sjxh);
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
        WorkbookExport::ExportQueryToWorkbook(q, QStringLiteral("水电费导出明细报表"), m_services.chooseSavePath,
                                             m_services.writeWorkbook, m_services.exportProgress);
    q.close();
    // Only a file that was written is reported as done.
    if (result == WorkbookExport::Result::Written)
        Dialogs::message(QStringLiteral("数据导出完成！"));
}
