// Fuzz target: AmountToCapital and PinyinInitials on arbitrary input, with
// checks of what their results may contain.
#include "text/capital.h"
#include "text/pinyin.h"
#include "text/rounding.h"

#include <QByteArray>
#include <QString>

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

    if (size >= sizeof(double) + 1) {
        double v;
        std::memcpy(&v, data, sizeof v);
        const int places = static_cast<std::int8_t>(data[sizeof v]);
        const double r = RoundToPlaces(places, v);
        require(std::isnan(v) == std::isnan(r));
    }
    return 0;
}
