// The main window's wiring of the tabs: the entry tab's print buttons reach
// printing, and the settings that printing used to write are written by the
// screen's handlers, in the same order as before.
#include "settings/global.h"
#include "app/orderform.h"
#include "data/demodm.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "print/receiptprint.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/datetext.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>
#include <memory>

class TestWiring : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        ScratchDir dir;   // holds no template: a fill fails after the checks
        std::unique_ptr<TGlobal> global;
        std::unique_ptr<TDemoDM> dm;
        std::unique_ptr<TOrderForm> window;
        RecordingDialogs dialogs;

        Fixture()
        {
            DateText::setToday(QDate(2024, 3, 20));
            global = std::make_unique<TGlobal>(dir.file("mtrfee.ini"));
            dm = std::make_unique<TDemoDM>();
            window = std::make_unique<TOrderForm>();
            window->FormShow();
            dialogs.clear();
        }
        ~Fixture()
        {
            window.reset();
            dm.reset();
            global.reset();
            DateText::setToday(QDate());
        }
        template <typename T> T *child(const char *name) const
        {
            T *w = window->entryTab()->findChild<T *>(QString::fromLatin1(name));
            Q_ASSERT(w);
            return w;
        }
        void number(const char *name, const char *text) const
        {
            child<TEntryField>(name)->setFieldText(QString::fromLatin1(text));
        }
    };

private slots:
    // Preview and print remember the category before their checks, the
    // payee and the meter reader only once the checks passed (here the
    // fill then fails: the program folder has no template).
    void settingsAroundTheChecks_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("message");
        QTest::newRow("print, no name") << "BitBtn13" << false << "户名信息填写不完整！";
        QTest::newRow("preview, no name") << "SpeedButton9" << false << "户名信息填写不完整！";
        QTest::newRow("print, checks pass") << "BitBtn13" << true << "找不到单据模板";
        QTest::newRow("preview, checks pass") << "SpeedButton9" << true << "找不到单据模板";
    }
    void settingsAroundTheChecks()
    {
        QFETCH(QString, button);
        QFETCH(bool, complete);
        QFETCH(QString, message);
        Fixture t;
        t.number("Edit21", "150");
        t.number("Edit22", "100");
        t.number("Edit28", "0.5");
        t.number("Edit30", "20");
        t.number("Edit31", "10");
        t.number("Edit33", "2");
        t.child<QPushButton>("BitBtn2")->click();
        t.child<QComboBox>("edit2")->setEditText(QStringLiteral("温州"));
        if (complete)
            t.child<QComboBox>("edit41")->setEditText(QStringLiteral("张三"));
        t.child<QComboBox>("cbskr")->setEditText(QStringLiteral("收款甲"));
        t.child<QComboBox>("cbcbr")->setEditText(QStringLiteral("抄表乙"));
        t.global->strsjlx = QStringLiteral("旧类别");
        t.global->str_skr = QStringLiteral("旧收款人");
        t.global->str_cbr = QStringLiteral("旧抄表人");
        t.dialogs.clear();

        t.child<QPushButton>(qPrintable(button))->click();

        QCOMPARE(t.dialogs.texts().size(), 1);
        QVERIFY2(t.dialogs.texts().first().contains(message), qPrintable(t.dialogs.texts().first()));
        QCOMPARE(t.global->strsjlx, t.child<QComboBox>("cblb")->currentText());
        QCOMPARE(t.global->str_skr, complete ? QStringLiteral("收款甲") : QStringLiteral("旧收款人"));
        QCOMPARE(t.global->str_cbr, complete ? QStringLiteral("抄表乙") : QStringLiteral("旧抄表人"));
        // The preview always fills the hidden area field.
        if (button == QLatin1String("SpeedButton9"))
            QCOMPARE(t.child<QComboBox>("edit2")->currentText(), QStringLiteral("温州"));
    }

    // The main window owns the one printing object; it goes with the window.
    void windowOwnsPrinting()
    {
        QPointer<TReceiptPrinting> printing;
        {
            Fixture t;
            printing = t.window->receiptPrinting();
            QVERIFY(printing);
            QCOMPARE(printing->parent(), t.window.get());
        }
        QVERIFY(!printing);
    }
};

QTEST_MAIN(TestWiring)
#include "test_wiring.moc"
