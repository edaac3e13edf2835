#include "data/receiptcalc.h"

#include "common/apperror.h"
#include "text/capital.h"
#include "text/numtext.h"
#include "text/rounding.h"
#include "text/textlimits.h"

#include <cmath>

namespace ReceiptCalc {

double usageWithLoss(double thisMonth, double lastMonth, double loss)
{
    return (thisMonth - lastMonth) + loss;
}

double roundToTenth(double value)
{
    return RoundToPlaces(1, value);
}

double amountOf(double price, double usage)
{
    return price * usage;
}

double totalOf(double electricity, double water, double other, double rent)
{
    return ((electricity + water) + other) + rent;
}

namespace {

// The field names the screen uses in its messages.
const QString kCaption[] = {
    QStringLiteral("电费本月抄表数"), QStringLiteral("电费上月抄表数"), QStringLiteral("电费损耗"),
    QStringLiteral("电费单价"),       QStringLiteral("水费本月抄表数"), QStringLiteral("水费上月抄表数"),
    QStringLiteral("水费损耗"),       QStringLiteral("水费单价"),       QStringLiteral("其它费用"),
    QStringLiteral("房租费用"),
};
enum Field { ThisE, LastE, LossE, PriceE, ThisW, LastW, LossW, PriceW, Other, Rent };

double read(const QString &text, Field field)
{
    if (text.isEmpty())
        return 0;   // an empty field is filled with "0" before it is read
    double v = 0;
    if (TryTextToFloat(text, &v))
        return v;
    throw AppError(kCaption[field] + QStringLiteral("：")
                   + QStringLiteral("“%1”不是有效的数值").arg(ElidedForMessage(text)));
}

// A value as a field holds it: written as its text and read back.
double asShown(double value, const QString &caption)
{
    if (!std::isfinite(value))
        throw AppError(caption + QStringLiteral("：计算结果超出数值范围，请检查输入的数"));
    return TextToFloat(FloatToText(value));
}

// The total field rewrites itself with two decimals until its text stays.
QString moneyShown(double total)
{
    QString text = FormatMoney(total);
    for (QString next = FormatMoney(TextToFloat(text)); next != text; next = FormatMoney(TextToFloat(text)))
        text = next;
    return text;
}

} // namespace

Amounts compute(const Inputs &in)
{
    const double e = read(in.bccjd, ThisE), e0 = read(in.sccjd, LastE), el = read(in.shsld, LossE);
    const double p = read(in.dj, PriceE);
    const double w = read(in.bccjds, ThisW), w0 = read(in.sccjds, LastW), wl = read(in.shsls, LossW);
    const double pw = read(in.djs, PriceW);
    const double other = read(in.qtfy, Other), rent = read(in.fzfy, Rent);
    const QString usageE = QStringLiteral("用电量"), usageW = QStringLiteral("用水量");
    const QString amountE = QStringLiteral("用电金额"), amountW = QStringLiteral("水费金额");
    const QString total = QStringLiteral("总金额");

    Amounts a;
    a.cjdl = asShown(roundToTenth(asShown(usageWithLoss(e, e0, el), usageE)), usageE);
    a.cjdls = asShown(roundToTenth(asShown(usageWithLoss(w, w0, wl), usageW)), usageW);
    a.jed = asShown(roundToTenth(asShown(amountOf(p, a.cjdl), amountE)), amountE);
    a.jes = asShown(roundToTenth(asShown(amountOf(pw, a.cjdls), amountW)), amountW);
    a.costText = moneyShown(asShown(totalOf(a.jed, a.jes, other, rent), total));

    // The two amounts are then shown with two decimals; each rewrite
    // recomputes the total from the amounts as they now read.
    a.jedText = FormatMoney(a.jed);
    a.jed = TextToFloat(a.jedText);
    a.costText = moneyShown(asShown(totalOf(a.jed, a.jes, other, rent), total));
    a.jesText = FormatMoney(a.jes);
    a.jes = TextToFloat(a.jesText);
    a.costText = moneyShown(asShown(totalOf(a.jed, a.jes, other, rent), total));

    a.cost = TextToFloat(a.costText);
    a.cjdlText = FloatToText(a.cjdl);
    a.cjdlsText = FloatToText(a.cjdls);
    a.capitalText = AmountToCapital(a.costText);
    return a;
}

Inputs inputsOf(const ReceiptRow &row)
{
    return {FloatToText(row.bccjd), FloatToText(row.sccjd), FloatToText(row.shsld), FloatToText(row.dj),
            FloatToText(row.bccjds), FloatToText(row.sccjds), FloatToText(row.shsls), FloatToText(row.djs),
            FloatToText(row.qtfy), FloatToText(row.fzfy)};
}

void applyTo(const Amounts &a, ReceiptRow &row)
{
    row.cjdl = a.cjdl;
    row.jed = a.jed;
    row.cjdls = a.cjdls;
    row.jes = a.jes;
    row.cost = a.cost;
}

} // namespace ReceiptCalc
