// The backup dialog inside the main window: closing the connection for the
// copy closes every list, and every list that was open comes back.
#include "../history/historyfixture.h"

#include "backup/formxtbf.h"
#include "backup/helptab.h"
#include "basedata/basedatatab.h"
#include "data/serials.h"
#include "entry/currentreceipts.h"
#include "entry/entryfield.h"
#include "controls.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QLineEdit>
#include <QTableView>

using namespace history_test;

namespace {

// Every row's value of a column, as a grid model holds it.
QStringList column(TGridModel *m, const QString &name)
{
    for (int before = -1; m->canFetchMore({}) && m->rowCount() != before;) {
        before = m->rowCount();
        m->fetchMore({});
    }
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->fieldValue(r, name).toString();
    return out;
}

struct Shown
{
    QStringList current, history, historyNumbers, households;
    int historyRow = -1;
    bool operator==(const Shown &o) const
    {
        return current == o.current && history == o.history && historyNumbers == o.historyNumbers
            && households == o.households && historyRow == o.historyRow;
    }
};

Shown shown(Fixture &fx)
{
    Shown s;
    s.current = column(fx.window->currentReceipts()->listModel(), QStringLiteral("sjxh"));
    s.history = fx.listed();
    s.historyNumbers = fx.listed(QStringLiteral("pxxh"));
    s.households = column(fx.window->baseDataTab()->householdModel(), QStringLiteral("hm"));
    s.historyRow = control<QTableView>(fx.f(), "DBGrid5")->currentIndex().row();
    return s;
}

QByteArray describe(const Shown &s)
{
    return (QStringLiteral("current %1; history %2 numbered %3 at row %4; households %5")
                               .arg(s.current.join(','), s.history.join(','), s.historyNumbers.join(','))
                               .arg(s.historyRow)
                               .arg(s.households.join(',')))
        .toUtf8();
}

// Opens the backup dialog from the help tab and lets run act in it.
void inBackupDialog(Fixture &fx, const std::function<void(TFormxtbf *)> &run)
{
    fx.window->helpTab()->runDialog = run;
    fx.window->helpTab()->backupButton()->click();
}

void fill(Fixture &fx)
{
    fx.exec(QStringLiteral("insert into hhb (cmc, hm, hh) values ('温州', '一号楼101', '101')"));
    fx.insert("P_ORDERD", {"00000011", "一号楼101"});
    fx.insert("P_ORDERD", {"00000012", "一号楼102"});
    fx.insert("P_ORDERDBAK", {"00000001", "甲", "2024", "01"});
    fx.insert("P_ORDERDBAK", {"00000002", "乙", "2024", "02"});
    fx.insert("P_ORDERDBAK", {"00000003", "丙", "2024", "03"});
}

} // namespace

class TestBackupWindow : public QObject
{
    Q_OBJECT
private slots:
    void backupReopensEveryOpenList_data()
    {
        QTest::addColumn<bool>("copyFails");
        QTest::newRow("backup done") << false;
        QTest::newRow("backup failed") << true;
    }
    void backupReopensEveryOpenList()
    {
        QFETCH(bool, copyFails);
        Fixture fx;
        fill(fx);
        fx.window->currentReceipts()->OpenCurrentReceipts();
        fx.window->baseDataTab()->reload();
        fx.query();
        // A row deleted after the query leaves a gap that a backup must not close.
        fx.select(1);
        fx.dialogs.answer(true);
        control<QPushButton>(fx.f(), "SpeedButton23")->click();
        fx.select(1);
        fx.dialogs.clear();
        const Shown before = shown(fx);
        QCOMPARE(before.current.size(), 2);
        QCOMPARE(before.historyNumbers, (QStringList{"1", "3"}));
        QCOMPARE(before.historyRow, 1);
        QCOMPARE(before.households, QStringList{"一号楼101"});

        inBackupDialog(fx, [copyFails](TFormxtbf *dlg) {
            if (copyFails)
                dlg->copyFile = [](const QString &, const QString &, QString *why) {
                    *why = QStringLiteral("disk full");
                    return false;
                };
            control<QPushButton>(dlg, "BitBtn1")->click();
        });
        QCOMPARE(fx.dialogs.texts(), QStringList{copyFails ? QStringLiteral("数据备份出错，请确定退出了所有应用程序！")
                                                           : QStringLiteral("数据备份完毕")});
        const Shown after = shown(fx);
        QVERIFY2(after == before, describe(after).constData());
        // The lists work on: batch printing still finds the list.
        QVERIFY(DemoDM().qlshz.isOpen());
    }

    // After a restore the lists show the restored data; the history list is
    // queried again, so its numbers are those batch printing uses.
    void restoreShowsTheRestoredData()
    {
        Fixture fx;
        fill(fx);
        fx.window->currentReceipts()->OpenCurrentReceipts();
        inBackupDialog(fx, [](TFormxtbf *dlg) { control<QPushButton>(dlg, "BitBtn1")->click(); });
        fx.insert("P_ORDERD", {"00000013", "一号楼103"});
        fx.insert("P_ORDERDBAK", {"00000004", "丁", "2023", "12"});
        fx.window->currentReceipts()->OpenCurrentReceipts();
        fx.query();
        QCOMPARE(fx.listed(), (QStringList{"00000004", "00000001", "00000002", "00000003"}));
        fx.dialogs.clear();
        // A receipt on the entry form as if loaded for change.
        fx.window->currentReceipts()->setLoadedMode(true);
        control<TEntryField>(fx.e(), "Edit3")->setFieldText(QStringLiteral("00000013"));
        control<TEntryField>(fx.e(), "Edit21")->setFieldText(QStringLiteral("150"));

        inBackupDialog(fx, [&fx](TFormxtbf *dlg) {
            control<QRadioButton>(dlg, "rb3")->click();
            control<QLineEdit>(dlg, "Edit2")
                ->setText(fx.dir.file(QStringLiteral("backup/") + TDemoDM::kDatabaseFileName));
            fx.dialogs.answer(true);
            control<QPushButton>(dlg, "BitBtn2")->click();
        });
        QVERIFY2(fx.dialogs.last().startsWith(QStringLiteral("数据恢复完毕")), qPrintable(fx.dialogs.last()));
        const Shown after = shown(fx);
        QCOMPARE(after.current, (QStringList{"00000012", "00000011"}));
        QCOMPARE(after.history, (QStringList{"00000001", "00000002", "00000003"}));
        QCOMPARE(after.historyNumbers, (QStringList{"1", "2", "3"}));
        QCOMPARE(fx.historyNumbers(),
                 (QList<QPair<QString, int>>{{"00000001", 1}, {"00000002", 2}, {"00000003", 3}}));
        // The entry form starts a new receipt on the restored data.
        QVERIFY(!fx.window->currentReceipts()->loadedMode());
        QCOMPARE(control<TEntryField>(fx.e(), "Edit3")->text(),
                 Serials::NextReceiptSerial(DemoDM(), QStringLiteral("销售单")));
        QCOMPARE(control<TEntryField>(fx.e(), "Edit21")->text(), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestBackupWindow)
#include "test_backup_window.moc"
