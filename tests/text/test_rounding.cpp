#include "text/keyfilter.h"
#include "text/rounding.h"

#include <QTest>
#include <cmath>
#include <limits>

class RoundingTest : public QObject
{
    Q_OBJECT

private slots:
    void roundsStoredValue_data()
    {
        QTest::addColumn<int>("places");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");

        // Ties go to the even neighbour on the exact stored value.
        QTest::newRow("0.25") << 1 << 0.25 << 0.2;
        QTest::newRow("0.35 stored below") << 1 << 0.35 << 0.3;
        QTest::newRow("0.45 stored above") << 1 << 0.45 << 0.5;
        QTest::newRow("2.25 exact tie") << 1 << 2.25 << 2.2;
        QTest::newRow("2.35") << 1 << 2.35 << 2.4;
        QTest::newRow("0.05") << 1 << 0.05 << 0.1;
        QTest::newRow("12.345") << 1 << 12.345 << 12.3;
        QTest::newRow("2.5 at 0") << 0 << 2.5 << 2.0;
        QTest::newRow("3.5 at 0") << 0 << 3.5 << 4.0;
        QTest::newRow("0.75 tie up to even") << 1 << 0.75 << 0.8;
        QTest::newRow("negative tie") << 1 << -2.25 << -2.2;
        QTest::newRow("negative") << 1 << -12.36 << -12.4;
        QTest::newRow("already round") << 1 << 52.2 << 52.2;
        QTest::newRow("zero") << 1 << 0.0 << 0.0;
        QTest::newRow("usage") << 1 << 123.0 * 0.52 << 64.0;
        QTest::newRow("two places tie") << 2 << 0.125 << 0.12;
        QTest::newRow("two places") << 2 << 1.005 << 1.0; // 1.005 is stored below
        QTest::newRow("negative places") << -1 << 2.5 << 2.0;
        QTest::newRow("large amount") << 1 << 123456789.25 << 123456789.2;
        // Places beyond what a 64-bit scale holds leave the value as it is.
        QTest::newRow("many places") << 25 << 0.1 << 0.1;
        QTest::newRow("ten places") << 10 << 0.12345678901234 << 0.123456789;
        QTest::newRow("too large to scale") << 1 << 1.0e19 << 1.0e19;
    }
    void roundsStoredValue()
    {
        QFETCH(int, places);
        QFETCH(double, value);
        QFETCH(double, expected);
        const double got = RoundToPlaces(places, value);
        // The result must be the very double the decimal text names.
        QCOMPARE(got, expected);
        QVERIFY2(got == expected, qPrintable(QString::number(got, 'g', 17)));
    }

    void leavesNonFiniteValues()
    {
        const double inf = std::numeric_limits<double>::infinity();
        QCOMPARE(RoundToPlaces(1, inf), inf);
        QVERIFY(std::isnan(RoundToPlaces(1, std::numeric_limits<double>::quiet_NaN())));
    }

    void filtersKeys_data()
    {
        QTest::addColumn<QChar>("key");
        QTest::addColumn<bool>("passes");
        QTest::newRow("7") << QChar(u'7') << true;
        QTest::newRow("0") << QChar(u'0') << true;
        QTest::newRow("9") << QChar(u'9') << true;
        QTest::newRow("point") << QChar(u'.') << true;
        QTest::newRow("backspace") << QChar(8) << true;
        QTest::newRow("a") << QChar(u'a') << false;
        QTest::newRow("minus") << QChar(u'-') << false;
        QTest::newRow("space") << QChar(u' ') << false;
        QTest::newRow("enter") << QChar(13) << false;
        QTest::newRow("comma") << QChar(u',') << false;
        QTest::newRow("full-width 1") << QChar(0xFF11) << false;
        QTest::newRow("Chinese") << QChar(u'元') << false;
        QTest::newRow("tab") << QChar(9) << false;
    }
    void filtersKeys()
    {
        QFETCH(QChar, key);
        QFETCH(bool, passes);
        int beeps = 0;
        SetBeepHook([&beeps] { ++beeps; });
        QChar k = key;
        FilterNumericKey(k);
        SetBeepHook(nullptr);
        if (passes) {
            QCOMPARE(k, key);
            QCOMPARE(beeps, 0);
        } else {
            QCOMPARE(k, QChar(0));
            QCOMPARE(beeps, 1);
        }
    }

    void secondPointIsNotStopped()
    {
        int beeps = 0;
        SetBeepHook([&beeps] { ++beeps; });
        QString typed;
        for (QChar c : QStringLiteral("1.2.3")) {
            FilterNumericKey(c);
            if (!c.isNull())
                typed += c;
        }
        SetBeepHook(nullptr);
        QCOMPARE(typed, QStringLiteral("1.2.3"));
        QCOMPARE(beeps, 0);
    }

    void beepWithoutHookIsSilent()
    {
        SetBeepHook(nullptr);
        QChar k(u'x');
        FilterNumericKey(k); // must not call an empty hook
        QCOMPARE(k, QChar(0));
    }
};

QTEST_APPLESS_MAIN(RoundingTest)
#include "test_rounding.moc"
