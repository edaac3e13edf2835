#include "entry/brdateform.h"

#include "common/dialogs.h"
#include "common/screenkeys.h"
#include "text/datetext.h"
#include "ui_brdateform.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>

TBrDateForm::TBrDateForm(QWidget *parent) : QDialog(parent), ui(new Ui::TBrDateForm)
{
    ui->setupUi(this);
    // A caption but no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    ui->Calendar->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    ui->Calendar->setFirstDayOfWeek(Qt::Sunday);
    // Dates are written with four-digit years.
    ui->Calendar->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));

    connect(ui->Button1, &QPushButton::clicked, this, &TBrDateForm::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TBrDateForm::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &TBrDateForm::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &TBrDateForm::Button4Click);
    connect(ui->Button5, &QPushButton::clicked, this, &TBrDateForm::Button5Click);
    connect(ui->Button6, &QPushButton::clicked, this, &TBrDateForm::Button6Click);
    // The calendar's activation comes from a double-click only: Enter is
    // taken by the dialog before the calendar sees it.
    connect(ui->Calendar, &QCalendarWidget::activated, this, &TBrDateForm::CalendarDblClick);
    connect(ui->Calendar, &QCalendarWidget::selectionChanged, this, &TBrDateForm::CalendarChange);

    // Enter and Esc are handled for the whole dialog, whichever control has
    // the focus (the calendar's own parts included).
    installEventFilter(this);
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);

    showDate(DateText::today());
    FormActivate();
    adjustSize();
    setFixedSize(size());
}

TBrDateForm::~TBrDateForm()
{
    delete ui;
}

void TBrDateForm::setDate(const QDate &d)
{
    if (d.isValid())
        showDate(d);
}

QDate TBrDateForm::date() const
{
    return ui->Calendar->selectedDate();
}

void TBrDateForm::showDate(const QDate &d)
{
    ui->Calendar->setSelectedDate(d);
    ui->Calendar->setCurrentPage(d.year(), d.month());
    FormActivate();
}

void TBrDateForm::FormActivate()
{
    const QDate d = date();
    ui->nf->setText(QString::number(d.year()));
    ui->yf->setText(QString::number(d.month()));
    ui->rq->setText(QString::number(d.day()));
}

void TBrDateForm::CalendarChange()
{
    FormActivate();
}

void TBrDateForm::moveYears(int years)
{
    const QDate d = date();
    const int year = d.year() + years;
    // Month and day stay; 29 February has no counterpart in a common year.
    const QDate moved(year, d.month(), d.day());
    if (!moved.isValid() || moved < ui->Calendar->minimumDate() || moved > ui->Calendar->maximumDate()) {
        Dialogs::error(QStringLiteral("“%1-%2-%3”不是有效的日期")
                           .arg(year, 4, 10, QLatin1Char('0'))
                           .arg(d.month(), 2, 10, QLatin1Char('0'))
                           .arg(d.day(), 2, 10, QLatin1Char('0')));
        return;
    }
    showDate(moved);
}

void TBrDateForm::moveMonths(int months)
{
    const QDate d = date();
    // The first of the target month, then the same day number, no later
    // than that month's last day.
    const QDate first = QDate(d.year(), d.month(), 1).addMonths(months);
    if (!first.isValid() || first < ui->Calendar->minimumDate() || first > ui->Calendar->maximumDate())
        return;
    const QDate moved(first.year(), first.month(), qMin(d.day(), first.daysInMonth()));
    showDate(moved);
}

void TBrDateForm::Button1Click()
{
    moveYears(-1);
}

void TBrDateForm::Button2Click()
{
    moveYears(1);
}

void TBrDateForm::Button3Click()
{
    moveMonths(-1);
}

void TBrDateForm::Button4Click()
{
    moveMonths(1);
}

void TBrDateForm::Button5Click()
{
    accept();
}

void TBrDateForm::Button6Click()
{
    reject();
}

void TBrDateForm::CalendarDblClick()
{
    Button5Click();
}

bool TBrDateForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier))
            return QDialog::eventFilter(watched, event);
        if (ScreenKeys::isEnter(key)) {
            if (focusWidget() == ui->Button5)
                Button5Click();
            else
                ui->Button5->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            Button6Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TBrDateForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void TBrDateForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on the screen, the calendar focused.
    if (QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    ui->Calendar->setFocus(Qt::OtherFocusReason);
    FormActivate();
}
