#include "text/pinyin.h"
#include "text/pinyintable.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

namespace {

QByteArray gbk(const QString &text)
{
    QStringEncoder enc("GBK", QStringConverter::Flag::ConvertInvalidToNull);
    return enc.encode(text);
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int c : list)
        b += char(c);
    return b;
}

int readingIndex(int lead, int trail)
{
    using namespace PinyinTable;
    return kReadingIndex[(lead - kLeadFirst) * kRowWidth + (trail - kTrailFirst)];
}

} // namespace

class PinyinTest : public QObject
{
    Q_OBJECT

private slots:
    void readsCharacters_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("reading");
        QTest::newRow("啊") << "啊" << 0xB0A1 << QByteArray("a");
        QTest::newRow("张") << "张" << 0xD5C5 << QByteArray("zhang");
        QTest::newRow("长") << "长" << 0xB3A4 << QByteArray("zhang");
        QTest::newRow("王") << "王" << 0xCDF5 << QByteArray("wang");
        QTest::newRow("李") << "李" << 0xC0EE << QByteArray("li");
        QTest::newRow("社") << "社" << 0xC9E7 << QByteArray("she");
        QTest::newRow("区") << "区" << 0xC7F8 << QByteArray("qu");
        QTest::newRow("小") << "小" << 0xD0A1 << QByteArray("xiao");
        QTest::newRow("号") << "号" << 0xBAC5 << QByteArray("hao");
        QTest::newRow("楼") << "楼" << 0xC2A5 << QByteArray("lou");
        QTest::newRow("栋") << "栋" << 0xB6B0 << QByteArray("dong");
        QTest::newRow("幢") << "幢" << 0xB4B1 << QByteArray("zhuang");
        QTest::newRow("重") << "重" << 0xD6D8 << QByteArray("zhong");
        QTest::newRow("行") << "行" << 0xD0D0 << QByteArray("hang");
        QTest::newRow("单") << "单" << 0xB5A5 << QByteArray("dan");
        QTest::newRow("曾") << "曾" << 0xD4F8 << QByteArray("ceng");
        QTest::newRow("乐") << "乐" << 0xC0D6 << QByteArray("le");
        QTest::newRow("解") << "解" << 0xBDE2 << QByteArray("jie");
        QTest::newRow("朴") << "朴" << 0xC6D3 << QByteArray("pu");
        QTest::newRow("仇") << "仇" << 0xB3F0 << QByteArray("chou");
        QTest::newRow("陳") << "陳" << 0xEA90 << QByteArray("zhen");
        QTest::newRow("堃") << "堃" << 0x88D2 << QByteArray("kun");
        QTest::newRow("乫") << "乫" << 0x8166 << QByteArray("kal");
        QTest::newRow("绿 (u-umlaut as v)") << "绿" << 0xC2CC << QByteArray("lv");
        QTest::newRow("兡 (unit, no source reading)") << "兡" << 0x83C4 << QByteArray("baike");
        QTest::newRow("桛 (Cantonese reading only)") << "桛" << 0x96FE << QByteArray("long");
        QTest::newRow("烪 (Cantonese reading only)") << "烪" << 0x9F48 << QByteArray("guan");
        QTest::newRow("瓼 (Cantonese reading only)") << "瓼" << 0xAE46 << QByteArray("li");
        QTest::newRow("郎 compatibility form") << QString(QChar(0xF92C)) << 0xFD9C << QByteArray("lang");
    }
    void readsCharacters()
    {
        QFETCH(QString, character);
        QFETCH(int, code);
        QFETCH(QByteArray, reading);
        const QByteArray b = bytes({code >> 8, code & 0xFF});
        QCOMPARE(gbk(character), b);
        QCOMPARE(CharacterReading(b.constData(), 2), reading);
        QCOMPARE(PinyinInitials(character), QString::fromLatin1(reading.left(1)));
    }

    void initialsOfTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("initials");
        QTest::newRow("张三") << "张三" << "zs";
        QTest::newRow("阳光小区") << "阳光小区" << "ygxq";
        QTest::newRow("金色家园") << "金色家园" << "jsjy";
        QTest::newRow("花园") << "花园" << "hy";
        QTest::newRow("单元") << "单元" << "dy";
        QTest::newRow("A栋") << "A栋" << "Ad";
        QTest::newRow("1号楼") << "1号楼" << "1hl";
        QTest::newRow("a-b") << "a-b" << "a-b";
        QTest::newRow("space") << "a b" << "ab";
        QTest::newRow("comma") << "x,y" << "xy";
        QTest::newRow("slash") << "1/2" << "12";
        QTest::newRow("underscore") << "a_b" << "ab";
        QTest::newRow("kept signs") << "!\"#$%&()*+-.:<>?@[]^" << "!\"#$%&()*+-.:<>?@[]^";
        QTest::newRow("dropped signs") << "'  ,/;=\\_`{|}~" << "";
        QTest::newRow("case kept") << "AbC" << "AbC";
        QTest::newRow("full-width") << "ＡＢ１２" << "AB12";
        QTest::newRow("full-width small") << "ａｚ" << "az";
        QTest::newRow("full-width brackets") << "（1）" << "(1)";
        QTest::newRow("full-width square") << "［2］" << "[2]";
        QTest::newRow("full-width signs dropped") << "＃～＼＋" << "";
        QTest::newRow("punctuation") << "、。—·〇" << "";
        QTest::newRow("一、二") << "一、二" << "ye";
        QTest::newRow("①") << "①" << "1";
        QTest::newRow("⑩") << "⑩" << "1";
        QTest::newRow("⒛") << "⒛" << "2";
        QTest::newRow("Ⅻ") << "Ⅻ" << "1";
        QTest::newRow("ⅸ") << "ⅸ" << "9";
        QTest::newRow("㈤") << "㈤" << "5";
        QTest::newRow("⑶") << "⑶" << "3";
        QTest::newRow("α") << "α" << "a";
        QTest::newRow("Α") << "Α" << "a";
        QTest::newRow("θ") << "θ" << "t";
        QTest::newRow("ψ") << "ψ" << "p";
        QTest::newRow("Ω") << "Ω" << "o";
        QTest::newRow("outside basic set") << "堃陳乫" << "kzk";
        QTest::newRow("kana and Cyrillic") << "あアЖ" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("not in GBK") << QStringLiteral("a\U0001F600b한c") << "abc";
        QTest::newRow("address") << "幸福小区3幢2单元501" << "xfxq3z2dy501";
    }
    void initialsOfTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, initials);
        QCOMPARE(PinyinInitials(text), initials);
        QCOMPARE(PinyinInitials(gbk(text)), initials.toLatin1());
    }

    void walksBytes_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("initials");
        QTest::newRow("lone lead byte at end") << (gbk("张") + bytes({0xD5})) << QByteArray("z");
        QTest::newRow("only a lead byte") << bytes({0xB0}) << QByteArray();
        QTest::newRow("lead then low byte") << bytes({0xB0, 0x31, 0x41}) << QByteArray("A");
        QTest::newRow("0x80 alone") << bytes({0x80, 0x41}) << QByteArray("A");
        QTest::newRow("lead 0xFF") << bytes({0xFF, 0xA1, 0x41}) << QByteArray("A");
        QTest::newRow("trail 0xFF") << bytes({0xB0, 0xFF}) << QByteArray();
        QTest::newRow("trail 0x7F") << bytes({0xB0, 0x7F}) << QByteArray();
        QTest::newRow("numbered trail A0") << bytes({0xA2, 0xA0}) << QByteArray();
        QTest::newRow("numbered unassigned") << bytes({0xA2, 0xAB}) << QByteArray();
        QTest::newRow("numbered trail FF") << bytes({0xA2, 0xFF}) << QByteArray();
        QTest::newRow("Greek between") << bytes({0xA6, 0xB9}) << QByteArray();
        QTest::newRow("control bytes") << bytes({0x01, 0x09, 0x0A, 0x7F}) << QByteArray();
        QTest::newRow("embedded null") << bytes({'a', 0, 'b'}) << QByteArray("ab");
    }
    void walksBytes()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, initials);
        QCOMPARE(PinyinInitials(input), initials);
    }

    void readsShortForms_data()
    {
        QTest::addColumn<QByteArray>("character");
        QTest::addColumn<QByteArray>("reading");
        QTest::newRow("⑩") << gbk("⑩") << QByteArray("10");
        QTest::newRow("⒛") << gbk("⒛") << QByteArray("20");
        QTest::newRow("Ⅻ") << gbk("Ⅻ") << QByteArray("12");
        QTest::newRow("θ") << gbk("θ") << QByteArray("th");
        QTest::newRow("ψ") << gbk("ψ") << QByteArray("ps");
        QTest::newRow("φ") << gbk("φ") << QByteArray("ph");
        QTest::newRow("Χ") << gbk("Χ") << QByteArray("kh");
        QTest::newRow("Ｚ") << gbk("Ｚ") << QByteArray("Z");
        QTest::newRow("digit") << QByteArray("7") << QByteArray("7");
        QTest::newRow("space") << QByteArray(" ") << QByteArray();
    }
    void readsShortForms()
    {
        QFETCH(QByteArray, character);
        QFETCH(QByteArray, reading);
        QCOMPARE(CharacterReading(character.constData(), int(character.size())), reading);
    }

    void characterReadingOfNothing()
    {
        QCOMPARE(CharacterReading(nullptr, 2), QByteArray());
        QCOMPARE(CharacterReading("a", 0), QByteArray());
        // A lead byte followed by a byte below 0x40 looks at the lead byte only.
        QCOMPARE(CharacterReading("\xB0" "1", 2), QByteArray());
    }

    // Every code outside the rows of signs that stands for a Chinese
    // character has a reading, so no household name loses an initial.
    void everyIdeographHasAReading()
    {
        QStringList missing;
        // Row FE (compatibility forms) is left without readings on purpose.
        for (int lead = 0x81; lead <= 0xFD; ++lead) {
            if (lead >= 0xA1 && lead <= 0xA9)
                continue;
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                QStringDecoder dec("GBK", QStringConverter::Flag::Stateless);
                const QString ch = dec.decode(bytes({lead, trail}));
                if (dec.hasError() || ch.size() != 1 || ch.at(0).script() != QChar::Script_Han)
                    continue;
                if (readingIndex(lead, trail) == 0)
                    missing << QStringLiteral("%1 (%2)").arg(ch).arg(lead << 8 | trail, 4, 16);
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
    }

    void tableLayout()
    {
        using namespace PinyinTable;
        // Rows of signs and symbols have no readings, nor has trail byte 0x7F.
        for (int lead : {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xFE})
            for (int trail = 0x40; trail <= 0xFE; ++trail)
                QVERIFY2(readingIndex(lead, trail) == 0, qPrintable(QString::number(lead, 16)));
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            QCOMPARE(readingIndex(lead, 0x7F), 0);
        // The extension rows hold readings in their first 96 columns.
        for (int lead : {0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD}) {
            int n = 0;
            for (int trail = 0x40; trail <= 0xFE; ++trail)
                n += readingIndex(lead, trail) != 0;
            QVERIFY2(n >= 91 && n <= 96, qPrintable(QStringLiteral("row %1: %2").arg(lead, 0, 16).arg(n)));
        }
        // Every level-1 and level-2 Chinese character (B0A1-F7FE) has a reading,
        // except the five unassigned codes D7FA-D7FE.
        int missing = 0;
        for (int lead = 0xB0; lead <= 0xF7; ++lead)
            for (int trail = 0xA1; trail <= 0xFE; ++trail)
                missing += readingIndex(lead, trail) == 0;
        QCOMPARE(missing, 5);
        // Syllables: 1 to 6 lower-case letters, strictly ascending, all used.
        QVERIFY(kSyllableCount > 400);
        QVector<bool> used(kSyllableCount + 1, false);
        for (int i = 0; i < kReadingIndexSize; ++i) {
            QVERIFY(kReadingIndex[i] <= kSyllableCount);
            used[kReadingIndex[i]] = true;
        }
        QByteArray previous;
        for (int k = 0; k < kSyllableCount; ++k) {
            const Syllable &s = kSyllables[k];
            QVERIFY(s.length >= 1 && s.length <= 6);
            const QByteArray text(s.letters, s.length);
            for (char c : text)
                QVERIFY(c >= 'a' && c <= 'z');
            QVERIFY2(previous < text, text.constData());
            QVERIFY2(used[k + 1], text.constData());
            previous = text;
        }
    }
};

QTEST_APPLESS_MAIN(PinyinTest)
#include "test_pinyin.moc"
