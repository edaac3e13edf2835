// The named checks of a receipt on the entry screen: each finds its own
// fault and no other, and a preview or print runs all of them in order.
#include "printfixture.h"

#include <QtTest>
#include <functional>

using namespace PrintFixture;
using Spoil = std::function<void(ReceiptPrintData &)>;
Q_DECLARE_METATYPE(ReceiptCheckName)
Q_DECLARE_METATYPE(Spoil)

class TestReceiptChecks : public QObject
{
    Q_OBJECT

private slots:
    void eachCheckFindsItsFault_data()
    {
        QTest::addColumn<ReceiptCheckName>("name");
        QTest::addColumn<Spoil>("spoil");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        using N = ReceiptCheckName;
        auto row = [](const char *tag, N name, Spoil spoil, const QString &message, const QString &focus = {}) {
            QTest::newRow(tag) << name << spoil << message << focus;
        };
        row("no date", N::DateGiven, [](ReceiptPrintData &d) { d.Edit1.clear(); }, "单据日期不能为空！");
        row("no area", N::AreaGiven, [](ReceiptPrintData &d) { d.edit2.clear(); }, "区域不能为空！");
        row("no total", N::TotalGiven, [](ReceiptPrintData &d) { d.Edit35.clear(); }, "没有金额！");
        row("no name", N::NameGiven, [](ReceiptPrintData &d) { d.edit41.clear(); }, "户名信息填写不完整！");
        row("no such day", N::DateReadable, [](ReceiptPrintData &d) { d.Edit1 = "2024-02-30"; }, "日期格式不对！");
        row("date with a time", N::DateReadable, [](ReceiptPrintData &d) { d.Edit1 = "2024-02-03 25:00"; }, "日期格式不对！");
        row("no reading", N::ReadingGiven, [](ReceiptPrintData &d) { d.Edit21.clear(); }, "本月抄表数不能为空！", "Edit21");
        row("no last reading", N::LastReadingGiven, [](ReceiptPrintData &d) { d.Edit22.clear(); }, "上月抄表数不能为空！",
            "Edit22");
        row("no usage", N::UsageGiven, [](ReceiptPrintData &d) { d.Edit27.clear(); }, "用量不能为空！", "Edit27");
        row("no price", N::PriceGiven, [](ReceiptPrintData &d) { d.Edit28.clear(); }, "单价不能为空！", "Edit28");
        row("no water reading", N::WaterGiven, [](ReceiptPrintData &d) { d.Edit30.clear(); }, {}, "Edit30");
        row("no last water reading", N::WaterGiven, [](ReceiptPrintData &d) { d.Edit31.clear(); }, {}, "Edit31");
        row("no water usage", N::WaterGiven, [](ReceiptPrintData &d) { d.Edit32.clear(); }, {}, "Edit32");
        row("the first empty water field", N::WaterGiven, [](ReceiptPrintData &d) { d.Edit31.clear(); d.Edit32.clear(); },
            {}, "Edit31");
        row("one-digit month", N::MonthForm, [](ReceiptPrintData &d) { d.cbyf = "3"; }, "电费月份格式不对长度应为2位比如01");
        row("three-digit month", N::MonthForm, [](ReceiptPrintData &d) { d.cbyf = "003"; },
            "电费月份格式不对长度应为2位比如01");
    }
    void eachCheckFindsItsFault()
    {
        QFETCH(ReceiptCheckName, name);
        QFETCH(Spoil, spoil);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        const ReceiptPrintData good = sampleReceipt();
        QVERIFY(RunReceiptCheck(name, good).passed);
        ReceiptPrintData bad = good;
        spoil(bad);
        const ReceiptCheck c = RunReceiptCheck(name, bad);
        QVERIFY(!c.passed);
        QCOMPARE(c.message, message);
        QCOMPARE(c.focus, focus);
        // No other check minds this fault (but an empty date cannot be read
        // either), so the print stops at this one.
        for (const ReceiptCheckName other : PrintChecks())
            if (other != name && !(name == ReceiptCheckName::DateGiven && other == ReceiptCheckName::DateReadable))
                QVERIFY2(RunReceiptCheck(other, bad).passed, qPrintable(QString::number(int(other))));
        const ReceiptCheck printed = CheckReceiptForPrint(bad);
        QCOMPARE(printed.passed, false);
        QCOMPARE(printed.message, message);
        QCOMPARE(printed.focus, focus);
    }

    void printRunsEveryCheckOnceInItsOrder()
    {
        using N = ReceiptCheckName;
        QCOMPARE(PrintChecks(), (QList<N>{N::DateGiven, N::AreaGiven, N::TotalGiven, N::NameGiven, N::DateReadable,
                                          N::ReadingGiven, N::LastReadingGiven, N::UsageGiven, N::PriceGiven,
                                          N::WaterGiven, N::MonthForm}));
        // The first failure in the order given wins.
        ReceiptPrintData d = sampleReceipt();
        d.Edit22.clear();
        d.cbyf = "3";
        QCOMPARE(RunReceiptChecks({N::MonthForm, N::LastReadingGiven}, d).focus, QString());
        QCOMPARE(RunReceiptChecks({N::LastReadingGiven, N::MonthForm}, d).focus, QStringLiteral("Edit22"));
        QVERIFY(RunReceiptChecks({}, d).passed);
    }
};

QTEST_GUILESS_MAIN(TestReceiptChecks)
#include "test_receiptchecks.moc"
