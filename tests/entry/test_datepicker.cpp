#include "entry/brdateform.h"
#include "recordingdialogs.h"
#include "text/datetext.h"
#include "controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QPushButton *button(TBrDateForm &form, const QString &text)
{
    for (QPushButton *b : form.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QString shownDate(TBrDateForm &form)
{
    return control<QLabel>(&form, "nf")->text() + QStringLiteral("年") + control<QLabel>(&form, "yf")->text()
        + QStringLiteral("月") + control<QLabel>(&form, "rq")->text() + QStringLiteral("日");
}

QTableView *calendarView(TBrDateForm &form)
{
    return control<QCalendarWidget>(&form, "Calendar")->findChild<QTableView *>();
}

// The cell of the calendar grid that shows `day` of the month on the page.
QModelIndex dayCell(TBrDateForm &form, int day)
{
    QTableView *view = calendarView(form);
    QAbstractItemModel *model = view->model();
    // Days of the neighbouring months fill the first and last rows; the
    // month's own day is the one between its 1st and its last day.
    bool inMonth = false;
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 0; c < model->columnCount(); ++c) {
            const QModelIndex i = model->index(r, c);
            bool ok = false;
            const int n = model->data(i, Qt::DisplayRole).toInt(&ok);
            if (!ok)
                continue;
            if (n == 1)
                inMonth = !inMonth;
            if (inMonth && n == day)
                return i;
        }
    }
    return QModelIndex();
}

// Runs the dialog modally; `act` is called once it is showing.
int runModal(TBrDateForm &form, std::function<void()> act)
{
    QTimer::singleShot(0, &form, [&form, act] {
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        act();
    });
    // Whatever happens, the test does not hang: a dialog still open after
    // a few seconds ends with a result no handler gives.
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, &form, [&form] { form.done(-1); });
    failsafe.start(5000);
    return form.exec();
}

} // namespace

class DatePickerTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        DateText::setToday(QDate(2024, 3, 15));
    }
    void cleanup()
    {
        DateText::setToday(QDate());
    }

    void layout()
    {
        TBrDateForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("选择日期"));
        QCOMPARE(control<QCalendarWidget>(&form, "Calendar")->firstDayOfWeek(), Qt::Sunday);
        for (const char *text : {"上年&P", "下年&N", "上月&S", "下月&X", "确定&Y", "关闭&C "})
            QVERIFY2(button(form, QString::fromUtf8(text)), text);
        QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
        // Opens on today's date.
        QCOMPARE(form.date(), QDate(2024, 3, 15));
        QCOMPARE(shownDate(form), QStringLiteral("2024年3月15日"));
    }

    void movesDate_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<QDate>("expected");
        QTest::addColumn<QString>("labels");

        const QString prevYear = QStringLiteral("上年&P");
        const QString nextYear = QStringLiteral("下年&N");
        const QString prevMonth = QStringLiteral("上月&S");
        const QString nextMonth = QStringLiteral("下月&X");
        QTest::newRow("31 Mar back, leap year") << QDate(2024, 3, 31) << prevMonth << QDate(2024, 2, 29) << "2024年2月29日";
        QTest::newRow("31 Mar back, common year") << QDate(2023, 3, 31) << prevMonth << QDate(2023, 2, 28) << "2023年2月28日";
        QTest::newRow("31 Jan on, leap year") << QDate(2024, 1, 31) << nextMonth << QDate(2024, 2, 29) << "2024年2月29日";
        QTest::newRow("31 Jan on, common year") << QDate(2023, 1, 31) << nextMonth << QDate(2023, 2, 28) << "2023年2月28日";
        QTest::newRow("31 May back") << QDate(2024, 5, 31) << prevMonth << QDate(2024, 4, 30) << "2024年4月30日";
        QTest::newRow("31 Aug on") << QDate(2024, 8, 31) << nextMonth << QDate(2024, 9, 30) << "2024年9月30日";
        QTest::newRow("day kept") << QDate(2024, 2, 29) << nextMonth << QDate(2024, 3, 29) << "2024年3月29日";
        QTest::newRow("into next year") << QDate(2024, 12, 15) << nextMonth << QDate(2025, 1, 15) << "2025年1月15日";
        QTest::newRow("into last year") << QDate(2024, 1, 10) << prevMonth << QDate(2023, 12, 10) << "2023年12月10日";
        QTest::newRow("year back") << QDate(2024, 3, 15) << prevYear << QDate(2023, 3, 15) << "2023年3月15日";
        QTest::newRow("year on") << QDate(2024, 3, 15) << nextYear << QDate(2025, 3, 15) << "2025年3月15日";
        QTest::newRow("28 Feb a year on") << QDate(2023, 2, 28) << nextYear << QDate(2024, 2, 28) << "2024年2月28日";
        QTest::newRow("29 Feb four years back") << QDate(2024, 2, 29) << prevYear << QDate(2024, 2, 29) << "2024年2月29日";
    }
    void movesDate()
    {
        QFETCH(QDate, start);
        QFETCH(QString, buttonText);
        QFETCH(QDate, expected);
        QFETCH(QString, labels);
        RecordingDialogs dlg;
        TBrDateForm form;
        form.setDate(start);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QPushButton *b = button(form, buttonText);
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(form.date(), expected);
        QCOMPARE(shownDate(form), labels);
        // The calendar shows the month of the date.
        QCOMPARE(control<QCalendarWidget>(&form, "Calendar")->yearShown(), expected.year());
        QCOMPARE(control<QCalendarWidget>(&form, "Calendar")->monthShown(), expected.month());
        // Only the 29 February year move shows a box.
        QCOMPARE(dlg.count(), start == expected ? 1 : 0);
    }

    void leapDayYearMoveIsRefused_data()
    {
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<QString>("message");
        QTest::newRow("back") << QStringLiteral("上年&P") << QStringLiteral("“2023-02-29”不是有效的日期");
        QTest::newRow("on") << QStringLiteral("下年&N") << QStringLiteral("“2025-02-29”不是有效的日期");
    }
    void leapDayYearMoveIsRefused()
    {
        QFETCH(QString, buttonText);
        QFETCH(QString, message);
        RecordingDialogs dlg;
        TBrDateForm form;
        form.setDate(QDate(2024, 2, 29));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(button(form, buttonText), Qt::LeftButton);
        QCOMPARE(form.date(), QDate(2024, 2, 29));
        QCOMPARE(shownDate(form), QStringLiteral("2024年2月29日"));
        QCOMPARE(dlg.count(), 1);
        QCOMPARE(dlg.shown().first().kind, Dialogs::Kind::Error);
        QCOMPARE(dlg.last(), message);
    }

    void accelerators_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("Alt+P") << int(Qt::Key_P) << QDate(2023, 3, 31);
        QTest::newRow("Alt+N") << int(Qt::Key_N) << QDate(2025, 3, 31);
        QTest::newRow("Alt+S") << int(Qt::Key_S) << QDate(2024, 2, 29);
        QTest::newRow("Alt+X") << int(Qt::Key_X) << QDate(2024, 4, 30);
    }
    void accelerators()
    {
        QFETCH(int, key);
        QFETCH(QDate, expected);
        TBrDateForm form;
        form.setDate(QDate(2024, 3, 31));
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
        // A mnemonic clicks its button after the button's press animation.
        QTRY_COMPARE(form.date(), expected);
    }

    void calendarHasFocusAndEnterMovesToOk()
    {
        TBrDateForm form;
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QVERIFY(focus == control<QCalendarWidget>(&form, "Calendar")
                || control<QCalendarWidget>(&form, "Calendar")->isAncestorOf(focus));
        // Enter in the calendar neither confirms nor changes the date.
        QTest::keyClick(focus, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>(&form, "Button5"));
        QVERIFY(form.isVisible());
        QCOMPARE(form.date(), QDate(2024, 3, 15));
        // Enter on a move button goes to OK too instead of moving.
        control<QPushButton>(&form, "Button1")->setFocus();
        QTest::keyClick(control<QPushButton>(&form, "Button1"), Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>(&form, "Button5"));
        QCOMPARE(form.date(), QDate(2024, 3, 15));
    }

    void twoEntersConfirm()
    {
        TBrDateForm form;
        form.setDate(QDate(2022, 7, 4));
        const int result = runModal(form, [&form] {
            // The arrow keys move through the calendar first.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(form.date(), QDate(2022, 7, 5));
    }

    void escapeCancels()
    {
        TBrDateForm form;
        const int result = runModal(form, [&form] {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void escapeCancelsFromAButton()
    {
        TBrDateForm form;
        const int result = runModal(form, [&form] {
            control<QPushButton>(&form, "Button3")->setFocus();
            QTest::keyClick(control<QPushButton>(&form, "Button3"), Qt::Key_Escape);
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void buttonsEndTheDialog_data()
    {
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<int>("result");
        QTest::newRow("OK") << QStringLiteral("确定&Y") << int(QDialog::Accepted);
        QTest::newRow("close") << QStringLiteral("关闭&C ") << int(QDialog::Rejected);
    }
    void buttonsEndTheDialog()
    {
        QFETCH(QString, buttonText);
        QFETCH(int, result);
        TBrDateForm form;
        form.setDate(QDate(2021, 11, 30));
        const int got = runModal(form, [&form, buttonText] {
            QTest::mouseClick(button(form, buttonText), Qt::LeftButton);
        });
        QCOMPARE(got, result);
        QCOMPARE(form.date(), QDate(2021, 11, 30));
    }

    void acceleratorsEndTheDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Alt+Y") << int(Qt::Key_Y) << int(QDialog::Accepted);
        QTest::newRow("Alt+C") << int(Qt::Key_C) << int(QDialog::Rejected);
    }
    void acceleratorsEndTheDialog()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        TBrDateForm form;
        const int got = runModal(form, [&form, key] {
            QApplication::setActiveWindow(&form);
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
        });
        QCOMPARE(got, result);
    }

    void doubleClickConfirmsThatDay()
    {
        TBrDateForm form;
        form.setDate(QDate(2024, 3, 2));
        const int result = runModal(form, [&form] {
            QTableView *view = calendarView(form);
            QVERIFY(view);
            const QModelIndex cell = dayCell(form, 20);
            QVERIFY(cell.isValid());
            const QPoint at = view->visualRect(cell).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(form.date(), QDate(2024, 3, 20));
    }

    void clickingADayRefreshesTheLabels()
    {
        TBrDateForm form;
        form.setDate(QDate(2024, 3, 2));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableView *view = calendarView(form);
        const QModelIndex cell = dayCell(form, 17);
        QVERIFY(cell.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
        QCOMPARE(form.date(), QDate(2024, 3, 17));
        QCOMPARE(shownDate(form), QStringLiteral("2024年3月17日"));
        QVERIFY(form.isVisible());
    }

    void invalidDateIsIgnored()
    {
        TBrDateForm form;
        form.setDate(QDate());
        QCOMPARE(form.date(), QDate(2024, 3, 15));
    }
};

QTEST_MAIN(DatePickerTest)
#include "test_datepicker.moc"
