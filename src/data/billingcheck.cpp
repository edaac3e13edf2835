#include "data/billingcheck.h"

#include "data/community.h"
#include "data/receiptcalc.h"
#include "text/numtext.h"
#include "text/textlimits.h"

#include <QHash>

namespace Billing {

bool blocks(Problem problem)
{
    return problem != Problem::UnusualUsage;
}

bool CheckedRow::accepted() const
{
    for (Problem p : problems)
        if (blocks(p))
            return false;
    return true;
}

QString CheckedRow::reason() const
{
    return messages.join(QStringLiteral("；"));
}

namespace {

void add(CheckedRow &row, Problem p, const QString &message)
{
    row.problems.append(p);
    row.messages.append(message);
}

// A reading cell: a number, or the problem's message.
std::optional<double> reading(const QString &text, const QString &what, CheckedRow &row)
{
    const QString t = text.trimmed();
    double v = 0;
    if (t.isEmpty()) {
        add(row, Problem::NotANumber, QStringLiteral("%1未填写").arg(what));
        return std::nullopt;
    }
    if (!TryTextToFloat(t, &v) || !FitsMoneyColumn(v)) {
        add(row, Problem::NotANumber, QStringLiteral("%1“%2”不是数值").arg(what, ElidedForMessage(t)));
        return std::nullopt;
    }
    return v;
}

void checkMeter(CheckedRow &row, double now, double last, const std::optional<double> &average, const QString &meter)
{
    const double usage = now - last;
    if (usage < 0) {
        add(row, Problem::BelowLastMonth,
            QStringLiteral("%1本月抄表数%2小于上月%3").arg(meter, FloatToText(now), FloatToText(last)));
        return;
    }
    if (average && *average > 0 && usage > kUnusualFactor * *average)
        add(row, Problem::UnusualUsage,
            QStringLiteral("%1用量%2超过近六个月平均用量%3的3倍")
                .arg(meter, FloatToText(usage), FloatToText(ReceiptCalc::roundToTenth(*average))));
}

} // namespace

QList<CheckedRow> checkRows(const QList<SheetRow> &rows,
                            const std::function<HouseholdFacts(const QString &name)> &facts)
{
    QHash<QString, int> seen;   // name -> how often it is in the sheet
    for (const SheetRow &r : rows)
        ++seen[r.bhmc.trimmed().toCaseFolded()];
    QHash<QString, HouseholdFacts> known;

    QList<CheckedRow> out;
    out.reserve(rows.size());
    for (const SheetRow &r : rows) {
        CheckedRow row;
        row.sheet = r;
        row.sheet.bhmc = r.bhmc.trimmed();
        const QString name = row.sheet.bhmc;
        if (name.isEmpty()) {
            add(row, Problem::UnknownHousehold, QStringLiteral("没有户名"));
            out.append(row);
            continue;
        }
        const QString key = name.toCaseFolded();
        if (!known.contains(key))
            known.insert(key, facts(name));
        row.facts = known.value(key);
        if (!row.facts.known)
            add(row, Problem::UnknownHousehold, QStringLiteral("没有户名为“%1”的住户").arg(name));
        if (seen.value(key) > 1)
            add(row, Problem::Duplicate, QStringLiteral("该住户在表中出现%1次").arg(seen.value(key)));
        if (row.facts.billed)
            add(row, Problem::AlreadyBilled, QStringLiteral("该住户本月的收据已经存在，跳过"));
        const std::optional<double> e = reading(r.bccjd, QStringLiteral("电表本月抄表数"), row);
        const std::optional<double> w = reading(r.bccjds, QStringLiteral("水表本月抄表数"), row);
        if (e) {
            row.electricity = *e;
            checkMeter(row, *e, row.facts.lastElectricity, row.facts.averageElectricity, QStringLiteral("电表"));
        }
        if (w) {
            row.water = *w;
            checkMeter(row, *w, row.facts.lastWater, row.facts.averageWater, QStringLiteral("水表"));
        }
        out.append(row);
    }
    return out;
}

ReceiptRow billOf(const CheckedRow &c, const BillSettings &s)
{
    ReceiptRow row;
    row.rq = s.rq;
    row.skr = s.skr;
    row.cbr = s.cbr;
    row.lbmc = QStringLiteral("销售单");
    row.fkzt = kUnpaid;
    // The household's own community; a household without one as the entry
    // screen stores it.
    row.cmc = c.facts.cmc.isEmpty() ? kCommunity : c.facts.cmc;
    row.nf = s.nf;
    row.yf = s.yf;
    row.bzsm1 = s.nf + QStringLiteral("年") + s.yf + QStringLiteral("月电费");
    row.bhmc = c.sheet.bhmc;
    row.bhh = c.facts.hh.isEmpty() ? c.sheet.bhh.trimmed() : c.facts.hh;
    ReceiptCalc::Inputs in;
    in.bccjd = FloatToText(c.electricity);
    in.sccjd = FloatToText(c.facts.lastElectricity);
    in.dj = s.dj;
    in.bccjds = FloatToText(c.water);
    in.sccjds = FloatToText(c.facts.lastWater);
    in.djs = s.djs;
    in.qtfy = FloatToText(c.facts.other);
    in.fzfy = FloatToText(c.facts.rent);
    const ReceiptCalc::Amounts a = ReceiptCalc::compute(in);
    row.bccjd = c.electricity;
    row.sccjd = c.facts.lastElectricity;
    row.bccjds = c.water;
    row.sccjds = c.facts.lastWater;
    row.dj = TextToFloat(in.dj.isEmpty() ? QStringLiteral("0") : in.dj);
    row.djs = TextToFloat(in.djs.isEmpty() ? QStringLiteral("0") : in.djs);
    row.qtfy = c.facts.other;
    row.fzfy = c.facts.rent;
    ReceiptCalc::applyTo(a, row);
    return row;
}

} // namespace Billing
