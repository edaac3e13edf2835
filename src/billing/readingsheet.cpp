#include "billing/readingsheet.h"

#include "text/numtext.h"

#include <QStringDecoder>

namespace ReadingSheet {

const QStringList &headings()
{
    static const QStringList h{QStringLiteral("社区"),       QStringLiteral("户号"),       QStringLiteral("户名"),
                               QStringLiteral("上月电表数"), QStringLiteral("上月水表数"), QStringLiteral("本月电表数"),
                               QStringLiteral("本月水表数")};
    return h;
}

QList<QStringList> sheetRows(const QList<Billing::SheetHousehold> &households, const QString &title)
{
    QList<QStringList> rows;
    rows.reserve(households.size() + 2);
    rows.append({title});
    rows.append(headings());
    for (const Billing::SheetHousehold &h : households)
        rows.append({h.cmc, h.hh, h.hm, FloatToText(h.last.electricity), FloatToText(h.last.water), QString(), QString()});
    return rows;
}

namespace {

int columnOf(const QString &rawHeading)
{
    QString h = rawHeading;
    h.remove(QLatin1Char(' ')).remove(QChar(0x3000));
    if (h.isEmpty())
        return -1;
    auto has = [&](const char16_t *word) { return h.contains(QString::fromUtf16(word)); };
    const bool electricity = has(u"电");
    const bool water = has(u"水");
    if (has(u"本月") && electricity && !water)
        return ThisElectricity;
    if (has(u"本月") && water && !electricity)
        return ThisWater;
    if (has(u"上月") && electricity && !water)
        return LastElectricity;
    if (has(u"上月") && water && !electricity)
        return LastWater;
    if (has(u"户名") || has(u"姓名") || has(u"业主"))
        return Name;
    if (has(u"户号") || has(u"房号"))
        return Number;
    if (has(u"社区") || has(u"小区"))
        return Community;
    return -1;
}

} // namespace

ColumnMap recognise(const QList<QStringList> &cells)
{
    ColumnMap best;
    const int scan = std::min<int>(cells.size(), 10);
    for (int r = 0; r < scan; ++r) {
        ColumnMap map;
        map.headingRow = r;
        for (int c = 0; c < cells[r].size(); ++c) {
            const int field = columnOf(cells[r][c]);
            if (field >= 0 && map.column[field] < 0)
                map.column[field] = c;
        }
        if (map.column[Name] >= 0)
            return map;
        // Without a name heading: the row that recognises most, for the mapping step.
        auto found = [](const ColumnMap &m) { return int(std::count_if(std::begin(m.column), std::end(m.column), [](int c) { return c >= 0; })); };
        if (found(map) > found(best))
            best = map;
    }
    if (best.headingRow < 0 && !cells.isEmpty())
        best.headingRow = 0;
    return best;
}

bool isRequired(Column column)
{
    return column == Name || column == ThisElectricity || column == ThisWater;
}

QStringList missingFields(const ColumnMap &map)
{
    QStringList out;
    for (int c = 0; c < ColumnCount; ++c)
        if (isRequired(Column(c)) && map.column[c] < 0)
            out.append(headings()[c]);
    return out;
}

QList<Billing::SheetRow> rowsOf(const QList<QStringList> &cells, const ColumnMap &map)
{
    QList<Billing::SheetRow> out;
    auto cell = [&](const QStringList &row, Column c) {
        const int i = map.column[c];
        return i >= 0 && i < row.size() ? row[i].trimmed() : QString();
    };
    for (int r = map.headingRow + 1; r < cells.size(); ++r) {
        const QStringList &row = cells[r];
        if (std::all_of(row.begin(), row.end(), [](const QString &s) { return s.trimmed().isEmpty(); }))
            continue;
        Billing::SheetRow s;
        s.line = r + 1;
        s.cmc = cell(row, Community);
        s.bhh = cell(row, Number);
        s.bhmc = cell(row, Name);
        s.bccjd = cell(row, ThisElectricity);
        s.bccjds = cell(row, ThisWater);
        out.append(s);
    }
    return out;
}

QList<QStringList> parseCsv(const QByteArray &data)
{
    QString text;
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        text = utf8.decode(data);
        if (utf8.hasError()) {
            QStringDecoder gbk("GB18030", QStringConverter::Flag::Stateless);
            text = gbk.decode(data);
        }
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row.append(field);
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            row.append(field);
            rows.append(row);
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty() || !row.isEmpty()) {
        row.append(field);
        rows.append(row);
    }
    return rows;
}

} // namespace ReadingSheet
