#include "text/capital.h"

#include <QTest>

class CapitalTest : public QObject
{
    Q_OBJECT

private slots:
    void writesAmounts_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("words");

        // Worked examples.
        QTest::newRow("0") << "0" << "元整";
        QTest::newRow("0.00") << "0.00" << "元整";
        QTest::newRow("0.5") << "0.5" << "元伍角整";
        QTest::newRow("0.50") << "0.50" << "元伍角整";
        QTest::newRow("0.05") << "0.05" << "元零伍分";
        QTest::newRow("0.10") << "0.10" << "元壹角整";
        QTest::newRow(".5") << ".5" << "伍角整";
        QTest::newRow("empty") << "" << "整";
        QTest::newRow("10") << "10" << "壹拾元整";
        QTest::newRow("10.00") << "10.00" << "壹拾元整";
        QTest::newRow("1.10") << "1.10" << "壹元壹角整";
        QTest::newRow("20.30") << "20.30" << "贰拾元叁角整";
        QTest::newRow("20.3") << "20.3" << "贰拾元叁角整";
        QTest::newRow("100.05") << "100.05" << "壹佰元零伍分";
        QTest::newRow("1001") << "1001" << "壹仟零壹元整";
        QTest::newRow("1010") << "1010" << "壹仟零壹拾元整";
        QTest::newRow("10000") << "10000" << "壹万元整";
        QTest::newRow("105000") << "105000" << "壹拾万零伍仟元整";
        QTest::newRow("200000.5") << "200000.5" << "贰拾万元伍角整";
        QTest::newRow("100500.07") << "100500.07" << "壹拾万零伍佰元零柒分";
        QTest::newRow("30000000.00") << "30000000.00" << "叁仟万元整";
        QTest::newRow("100000000") << "100000000" << "壹亿元整";
        QTest::newRow("100010000") << "100010000" << "壹亿零壹万元整";
        QTest::newRow("1234567.89") << "1234567.89" << "壹佰贰拾叁万肆仟伍佰陆拾柒元捌角玖分";
        QTest::newRow("third decimal") << "12.345" << "壹拾贰元叁角肆分伍";

        // The 万 place after 亿 and after other words.
        QTest::newRow("100001000") << "100001000" << "壹亿零壹仟元整";
        QTest::newRow("100000") << "100000" << "壹拾万元整";
        QTest::newRow("101000000") << "101000000" << "壹亿零壹佰万元整";
        QTest::newRow("110000000") << "110000000" << "壹亿壹仟万元整";
        // Zero before 角 is dropped, before 分 written.
        QTest::newRow("10.5") << "10.5" << "壹拾元伍角整";
        QTest::newRow("10.05") << "10.05" << "壹拾元零伍分";
        QTest::newRow("ends in jiao") << "3.40" << "叁元肆角整";
        QTest::newRow("every place") << "999999999.99"
                                     << "玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖元玖角玖分";
        QTest::newRow("typical total") << "156.10" << "壹佰伍拾陆元壹角整";

        // Ten digits and more: 拾亿, 佰亿, 仟亿, 万亿 places.
        QTest::newRow("10^9") << "1000000000" << "壹拾亿元整";
        QTest::newRow("10^9+1") << "1000000001" << "壹拾亿零壹元整";
        QTest::newRow("zero yi place") << "1200000000" << "壹拾贰亿元整";
        QTest::newRow("zero yi place, wan group") << "1000050000" << "壹拾亿零伍万元整";
        QTest::newRow("10 digits full") << "9876543210.12"
                                        << "玖拾捌亿柒仟陆佰伍拾肆万叁仟贰佰壹拾元壹角贰分";
        QTest::newRow("10^10") << "10000000000" << "壹佰亿元整";
        QTest::newRow("10^11") << "100000000000.00" << "壹仟亿元整";
        QTest::newRow("10^12") << "1000000000000" << "壹万亿元整";
        QTest::newRow("10^12+10^8") << "1000100000000" << "壹万零壹亿元整";
        QTest::newRow("10^13") << "10000000000000" << "壹拾万亿元整";
        QTest::newRow("16 digits") << "1234567890123456"
                                   << "壹仟贰佰叁拾肆万伍仟陆佰柒拾捌亿玖仟零壹拾贰万叁仟肆佰伍拾陆元整";
        QTest::newRow("10^16") << "10000000000000000" << "壹亿亿元整";

        // Negative amounts.
        QTest::newRow("negative") << "-12.50" << "负壹拾贰元伍角整";
        QTest::newRow("negative fen") << "-0.05" << "负元零伍分";
        QTest::newRow("negative large") << "-1000000000" << "负壹拾亿元整";
        QTest::newRow("minus zero") << "-0.00" << "元整";

        // Leading zeros carry no value.
        QTest::newRow("leading zeros") << "00012" << "壹拾贰元整";
        QTest::newRow("leading zeros, 5 digits") << "00001" << "壹元整";
    }
    void writesAmounts()
    {
        QFETCH(QString, amount);
        QFETCH(QString, words);
        QCOMPARE(AmountToCapital(amount), words);
    }

    void refusesTextThatIsNoAmount_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::newRow("letters") << "abc";
        QTest::newRow("digits and letters") << "12a.5";
        QTest::newRow("two points") << "1.2.3";
        QTest::newRow("sign inside") << "1-2";
        QTest::newRow("two signs") << "--5";
        QTest::newRow("exponent") << "1e5";
        QTest::newRow("group separator") << "1,000.00";
        QTest::newRow("full-width digits") << QString::fromUtf8("１２");
    }
    void refusesTextThatIsNoAmount()
    {
        QFETCH(QString, amount);
        QCOMPARE(AmountToCapital(amount), QString());
    }

    void equalAmountsGiveEqualWords_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("0.5/0.50") << "0.5" << "0.50";
        QTest::newRow("10/10.00") << "10" << "10.00";
        QTest::newRow("blank around") << " 10.00 " << "10";
    }
    void equalAmountsGiveEqualWords()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QCOMPARE(AmountToCapital(a), AmountToCapital(b));
    }

    void longTextDoesNotBreak()
    {
        // A pathological length: one word per digit plus place words.
        const QString digits(200, QLatin1Char('9'));
        const QString words = AmountToCapital(digits + QStringLiteral(".99"));
        QVERIFY(words.endsWith(QStringLiteral("玖元玖角玖分")));
        QCOMPARE(words.count(QStringLiteral("玖")), 202);
    }
};

QTEST_APPLESS_MAIN(CapitalTest)
#include "test_capital.moc"
