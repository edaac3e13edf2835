// The main window's wiring of the tabs: the entry tab's print buttons reach
// printing, and the settings that printing used to write are written by the
// screen's handlers, in the same order as before.
#include "settings/global.h"
#include "app/orderform.h"
#include "collection/collectiontab.h"
#include "common/gridmodel.h"
#include "data/paymentstore.h"
#include "data/receiptstore.h"
#include "data/schema.h"
#include "entry/currentreceipts.h"
#include "history/historytab.h"
#include "data/demodm.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "print/receiptprint.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/datetext.h"

#include <QAction>
#include <QComboBox>
#include <QTableView>
#include <QTableWidget>
#include <QPushButton>
#include <QtTest>
#include <memory>

class TestWiring : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        ScratchDir dir;   // holds no template: a fill fails after the checks
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
            dialogs.clear();
        }
        ~Fixture()
        {
            window.reset();
            dm.reset();
            global.reset();
            DateText::setToday(QDate());
        }
        template <typename T> T *child(const char *name) const
        {
            T *w = window->entryTab()->findChild<T *>(QString::fromLatin1(name));
            Q_ASSERT(w);
            return w;
        }
        void number(const char *name, const char *text) const
        {
            child<TEntryField>(name)->setFieldText(QString::fromLatin1(text));
        }
    };

private slots:
    // Preview and print remember the category before their checks, the
    // payee and the meter reader only once the checks passed (here the
    // fill then fails: the program folder has no template).
    void settingsAroundTheChecks_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("message");
        QTest::newRow("print, no name") << "BitBtn13" << false << "户名信息填写不完整！";
        QTest::newRow("preview, no name") << "SpeedButton9" << false << "户名信息填写不完整！";
        QTest::newRow("print, checks pass") << "BitBtn13" << true << "找不到单据模板";
        QTest::newRow("preview, checks pass") << "SpeedButton9" << true << "找不到单据模板";
    }
    void settingsAroundTheChecks()
    {
        QFETCH(QString, button);
        QFETCH(bool, complete);
        QFETCH(QString, message);
        Fixture t;
        t.number("Edit21", "150");
        t.number("Edit22", "100");
        t.number("Edit28", "0.5");
        t.number("Edit30", "20");
        t.number("Edit31", "10");
        t.number("Edit33", "2");
        t.child<QPushButton>("BitBtn2")->click();
        t.child<QComboBox>("edit2")->setEditText(QStringLiteral("温州"));
        if (complete)
            t.child<QComboBox>("edit41")->setEditText(QStringLiteral("张三"));
        t.child<QComboBox>("cbskr")->setEditText(QStringLiteral("收款甲"));
        t.child<QComboBox>("cbcbr")->setEditText(QStringLiteral("抄表乙"));
        t.global->strsjlx = QStringLiteral("旧类别");
        t.global->str_skr = QStringLiteral("旧收款人");
        t.global->str_cbr = QStringLiteral("旧抄表人");
        t.dialogs.clear();

        t.child<QPushButton>(qPrintable(button))->click();

        QCOMPARE(t.dialogs.texts().size(), 1);
        QVERIFY2(t.dialogs.texts().first().contains(message), qPrintable(t.dialogs.texts().first()));
        QCOMPARE(t.global->strsjlx, t.child<QComboBox>("cblb")->currentText());
        QCOMPARE(t.global->str_skr, complete ? QStringLiteral("收款甲") : QStringLiteral("旧收款人"));
        QCOMPARE(t.global->str_cbr, complete ? QStringLiteral("抄表乙") : QStringLiteral("旧抄表人"));
        // The preview always fills the hidden area field.
        if (button == QLatin1String("SpeedButton9"))
            QCOMPARE(t.child<QComboBox>("edit2")->currentText(), QStringLiteral("温州"));
    }

    // "收款" from the current list and from the collection tab reaches the
    // main window: the method is asked, the payment recorded with the entry
    // tab's payee, the receipt sent to printing (which, without a template
    // here, says so after the payment is kept), and the lists read again.
    void collectionFlowsThrough()
    {
        Fixture t;
        for (const char *sjxh : {"00000011", "00000012"}) {
            ReceiptRow row;
            row.sjxh = QString::fromLatin1(sjxh);
            row.lbmc = Schema::kReceiptCategory;
            row.cmc = QStringLiteral("东区");
            row.bhh = QStringLiteral("A01");
            row.bhmc = QStringLiteral("张三");
            row.nf = QStringLiteral("2024");
            row.yf = row.sjxh.endsWith('1') ? QStringLiteral("02") : QStringLiteral("03");
            row.cost = row.sjxh.endsWith('1') ? 35 : 40.5;
            row.rq = QStringLiteral("2024-03-01");
            row.fkzt = Payments::kUnpaid;
            Receipts::insert(DemoDM(), row);
        }
        t.window->currentReceipts()->OpenCurrentReceipts();
        t.child<QComboBox>("cbskr")->setEditText(QStringLiteral("收款甲"));
        auto *grid = t.child<QTableView>("OrderDDbg");
        TGridModel *list = t.window->currentReceipts()->listModel();
        QCOMPARE(list->rowCount(), 2);
        int stateColumn = -1;
        for (int c = 0; c < list->columnCount(); ++c)
            if (list->headerData(c, Qt::Horizontal).toString() == QStringLiteral("付款状态"))
                stateColumn = c;
        QVERIFY(stateColumn >= 0);
        QVERIFY(!grid->isColumnHidden(stateColumn));
        int row = -1;
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->fieldValue(r, QStringLiteral("sjxh")).toString() == QStringLiteral("00000011"))
                row = r;
        QCOMPARE(list->data(list->index(row, stateColumn)).toString(), Payments::kUnpaid);
        QVERIFY(list->data(list->index(row, 0), Qt::BackgroundRole).isValid());

        grid->setCurrentIndex(list->index(row, 0));
        t.dialogs.pick(1);
        t.dialogs.clear();
        auto *collect = grid->findChild<QAction *>(QStringLiteral("OrderDDbgCollect"));
        QVERIFY(collect);
        collect->trigger();
        QCOMPARE(t.dialogs.shown().size(), 3);
        QCOMPARE(t.dialogs.shown()[0].kind, Dialogs::Kind::Choice);
        QVERIFY2(t.dialogs.shown()[1].text.contains(QStringLiteral("找不到单据模板")), qPrintable(t.dialogs.shown()[1].text));
        QVERIFY2(t.dialogs.shown()[2].text.contains(QStringLiteral("收款已记录")), qPrintable(t.dialogs.shown()[2].text));
        const auto paid = Payments::paymentOf(DemoDM(), QStringLiteral("00000011"), Schema::kReceiptCategory);
        QVERIFY(paid);
        QCOMPARE(paid->skfs, QStringLiteral("微信"));
        QCOMPARE(paid->skr, QStringLiteral("收款甲"));
        QCOMPARE(paid->je, 35.0);
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->fieldValue(r, QStringLiteral("sjxh")).toString() == QStringLiteral("00000011")) {
                QCOMPARE(list->data(list->index(r, stateColumn)).toString(), Payments::kPaid);
                QVERIFY(!list->data(list->index(r, 0), Qt::BackgroundRole).isValid());
                grid->setCurrentIndex(list->index(r, 0));
            }

        // Again: refused, nothing asked.
        t.dialogs.clear();
        collect->trigger();
        QCOMPARE(t.dialogs.shown().size(), 1);
        QVERIFY2(t.dialogs.last().contains(QStringLiteral("不能重复收款")), qPrintable(t.dialogs.last()));

        // The collection tab lists the other receipt and asks for it.
        TCollectionTab *tab = t.window->collectionTab();
        QVERIFY(tab);
        tab->queryArrears();
        QCOMPARE(tab->arrears().count, 1);
        QCOMPARE(tab->unpaidGrid()->item(0, 1)->text(), QStringLiteral("00000012"));
        t.dialogs.pick(0);
        tab->findChild<QPushButton *>(QStringLiteral("cCollect"))->click();
        QVERIFY(Payments::paymentOf(DemoDM(), QStringLiteral("00000012"), Schema::kReceiptCategory));
        // The tab read its list again after the commit.
        QCOMPARE(tab->arrears().count, 0);
        QCOMPARE(tab->arrearsGrid()->rowCount(), 0);
    }

    // The history list shows the payment state and marks unpaid receipts;
    // "收款" on an archived one pays it where it is, and the list shows it
    // paid.
    void collectionFromTheHistory()
    {
        Fixture t;
        ReceiptRow row;
        row.sjxh = QStringLiteral("00000021");
        row.lbmc = Schema::kReceiptCategory;
        row.cmc = QStringLiteral("西区");
        row.bhh = QStringLiteral("B01");
        row.bhmc = QStringLiteral("王五");
        row.nf = QStringLiteral("2024");
        row.yf = QStringLiteral("02");
        row.cost = 12.5;
        row.rq = QStringLiteral("2024-03-10");
        row.fkzt = Payments::kUnpaid;
        Receipts::insert(DemoDM(), row);
        Receipts::archiveAll(DemoDM());
        t.window->historyTab()->reload();
        auto *grid = t.window->historyTab()->findChild<QTableView *>(QStringLiteral("DBGrid5"));
        QVERIFY(grid);
        auto *list = qobject_cast<TGridModel *>(grid->model());
        QVERIFY(list);
        QCOMPARE(list->rowCount(), 1);
        int stateColumn = -1;
        for (int c = 0; c < list->columnCount(); ++c)
            if (list->headerData(c, Qt::Horizontal).toString() == QStringLiteral("付款状态"))
                stateColumn = c;
        QVERIFY(stateColumn >= 0 && !grid->isColumnHidden(stateColumn));
        QCOMPARE(list->data(list->index(0, stateColumn)).toString(), Payments::kUnpaid);
        QVERIFY(list->data(list->index(0, 1), Qt::BackgroundRole).isValid());

        t.child<QComboBox>("cbskr")->setEditText(QStringLiteral("收款甲"));
        grid->setCurrentIndex(list->index(0, 1));
        t.dialogs.pick(3);
        auto *collect = grid->findChild<QAction *>(QStringLiteral("DBGrid5Collect"));
        QVERIFY(collect);
        collect->trigger();
        const auto paid = Payments::paymentOf(DemoDM(), row.sjxh, row.lbmc);
        QVERIFY(paid);
        QCOMPARE(paid->skfs, QStringLiteral("银行转账"));
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(list->data(list->index(0, stateColumn)).toString(), Payments::kPaid);
        QVERIFY(!list->data(list->index(0, 1), Qt::BackgroundRole).isValid());
    }

    // The main window owns the one printing object; it goes with the window.
    void windowOwnsPrinting()
    {
        QPointer<TReceiptPrinting> printing;
        {
            Fixture t;
            printing = t.window->receiptPrinting();
            QVERIFY(printing);
            QCOMPARE(printing->parent(), t.window.get());
        }
        QVERIFY(!printing);
    }
};

QTEST_MAIN(TestWiring)
#include "test_wiring.moc"
