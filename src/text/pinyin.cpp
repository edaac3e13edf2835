#include "text/pinyin.h"

#include "text/pinyintable.h"

#include <QStringEncoder>

#include <array>
#include <cstdint>

namespace {

// ---- One-byte characters -------------------------------------------------

// The one-byte characters 0x20-0x7F that pass through: digits, letters and
// the signs ! " # $ % & ( ) * + - . : < > ? @ [ ] ^. Blanks, the apostrophe,
// comma, slash, semicolon, equals sign, backslash, underscore, grave accent,
// braces, bar, tilde and DEL are dropped.
struct PrintableSet
{
    std::array<std::uint8_t, 12> bits{}; // 96 bits from 0x20

    constexpr void add(int first, int last)
    {
        for (int c = first; c <= last; ++c)
            bits[std::size_t((c - 0x20) / 8)] |= std::uint8_t(1u << ((c - 0x20) % 8));
    }
    constexpr bool contains(int c) const
    {
        return c >= 0x20 && c <= 0x7F && (bits[std::size_t((c - 0x20) / 8)] >> ((c - 0x20) % 8)) & 1u;
    }
};

constexpr PrintableSet makePrintableSet()
{
    PrintableSet s;
    s.add(0x21, 0x26);
    s.add(0x28, 0x2B);
    s.add(0x2D, 0x2E);
    s.add(0x30, 0x3A);
    s.add(0x3C, 0x3C);
    s.add(0x3E, 0x5B);
    s.add(0x5D, 0x5E);
    s.add(0x61, 0x7A);
    return s;
}

constexpr PrintableSet kPrintable = makePrintableSet();

// ---- Full-width block (lead byte 0xA3) -----------------------------------

// Brackets, digits and letters of the full-width block read as their
// one-byte forms; its other signs read as nothing.
constexpr bool isAcceptedFullWidth(int trail)
{
    return (trail >= 0xA8 && trail <= 0xA9)    // （ ）
        || (trail >= 0xB0 && trail <= 0xB9)    // ０-９
        || (trail >= 0xC1 && trail <= 0xDB)    // Ａ-Ｚ ［
        || trail == 0xDD                       // ］
        || (trail >= 0xE1 && trail <= 0xFA);   // ａ-ｚ
}

// ---- Short readings: numbered symbols and Greek letters ------------------

// Length byte and up to two ASCII characters.
struct ShortReading
{
    std::uint8_t length = 0;
    char text[2] = {0, 0};
};

constexpr ShortReading numberReading(int n)
{
    ShortReading r;
    if (n >= 10) {
        r.length = 2;
        r.text[0] = char('0' + n / 10);
        r.text[1] = char('0' + n % 10);
    } else {
        r.length = 1;
        r.text[0] = char('0' + n);
    }
    return r;
}

// Lead byte 0xA2, trail bytes 0xA1-0xFE: the number each symbol shows.
constexpr std::array<ShortReading, 94> makeNumberedSymbols()
{
    std::array<ShortReading, 94> t{};
    auto run = [&t](int firstTrail, int count) {
        for (int i = 0; i < count; ++i)
            t[std::size_t(firstTrail - 0xA1 + i)] = numberReading(i + 1);
    };
    run(0xA1, 10); // ⅰ-ⅹ
    run(0xB1, 20); // ⒈-⒛
    run(0xC5, 20); // ⑴-⒇
    run(0xD9, 10); // ①-⑩
    run(0xE5, 10); // ㈠-㈩
    run(0xF1, 12); // Ⅰ-Ⅻ
    return t;
}

constexpr std::array<ShortReading, 94> kNumberedSymbols = makeNumberedSymbols();

constexpr ShortReading latin(const char *s)
{
    ShortReading r;
    r.length = s[1] ? 2 : 1;
    r.text[0] = s[0];
    r.text[1] = s[1] ? s[1] : 0;
    return r;
}

// Lead byte 0xA6: the Greek alphabet in order, for capitals (0xA1-0xB8) and
// small letters (0xC1-0xD8) alike.
constexpr std::array<ShortReading, 24> kGreek = {
    latin("a"), latin("b"), latin("g"), latin("d"), latin("e"), latin("z"),
    latin("e"), latin("th"), latin("i"), latin("k"), latin("l"), latin("m"),
    latin("n"), latin("x"), latin("o"), latin("p"), latin("r"), latin("s"),
    latin("t"), latin("u"), latin("ph"), latin("kh"), latin("ps"), latin("o"),
};

QByteArray toBytes(const ShortReading &r)
{
    return QByteArray(r.text, r.length);
}

QByteArray doubleByteReading(int lead, int trail)
{
    switch (lead) {
    case 0xA2:
        if (trail > 0xA0 && trail <= 0xFE)
            return toBytes(kNumberedSymbols[std::size_t(trail - 0xA1)]);
        return QByteArray();
    case 0xA3:
        if (isAcceptedFullWidth(trail))
            return QByteArray(1, char(trail - 0x80));
        return QByteArray();
    case 0xA6:
        if (trail >= 0xA1 && trail <= 0xB8)
            return toBytes(kGreek[std::size_t(trail - 0xA1)]);
        if (trail >= 0xC1 && trail <= 0xD8)
            return toBytes(kGreek[std::size_t(trail - 0xC1)]);
        return QByteArray();
    default:
        break;
    }
    if (lead > 0xFE || trail > 0xFE)
        return QByteArray();
    using namespace PinyinTable;
    const int k = kReadingIndex[(lead - kLeadFirst) * kRowWidth + (trail - kTrailFirst)];
    if (k <= 0 || k > kSyllableCount)
        return QByteArray();
    const Syllable &s = kSyllables[k - 1];
    return QByteArray(s.letters, s.length);
}

} // namespace

QByteArray CharacterReading(const char *bytes, int count)
{
    if (!bytes || count <= 0)
        return QByteArray();
    const int first = static_cast<unsigned char>(bytes[0]);
    if (count >= 2) {
        const int second = static_cast<unsigned char>(bytes[1]);
        if (first >= 0x81 && second >= 0x40)
            return doubleByteReading(first, second);
    }
    if (kPrintable.contains(first))
        return QByteArray(1, char(first));
    return QByteArray();
}

QByteArray PinyinInitials(const QByteArray &gbk)
{
    QByteArray result;
    const char *p = gbk.constData();
    const qsizetype size = gbk.size();
    qsizetype i = 0;
    while (i < size) {
        const int n = (static_cast<unsigned char>(p[i]) >= 0x81 && i + 1 < size) ? 2 : 1;
        const QByteArray reading = CharacterReading(p + i, n);
        if (!reading.isEmpty())
            result += reading.at(0);
        i += n;
    }
    return result;
}

QString PinyinInitials(const QString &text)
{
    // A character that GBK cannot encode becomes a null byte, which has no
    // reading, so it yields nothing.
    QStringEncoder encoder("GBK", QStringConverter::Flag::ConvertInvalidToNull);
    const QByteArray gbk = encoder.encode(text);
    return QString::fromLatin1(PinyinInitials(gbk));
}
