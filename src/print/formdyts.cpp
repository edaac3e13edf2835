#include "print/formdyts.h"
#include "ui_formdyts.h"

#include "settings/global.h"
#include "common/dialogs.h"
#include "common/screenkeys.h"
#include "text/keyfilter.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace {

// The number a field holds, when its whole text is a decimal integer
// (digits only, as the key filter lets through).
bool readNumber(const QString &text, qint64 *value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok)
        *value = v;
    return ok;
}

bool isZero(const QString &text)
{
    qint64 v = -1;
    return readNumber(text, &v) && v == 0;
}

} // namespace

TFormdyts::TFormdyts(QWidget *parent) : QDialog(parent), ui(new Ui::TFormdyts)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Formdyts"));
    // No title-bar buttons: the dialog is left through its own buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui->BitBtn1->setAutoDefault(false);
    ui->BitBtn2->setAutoDefault(false);
    ui->Edit1->installEventFilter(this);
    ui->Edit2->installEventFilter(this);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFormdyts::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFormdyts::BitBtn2Click);
}

TFormdyts::~TFormdyts()
{
    delete ui;
}

void TFormdyts::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFormdyts::FormShow()
{
    m_accepted = false;
    if (TGlobal *g = TGlobal::instance())
        ui->cbhbdy->setChecked(g->strhbdy == QLatin1String("Y"));
    ui->Edit1->setFocus();
    ui->Edit1->selectAll();
}

void TFormdyts::keyPressEvent(QKeyEvent *event)
{
    // Esc is the cancel button; Enter is handled by the fields.
    if (event->key() == Qt::Key_Escape) {
        BitBtn2Click();
        return;
    }
    if (ScreenKeys::isEnter(event) && ui->BitBtn1->hasFocus()) {
        BitBtn1Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFormdyts::filterKey(QKeyEvent *key, QWidget *next)
{
    // Editing shortcuts (paste, copy, undo ...) and keys without text
    // (arrows, Home, Delete) keep their usual meaning.
    if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)
        || key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Undo)
        || key->matches(QKeySequence::Redo))
        return false;
    if (ScreenKeys::isEnter(key)) {
        next->setFocus();
        Beep();
        return true;
    }
    if (key->key() == Qt::Key_Backspace)
        return false;
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            Beep();
            return true;
        }
    }
    return false;
}

void TFormdyts::Edit1KeyPress(QKeyEvent *key)
{
    if (filterKey(key, ui->Edit2))
        key->accept();
}

void TFormdyts::Edit2KeyPress(QKeyEvent *key)
{
    if (filterKey(key, ui->BitBtn1))
        key->accept();
}

bool TFormdyts::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == ui->Edit1)
            return filterKey(key, ui->Edit2);
        if (watched == ui->Edit2)
            return filterKey(key, ui->BitBtn1);
    }
    return QDialog::eventFilter(watched, event);
}

void TFormdyts::BitBtn1Click()
{
    const QString t1 = ui->Edit1->text();
    const QString t2 = ui->Edit2->text();
    if (t1.isEmpty()) {
        Dialogs::message(QStringLiteral("开始序号不能为空！"));
        return;
    }
    if (t2.isEmpty()) {
        Dialogs::message(QStringLiteral("结束序号不能为空！"));
        return;
    }
    if (isZero(t1) || isZero(t2)) {
        Dialogs::message(QStringLiteral("序号不能为零！"));
        return;
    }
    qint64 a = 0;
    qint64 b = 0;
    if (!readNumber(t1, &a) || !readNumber(t2, &b) || b < a) {
        Dialogs::message(QStringLiteral("数据格式不对！"));
        return;
    }
    m_first = a;
    m_last = b;
    m_oneJob = ui->cbhbdy->isChecked();
    if (TGlobal *g = TGlobal::instance())
        g->strhbdy = m_oneJob ? QStringLiteral("Y") : QStringLiteral("N");
    m_accepted = true;
    accept();
}

void TFormdyts::BitBtn2Click()
{
    m_accepted = false;
    reject();
}
