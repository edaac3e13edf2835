// "收款" on one receipt, the collection tab's lists and the rows it exports,
// on a fresh database; the dialogs are recorded and answered.
#include "collection/collect.h"
#include "collection/collectionlists.h"
#include "collection/collectiontab.h"
#include "common/apperror.h"
#include "data/demodm.h"
#include "data/employeestore.h"
#include "data/paymentstore.h"
#include "data/receiptstore.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/datetext.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

namespace {

const QString kCat = QStringLiteral("收据");

struct Db
{
    ScratchDir dir;
    TDemoDM dm;
    Db() { QVERIFY2(dm.open(), qPrintable(dm.lastOpenError())); }
};

// A receipt of household (community, number, name) for a month; archived
// ones are moved whole, as archiving moves them.
void bill(const QString &sjxh, const QString &cmc, const QString &bhh, const QString &bhmc, const QString &yf, double cost,
          const QString &fkzt = Payments::kUnpaid, bool archived = false)
{
    ReceiptRow row;
    row.sjxh = sjxh;
    row.lbmc = kCat;
    row.cmc = cmc;
    row.bhh = bhh;
    row.bhmc = bhmc;
    row.nf = QStringLiteral("2024");
    row.yf = yf;
    row.cost = cost;
    row.fkzt = fkzt;
    row.rq = QStringLiteral("2024-%1-01").arg(yf);
    Receipts::insert(DemoDM(), row);
    if (archived) {
        const TNamedQuery::Binds key{{"sjxh", sjxh}};
        DemoDM().qup.run(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD where sjxh= :sjxh"), key);
        DemoDM().qup.run(QStringLiteral("delete from P_ORDERD where sjxh= :sjxh"), key);
    }
}

void threeHouseholds()
{
    DemoDM().qup.run(QStringLiteral("insert into hhb(hh,hm,cmc) values('A01','张三','东区'),('A02','李四','东区'),('B01','王五','西区')"));
    bill("00000001", "东区", "A01", "张三", "01", 100.5, Payments::kUnpaid, true);
    bill("00000002", "东区", "A01", "张三", "02", 80.25);
    bill("00000003", "东区", "A02", "李四", "02", 60, Payments::kPaid);
    bill("00000004", "西区", "B01", "王五", "02", 44);
}

QString fkztOf(const QString &sjxh)
{
    for (auto table : {Receipts::Table::Current, Receipts::Table::History})
        if (const auto r = Receipts::load(DemoDM(), table, sjxh, kCat))
            return r->fkzt;
    return QStringLiteral("<none>");
}

const QDateTime kWhen(QDate(2024, 3, 20), QTime(9, 30, 0));

} // namespace

class CollectTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { DateText::setToday(QDate(2024, 3, 20)); }
    void cleanup() { DateText::setToday(QDate()); }

    // Each method offered is the one recorded; the print gets the receipt
    // as stored after the commit (paid), and when it does not print the
    // operator is told the payment is kept; a cancelled choice records
    // nothing and prints nothing. Current and archived receipts alike.
    void collectOne_data()
    {
        QTest::addColumn<QString>("sjxh");
        QTest::addColumn<int>("pick");
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("printOk");
        QTest::newRow("current, cash") << "00000002" << 0 << "现金" << true;
        QTest::newRow("current, transfer") << "00000002" << 3 << "银行转账" << true;
        QTest::newRow("archived, WeChat") << "00000001" << 1 << "微信" << true;
        QTest::newRow("not printed") << "00000002" << 2 << "支付宝" << false;
        QTest::newRow("cancelled") << "00000002" << -1 << "" << true;
    }
    void collectOne()
    {
        QFETCH(QString, sjxh);
        QFETCH(int, pick);
        QFETCH(QString, method);
        QFETCH(bool, printOk);
        Db db;
        threeHouseholds();
        RecordingDialogs dialogs;
        dialogs.pick(pick);
        QList<ReceiptRow> printed;
        const bool paid = Collection::collect(DemoDM(), sjxh, kCat, QStringLiteral(" 李会计 "), kWhen,
                                              [&](const ReceiptRow &r) {
                                                  printed.append(r);
                                                  return printOk;
                                              });
        QCOMPARE(dialogs.count(), printOk ? 1 : 2);
        QCOMPARE(dialogs.shown()[0].kind, Dialogs::Kind::Choice);
        QCOMPARE(dialogs.shown()[0].options, Payments::methods());
        QVERIFY2(dialogs.shown()[0].text.contains(sjxh), qPrintable(dialogs.shown()[0].text));
        QCOMPARE(paid, pick >= 0);
        const auto p = Payments::paymentOf(DemoDM(), sjxh, kCat);
        if (pick < 0) {
            QVERIFY(!p);
            QCOMPARE(fkztOf(sjxh), Payments::kUnpaid);
            QVERIFY(printed.isEmpty());
            return;
        }
        QVERIFY(p);
        QCOMPARE(p->skfs, method);
        QCOMPARE(p->skr, QStringLiteral("李会计"));
        QCOMPARE(p->sksj, QStringLiteral("2024-03-20 09:30:00"));
        QCOMPARE(fkztOf(sjxh), Payments::kPaid);
        QCOMPARE(printed.size(), 1);
        QCOMPARE(printed[0].sjxh, sjxh);
        QCOMPARE(printed[0].fkzt, Payments::kPaid);
        if (!printOk) {
            QCOMPARE(dialogs.shown()[1].kind, Dialogs::Kind::Message);
            QVERIFY2(dialogs.last().contains(QStringLiteral("收款已记录")), qPrintable(dialogs.last()));
        }
    }

    // What cannot be paid is refused before the method is asked, with a
    // message that says why; nothing is recorded, nothing printed.
    void refusals_data()
    {
        QTest::addColumn<QString>("sjxh");
        QTest::addColumn<QString>("payee");
        QTest::addColumn<QString>("message");
        QTest::newRow("paid at entry") << "00000003" << "李会计" << "不是未付款的收据";
        QTest::newRow("gone") << "00000099" << "李会计" << "找不到收据 00000099";
        QTest::newRow("no payee") << "00000002" << "  " << "请先在收据录入页选择收款人";
    }
    void refusals()
    {
        QFETCH(QString, sjxh);
        QFETCH(QString, payee);
        QFETCH(QString, message);
        Db db;
        threeHouseholds();
        RecordingDialogs dialogs;
        dialogs.pick(0);
        int prints = 0;
        QVERIFY(!Collection::collect(DemoDM(), sjxh, kCat, payee, kWhen, [&](const ReceiptRow &) { return ++prints > 0; }));
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(dialogs.shown()[0].kind, Dialogs::Kind::Message);
        QVERIFY2(dialogs.last().contains(message), qPrintable(dialogs.last()));
        QCOMPARE(prints, 0);
        QVERIFY(!Payments::paymentOf(DemoDM(), sjxh, kCat));
    }

    // A receipt is paid once: the second "收款" says when and how it was paid.
    void paidOnce()
    {
        Db db;
        threeHouseholds();
        RecordingDialogs dialogs;
        dialogs.pick(2);
        dialogs.pick(0);
        int prints = 0;
        const auto print = [&](const ReceiptRow &) { return ++prints > 0; };
        QVERIFY(Collection::collect(DemoDM(), "00000004", kCat, "李会计", kWhen, print));
        dialogs.clear();
        QVERIFY(!Collection::collect(DemoDM(), "00000004", kCat, "李会计", kWhen.addSecs(60), print));
        QCOMPARE(dialogs.count(), 1);
        QVERIFY2(dialogs.last().contains(QStringLiteral("不能重复收款")), qPrintable(dialogs.last()));
        QVERIFY2(dialogs.last().contains(QStringLiteral("支付宝")), qPrintable(dialogs.last()));
        QCOMPARE(prints, 1);
        QCOMPARE(DemoDM().qcx.count(QStringLiteral("select count(*) as expr1001 from skjlb")), 1);
    }

    // The bounds of the month range: empty years are open, the rest checked.
    void periods_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<int>("period");   // -1: refused
        QTest::newRow("open") << "" << "05" << 0;
        QTest::newRow("blank year") << "  " << "05" << 0;
        QTest::newRow("March") << "2024" << "03" << 202403;
        QTest::newRow("December") << "2023" << "12" << 202312;
        QTest::newRow("short year") << "24" << "03" << -1;
        QTest::newRow("letters") << "20x4" << "03" << -1;
        QTest::newRow("month 13") << "2024" << "13" << -1;
    }
    void periods()
    {
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(int, period);
        if (period < 0) {
            QVERIFY_THROWS_EXCEPTION(AppError, CollectionLists::periodOf(year, month, QStringLiteral("起始年月")));
            return;
        }
        QCOMPARE(CollectionLists::periodOf(year, month, QStringLiteral("起始年月")), period);
    }

    // The exported arrears: a line per household with its months once each,
    // and the totals; the takings by method, then every payment.
    void exportedRows()
    {
        Db db;
        threeHouseholds();
        bill("00000005", "东区", "A01", "张三", "02", 5);   // a second bill of February
        const Payments::Arrears a = Payments::arrears(DemoDM(), {});
        const QList<QStringList> rows = CollectionLists::arrearsRows(a, QStringLiteral("欠费"));
        QCOMPARE(rows.size(), 2 + 2 + 1);
        QCOMPARE(rows[2], (QStringList{"东区", "A01", "张三", "2", "185.75", "2024年1月、2024年2月"}));
        QCOMPARE(rows[3], (QStringList{"西区", "B01", "王五", "1", "44.00", "2024年2月"}));
        QCOMPARE(rows[4], (QStringList{"合计", "2户", "4张收据", "", "229.75"}));

        RecordingDialogs dialogs;
        for (int pick : {0, 0, 1})
            dialogs.pick(pick);
        int n = 0;
        for (const char *sjxh : {"00000002", "00000004", "00000001"})
            QVERIFY(Collection::collect(DemoDM(), sjxh, kCat, "李会计", kWhen.addSecs(60 * n++), {}));
        const Payments::Takings t = Payments::takings(DemoDM(), {QDate(2024, 3, 20), QDate(2024, 3, 20), {}});
        const QList<QStringList> trows = CollectionLists::takingsRows(t, CollectionLists::takingsTitle({QDate(2024, 3, 1), QDate(2024, 3, 20), {}}));
        QCOMPARE(trows[0], QStringList{"收费日报 2024-03-01 至 2024-03-20 收款人：全部"});
        QCOMPARE(trows[2], (QStringList{"现金", "2", "124.25"}));
        QCOMPARE(trows[3], (QStringList{"微信", "1", "100.50"}));
        QCOMPARE(trows[4], (QStringList{"合计", "3", "224.75"}));
        QCOMPARE(trows.size(), 5 + 1 + 1 + 3);
        QCOMPARE(trows[7], (QStringList{"2024-03-20 09:30:00", "李会计", "现金", "80.25", "NO.00000002", "东区", "A01", "张三", "2024年2月"}));
    }

    // The tab: the arrears by community, the selected household's receipts,
    // "收款" asking the main window for the receipt chosen; the takings by
    // payee.
    // "催费通知单存为PDF" asks where to save before it fills a page: a
    // cancel there fills nothing, so not even a missing template is met.
    void reminderPdfAsksWhereFirst()
    {
        Db db;
        threeHouseholds();
        RecordingDialogs dialogs;
        TCollectionTab tab;
        tab.reload();
        tab.queryArrears();
        QCOMPARE(tab.arrearsGrid()->rowCount(), 2);
        int asked = 0;
        tab.choosePdfPath = [&asked](const QString &preset) {
            ++asked;
            return preset.endsWith(QLatin1String(".pdf")) ? QString() : preset;
        };
        tab.arrearsGrid()->selectRow(1);
        dialogs.clear();
        tab.findChild<QPushButton *>(QStringLiteral("cRemindersPdf"))->click();
        QCOMPARE(asked, 1);
        QCOMPARE(dialogs.texts(), QStringList());
    }

    void tabListsAndAsks()
    {
        Db db;
        threeHouseholds();
        Employees::add(DemoDM(), {QStringLiteral("李会计"), QStringLiteral("ljk"), QStringLiteral("收款人"), QString()});
        RecordingDialogs dialogs;
        TCollectionTab tab;
        tab.reload();
        QCOMPARE(tab.communityField()->count(), 3);   // all, 东区, 西区
        tab.communityField()->setCurrentText(QStringLiteral("东区"));
        tab.queryArrears();
        QCOMPARE(tab.arrearsGrid()->rowCount(), 1);
        QCOMPARE(tab.arrearsGrid()->item(0, 2)->text(), QStringLiteral("张三"));
        QCOMPARE(tab.arrearsGrid()->item(0, 4)->text(), QStringLiteral("180.75"));
        QCOMPARE(tab.unpaidGrid()->rowCount(), 2);
        QCOMPARE(tab.unpaidGrid()->item(0, 3)->text(), QStringLiteral("历史收据"));
        QVERIFY2(tab.arrearsStatus()->text().contains(QStringLiteral("180.75")), qPrintable(tab.arrearsStatus()->text()));

        QSignalSpy asked(&tab, &TCollectionTab::collectRequested);
        tab.unpaidGrid()->setCurrentCell(1, 0);
        tab.findChild<QPushButton *>(QStringLiteral("cCollect"))->click();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0][0].toString(), QStringLiteral("00000002"));
        QCOMPARE(asked[0][1].toString(), kCat);

        // A range that ends before February leaves January alone.
        tab.toYearField()->setText(QStringLiteral("2024"));
        tab.toMonthField()->setCurrentIndex(0);
        tab.queryArrears();
        QCOMPARE(tab.unpaidGrid()->rowCount(), 1);
        QCOMPARE(tab.unpaidGrid()->item(0, 1)->text(), QStringLiteral("00000001"));
        // A range the wrong way round is refused with a message.
        tab.fromYearField()->setText(QStringLiteral("2024"));
        tab.fromMonthField()->setCurrentIndex(5);
        dialogs.clear();
        tab.queryArrears();
        QVERIFY2(dialogs.last().contains(QStringLiteral("起始年月不能晚于截止年月")), qPrintable(dialogs.last()));

        dialogs.pick(1);
        dialogs.pick(0);
        QVERIFY(Collection::collect(DemoDM(), "00000002", kCat, "李会计", kWhen, {}));
        QVERIFY(Collection::collect(DemoDM(), "00000004", kCat, "赵出纳", kWhen.addSecs(5), {}));
        tab.pages()->setCurrentIndex(1);
        tab.fromDateField()->setDate(QDate(2024, 3, 20));
        tab.toDateField()->setDate(QDate(2024, 3, 20));
        tab.reload();
        QVERIFY(tab.payeeField()->findText(QStringLiteral("李会计")) > 0);
        tab.queryTakings();
        QCOMPARE(tab.takingsGrid()->rowCount(), 2);
        QCOMPARE(tab.methodGrid()->rowCount(), 3);   // 现金, 微信, 合计
        QCOMPARE(tab.methodGrid()->item(2, 2)->text(), QStringLiteral("124.25"));
        tab.payeeField()->setEditText(QStringLiteral("李会计"));
        tab.queryTakings();
        QCOMPARE(tab.takingsGrid()->rowCount(), 1);
        QCOMPARE(tab.methodGrid()->item(0, 0)->text(), QStringLiteral("微信"));
        QVERIFY2(tab.takingsStatus()->text().contains(QStringLiteral("80.25")), qPrintable(tab.takingsStatus()->text()));
    }
};

QTEST_MAIN(CollectTest)
#include "test_collect.moc"
