// Fuzz target: the text routines (capital numerals, pinyin initials, number
// and date texts) and the settings file parser on arbitrary input, with
// checks of what their results may contain.
#include "settings/inifile.h"
#include "text/capital.h"
#include "text/datetext.h"
#include "text/numtext.h"
#include "text/pinyin.h"
#include "text/rounding.h"
#include "text/texterror.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

// Capital numerals use only these characters.
bool isCapitalWord(QChar c)
{
    static const QString words = QStringLiteral("零壹贰叁肆伍陆柒捌玖元拾佰仟万亿角分整负");
    return words.contains(c);
}

void checkCapital(const QString &text)
{
    const QString words = AmountToCapital(text);
    for (QChar c : words)
        require(isCapitalWord(c));
    if (!words.isEmpty())
        require(words.endsWith(u'整') || words.contains(u'分') || words.back() != u'负');
    // Leading/trailing blanks do not change the words.
    require(AmountToCapital(QLatin1Char(' ') + text + QLatin1Char(' ')) == AmountToCapital(text.trimmed()));
}

void checkInitials(const QByteArray &gbk)
{
    const QByteArray initials = PinyinInitials(gbk);
    // At most one character per input character, all printable ASCII.
    require(initials.size() <= gbk.size());
    for (char c : initials)
        require(c > 0x20 && c < 0x7F);
    // Every character's reading is short ASCII.
    for (qsizetype i = 0; i + 1 < gbk.size(); ++i) {
        const QByteArray r = CharacterReading(gbk.constData() + i, 2);
        require(r.size() <= 6);
        for (char c : r)
            require(c > 0x20 && c < 0x7F);
    }
}

// Runs f; true when it threw the TextError that names the text it refused.
template<typename F>
bool refuses(const QString &text, F f)
{
    try {
        f();
    } catch (const TextError &e) {
        require(e.message().contains(text));
        return true;
    }
    return false;
}

// A number text is read exactly when it is a finite number; what
// FloatToText and FormatMoney write reads back as (nearly) the same value.
void checkNumber(const QString &text)
{
    double v = 0;
    const bool ok = TryTextToFloat(text, &v);
    double thrown = 0;
    require(ok != refuses(text, [&] { thrown = TextToFloat(text); }));
    if (!ok)
        return;
    require(std::isfinite(v) && thrown == v);

    const QString general = FloatToText(v);
    double back = 0;
    require(TryTextToFloat(general, &back));
    require(std::fabs(back - v) <= std::fabs(v) * 1e-14 || std::fabs(back - v) <= DBL_MIN);

    static const QRegularExpression money(QStringLiteral("^-?[0-9]+\\.[0-9]{2}$"));
    const QString m = FormatMoney(v);
    require(money.match(m).hasMatch());
    double mv = 0;
    require(TryTextToFloat(m, &mv));
    // The cents come from the decimal text of the value, so a tie typed as
    // "….005" goes up although the double read from it lies a few millionths
    // below at ten digits before the point: allow for the double's own error.
    if (std::fabs(v) < 1e12)
        require(std::fabs(mv - v) <= 0.005 + 1e-9 + std::fabs(v) * 1e-15);
    require(!(mv < 0) || v < 0); // no sign appears from nowhere
}

// A date text is read exactly when it is a date; the shown form of what was
// read reads back as the same date and time.
void checkDate(const QString &text)
{
    QDateTime dt;
    const bool ok = DateText::tryToDateTime(text, &dt);
    QDate d;
    require(ok != refuses(text, [&] { d = DateText::toDate(text); }));
    if (!ok)
        return;
    require(dt.isValid() && d == dt.date());
    for (QChar c : text)
        require(c.isSpace() || c.unicode() < 0x80); // no other digits than 0-9
    const QString shown = DateText::fromDateTime(dt);
    QDateTime again;
    require(DateText::tryToDateTime(shown, &again));
    require(again == dt);
    require(DateText::fromDate(dt.date()) == shown.left(DateText::fromDate(dt.date()).size()));
}

// Section and key names a setting may have: plain ASCII words.
QString nameFrom(const QString &line)
{
    QString out;
    for (QChar c : line)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_')
            out += c;
    return out.left(12);
}

// True when the bytes are GBK text that is written back as it was read.
bool gbkRoundTrips(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK");
    const QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar::ReplacementCharacter))
        return false;
    QStringEncoder encoder("GBK");
    const QByteArray back = encoder(text);
    return !encoder.hasError() && back == bytes;
}

// The settings file: any content loads; a written key reads back at once and
// after save and load; keys not written read as before, also after a save.
void checkIni(const QByteArray &content)
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/mtrfee_fuzz_XXXXXX"));
    require(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("mtrfee.ini"));
    {
        QFile f(path);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        require(f.write(content) == content.size());
    }
    IniFile ini(path);
    ini.load();

    // Candidate sections and keys: names made from the content's own lines, and the program's own.
    QStringList sections{QStringLiteral("Judge")}, keys{QStringLiteral("str_dj"), QStringLiteral("str_skr")};
    for (const QByteArray &line : content.split('\n')) {
        const QString l = QString::fromLatin1(line);
        const int eq = l.indexOf(u'=');
        if (l.trimmed().startsWith(u'[')) {
            const QString n = nameFrom(l);
            if (!n.isEmpty() && sections.size() < 8)
                sections << n;
        } else if (eq > 0) {
            const QString n = nameFrom(l.left(eq));
            if (!n.isEmpty() && keys.size() < 8)
                keys << n;
        }
    }
    auto readAll = [&](const IniFile &from) {
        QStringList out;
        for (const QString &sec : sections)
            for (const QString &key : keys)
                out << from.read(sec, key, QStringLiteral("\x01none"));
        return out;
    };
    const QStringList before = readAll(ini);
    const bool lossless = gbkRoundTrips(content);

    const unsigned pick = content.isEmpty() ? 0u : static_cast<unsigned char>(content.back());
    const int si = int(pick % sections.size());
    const int ki = int((pick / 8) % keys.size());
    const QString value = (pick & 1) ? QStringLiteral("张三") : QStringLiteral("0.5");
    ini.write(sections[si], keys[ki], value);
    require(ini.read(sections[si], keys[ki], QString()) == value);
    ini.write(sections[si], keys[ki], value); // writing again changes nothing
    QStringList expected = before;
    expected[si * keys.size() + ki] = value;
    // Another spelling of the same names (case) is the same setting.
    for (int s = 0; s < sections.size(); ++s)
        for (int k = 0; k < keys.size(); ++k)
            if (sections[s].compare(sections[si], Qt::CaseInsensitive) == 0
                && keys[k].compare(keys[ki], Qt::CaseInsensitive) == 0)
                expected[s * keys.size() + k] = value;
    require(readAll(ini) == expected);

    require(ini.save());
    IniFile again(path);
    again.load();
    if (lossless)
        require(readAll(again) == expected);
    require(again.read(sections[si], keys[ki], QString()) == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    checkInitials(bytes);
    const QString text = QString::fromUtf8(bytes);
    const QString initials = PinyinInitials(text);
    require(initials.size() <= text.size());

    checkCapital(text);
    checkCapital(QString::fromLatin1(bytes));
    checkNumber(text);
    checkNumber(QString::fromLatin1(bytes));
    checkDate(text);
    checkIni(bytes);

    if (size >= sizeof(double) + 1) {
        double v;
        std::memcpy(&v, data, sizeof v);
        const int places = static_cast<std::int8_t>(data[sizeof v]);
        const double r = RoundToPlaces(places, v);
        require(std::isnan(v) == std::isnan(r));
    }
    return 0;
}
