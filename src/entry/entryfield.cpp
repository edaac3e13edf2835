#include "entry/entryfield.h"

#include "common/operation.h"
#include "text/numtext.h"
#include "text/textlimits.h"

#include <cmath>

int TFieldEvents::s_depth = 0;
std::optional<AppError> TFieldEvents::s_pending;

namespace {

struct DepthGuard
{
    int &depth;
    explicit DepthGuard(int &d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};

AppError asAppError(const std::exception &e)
{
    return AppError(QString::fromUtf8(e.what()));
}

} // namespace

void TFieldEvents::run(const std::function<void()> &operation)
{
    if (s_depth > 0) {
        // Inside another operation the error goes on to the outermost one.
        DepthGuard guard(s_depth);
        try {
            operation();
        } catch (const AppError &) {
            throw;
        } catch (const std::exception &e) {
            throw asAppError(e);
        }
        return;
    }
    s_pending.reset();
    Operation::run([&operation] {
        DepthGuard guard(s_depth);
        operation();
    });
    s_pending.reset();
}

void TFieldEvents::runFromSignal(const std::function<void()> &handler)
{
    if (s_depth == 0) {
        run(handler);
        return;
    }
    // A failure earlier in this chain already stops it; a signal that still
    // arrives (a plain setText in the same handler) runs nothing more.
    if (s_pending)
        return;
    try {
        DepthGuard guard(s_depth);
        handler();
    } catch (const AppError &e) {
        s_pending = e;
    } catch (const std::exception &e) {
        s_pending = asAppError(e);
    }
}

void TFieldEvents::throwPending()
{
    if (s_depth == 0 || !s_pending)
        return;
    AppError e = *s_pending;
    s_pending.reset();
    throw e;
}

TEntryField::TEntryField(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &TEntryField::changed);
}

void TEntryField::changed()
{
    if (m_handler)
        TFieldEvents::runFromSignal(m_handler);
}

void TEntryField::setFieldText(const QString &text)
{
    if (text != this->text())
        setText(text);   // emits textChanged, which runs the handler
    TFieldEvents::throwPending();
}

void TEntryField::clearField()
{
    if (text().isEmpty())
        changed();
    else
        setText(QString());
    TFieldEvents::throwPending();
}

double TEntryField::value() const
{
    double v = 0;
    if (TryTextToFloat(text(), &v))
        return v;
    const QString message = QStringLiteral("“%1”不是有效的数值").arg(ElidedForMessage(text()));
    throw AppError(m_caption.isEmpty() ? message : m_caption + QStringLiteral("：") + message);
}

void TEntryField::setValue(double value)
{
    if (!std::isfinite(value))
        throw AppError((m_caption.isEmpty() ? QString() : m_caption + QStringLiteral("："))
                       + QStringLiteral("计算结果超出数值范围，请检查输入的数"));
    setFieldText(FloatToText(value));
}
