#pragma once
// Shared by the history tests: a main window on a fresh database, and
// helpers to put receipts into the receipt tables and read them back.
#include "settings/global.h"
#include "app/orderform.h"
#include "common/gridmodel.h"
#include "data/demodm.h"
#include "entry/entrytab.h"
#include "history/historytab.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/datetext.h"
#include "controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <memory>

namespace history_test {

struct Receipt
{
    QString sjxh;
    QString bhmc;
    QString nf = QStringLiteral("2024");
    QString yf = QStringLiteral("03");
    QString rq = QStringLiteral("2024-03-01");
    double cost = 10;
    QString lbmc = QStringLiteral("销售单");
};

struct Fixture
{
    ScratchDir dir;
    std::unique_ptr<TGlobal> global;
    std::unique_ptr<TDemoDM> dm;
    std::unique_ptr<TOrderForm> window;
    RecordingDialogs dialogs;

    Fixture()
    {
        DateText::setToday(QDate(2024, 3, 20));
        global = std::make_unique<TGlobal>(dir.file("mtrfee.ini"));
        dm = std::make_unique<TDemoDM>();
        window = std::make_unique<TOrderForm>();
        window->FormShow();
        control<QLineEdit>(f(), "Edit17")->clear();
        control<QLineEdit>(f(), "Edit18")->clear();
        control<QLineEdit>(f(), "Edit23")->clear();
        dialogs.clear();
    }
    ~Fixture()
    {
        window.reset();
        dm.reset();
        global.reset();
        DateText::setToday(QDate());
    }
    QTabWidget *pages() const { return window->findChild<QTabWidget *>(QStringLiteral("PageControl1")); }
    THistoryTab *history() const { return window->historyTab(); }
    QWidget *f() const { return history(); }
    QWidget *e() const { return window->entryTab(); }

    void exec(const QString &sql, const QList<QPair<QString, QVariant>> &binds = {}) const
    {
        TNamedQuery &q = DemoDM().qup;
        q.close();
        q.clearSql();
        q.addSql(sql);
        for (const auto &b : binds)
            q.bind(b.first, b.second);
        q.exec();
    }
    qint64 insert(const QString &table, const Receipt &r) const
    {
        exec(QStringLiteral("insert into %1(sjxh,lbmc,bhmc,bhh,nf,yf,rq,cost,pxxh,sccjd,bccjd,cjdl,dj,jed,"
                            "sccjds,bccjds,cjdls,djs,jes,shsld,shsls,qtfy,fzfy,cmc,skr,cbr)"
                            " values(:sjxh,:lbmc,:bhmc,'h1',:nf,:yf,:rq,:cost,99,100,112.5,12.5,0.5,6.25,"
                            "10,14,4,2,8,0,0,0,0,'温州','张三','李四')")
                 .arg(table),
             {{"sjxh", r.sjxh}, {"lbmc", r.lbmc}, {"bhmc", r.bhmc}, {"nf", r.nf}, {"yf", r.yf}, {"rq", r.rq},
              {"cost", r.cost}});
        return value(QStringLiteral("select max(iid) as v from %1").arg(table)).toLongLong();
    }
    QVariant value(const QString &sql, const QList<QPair<QString, QVariant>> &binds = {}) const
    {
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(sql);
        for (const auto &b : binds)
            q.bind(b.first, b.second);
        q.open();
        const QVariant v = q.isEmpty() ? QVariant() : q.value(QStringLiteral("v"));
        q.close();
        return v;
    }
    // (sjxh, pxxh) of every history row, by serial number.
    QList<QPair<QString, int>> historyNumbers() const
    {
        QList<QPair<QString, int>> out;
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("select sjxh, pxxh from P_ORDERDBAK order by sjxh"));
        q.open();
        for (bool more = q.first(); more; more = q.next())
            out << qMakePair(q.value(QStringLiteral("sjxh")).toString(), q.value(QStringLiteral("pxxh")).toInt());
        q.close();
        return out;
    }
    // The listed rows' serial numbers and numbers as the grid shows them.
    QStringList listed(const QString &column = QStringLiteral("sjxh")) const
    {
        QStringList out;
        TGridModel *m = history()->listModel();
        for (int before = -1; m->canFetchMore({}) && m->rowCount() != before;) {
            before = m->rowCount();
            m->fetchMore({});
        }
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->fieldValue(r, column).toString();
        return out;
    }
    QString statusPanel(int i) const
    {
        return control<QStatusBar>(f(), "sb1")->findChild<QLabel *>(QStringLiteral("sb1Panel%1").arg(i))->text();
    }
    void query() const { history()->SpeedButton21Click(); }
    void select(int row) const
    {
        control<QTableView>(f(), "DBGrid5")->setCurrentIndex(history()->listModel()->index(row, 0));
    }
};

} // namespace
