// The tab "抄表计费" as the operator uses it: import of a filled sheet into the
// checked preview (with the mapping step for headings it does not know), the
// offer to create unknown households, and the bills with their summary.
#include "billing/billingtab.h"
#include "data/demodm.h"
#include "print/spreadsheetengine.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "testdatabase.h"
#include "settings/global.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

class BillingTabTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<TGlobal> m_global;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TBillingTab> m_tab;

    QString writeFile(const QString &name, const QByteArray &data)
    {
        const QString path = m_db->dir.file(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return path;
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDatabase>();
        m_global = std::make_unique<TGlobal>(m_db->dir.file(QStringLiteral("mtrfee.ini")));
        m_global->str_dj = QStringLiteral("0.5");
        m_global->str_djs = QStringLiteral("2");
        m_dialogs = std::make_unique<RecordingDialogs>();
        TestSql::exec(QStringLiteral("insert into hhb(hh,hm,cmc,dd,dds) values('A-1','甲','东区',100,10),('A-2','乙','东区',200,20)"));
        m_tab = std::make_unique<TBillingTab>();
        m_tab->show();
        m_tab->yearField()->setText(QStringLiteral("2024"));
        m_tab->monthField()->setCurrentText(QStringLiteral("03"));
    }
    void cleanup()
    {
        SpreadsheetEngine::shutdown();
        SpreadsheetEngine::setProgramPath(QString());
        m_tab.reset();
        m_dialogs.reset();
        m_global.reset();
        m_db.reset();
    }

    void importPreviewAndBills()
    {
        QCOMPARE(m_tab->communityField()->itemText(1), QStringLiteral("东区"));
        const QString path = writeFile("m.csv", "户名,户号,本月电表数,本月水表数\n甲,A-1,150,15\n乙,A-2,190,25\n丙,C-9,5,5\n");
        m_dialogs->answer(false);   // no new household
        m_tab->importFile(path);
        QCOMPARE(m_dialogs->texts(Dialogs::Kind::Question).size(), 1);
        QVERIFY(m_dialogs->texts().first().contains(QStringLiteral("1户住户不存在")));
        QTableWidget *grid = m_tab->previewGrid();
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->item(0, 8)->text(), QStringLiteral("正常"));
        QVERIFY(grid->item(1, 8)->text().contains(QStringLiteral("小于上月")));
        QVERIFY(grid->item(2, 8)->text().contains(QStringLiteral("没有户名为“丙”的住户")));
        QCOMPARE(grid->item(0, 0)->background().color(), QColor(Qt::white));
        QCOMPARE(grid->item(1, 0)->background().color(), QColor(255, 214, 214));
        QVERIFY(m_tab->statusLabel()->text().contains(QStringLiteral("可生成1张收据")));
        QVERIFY(m_tab->findChild<QPushButton *>(QStringLiteral("bCreateUnknown"))->isEnabled());

        QSignalSpy stored(m_tab.get(), &TBillingTab::billsStored);
        m_dialogs->clear();
        m_dialogs->answer(true);
        m_tab->findChild<QPushButton *>(QStringLiteral("bGenerate"))->click();
        QCOMPARE(stored.size(), 1);
        const QString summary = m_dialogs->last();
        QVERIFY2(summary.startsWith(QStringLiteral("已生成1张收据，合计35.00元。")), qPrintable(summary));
        QVERIFY(summary.contains(QStringLiteral("第3行 乙：电表本月抄表数190小于上月200")));
        QVERIFY(summary.contains(QStringLiteral("第4行 丙：")));
        QCOMPARE(TestSql::value("select count(*) from P_ORDERD where fkzt='未付款' and bhmc='甲' and cost=35").toInt(), 1);
        // Afterwards the preview shows the household billed.
        QVERIFY(grid->item(0, 8)->text().contains(QStringLiteral("已经存在")));
    }

    // Declining the bills stores nothing.
    void generateDeclined()
    {
        m_tab->importFile(writeFile("m.csv", "户名,本月电表数,本月水表数\n甲,150,15\n"));
        m_dialogs->answer(false);
        m_tab->generateBills();
        QCOMPARE(TestSql::value("select count(*) from P_ORDERD").toInt(), 0);
    }

    // Headings it does not know go through the mapping step; cancelling it
    // imports nothing.
    void mappingStep()
    {
        const QString path = writeFile("m.csv", "名字,电,水\n甲,150,15\n");
        QStringList asked;
        m_tab->mapColumns = [&](const QStringList &headings, ReadingSheet::ColumnMap &map) {
            asked = headings;
            map.column[ReadingSheet::Name] = 0;
            map.column[ReadingSheet::ThisElectricity] = 1;
            map.column[ReadingSheet::ThisWater] = 2;
            return true;
        };
        m_tab->importFile(path);
        QCOMPARE(asked, (QStringList{"名字", "电", "水"}));
        QCOMPARE(m_tab->previewRows().size(), 1);
        QVERIFY(m_tab->previewRows().first().accepted());

        m_tab->mapColumns = [](const QStringList &, ReadingSheet::ColumnMap &) { return false; };
        m_tab->importFile(writeFile("n.csv", "名字,电,水\n乙,1,1\n"));
        QCOMPARE(m_tab->previewRows().first().sheet.bhmc, QStringLiteral("甲"));   // the earlier preview stays
    }

    void yearChecked()
    {
        m_tab->yearField()->setText(QStringLiteral("24"));
        m_tab->importFile(writeFile("m.csv", "户名,本月电表数,本月水表数\n甲,150,15\n"));
        QCOMPARE(m_dialogs->last(), QStringLiteral("电费年份格式不对长度应为4位比如2011"));
        QCOMPARE(m_tab->previewRows().size(), 0);
    }

    void fileThatIsNoSheet()
    {
        m_tab->importFile(m_db->dir.file("missing.xlsx"));
        QCOMPARE(m_dialogs->texts(Dialogs::Kind::Error).size() + m_dialogs->texts(Dialogs::Kind::Message).size(), 1);
        m_tab->importFile(writeFile("x.txt", "a"));
        QVERIFY(m_dialogs->last().contains(QStringLiteral("不支持的文件类型")));
    }

    // Without the spreadsheet application the buttons that need it end with
    // the plain message that says what to install, not with an error box,
    // and leave nothing behind.
    void engineMissing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("save reading sheet") << "save";
        QTest::newRow("import a workbook") << "import";
    }
    void engineMissing()
    {
        QFETCH(QString, button);
        SpreadsheetEngine::shutdown();
        SpreadsheetEngine::setProgramPath(QStringLiteral("/nonexistent/soffice.bin"));
        const QString target = m_db->dir.file(QStringLiteral("sheet.xlsx"));
        if (button == QLatin1String("save")) {
            m_tab->chooseSavePath = [&](const QString &) { return target; };
            m_tab->findChild<QPushButton *>(QStringLiteral("bSaveSheet"))->click();
            QVERIFY(!QFileInfo::exists(target));
        } else {
            m_tab->importFile(writeFile(QStringLiteral("sheet.xlsx"), "PK"));
            QCOMPARE(m_tab->previewRows().size(), 0);
        }
        QCOMPARE(m_dialogs->texts(Dialogs::Kind::Error), QStringList());
        QCOMPARE(m_dialogs->texts(Dialogs::Kind::Message), QStringList{kEngineMissingMessage});
    }
};

QTEST_MAIN(BillingTabTest)
#include "test_billingtab.moc"
