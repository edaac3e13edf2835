// The history tab: the query and its numbering, archiving, restoring and
// deleting receipts, the batch range dialog.
#include "historyfixture.h"
#include "settings/global.h"
#include "app/orderform.h"
#include "common/gridmodel.h"
#include "data/demodm.h"
#include "data/historyrows.h"
#include "entry/currentreceipts.h"
#include "entry/entrytab.h"
#include "print/formdyts.h"
#include "print/receiptprint.h"
#include "history/historytab.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/datetext.h"
#include "text/keyfilter.h"
#include "controls.h"
#include "entry/entryfield.h"
#include "entry/zozudexcombobox.h"
#include "text/numtext.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <memory>

using namespace history_test;

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    void allEmptyListsEveryNamedReceiptInOrder();
    void namePrefix_data();
    void namePrefix();
    void onlyListedRowsAreNumbered();
    void longListScrolledToTheEnd_data();
    void longListScrolledToTheEnd();
    void emptyResultLeavesStatusBar();
    void dateAndYearConditions_data();
    void dateAndYearConditions();
    void invalidDateStopsQuery();
    void deletedQueryIgnoresYearAndKeepsNumbers();
    void optionsRerunAndBatchButton();
    void reloadSetsYearAndEmptiesMonth();
    void ctrlDeleteRemovesForGood();
    void ctrlDeleteCancelled();
    void archiveEmpty();
    void archiveAnsweredNo();
    void archiveYes();
    void restoreKeepsIidAndEntryOrder();
    void restoreTwiceLosesNothing();
    void restoreWithoutList();
    void deleteCopiesAndLeavesGap();
    void deleteRefusedForDeletedList();
    void deleteAnsweredNo();
    void datePickerButtons();
    void datePickerButtonKeepsTheRowStill();
    void moneyTotalHasTwoDecimals_data();
    void moneyTotalHasTwoDecimals();
    void rangeDialogChecks_data();
    void rangeDialogChecks();
    void rangeDialogKeys();
    void rangeDialogKeepsNumbers();
    void storedReceiptCellForms();
};

void TestHistory::allEmptyListsEveryNamedReceiptInOrder()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000005", "一号楼101", "2024", "02"});
    fx.insert("P_ORDERDBAK", {"00000002", "一号楼202", "2024", "03"});
    fx.insert("P_ORDERDBAK", {"00000001", "二号楼101", "2023", "12"});
    // A receipt without a household name is not listed.
    fx.insert("P_ORDERDBAK", {"00000003", "", "2024", "01"});
    fx.exec("update P_ORDERDBAK set bhmc = null where sjxh = '00000003'");
    fx.query();
    QCOMPARE(fx.listed(), (QStringList{"00000001", "00000005", "00000002"}));
    QCOMPARE(fx.listed("pxxh"), (QStringList{"1", "2", "3"}));
    QCOMPARE(fx.statusPanel(0), QStringLiteral("收据总张数："));
    QCOMPARE(fx.statusPanel(1), QStringLiteral("3"));
    QCOMPARE(fx.statusPanel(2), QStringLiteral("总金额："));
    QCOMPARE(fx.statusPanel(3), QStringLiteral("30.00"));
    QCOMPARE(control<QTableView>(fx.f(), "DBGrid5")->currentIndex().row(), 0);
    QCOMPARE(fx.dialogs.count(), 0);
}

void TestHistory::namePrefix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("一号楼") << "一号楼" << QStringList{"00000001", "00000002"};
    QTest::newRow("二号楼") << "二号楼" << QStringList{"00000003"};
    QTest::newRow("whole name") << "一号楼202" << QStringList{"00000002"};
    QTest::newRow("middle of a name") << "号楼" << QStringList{};
    QTest::newRow("letters any case") << "ab" << QStringList{"00000004"};
}

void TestHistory::namePrefix()
{
    QFETCH(QString, name);
    QFETCH(QStringList, expected);
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "一号楼101"});
    fx.insert("P_ORDERDBAK", {"00000002", "一号楼202"});
    fx.insert("P_ORDERDBAK", {"00000003", "二号楼101"});
    fx.insert("P_ORDERDBAK", {"00000004", "AB栋1"});
    control<QLineEdit>(fx.f(), "Edit15")->setText(name);
    fx.query();
    QCOMPARE(fx.listed(), expected);
}

void TestHistory::onlyListedRowsAreNumbered()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "一号楼101", "2024", "03"});
    fx.insert("P_ORDERDBAK", {"00000004", "一号楼102", "2024", "02"});
    fx.insert("P_ORDERDBAK", {"00000003", "一号楼103", "2024", "03"});
    fx.insert("P_ORDERDBAK", {"00000002", "一号楼104", "2023", "03"});
    fx.insert("P_ORDERDBAK", {"00000005", "一号楼105", "2024", "01", "2024-01-15"});
    // A first query numbers all five, a narrower one renumbers.
    fx.query();
    control<QLineEdit>(fx.f(), "Edit23")->setText("2024");
    control<QLineEdit>(fx.f(), "Edit17")->setText("2024-02-01");
    fx.query();
    QCOMPARE(fx.listed(), (QStringList{"00000004", "00000001", "00000003"}));
    QCOMPARE(fx.listed("pxxh"), (QStringList{"1", "2", "3"}));
    const QList<QPair<QString, int>> expected{{"00000001", 2}, {"00000002", 0}, {"00000003", 3}, {"00000004", 1},
                                              {"00000005", 0}};
    QCOMPARE(fx.historyNumbers(), expected);
    QCOMPARE(fx.statusPanel(1), QStringLiteral("3"));
}

// A result many times longer than the rows the grid keeps: scrolled to its
// end, the grid shows the last receipts with their own values, and on the
// way only a few blocks of rows are held. Rows deleted on the way leave
// their numbers out and move the later rows up.
void TestHistory::longListScrolledToTheEnd_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("deleted");   // grid rows deleted before scrolling, in turn
    const int held = THistoryRows::kBlockRows * THistoryRows::kKeptBlocks;
    QTest::newRow("three times what is held") << 3 * held + 37 << QList<int>{};
    QTest::newRow("exactly blocks") << 4 * THistoryRows::kBlockRows * THistoryRows::kKeptBlocks << QList<int>{};
    QTest::newRow("rows deleted first") << 2 * held + 5 << QList<int>{0, 200, 200, 2 * held};
}

void TestHistory::longListScrolledToTheEnd()
{
    QFETCH(int, rows);
    QFETCH(QList<int>, deleted);
    Fixture fx;
    // Receipt i: serial i, household "户i", i % 97 + 0.5 yuan; the newest
    // periods last. Listed in the order of period and serial.
    fx.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1)"
                           " insert into P_ORDERDBAK(sjxh, lbmc, bhmc, nf, yf, rq, cost, pxxh)"
                           " select printf('%08d', i), '销售单', '户' || i, '2024', printf('%02d', 1 + (i - 1) * 12 / %1),"
                           " '2024-03-01', i % 97 + 0.5, 7 from n")
                .arg(rows));
    QStringList order;   // serials in list order
    double total = 0;
    for (int i = 1; i <= rows; ++i) {
        order << QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0'));
        total += i % 97 + 0.5;
    }
    fx.window->resize(1000, 700);
    fx.window->show();
    fx.pages()->setCurrentIndex(2);
    control<QLineEdit>(fx.f(), "Edit23")->clear();
    fx.query();
    QCOMPARE(fx.dialogs.count(), 0);
    TGridModel *m = fx.history()->listModel();
    auto *held = qobject_cast<THistoryRows *>(m->sourceModel());
    QVERIFY(held);
    QCOMPARE(m->rowCount(), rows);
    QVERIFY(!m->canFetchMore({}));
    QTableView *grid = control<QTableView>(fx.f(), "DBGrid5");
    QList<qint64> numbers;
    for (int i = 1; i <= rows; ++i)
        numbers << i;
    for (int row : deleted) {
        fx.select(row);
        fx.dialogs.answer(true);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        order.removeAt(row);
        numbers.removeAt(row);
    }
    QCOMPARE(m->rowCount(), order.size());

    // Page by page to the end, as the scroll bar takes it.
    QScrollBar *bar = grid->verticalScrollBar();
    bar->setValue(0);
    int steps = 0;
    for (; bar->value() < bar->maximum(); ++steps) {
        bar->setValue(bar->value() + bar->pageStep());
        grid->viewport()->repaint();
        QVERIFY(held->blocksHeld() <= THistoryRows::kKeptBlocks);
    }
    QVERIFY(steps > 10);
    const int last = m->rowCount() - 1;
    QVERIFY(grid->rowAt(grid->viewport()->height() - 1) == last || grid->rowAt(grid->viewport()->height() - 1) == -1);
    QCOMPARE(grid->indexAt(QPoint(2, grid->rowViewportPosition(last) + 2)).row(), last);
    // What the grid shows in the last row: the last receipt's own values.
    const int i = order.last().toInt();
    auto shown = [&](int row, const char *title) {
        for (int c = 0; c < m->columnCount(); ++c)
            if (m->headerData(c, Qt::Horizontal).toString() == QString::fromUtf8(title))
                return m->index(row, c).data().toString();
        return QStringLiteral("no column %1").arg(QString::fromUtf8(title));
    };
    QCOMPARE(shown(last, "单据编号"), order.last());
    QCOMPARE(shown(last, "户名"), QStringLiteral("户%1").arg(i));
    QCOMPARE(shown(last, "序号"), QString::number(numbers.last()));
    QCOMPARE(shown(last, "总金额"), QString::number(i % 97 + 0.5));
    QCOMPARE(m->fieldValue(last, "iid").toLongLong(), fx.value("select iid as v from P_ORDERDBAK where sjxh = :s", {{"s", order.last()}}).toLongLong());
    // Every row in its place on the way back.
    for (int row = 0; row < m->rowCount(); row += 97)
        QCOMPARE(m->fieldValue(row, "sjxh").toString(), order[row]);
    QVERIFY(held->blocksHeld() <= THistoryRows::kKeptBlocks);
    // Count and total as queried; deleting keeps them.
    QCOMPARE(fx.statusPanel(1), QString::number(rows));
    QCOMPARE(fx.statusPanel(3), FormatMoney(total));
}

void TestHistory::emptyResultLeavesStatusBar()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "一号楼101", "2024", "03", "2024-03-01", 12.5});
    fx.query();
    QCOMPARE(fx.statusPanel(3), QStringLiteral("12.50"));
    control<QLineEdit>(fx.f(), "Edit15")->setText("三号楼");
    fx.query();
    QCOMPARE(fx.history()->listModel()->rowCount(), 0);
    QVERIFY(!DemoDM().qlshz.isOpen());
    QCOMPARE(fx.statusPanel(1), QStringLiteral("1"));
    QCOMPARE(fx.statusPanel(3), QStringLiteral("12.50"));
    QCOMPARE(fx.dialogs.count(), 0);
    // The numbers of the last result stay.
    QCOMPARE(fx.historyNumbers().value(0).second, 1);
}

void TestHistory::dateAndYearConditions_data()
{
    QTest::addColumn<QString>("sjxh");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("serial") << "00000002" << "" << "" << "" << "" << QStringList{"00000002"};
    QTest::newRow("from, inclusive") << "" << "2024-03-10" << "" << "" << "" << QStringList{"00000002", "00000003"};
    QTest::newRow("to, inclusive") << "" << "" << "2024-03-10" << "" << "" << QStringList{"00000001", "00000002"};
    QTest::newRow("range") << "" << "2024-3-10" << "2024-03-10" << "" << "" << QStringList{"00000002"};
    QTest::newRow("year") << "" << "" << "" << "2023" << "" << QStringList{"00000001"};
    QTest::newRow("month") << "" << "" << "" << "" << "03" << QStringList{"00000002", "00000003"};
    QTest::newRow("month one digit") << "" << "" << "" << "" << "3" << QStringList{};
}

void TestHistory::dateAndYearConditions()
{
    QFETCH(QString, sjxh);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, year);
    QFETCH(QString, month);
    QFETCH(QStringList, expected);
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2023", "12", "2024-03-01"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙", "2024", "03", "2024-03-10"});
    fx.insert("P_ORDERDBAK", {"00000003", "丙", "2024", "03", "2024-03-15"});
    control<QLineEdit>(fx.f(), "Edit16")->setText(sjxh);
    control<QLineEdit>(fx.f(), "Edit17")->setText(from);
    control<QLineEdit>(fx.f(), "Edit18")->setText(to);
    control<QLineEdit>(fx.f(), "Edit23")->setText(year);
    control<QComboBox>(fx.f(), "cbbyf")->setEditText(month);
    fx.query();
    QCOMPARE(fx.listed(), expected);
    QCOMPARE(fx.dialogs.count(), 0);
}

void TestHistory::invalidDateStopsQuery()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.exec("update P_ORDERDBAK set pxxh = 7");
    control<QLineEdit>(fx.f(), "Edit18")->setText("2024-13-45");
    fx.query();
    QCOMPARE(fx.dialogs.count(), 1);
    QCOMPARE(fx.dialogs.shown().first().kind, Dialogs::Kind::Error);
    QVERIFY(fx.dialogs.last().contains("2024-13-45"));
    QCOMPARE(fx.historyNumbers().value(0).second, 7);
    QVERIFY(!DemoDM().qlshz.isOpen());
}

void TestHistory::deletedQueryIgnoresYearAndKeepsNumbers()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2024", "03"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙", "2024", "03"});
    fx.insert("p_orderd_del", {"00000007", "丙", "2020", "05", "2020-05-01", 3});
    fx.insert("p_orderd_del", {"00000008", "丁", "2024", "03", "2024-03-01", 4});
    fx.query();
    const auto before = fx.historyNumbers();
    QCOMPARE(before.value(1).second, 2);
    control<QLineEdit>(fx.f(), "Edit23")->setText("2024");
    control<QComboBox>(fx.f(), "cbbyf")->setEditText("03");
    control<QRadioButton>(fx.f(), "rbb2")->click();
    QCOMPARE(fx.listed(), (QStringList{"00000007", "00000008"}));
    QCOMPARE(fx.statusPanel(1), QStringLiteral("2"));
    QCOMPARE(fx.statusPanel(3), QStringLiteral("7.00"));
    QCOMPARE(fx.historyNumbers(), before);
    // The date range still applies.
    control<QLineEdit>(fx.f(), "Edit17")->setText("2024-01-01");
    fx.query();
    QCOMPARE(fx.listed(), (QStringList{"00000008"}));
}

void TestHistory::optionsRerunAndBatchButton()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.insert("p_orderd_del", {"00000009", "乙"});
    QVERIFY(control<QRadioButton>(fx.f(), "rbb1")->isChecked());
    QVERIFY(control<QPushButton>(fx.f(), "SpeedButton37")->isEnabled());
    control<QRadioButton>(fx.f(), "rbb2")->click();
    QCOMPARE(fx.listed(), QStringList{"00000009"});
    QVERIFY(!control<QPushButton>(fx.f(), "SpeedButton37")->isEnabled());
    control<QRadioButton>(fx.f(), "rbb1")->click();
    QCOMPARE(fx.listed(), QStringList{"00000001"});
    QVERIFY(control<QPushButton>(fx.f(), "SpeedButton37")->isEnabled());
}

void TestHistory::reloadSetsYearAndEmptiesMonth()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2024", "03", "2024-03-05"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙", "2023", "03", "2024-03-06"});
    fx.insert("P_ORDERDBAK", {"00000003", "丙", "2024", "02", "2024-02-01"});  // older than 20 days
    control<QComboBox>(fx.f(), "cbbyf")->setEditText("02");
    // The start-up's range: the last twenty days.
    control<QLineEdit>(fx.f(), "Edit17")->setText(DateText::fromDate(DateText::today().addDays(-20)));
    control<QLineEdit>(fx.f(), "Edit18")->setText(DateText::fromDate(DateText::today()));
    fx.pages()->setCurrentIndex(2);   // showing the tab
    QCOMPARE(control<QLineEdit>(fx.f(), "Edit23")->text(), QStringLiteral("2024"));
    QCOMPARE(control<QComboBox>(fx.f(), "cbbyf")->currentText(), QString());
    QCOMPARE(fx.listed(), QStringList{"00000001"});
}

void TestHistory::ctrlDeleteRemovesForGood()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙"});
    fx.insert("P_ORDERDBAK", {"00000003", "丙"});
    fx.query();
    fx.select(1);
    fx.dialogs.answer(true);
    QTest::keyClick(control<QTableView>(fx.f(), "DBGrid5"), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(fx.dialogs.last(), QStringLiteral("Delete record?"));
    QCOMPARE(fx.listed(), (QStringList{"00000001", "00000003"}));
    QCOMPARE(fx.listed("pxxh"), (QStringList{"1", "3"}));
    QCOMPARE(fx.statusPanel(1), QStringLiteral("3"));
    QCOMPARE(fx.value("select count(*) as v from p_orderd_del").toInt(), 0);
    control<QRadioButton>(fx.f(), "rbb2")->click();
    QCOMPARE(fx.listed(), QStringList{});
}

void TestHistory::ctrlDeleteCancelled()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.query();
    fx.dialogs.answer(false);
    QTest::keyClick(control<QTableView>(fx.f(), "DBGrid5"), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(fx.listed(), QStringList{"00000001"});
    QCOMPARE(fx.value("select count(*) as v from P_ORDERDBAK").toInt(), 1);
}

void TestHistory::archiveEmpty()
{
    Fixture fx;
    control<QPushButton>(fx.e(), "SpeedButton20")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"当前没有需要导出的单据！"});
    QCOMPARE(fx.dialogs.shown().first().kind, Dialogs::Kind::Message);
}

void TestHistory::archiveAnsweredNo()
{
    Fixture fx;
    fx.insert("P_ORDERD", {"00000001", "甲"});
    fx.dialogs.answer(false);
    control<QPushButton>(fx.e(), "SpeedButton20")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"您确定要导出当前所有单据数据到历史表吗？"});
    QCOMPARE(fx.dialogs.shown().first().caption, QStringLiteral("询问"));
    QCOMPARE(fx.value("select count(*) as v from P_ORDERD").toInt(), 1);
    QCOMPARE(fx.value("select count(*) as v from P_ORDERDBAK").toInt(), 0);
}

void TestHistory::archiveYes()
{
    Fixture fx;
    const qint64 a = fx.insert("P_ORDERD", {"00000001", "甲"});
    const qint64 b = fx.insert("P_ORDERD", {"00000002", "乙"});
    fx.exec("update P_ORDERD set pxxh = iid");
    fx.window->currentReceipts()->OpenCurrentReceipts();
    QCOMPARE(fx.window->currentReceipts()->listModel()->rowCount(), 2);
    // A receipt loaded for change: archiving ends that.
    fx.window->currentReceipts()->setLoadedMode(true);
    control<TZozudExComboBox>(fx.e(), "edit41")->setEditText(QStringLiteral("乙"));
    fx.dialogs.answer(true);
    control<QPushButton>(fx.e(), "SpeedButton20")->click();
    QCOMPARE(fx.dialogs.texts(),
             (QStringList{"您确定要导出当前所有单据数据到历史表吗？", "单据导出到历史表成功！"}));
    QCOMPARE(fx.value("select count(*) as v from P_ORDERD").toInt(), 0);
    QCOMPARE(fx.value("select group_concat(iid || ':' || pxxh, ',') as v from (select iid, pxxh from P_ORDERDBAK order by iid)").toString(),
             QStringLiteral("%1:%1,%2:%2").arg(a).arg(b));
    QCOMPARE(fx.window->currentReceipts()->listModel()->rowCount(), 0);
    QVERIFY(!control<QPushButton>(fx.e(), "SpeedButton4")->isEnabled());
    // A new receipt is started: the form is emptied.
    QCOMPARE(control<TZozudExComboBox>(fx.e(), "edit41")->currentText(), QString());
}

void TestHistory::restoreKeepsIidAndEntryOrder()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2024", "02"});
    fx.exec("insert into sjmxbbak(spmc, sjxh, lbmc) values('detail', '00000001', '销售单')");
    fx.insert("P_ORDERD", {"00000005", "乙"});
    fx.insert("P_ORDERD", {"00000006", "丙"});
    // The history receipt was entered before both current ones.
    fx.exec("update P_ORDERDBAK set iid = 1");
    fx.exec("update P_ORDERD set iid = iid + 10");
    fx.insert("P_ORDERDBAK", {"00000009", "丁", "2024", "03"});
    fx.query();
    QCOMPARE(fx.listed(), (QStringList{"00000001", "00000009"}));
    fx.pages()->setCurrentIndex(2);
    fx.select(0);
    control<QPushButton>(fx.f(), "SpeedButton5")->click();
    QCOMPARE(fx.dialogs.count(), 0);
    QCOMPARE(fx.value("select iid as v from P_ORDERD where sjxh = '00000001'").toLongLong(), 1);
    QCOMPARE(fx.value("select count(*) as v from P_ORDERDBAK where sjxh = '00000001'").toInt(), 0);
    QCOMPARE(fx.value("select group_concat(sjxh || ':' || pxxh, ',') as v from (select sjxh, pxxh from P_ORDERD order by iid)").toString(),
             QStringLiteral("00000001:1,00000005:2,00000006:3"));
    QCOMPARE(fx.value("select count(*) as v from sjmxb where sjxh = '00000001'").toInt(), 1);
    QCOMPARE(fx.value("select count(*) as v from sjmxbbak").toInt(), 0);
    // The list shows the moved row until the next query.
    QCOMPARE(fx.listed(), (QStringList{"00000001", "00000009"}));
    // Opened on the entry screen.
    QCOMPARE(fx.pages()->currentIndex(), 0);
    QCOMPARE(control<TEntryField>(fx.e(), "Edit3")->text(), QStringLiteral("00000001"));
    QCOMPARE(control<TZozudExComboBox>(fx.e(), "edit41")->currentText(), QStringLiteral("甲"));
    QVERIFY(fx.window->currentReceipts()->loadedMode());
}

void TestHistory::restoreTwiceLosesNothing()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.query();
    control<QPushButton>(fx.f(), "SpeedButton5")->click();
    QCOMPARE(fx.value("select count(*) as v from P_ORDERD").toInt(), 1);
    // The list still shows the row; a second click must not lose the receipt.
    control<QPushButton>(fx.f(), "SpeedButton5")->click();
    QCOMPARE(fx.value("select count(*) as v from P_ORDERD where sjxh = '00000001'").toInt(), 1);
    QCOMPARE(fx.dialogs.count(), 0);
}

void TestHistory::restoreWithoutList()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    control<QPushButton>(fx.f(), "SpeedButton5")->click();      // no query yet
    QCOMPARE(fx.value("select count(*) as v from P_ORDERD").toInt(), 0);
    QCOMPARE(fx.pages()->currentIndex(), 0);
    control<QLineEdit>(fx.f(), "Edit15")->setText("无");
    fx.pages()->setCurrentIndex(2);     // runs the query: nothing listed
    QVERIFY(!DemoDM().qlshz.isOpen());
    control<QPushButton>(fx.f(), "SpeedButton5")->click();
    QCOMPARE(fx.value("select count(*) as v from P_ORDERDBAK").toInt(), 1);
    QCOMPARE(fx.pages()->currentIndex(), 2);
    QCOMPARE(fx.dialogs.count(), 0);
}

void TestHistory::deleteCopiesAndLeavesGap()
{
    Fixture fx;
    const qint64 iid = fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙", "2024", "03", "2024-03-01", 10, "其它单"});
    fx.insert("P_ORDERDBAK", {"00000003", "丙"});
    fx.query();
    QCOMPARE(fx.listed("pxxh"), (QStringList{"1", "2", "3", "4"}));
    fx.select(1);
    const QString lbmc = fx.history()->listModel()->fieldValue(1, "lbmc").toString();
    fx.dialogs.answer(true);
    control<QPushButton>(fx.f(), "SpeedButton23")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"您确定要删除单据号为：00000002的数据吗？"});
    QCOMPARE(fx.dialogs.shown().first().caption, QStringLiteral("询问"));
    // Only the row of that number and category moved, whole.
    QCOMPARE(fx.value("select count(*) as v from p_orderd_del where sjxh = '00000002' and lbmc = :l", {{"l", lbmc}}).toInt(), 1);
    QCOMPARE(fx.value("select count(*) as v from P_ORDERDBAK where sjxh = '00000002'").toInt(), 1);
    QCOMPARE(fx.value("select pxxh as v from p_orderd_del").toInt(), 2);
    QCOMPARE(fx.listed("pxxh"), (QStringList{"1", "3", "4"}));
    QCOMPARE(fx.statusPanel(1), QStringLiteral("4"));
    Q_UNUSED(iid);
}

void TestHistory::deleteRefusedForDeletedList()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    fx.insert("p_orderd_del", {"00000002", "乙"});
    control<QRadioButton>(fx.f(), "rbb2")->click();
    control<QPushButton>(fx.f(), "SpeedButton23")->click();
    QCOMPARE(fx.dialogs.texts(), QStringList{"请先选择“历史数据”"});
    QCOMPARE(fx.value("select count(*) as v from p_orderd_del").toInt(), 1);
}

void TestHistory::deleteAnsweredNo()
{
    Fixture fx;
    fx.insert("P_ORDERDBAK", {"00000001", "甲"});
    control<QPushButton>(fx.f(), "SpeedButton23")->click();     // no list yet: nothing asked
    QCOMPARE(fx.dialogs.count(), 0);
    fx.query();
    fx.dialogs.answer(false);
    control<QPushButton>(fx.f(), "SpeedButton23")->click();
    QCOMPARE(fx.dialogs.count(), 1);
    QCOMPARE(fx.value("select count(*) as v from P_ORDERDBAK").toInt(), 1);
    QCOMPARE(fx.value("select count(*) as v from p_orderd_del").toInt(), 0);
}

void TestHistory::datePickerButtons()
{
    Fixture fx;
    fx.window->show();
    fx.window->findChild<QTabWidget *>("PageControl1")->setCurrentIndex(2);
    QVERIFY(QTest::qWaitForWindowExposed(fx.window.get()));
    QDate given;
    bool answer = true;
    fx.history()->services().pickDate = [&](const QDate &shown, QDate *chosen) {
        given = shown;
        *chosen = QDate(2024, 2, 29);
        return answer;
    };
    QVERIFY(!control<QPushButton>(fx.f(), "BitBtn7")->isVisible());
    control<QLineEdit>(fx.f(), "Edit17")->setText("2024-03-01");
    control<QLineEdit>(fx.f(), "Edit17")->setFocus();
    QTRY_VERIFY(control<QPushButton>(fx.f(), "BitBtn7")->isVisible());
    control<QPushButton>(fx.f(), "BitBtn7")->click();
    QCOMPARE(given, QDate(2024, 3, 1));
    QCOMPARE(control<QLineEdit>(fx.f(), "Edit17")->text(), QStringLiteral("2024-02-29"));
    QVERIFY(!control<QPushButton>(fx.f(), "BitBtn7")->isVisible());
    QTRY_VERIFY(control<QLineEdit>(fx.f(), "Edit18")->hasFocus());
    QVERIFY(control<QPushButton>(fx.f(), "BitBtn8")->isVisible());
    answer = false;
    const QString before = control<QLineEdit>(fx.f(), "Edit18")->text();
    control<QPushButton>(fx.f(), "BitBtn8")->click();
    QCOMPARE(control<QLineEdit>(fx.f(), "Edit18")->text(), before);
    QVERIFY(!control<QPushButton>(fx.f(), "BitBtn8")->isVisible());
    control<QLineEdit>(fx.f(), "Edit16")->setFocus();
    QTRY_VERIFY(control<QLineEdit>(fx.f(), "Edit16")->hasFocus());
    QVERIFY(!control<QPushButton>(fx.f(), "BitBtn8")->isVisible());
}

// Showing a picker button must not move anything of its row: a click
// aimed at a field would land on a label.
void TestHistory::datePickerButtonKeepsTheRowStill()
{
    Fixture fx;
    fx.window->show();
    fx.pages()->setCurrentIndex(2);
    QVERIFY(QTest::qWaitForWindowExposed(fx.window.get()));
    fx.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(fx.window.get()));
    const QList<QWidget *> row {control<QLineEdit>(fx.f(), "Edit15"), control<QLineEdit>(fx.f(), "Edit16"),
                                control<QLabel>(fx.f(), "Label17"),   control<QLineEdit>(fx.f(), "Edit17"),
                                control<QLabel>(fx.f(), "Label18"),   control<QLineEdit>(fx.f(), "Edit18"),
                                control<QLabel>(fx.f(), "Label23"),   control<QLineEdit>(fx.f(), "Edit23"),
                                control<QComboBox>(fx.f(), "cbbyf")};
    auto places = [&row] {
        QList<QRect> out;
        for (QWidget *w : row)
            out << w->geometry();
        return out;
    };
    control<QLineEdit>(fx.f(), "Edit15")->setFocus();
    QTRY_VERIFY(control<QLineEdit>(fx.f(), "Edit15")->hasFocus());
    QVERIFY(!control<QPushButton>(fx.f(), "BitBtn7")->isVisible()
            && !control<QPushButton>(fx.f(), "BitBtn8")->isVisible());
    const QList<QRect> still = places();
    for (QLineEdit *field : {control<QLineEdit>(fx.f(), "Edit17"), control<QLineEdit>(fx.f(), "Edit18")}) {
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QPushButton *button = field == control<QLineEdit>(fx.f(), "Edit17") ? control<QPushButton>(fx.f(), "BitBtn7")
                                                                            : control<QPushButton>(fx.f(), "BitBtn8");
        QVERIFY(button->isVisible());
        QCoreApplication::processEvents();   // the layout runs
        QCOMPARE(places(), still);
        // The button sits right of its field, clear of the next label.
        QVERIFY(button->geometry().left() >= field->geometry().right());
        QVERIFY(button->geometry().right() < (field == control<QLineEdit>(fx.f(), "Edit17")
                                                  ? control<QLabel>(fx.f(), "Label18")
                                                  : control<QLabel>(fx.f(), "Label23"))
                                                 ->geometry()
                                                 .left());
    }
    control<QLineEdit>(fx.f(), "Edit23")->setFocus();
    QTRY_VERIFY(control<QLineEdit>(fx.f(), "Edit23")->hasFocus());
    QCoreApplication::processEvents();
    QCOMPARE(places(), still);
}

// The status bar's total is money: two decimals, whatever noise the sum of
// many stored amounts carries.
void TestHistory::moneyTotalHasTwoDecimals_data()
{
    QTest::addColumn<double>("cost");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("total");
    QTest::newRow("whole amounts") << 15.0 << 2 << "30.00";
    QTest::newRow("one decimal") << 12.5 << 1 << "12.50";
    QTest::newRow("noise of a long sum") << 0.7 << 1000 << "700.00";
    QTest::newRow("noise below a whole number") << 3.3 << 3000 << "9900.00";
    QTest::newRow("half cent rounds up") << 0.125 << 1 << "0.13";
}

void TestHistory::moneyTotalHasTwoDecimals()
{
    QFETCH(double, cost);
    QFETCH(int, rows);
    QFETCH(QString, total);
    Fixture fx;
    {
        DbTransaction tx;
        for (int i = 1; i <= rows; ++i)
            fx.insert("P_ORDERDBAK", {QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')), "甲", "2024", "03",
                                      "2024-03-01", cost});
        tx.commit();
    }
    fx.query();
    QCOMPARE(fx.statusPanel(1), QString::number(rows));
    QCOMPARE(fx.statusPanel(3), total);
}

void TestHistory::rangeDialogChecks_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("message");
    QTest::newRow("3 to 5") << "3" << "5" << "";
    QTest::newRow("2 to 2") << "2" << "2" << "";
    QTest::newRow("first empty") << "" << "" << "开始序号不能为空！";
    QTest::newRow("last empty") << "1" << "" << "结束序号不能为空！";
    QTest::newRow("zero first") << "0" << "5" << "序号不能为零！";
    QTest::newRow("00 last") << "1" << "00" << "序号不能为零！";
    QTest::newRow("zero before format") << "abc" << "0" << "序号不能为零！";
    QTest::newRow("5 to 3") << "5" << "3" << "数据格式不对！";
    QTest::newRow("pasted letters") << "1" << "a2" << "数据格式不对！";
    QTest::newRow("negative") << "-3" << "2" << "数据格式不对！";
    QTest::newRow("too long") << "1" << "99999999999999999999" << "数据格式不对！";
}

void TestHistory::rangeDialogChecks()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, message);
    ScratchDir dir;
    RecordingDialogs dialogs;
    TFormdyts d;
    d.show();
    control<QLineEdit>(&d, "Edit1")->setText(first);
    control<QLineEdit>(&d, "Edit2")->setText(last);
    control<QPushButton>(&d, "BitBtn1")->click();
    if (message.isEmpty()) {
        QCOMPARE(dialogs.count(), 0);
        QVERIFY(d.accepted());
        QVERIFY(!d.isVisible());
        QCOMPARE(d.first(), first.toLongLong());
        QCOMPARE(d.last(), last.toLongLong());
    } else {
        QCOMPARE(dialogs.texts(), QStringList{message});
        QVERIFY(!d.accepted());
        QVERIFY(d.isVisible());
    }
}

void TestHistory::rangeDialogKeys()
{
    ScratchDir dir;
    int beeps = 0;
    SetBeepHook([&beeps] { ++beeps; });
    TFormdyts d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    control<QLineEdit>(&d, "Edit1")->clear();
    control<QLineEdit>(&d, "Edit1")->setFocus();
    QTest::keyClicks(control<QLineEdit>(&d, "Edit1"), "1a2.-");
    QCOMPARE(control<QLineEdit>(&d, "Edit1")->text(), QStringLiteral("12"));
    QCOMPARE(beeps, 3);
    QTest::keyClick(control<QLineEdit>(&d, "Edit1"), Qt::Key_Backspace);
    QCOMPARE(control<QLineEdit>(&d, "Edit1")->text(), QStringLiteral("1"));
    QTest::keyClick(control<QLineEdit>(&d, "Edit1"), Qt::Key_Return);
    QTRY_VERIFY(control<QLineEdit>(&d, "Edit2")->hasFocus());
    QCOMPARE(beeps, 4);
    QTest::keyClick(control<QLineEdit>(&d, "Edit2"), Qt::Key_Return);
    QTRY_VERIFY(control<QPushButton>(&d, "BitBtn1")->hasFocus());
    QVERIFY(d.isVisible());
    // Cancel clears the flag.
    control<QPushButton>(&d, "BitBtn2")->click();
    QVERIFY(!d.accepted());
    QVERIFY(!d.isVisible());
    SetBeepHook({});
}

void TestHistory::rangeDialogKeepsNumbers()
{
    Fixture fx;
    TFormdyts *d = fx.history()->rangeDialog();
    QCOMPARE(control<QLineEdit>(d, "Edit1")->text(), QStringLiteral("1"));
    QCOMPARE(control<QLineEdit>(d, "Edit2")->text(), QStringLiteral("2"));
    QCOMPARE(d->windowTitle(), QStringLiteral("批量打印对话框"));
    d->show();
    control<QLineEdit>(d, "Edit1")->setText("4");
    control<QLineEdit>(d, "Edit2")->setText("7");
    control<QPushButton>(d, "BitBtn1")->click();
    QVERIFY(d->accepted());
    d->show();
    QVERIFY(!d->accepted());   // cleared on every showing
    QCOMPARE(control<QLineEdit>(d, "Edit1")->text(), QStringLiteral("4"));
    QCOMPARE(control<QLineEdit>(d, "Edit2")->text(), QStringLiteral("7"));
    QCOMPARE(fx.history()->rangeDialog(), d);
    d->hide();
}

void TestHistory::storedReceiptCellForms()
{
    ReceiptRow row;
    row.bhmc = QStringLiteral("一号楼101");
    row.rq = QStringLiteral("2024-03-05");
    row.sjxh = QStringLiteral("00000012");
    row.bccjd = 1250.5;
    row.sccjd = 1200.0;
    row.shsld = 0.0;
    row.cjdl = 50.5;
    row.dj = 0.5;
    row.jed = 25.25;
    row.bccjds = 14.0;
    row.sccjds = 10.0;
    row.shsls = 0.0;
    row.cjdls = 4.0;
    row.djs = 2.0;
    row.jes = 8.0;
    row.qtfy = 12.50;
    row.fzfy = 100.0;
    row.cost = 25.0;
    const QStringList cells = ReceiptCellTexts(row);
    QCOMPARE(cells.size(), 20);
    QCOMPARE(cells[0], QStringLiteral("一号楼101 住户"));
    QCOMPARE(cells[1], QStringLiteral("时间:2024年03月05日"));
    QCOMPARE(cells[2], QStringLiteral("NO.00000012"));
    QCOMPARE(cells[3], QStringLiteral("1250.5"));
    QCOMPARE(cells[4], QStringLiteral("1200"));
    QCOMPARE(cells[5], QStringLiteral("50.5"));
    QCOMPARE(cells[12], QStringLiteral("4"));
    QCOMPARE(cells[17], QStringLiteral("12.5"));
    QCOMPARE(cells[19], QStringLiteral("总合计金额：25 元"));
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
