#include "text/keyfilter.h"
#include "text/textlimits.h"

#include <QTest>
#include <limits>

class TextLimitsTest : public QObject
{
    Q_OBJECT

private slots:
    // Only what the settings file can hold passes; each refused character
    // is named once.
    void charactersOutsideGbk_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("outside");
        QTest::newRow("Chinese") << QStringLiteral("张三管理员") << QString();
        QTest::newRow("ASCII") << QStringLiteral("Li Si-2") << QString();
        QTest::newRow("GBK extension") << QStringLiteral("堃乫") << QString();
        QTest::newRow("emoji") << QStringLiteral("户😀") << QStringLiteral("😀");
        QTest::newRow("outside the BMP twice")
            << QStringLiteral("户😀𠀀😀") << QStringLiteral("😀𠀀");
        QTest::newRow("pinyin letters are GBK") << QStringLiteral("café ü") << QString();
        QTest::newRow("Thai") << QStringLiteral("กa") << QStringLiteral("ก");
        QTest::newRow("Korean") << QStringLiteral("김") << QStringLiteral("김");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QString(QChar(0xD800));
        QTest::newRow("empty") << QString() << QString();
    }
    void charactersOutsideGbk()
    {
        QFETCH(QString, text);
        QFETCH(QString, outside);
        QCOMPARE(CharactersOutsideGbk(text), outside);
    }

    void fitsMoneyColumn_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits");
        QTest::newRow("zero") << 0.0 << true;
        QTest::newRow("ordinary") << 156.1 << true;
        QTest::newRow("negative") << -26.1 << true;
        QTest::newRow("15 digits") << 999999999999999.0 << true;
        QTest::newRow("16 digits") << 1e15 << false;
        QTest::newRow("negative 16 digits") << -1e15 << false;
        QTest::newRow("1e308") << 1e308 << false;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << false;
    }
    void fitsMoneyColumn()
    {
        QFETCH(double, value);
        QFETCH(bool, fits);
        QCOMPARE(FitsMoneyColumn(value), fits);
    }

    void elidedForMessage()
    {
        QCOMPARE(ElidedForMessage(QStringLiteral("abc")), QStringLiteral("abc"));
        const QString exact(40, QLatin1Char('1'));
        QCOMPARE(ElidedForMessage(exact), exact);
        const QString digits = QString(200, QLatin1Char('1')) + QString(200, QLatin1Char('2'));
        const QString e = ElidedForMessage(digits);
        QCOMPARE(e.size(), 40);
        QVERIFY(e.startsWith(QStringLiteral("1111")));
        QVERIFY(e.endsWith(QStringLiteral("2222")));
        QVERIFY(e.contains(QChar(0x2026)));
    }

    // Committed text goes through the key filter character by character;
    // full-width digits and point are read as their ASCII forms.
    void filterNumericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("beeps");
        QTest::newRow("full-width digits and letters") << QStringLiteral("１２ab") << "12" << 2;
        QTest::newRow("full-width point") << QStringLiteral("３．５") << "3.5" << 0;
        QTest::newRow("ASCII") << "150.25" << "150.25" << 0;
        QTest::newRow("Chinese") << QStringLiteral("一百") << "" << 2;
        QTest::newRow("ideographic full stop is no point") << QStringLiteral("1。5") << "15" << 1;
        QTest::newRow("full-width minus") << QStringLiteral("－1") << "1" << 1;
        QTest::newRow("backspace is no character") << QString(QChar(8)) << "" << 1;
        QTest::newRow("empty") << "" << "" << 0;
    }
    void filterNumericText()
    {
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QFETCH(int, beeps);
        int n = 0;
        SetBeepHook([&n] { ++n; });
        const QString got = FilterNumericText(text);
        SetBeepHook(nullptr);
        QCOMPARE(got, kept);
        QCOMPARE(n, beeps);
    }

    void editingKeys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("editing");
        QTest::newRow("Delete on X11") << QString(QChar(0x7F)) << true;
        QTest::newRow("Escape") << QString(QChar(0x1B)) << true;
        QTest::newRow("no text (arrows, Home)") << QString() << true;
        QTest::newRow("backspace is filtered") << QString(QChar(8)) << false;
        QTest::newRow("digit") << "1" << false;
        QTest::newRow("letter") << "a" << false;
        QTest::newRow("space") << " " << false;
    }
    void editingKeys()
    {
        QFETCH(QString, text);
        QFETCH(bool, editing);
        QCOMPARE(IsEditingKeyText(text), editing);
    }
};

QTEST_APPLESS_MAIN(TextLimitsTest)
#include "test_textlimits.moc"
