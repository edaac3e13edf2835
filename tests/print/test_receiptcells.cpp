// The twenty cell texts of a receipt, from the entry screen and from a
// stored receipt: the screen prints its fields as they stand, a stored
// receipt its numbers in their short form.
#include "printfixture.h"

#include "text/texterror.h"

#include <QtTest>

using namespace PrintFixture;

namespace {

// The receipt of sampleReceipt() as it is stored.
ReceiptRow storedSample()
{
    ReceiptRow r;
    r.rq = QStringLiteral("2024-03-05");
    r.cmc = QStringLiteral("温州");
    r.sjxh = QStringLiteral("00000001");
    r.bhmc = QStringLiteral("张三");
    r.bccjd = 1250.5;
    r.sccjd = 1200;
    r.shsld = 0;
    r.cjdl = 50.5;
    r.dj = 0.6;
    r.jed = 30.3;
    r.bccjds = 88;
    r.sccjds = 80;
    r.shsls = 0;
    r.cjdls = 8;
    r.djs = 3.1;
    r.jes = 24.8;
    r.qtfy = 1;
    r.fzfy = 100;
    r.cost = 156.1;
    r.yf = QStringLiteral("03");
    return r;
}

const QStringList kSampleCells{
    "张三 住户", "时间:2024年03月05日", "NO.00000001",
    "1250.5", "1200", "50.5", "0", "50.5", "0.6", "30.3",
    "88", "80", "8", "0", "8", "3.1", "24.8",
    "1", "100", "总合计金额：156.10 元",
};

} // namespace

class TestReceiptCells : public QObject
{
    Q_OBJECT

private slots:
    void screenAndStoredSample()
    {
        QCOMPARE(ReceiptCellTexts(sampleReceipt()), kSampleCells);
        // Stored, the total has its short form.
        QStringList stored = kSampleCells;
        stored[19] = QStringLiteral("总合计金额：156.1 元");
        QCOMPARE(ReceiptCellTexts(storedSample()), stored);
    }

    // A field prints as it stands: the texts a stored receipt would print
    // differently stay as typed on the screen.
    void screenFieldsPrintAsTyped_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("cell");
        QTest::addColumn<QString>("printed");
        QTest::newRow("money with two decimals") << "Edit29" << "100.50" << 9 << "100.50";
        QTest::newRow("money with one") << "Edit34" << "100.5" << 16 << "100.5";
        QTest::newRow("leading zeros") << "Edit8" << "007" << 6 << "007";
        QTest::newRow("empty loss") << "Edit24" << "" << 13 << "";
        QTest::newRow("price") << "Edit28" << "0.60" << 8 << "0.60";
        QTest::newRow("water price") << "Edit33" << "3.10" << 15 << "3.10";
        QTest::newRow("usage") << "Edit27" << "50.50" << 7 << "50.50";
        QTest::newRow("water usage") << "Edit32" << "08" << 14 << "08";
        QTest::newRow("other fees") << "Edit36" << "1.0" << 17 << "1.0";
        QTest::newRow("rent") << "Edit37" << " 100" << 18 << " 100";
        QTest::newRow("total") << "Edit35" << "156.1" << 19 << "总合计金额：156.1 元";
        QTest::newRow("reading") << "Edit21" << "1250.50" << 3 << "1250.50";
        QTest::newRow("last water reading") << "Edit31" << "080" << 11 << "080";
        QTest::newRow("name") << "edit41" << " 李 四" << 0 << " 李 四 住户";
        QTest::newRow("serial") << "Edit3" << "" << 2 << "NO.";
        QTest::newRow("date with a time") << "Edit1" << "24-3-5 10:20" << 1 << "时间:2024年03月05日";
    }
    void screenFieldsPrintAsTyped()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, cell);
        QFETCH(QString, printed);
        ReceiptPrintData d = sampleReceipt();
        QString *text = nullptr;
        for (const auto &[name, member] : std::initializer_list<std::pair<const char *, QString ReceiptPrintData::*>>{
                 {"Edit1", &ReceiptPrintData::Edit1},   {"Edit3", &ReceiptPrintData::Edit3},
                 {"edit41", &ReceiptPrintData::edit41}, {"Edit21", &ReceiptPrintData::Edit21},
                 {"Edit31", &ReceiptPrintData::Edit31}, {"Edit8", &ReceiptPrintData::Edit8},
                 {"Edit27", &ReceiptPrintData::Edit27}, {"Edit28", &ReceiptPrintData::Edit28},
                 {"Edit29", &ReceiptPrintData::Edit29}, {"Edit24", &ReceiptPrintData::Edit24},
                 {"Edit32", &ReceiptPrintData::Edit32}, {"Edit33", &ReceiptPrintData::Edit33},
                 {"Edit34", &ReceiptPrintData::Edit34}, {"Edit36", &ReceiptPrintData::Edit36},
                 {"Edit37", &ReceiptPrintData::Edit37}, {"Edit35", &ReceiptPrintData::Edit35}})
            if (field == QLatin1String(name))
                text = &(d.*member);
        QVERIFY(text);
        *text = typed;
        QStringList expected = kSampleCells;
        expected[cell] = printed;
        if (field == QLatin1String("Edit21"))
            expected[5] = QStringLiteral("50.5");   // the difference of the readings
        QCOMPARE(ReceiptCellTexts(d), expected);
    }

    // The differences come from the readings as numbers.
    void differencesOfTheReadings()
    {
        ReceiptPrintData d = sampleReceipt();
        d.Edit21 = QStringLiteral("10.5");
        d.Edit22 = QStringLiteral("10.75");
        d.Edit30 = QStringLiteral("0");
        d.Edit31 = QStringLiteral(" 0.25 ");
        const QStringList cells = ReceiptCellTexts(d);
        QCOMPARE(cells[5], QStringLiteral("-0.25"));
        QCOMPARE(cells[12], QStringLiteral("-0.25"));
        QCOMPARE(cells[11], QStringLiteral(" 0.25 "));
        ReceiptRow r = storedSample();
        r.bccjd = 10.5;
        r.sccjd = 10.75;
        r.bccjds = 0;
        r.sccjds = 0.25;
        QCOMPARE(ReceiptCellTexts(r)[5], QStringLiteral("-0.25"));
        QCOMPARE(ReceiptCellTexts(r)[12], QStringLiteral("-0.25"));
    }

    // A stored receipt's numbers print in their short form; its date may
    // carry a time.
    void storedNumbersInShortForm()
    {
        ReceiptRow r = storedSample();
        r.rq = QStringLiteral("2023-11-30 17:45:09");
        r.jed = 100.5;
        r.dj = 0.5123;
        r.fzfy = 0;
        r.cost = 1e-20;
        r.shsld = -0;
        r.bhmc = QString();
        const QStringList cells = ReceiptCellTexts(r);
        QCOMPARE(cells[0], QStringLiteral(" 住户"));
        QCOMPARE(cells[1], QStringLiteral("时间:2023年11月30日"));
        QCOMPARE(cells[9], QStringLiteral("100.5"));
        QCOMPARE(cells[8], QStringLiteral("0.5123"));
        QCOMPARE(cells[6], QStringLiteral("0"));
        QCOMPARE(cells[18], QStringLiteral("0"));
        QCOMPARE(cells[19], QStringLiteral("总合计金额：1E-20 元"));
    }

    // The texts that are read as numbers or a date stop the cells with
    // their own message: the date first, then the readings in order.
    void unreadableTextsStop_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("power");
        QTest::addColumn<QString>("water");
        QTest::addColumn<QString>("message");
        QTest::newRow("date") << "2024-02-30" << "x" << "1" << "“2024-02-30”不是有效的日期";
        QTest::newRow("reading") << "2024-02-03" << "1,250" << "y" << "“1,250”不是有效的数值";
        QTest::newRow("water reading") << "2024-02-03" << "1" << "八十" << "“八十”不是有效的数值";
        QTest::newRow("empty reading") << "2024-02-03" << "" << "1" << "“”不是有效的数值";
    }
    void unreadableTextsStop()
    {
        QFETCH(QString, date);
        QFETCH(QString, power);
        QFETCH(QString, water);
        QFETCH(QString, message);
        ReceiptPrintData d = sampleReceipt();
        d.Edit1 = date;
        d.Edit21 = power;
        d.Edit31 = water;
        try {
            ReceiptCellTexts(d);
            QFAIL("no error");
        } catch (const TextError &e) {
            QCOMPARE(e.message(), message);
        }
        // Texts that are only shown are not read.
        d = sampleReceipt();
        d.Edit29 = QStringLiteral("三十");
        d.Edit8 = QStringLiteral("?");
        d.Edit35 = QStringLiteral("=1+1");
        QCOMPARE(ReceiptCellTexts(d)[9], QStringLiteral("三十"));
        QCOMPARE(ReceiptCellTexts(d)[6], QStringLiteral("?"));
        QCOMPARE(ReceiptCellTexts(d)[19], QStringLiteral("总合计金额：=1+1 元"));
    }
};

QTEST_GUILESS_MAIN(TestReceiptCells)
#include "test_receiptcells.moc"
