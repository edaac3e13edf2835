#include "entry/receiptfields.h"

#include "common/apperror.h"
#include "data/receiptcolumns.h"
#include "entry/entryfield.h"
#include "text/datetext.h"
#include "text/numtext.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

using Kind = TReceiptFields::Kind;
using Start = TReceiptFields::Start;
using Load = TReceiptFields::Load;

// The texts first, in the order a load writes them, then the amounts,
// whose handlers compute from the texts already there. The column each
// field shows is the one that names the field (ReceiptColumns).
QList<TReceiptFields::Field> fieldList()
{
    auto f = [](const char *name, Kind kind, Start start, Load load) {
        return TReceiptFields::Field{QString::fromLatin1(name), kind, start, load};
    };
    const Kind T = Kind::Text, N = Kind::Number;
    const Start Z = Start::Zero;
    const Load L = Load::Yes;
    return {
        f("edit41", T, Start::Empty, L),
        f("Edit20", T, Start::Empty, L),
        f("Edit1", Kind::Date, Start::Date, L),
        f("Edit4", T, Start::Kept, L),
        f("cbyf", T, Start::Kept, L),
        f("Edit3", T, Start::Kept, L),
        f("edit2", T, Start::Empty, L),
        f("cbcbr", T, Start::Kept, L),
        f("Edit21", N, Z, L),
        f("Edit22", N, Z, L),
        f("Edit27", N, Z, L),
        f("Edit28", N, Start::ElectricityPrice, L),
        f("Edit29", N, Z, L),
        f("Edit30", N, Z, L),
        f("Edit31", N, Z, L),
        f("Edit32", N, Z, L),
        f("Edit33", N, Start::WaterPrice, L),
        f("Edit34", N, Z, L),
        f("Edit8", N, Z, L),
        f("Edit24", N, Z, L),
        f("Edit36", N, Z, L),
        f("Edit37", N, Z, L),
        f("Edit35", N, Start::Kept, Load::No),   // computed from the amounts
        f("Edit9", T, Start::Empty, Load::No),    // the total in words
        f("cbskr", T, Start::Payee, Load::AfterRecompute),
        f("cblb", T, Start::Category, Load::No),
        f("cbfk", T, Start::Paid, Load::No),
    };
}

} // namespace

TReceiptFields::TReceiptFields(QWidget *form) : m_fields(fieldList())
{
    for (Field &field : m_fields) {
        field.widget = form->findChild<QWidget *>(field.name);
        Q_ASSERT_X(field.widget, "TReceiptFields", qPrintable(field.name));
        for (const ReceiptColumns::Column &c : ReceiptColumns::all())
            if (c.field == field.name)
                field.column = &c;
        Q_ASSERT(field.kind != Kind::Number || qobject_cast<TEntryField *>(field.widget));
    }
}

QString TReceiptFields::shownText(const QWidget *w)
{
    if (auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->currentText();
    return static_cast<const QLineEdit *>(w)->text();
}

QString TReceiptFields::shownDate(const QString &stored)
{
    QDateTime dt;
    if (DateText::tryToDateTime(stored, &dt))
        return DateText::fromDateTime(dt);
    return stored;
}

void TReceiptFields::setComboText(QWidget *w, const QString &text)
{
    auto *combo = static_cast<QComboBox *>(w);
    if (combo->isEditable()) {
        combo->setEditText(text);
        return;
    }
    int i = combo->findText(text);
    if (i < 0) {
        combo->addItem(text);
        i = combo->count() - 1;
    }
    combo->setCurrentIndex(i);
}

void TReceiptFields::setText(const Field &field, const QString &text) const
{
    if (qobject_cast<QComboBox *>(field.widget))
        setComboText(field.widget, text);
    else if (auto *e = qobject_cast<TEntryField *>(field.widget))
        e->setFieldText(text);
    else
        static_cast<QLineEdit *>(field.widget)->setText(text);
}

void TReceiptFields::clear(const Field &field) const
{
    if (auto *e = qobject_cast<TEntryField *>(field.widget))
        e->clearField();   // runs the handler, even on an empty field
    else
        setText(field, QString());
}

ReceiptRow TReceiptFields::read(ReceiptRow row) const
{
    for (const Field &field : m_fields) {
        if (!field.column)
            continue;
        QVariant value;
        switch (field.kind) {
        case Kind::Number:
            value = static_cast<TEntryField *>(field.widget)->value();
            break;
        case Kind::Date:
            value = DateText::fromDateTime(DateText::toDateTime(shownText(field.widget)));
            break;
        case Kind::Text:
            value = shownText(field.widget);
            break;
        }
        ReceiptColumns::setValue(row, *field.column, value);
    }
    return row;
}

void TReceiptFields::write(const ReceiptRow &row, const std::function<void()> &recompute)
{
    auto show = [&](const Field &field) {
        const QVariant v = ReceiptColumns::value(row, *field.column);
        switch (field.kind) {
        case Kind::Number:
            setText(field, FloatToText(v.toDouble()));
            break;
        case Kind::Date:
            setText(field, shownDate(v.toString()));
            break;
        case Kind::Text:
            setText(field, v.toString());
            break;
        }
    };
    for (const Field &field : m_fields)
        if (field.load == Load::Yes)
            show(field);
    recompute();
    for (const Field &field : m_fields)
        if (field.load == Load::AfterRecompute)
            show(field);
}

void TReceiptFields::reset(const StartValues &values)
{
    for (const Field &field : m_fields) {
        if (field.kind == Kind::Number && field.start != Start::Kept) {
            const QSignalBlocker block(field.widget);
            static_cast<QLineEdit *>(field.widget)->clear();
        }
    }
    for (const Field &field : m_fields) {
        if (field.kind == Kind::Number)
            continue;
        if (field.start == Start::Empty)
            clear(field);
        else if (field.start == Start::Paid)
            setText(field, QStringLiteral("已付款"));
        else if (field.start == Start::Payee && values.payee)
            setText(field, *values.payee);
        else if (field.start == Start::Category && values.category)
            setText(field, *values.category);
        else if (field.start == Start::Date && values.date)
            setText(field, *values.date);
    }
    for (const Field &field : m_fields)
        if (field.start == Start::Zero)
            clear(field);
    // The unit prices come last, water before electricity: a price that is
    // not a number stops the reset with every other field at its start.
    for (const Start price : {Start::WaterPrice, Start::ElectricityPrice})
        for (const Field &field : m_fields)
            if (field.start == price)
                setText(field, price == Start::WaterPrice ? values.waterPrice : values.electricityPrice);
}
