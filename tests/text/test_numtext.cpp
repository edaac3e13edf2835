#include "text/texterror.h"
#include "text/datetext.h"
#include "text/numtext.h"

#include <QTest>

class NumTextTest : public QObject
{
    Q_OBJECT

private slots:
    void readsNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "50" << 50.0;
        QTest::newRow("decimal") << "52.2" << 52.2;
        QTest::newRow("blanks") << "  3.5 " << 3.5;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("trailing point") << "7." << 7.0;
        QTest::newRow("negative") << "-1.25" << -1.25;
        QTest::newRow("exponent") << "1.5E3" << 1500.0;
    }
    void readsNumbers()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(TextToFloat(text), value);
    }

    void refusesNonNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "abc";
        QTest::newRow("two points") << "1.2.3";
        QTest::newRow("comma decimal") << "1,5";
        QTest::newRow("only point") << ".";
        QTest::newRow("overflow") << "1e999";
        QTest::newRow("inf") << "inf";
    }
    void refusesNonNumbers()
    {
        QFETCH(QString, text);
        double v = 42;
        QVERIFY(!TryTextToFloat(text, &v));
        QCOMPARE(v, 42.0);
        try {
            TextToFloat(text);
            QFAIL("no error for a text that is not a number");
        } catch (const TextError &e) {
            QCOMPARE(e.message(), QStringLiteral("“%1”不是有效的数值").arg(text));
        }
    }

    void writesGeneralForm_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("52.2") << 52.2 << "52.2";
        QTest::newRow("0") << 0.0 << "0";
        QTest::newRow("minus zero") << -0.0 << "0";
        QTest::newRow("50") << 50.0 << "50";
        QTest::newRow("negative") << -3.5 << "-3.5";
        QTest::newRow("sum noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("15 digits") << 123456789012.345 << "123456789012.345";
    }
    void writesGeneralForm()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FloatToText(value), text);
    }

    void formatsMoney_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("money");
        QTest::newRow("half up on decimal form") << 2.675 << "2.68";
        QTest::newRow("1.005") << 1.005 << "1.01";
        QTest::newRow("zero") << 0.0 << "0.00";
        QTest::newRow("small negative to zero") << -0.001 << "0.00";
        QTest::newRow("negative") << -2.675 << "-2.68";
        QTest::newRow("carry") << 9.995 << "10.00";
        QTest::newRow("one decimal") << 12.5 << "12.50";
        QTest::newRow("whole") << 25.0 << "25.00";
        QTest::newRow("five cents") << 0.05 << "0.05";
        QTest::newRow("large") << 123456789.125 << "123456789.13";
    }
    void formatsMoney()
    {
        QFETCH(double, value);
        QFETCH(QString, money);
        QCOMPARE(FormatMoney(value), money);
    }

    void readsDates_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        const QDate t(2026, 6, 15);
        QTest::newRow("full") << t << "2024-03-05" << QDate(2024, 3, 5);
        QTest::newRow("single digits") << t << "2024-3-5" << QDate(2024, 3, 5);
        QTest::newRow("with time") << t << "2024-03-05 10:20:30" << QDate(2024, 3, 5);
        // Two-digit years: the hundred years starting 70 years back (1956-2055).
        QTest::newRow("window start") << t << "56-01-01" << QDate(1956, 1, 1);
        QTest::newRow("window end") << t << "55-12-31" << QDate(2055, 12, 31);
        QTest::newRow("00") << t << "00-02-29" << QDate(2000, 2, 29);
        QTest::newRow("99") << t << "99-1-1" << QDate(1999, 1, 1);
        QTest::newRow("window moves") << QDate(2030, 1, 1) << "59-1-1" << QDate(2059, 1, 1);
        QTest::newRow("window moves 2") << QDate(2030, 1, 1) << "60-1-1" << QDate(1960, 1, 1);
    }
    void readsDates()
    {
        QFETCH(QDate, today);
        QFETCH(QString, text);
        QFETCH(QDate, date);
        DateText::setToday(today);
        const QDate got = DateText::toDate(text);
        DateText::setToday(QDate());
        QCOMPARE(got, date);
    }

    void refusesBadDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("slashes") << "2024/03/05";
        QTest::newRow("no 30 Feb") << "2024-02-30";
        QTest::newRow("no 29 Feb in common year") << "2023-02-29";
        QTest::newRow("month 13") << "2024-13-01";
        QTest::newRow("bad time") << "2024-01-01 25:00";
        QTest::newRow("words") << "today";
    }
    void refusesBadDates()
    {
        QFETCH(QString, text);
        QVERIFY(!DateText::tryToDateTime(text, nullptr));
        try {
            DateText::toDate(text);
            QFAIL("no error for a text that is not a date");
        } catch (const TextError &e) {
            QCOMPARE(e.message(), QStringLiteral("“%1”不是有效的日期").arg(text));
        }
    }

    void writesDates()
    {
        QCOMPARE(DateText::fromDate(QDate(2024, 3, 5)), QStringLiteral("2024-03-05"));
        QCOMPARE(DateText::fromDate(QDate()), QString());
        QCOMPARE(DateText::fromDateTime(QDateTime(QDate(2024, 3, 5), QTime(0, 0))),
                 QStringLiteral("2024-03-05"));
        QCOMPARE(DateText::fromDateTime(QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7))),
                 QStringLiteral("2024-03-05 09:08:07"));
    }

    void todayCanBeFixed()
    {
        DateText::setToday(QDate(2001, 2, 3));
        QCOMPARE(DateText::today(), QDate(2001, 2, 3));
        DateText::setToday(QDate());
        QCOMPARE(DateText::today(), QDate::currentDate());
    }
};

QTEST_APPLESS_MAIN(NumTextTest)
#include "test_numtext.moc"
