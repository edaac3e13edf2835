#pragma once

#include "data/receiptrow.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QWidget;
namespace ReceiptColumns {
struct Column;
}

// The fields of the entry form that show a receipt, each with the receipt
// column that names it as its field (see ReceiptColumns) and the text it
// starts from: the
// one place that reads a receipt off the form, writes a stored receipt
// onto it and sets it back to a new receipt's start.
//
// Writing a field runs its change handler, as typing does; the fields are
// written in the order of the list, so that the handlers meet the values
// they depend on.
class TReceiptFields
{
public:
    // What a field starts from.
    enum class Start {
        Kept,              // the start leaves it as it is
        Empty,
        Zero,              // "0" (through its handler, which fills the other empty amounts with "0")
        Paid,              // "已付款"
        ElectricityPrice,  // the unit prices last used
        WaterPrice,
        Date,              // these three: the value given for the start, else kept
        Payee,
        Category,
    };
    enum class Kind {
        Text,
        Date,     // the stored date text, shown as a date
        Number,   // a TEntryField read and written as a number
    };
    // Which fields a load writes: most of them, the payee after the
    // amounts are computed.
    enum class Load { No, Yes, AfterRecompute };
    struct Field
    {
        QString name;        // the control's object name
        Kind kind;
        Start start;
        Load load;
        QWidget *widget = nullptr;
        const ReceiptColumns::Column *column = nullptr;   // the column it shows, if any
    };

    // The values a start takes from outside the form.
    struct StartValues
    {
        QString electricityPrice;
        QString waterPrice;
        std::optional<QString> date;       // the receipt date (else kept)
        std::optional<QString> payee;      // the payee (else kept)
        std::optional<QString> category;   // the category (else kept)
    };

    // Finds the fields among the children of `form` and the columns they
    // show; a field the form lacks is a programming error (asserts).
    explicit TReceiptFields(QWidget *form);

    const QList<Field> &fields() const { return m_fields; }

    // The receipt the form shows: the row with every field's column read
    // from its field. Throws AppError for an amount that is not a number
    // or a date that is not one.
    ReceiptRow read(ReceiptRow row = {}) const;

    // Shows the stored receipt: the loaded fields in the list's order, then
    // `recompute` (derived amounts), then the payee.
    void write(const ReceiptRow &row, const std::function<void()> &recompute);

    // Every field back to its start. The amounts are emptied first without
    // their handlers, so that a text that is not a number cannot stop the
    // reset half-way.
    void reset(const StartValues &values);

    // The text a field shows (a combo box its current text).
    static QString shownText(const QWidget *widget);

    // A stored date text as the form shows it (a text that is no date as it is).
    static QString shownDate(const QString &stored);

    // A combo box shows the text (an editable one as its edit text).
    static void setComboText(QWidget *combo, const QString &text);

private:
    QWidget *widget(const QString &name) const;
    void setText(const Field &field, const QString &text) const;
    void clear(const Field &field) const;

    QList<Field> m_fields;
};
