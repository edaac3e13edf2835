#include "history/historytab.h"
#include "ui_historytab.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "data/demodm.h"
#include "data/serials.h"
#include "entry/brdateform.h"
#include "history/formdyts.h"
#include "text/datetext.h"
#include "text/numtext.h"

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

// Runs one operation of the tab; an unexpected failure ends it with the
// standard error box.
void runOperation(const std::function<void()> &op)
{
    try {
        op();
    } catch (const AppError &e) {
        Dialogs::error(e.message());
    }
}

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

// The first column of every row, read forward only (no grid needs them).
QList<qint64> readIids(const QString &sql, const QList<QPair<QString, QVariant>> &binds)
{
    QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName, false));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw AppError(q.lastError().text());
    for (const auto &b : binds)
        if (sql.contains(QLatin1Char(':') + b.first))
            q.bindValue(QLatin1Char(':') + b.first, TNamedQuery::toDbValue(b.second));
    if (!q.exec())
        throw AppError(q.lastError().text());
    QList<qint64> out;
    while (q.next())
        out << q.value(0).toLongLong();
    return out;
}

void execOn(TNamedQuery &q, const QString &sql, const QList<QPair<QString, QVariant>> &binds)
{
    q.close();
    q.clearSql();
    q.addSql(sql);
    for (const auto &b : binds)
        q.bind(b.first, b.second);
    q.exec();
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
        num("bl", "倍率", 50),
        num("bdl", "补电量", 50),
        num("hbdl", "换表电量", 60),
        num("hjdl", "合计电量", 60),
        txt("cmc", "区域", 60),
    });
    QTableView *grid = ui->DBGrid5;
    grid->setModel(m_list);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid->verticalHeader()->setDefaultSectionSize(22);
    m_list->applyWidths(grid);
    for (int c = 24; c < m_list->columnCount(); ++c)
        grid->setColumnHidden(c, true);
    grid->installEventFilter(this);

    // Status bar: four panels of 140 pixels.
    const QStringList panelTexts{QStringLiteral("收据总张数："), QString(), QStringLiteral("总金额："), QString()};
    for (int i = 0; i < 4; ++i) {
        m_sbPanels[i] = new QLabel(panelTexts[i], ui->sb1);
        m_sbPanels[i]->setObjectName(QStringLiteral("sb1Panel%1").arg(i));
        m_sbPanels[i]->setFixedWidth(140);
        ui->sb1->addWidget(m_sbPanels[i]);
    }

    // The date fields show their picker button while they have the focus.
    for (QWidget *w : {static_cast<QWidget *>(ui->Edit15), static_cast<QWidget *>(ui->Edit16),
                       static_cast<QWidget *>(ui->Edit17), static_cast<QWidget *>(ui->Edit18),
                       static_cast<QWidget *>(ui->Edit23), static_cast<QWidget *>(ui->cbbyf)})
        w->installEventFilter(this);

    ui->ldyts->clear();
    ui->pbdyts->hide();

    // Created once; keeps the numbers entered last time.
    m_formdyts = new TFormdyts(this);
    runRangeDialog = [](TFormdyts *d) { return d->exec() == QDialog::Accepted && d->accepted(); };
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
    if (watched == ui->DBGrid5 && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            deleteSelectedRow();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && w != ui->DBGrid5) {
            const bool in = event->type() == QEvent::FocusIn;
            // Entry fields turn yellow while they have the focus.
            w->setStyleSheet(in ? QStringLiteral("background-color: yellow;") : QString());
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
    s.total << QStringLiteral("select sum(cost) as expr1001 from %1 where bhmc like :bhmc").arg(s.table);
    s.count << QStringLiteral("select count(*) as expr1002 from %1 where bhmc like :bhmc").arg(s.table);
    s.binds << qMakePair(QStringLiteral("bhmc"), QVariant(ui->Edit15->text() + QLatin1Char('%')));
    auto add = [&s](const QString &line, const QString &param, const QVariant &value) {
        s.list << line;
        s.total << line;
        s.count << line;
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
    listLines << QStringLiteral(" order by nf,yf,sjxh ");
    list.close();
    m_listTable = s.table;

    if (history) {
        // The listed receipts' iids in list order, read by a lean twin of
        // the list statement; nothing listed stops here. Then one
        // renumbering pass, and the list is opened on the new numbers.
        QStringList idLines = s.list;
        idLines[0] = QStringLiteral("select iid from %1 where bhmc like :bhmc  ").arg(s.table);
        idLines << QStringLiteral(" order by nf,yf,sjxh ");
        const QList<qint64> iids = readIids(idLines.join(QString()), s.binds);
        if (iids.isEmpty()) {
            showEmptyList();
            return;
        }
        Serials::RenumberHistoryResult(dm, iids);
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
    m_list->applyWidths(ui->DBGrid5);
    for (int c = 24; c < m_list->columnCount(); ++c)
        ui->DBGrid5->setColumnHidden(c, true);
    if (m_list->rowCount() > 0)
        ui->DBGrid5->setCurrentIndex(m_list->index(0, 0));

    TNamedQuery &t = dm.qcx;
    prepare(t, s.total, s.binds);
    t.open();
    const QString total = FloatToText(t.isEmpty() ? 0.0 : t.value(QStringLiteral("expr1001")).toDouble());
    t.close();
    prepare(t, s.count, s.binds);
    t.open();
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
        if (row < 0)
            return;
        if (!Dialogs::question(QStringLiteral("Delete record?"), Dialogs::kAppTitle))
            return;
        const qint64 iid = m_list->fieldValue(row, QStringLiteral("iid")).toLongLong();
        TDemoDM &dm = DemoDM();
        {
            DbTransaction tx(dm);
            execOn(dm.qup, QStringLiteral("delete from %1 where iid= :iid").arg(m_listTable), {{QStringLiteral("iid"), iid}});
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
        execOn(dm.qup, QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD"), {});
        execOn(dm.qup, QStringLiteral("delete from P_ORDERD"), {});
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
        execOn(u, QStringLiteral("delete from sjmxb where sjxh= :sjxh "), key);
        execOn(u, QStringLiteral("insert into sjmxb select * from sjmxbbak where sjxh= :sjxh "), key);
        execOn(u, QStringLiteral("delete from P_ORDERD where sjxh= :sjxh "), key);
        execOn(u, QStringLiteral("insert into P_ORDERD select * from P_ORDERDBAK where sjxh= :sjxh "), key);
        execOn(u, QStringLiteral("delete from P_ORDERDBAK where sjxh= :sjxh "), key);
        execOn(u, QStringLiteral("delete from sjmxbbak where sjxh= :sjxh "), key);
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
        execOn(dm.qup, QStringLiteral("insert into p_orderd_del select * from P_ORDERDbak where sjxh= :sjxh and lbmc= :lbmc"), key);
        execOn(dm.qup, QStringLiteral("delete from P_ORDERDbak where sjxh= :sjxh and lbmc= :lbmc "), key);
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
}

void THistoryTab::pause(int ms)
{
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
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
}
