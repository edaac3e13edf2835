// The receipt entry screen as the operator uses it: typing into the fields,
// Enter along the chain, the previous readings, the month check and the
// household picker.
#include "settings/global.h"
#include "data/demodm.h"
#include "entry/brdateform.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "data/householdlookup.h"
#include "data/serials.h"
#include "entry/zozudexcombobox.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "text/datetext.h"
#include "text/keyfilter.h"
#include "controls.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QComboBox>
#include <QKeyEvent>
#include <QFrame>
#include <QInputMethodEvent>
#include <QSignalBlocker>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

void execSql(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
    QVERIFY2(q.prepare(sql), qPrintable(sql));
    for (const QVariant &v : values)
        q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(sql));
}

void addReceipt(const QString &table, const QString &name, const QString &year, const QString &month,
                double electricity, double water)
{
    execSql(QStringLiteral("insert into %1(bhmc, nf, yf, bccjd, bccjds, sjxh, lbmc) values(?,?,?,?,?,'1','销售单')").arg(table),
            {name, year, month, electricity, water});
}

void addHousehold(const QString &number, const QString &name, const QString &initials, double dd = 0, double dds = 0)
{
    execSql(QStringLiteral("insert into hhb(hh, hm, hmpy, cmc, dd, dds) values(?,?,?,'温州',?,?)"),
            {number, name, initials, dd, dds});
}

} // namespace

class EntryTabTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchDir> m_scratch;
    std::unique_ptr<TDemoDM> m_dm;
    std::unique_ptr<TGlobal> m_global;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TEntryTab> m_tab;
    int m_beeps = 0;

    QWidget *f() const { return m_tab.get(); }

    // The state the start-up sequence leaves: prices from the settings,
    // "0" in every reading, loss, usage, amount and fee field.
    void startState()
    {
        QWidget *u = f();
        control<TEntryField>(u, "Edit4")->setFieldText(QStringLiteral("2024"));
        control<QComboBox>(u, "cbyf")->setEditText(QStringLiteral("03"));
        for (TEntryField *e :
             {control<TEntryField>(u, "Edit20"), control<TEntryField>(u, "Edit21"), control<TEntryField>(u, "Edit22"),
              control<TEntryField>(u, "Edit27"), control<TEntryField>(u, "Edit28"), control<TEntryField>(u, "Edit31"),
              control<TEntryField>(u, "Edit32"), control<TEntryField>(u, "Edit33")})
            e->clearField();
        control<QLineEdit>(u, "Edit9")->clear();
        control<TEntryField>(u, "Edit29")->setFieldText(QStringLiteral("0"));
        control<TEntryField>(u, "Edit30")->setFieldText(QStringLiteral("0"));
        control<TEntryField>(u, "Edit28")->setFieldText(m_global->str_dj);
        control<TEntryField>(u, "Edit33")->setFieldText(m_global->str_djs);
        for (TEntryField *e : {control<TEntryField>(u, "Edit8"), control<TEntryField>(u, "Edit24"),
                               control<TEntryField>(u, "Edit36"), control<TEntryField>(u, "Edit37")})
            e->clearField();
    }

    // Focus as the operator gets there (the text is selected), then type:
    // Latin keys one by one, Chinese text as the input method commits it.
    void type(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        keys(field, text);
    }

    static void keys(QWidget *field, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(field, QString(c));
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(field, &commit);
            }
        }
    }

    void retype(QWidget *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->selectAll();
        QTest::keyClicks(field, text);
    }

    // The line edit holding a field's text (a combo box's own one).
    static QLineEdit *textOf(QWidget *field)
    {
        if (auto *combo = qobject_cast<QComboBox *>(field))
            return combo->lineEdit();
        return qobject_cast<QLineEdit *>(field);
    }

    QWidget *byName(const QString &name) const { return m_tab->findChild<QWidget *>(name); }
    TEntryField *field(const QString &name) const { return m_tab->findChild<TEntryField *>(name); }

private slots:
    void init()
    {
        m_scratch = std::make_unique<ScratchDir>();
        m_dm = std::make_unique<TDemoDM>();
        QVERIFY(m_dm->open());
        m_global = std::make_unique<TGlobal>(m_scratch->file(QStringLiteral("mtrfee.ini")));
        m_global->str_dj = QStringLiteral("0.5");
        m_global->str_djs = QStringLiteral("2");
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_beeps = 0;
        SetBeepHook([this] { ++m_beeps; });
        m_tab = std::make_unique<TEntryTab>();
        m_tab->resize(921, 660);
        m_tab->show();
        QApplication::setActiveWindow(m_tab.get());
        QVERIFY(QTest::qWaitForWindowActive(m_tab.get()));
        m_tab->ReopenPickerLists();
        startState();
        m_dialogs->clear();
        m_beeps = 0;
    }

    void cleanup()
    {
        m_tab.reset();
        SetBeepHook({});
        m_dialogs.reset();
        m_global.reset();
        m_dm->close();
        m_dm.reset();
        m_scratch.reset();
    }

    void billingPeriodShowsTwoDigitMonth_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("yearText");
        QTest::addColumn<QString>("monthText");
        QTest::newRow("march") << 2024 << 3 << QStringLiteral("2024") << QStringLiteral("03");
        QTest::newRow("december") << 2025 << 12 << QStringLiteral("2025") << QStringLiteral("12");
        QTest::newRow("january") << 1999 << 1 << QStringLiteral("1999") << QStringLiteral("01");
    }

    void billingPeriodShowsTwoDigitMonth()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, yearText);
        QFETCH(QString, monthText);
        m_tab->setBillingPeriod(year, month);
        QCOMPARE(control<TEntryField>(f(), "Edit4")->text(), yearText);
        QCOMPARE(control<QComboBox>(f(), "cbyf")->currentText(), monthText);
        QCOMPARE(m_tab->printData().cbyf, monthText);
    }

    // The number on offer follows the category's counter; offering it
    // writes nothing.
    void nextSerialFollowsTheCounter()
    {
        const QString category = QStringLiteral("销售单");
        m_tab->showNextSerial(category);
        QCOMPARE(control<TEntryField>(f(), "Edit3")->text(), QStringLiteral("00000001"));
        Serials::IssueSerial(*m_dm, QStringLiteral("00000041"), category);
        m_tab->showNextSerial(category);
        QCOMPARE(control<TEntryField>(f(), "Edit3")->text(), QStringLiteral("00000042"));
        m_tab->showNextSerial(category);
        QCOMPARE(control<TEntryField>(f(), "Edit3")->text(), QStringLiteral("00000042"));
        QCOMPARE(Serials::ReadCounter(*m_dm, category), 41);
    }

    void startStateIsZeroFilled()
    {
        QWidget *u = f();
        for (TEntryField *e :
             {control<TEntryField>(u, "Edit21"), control<TEntryField>(u, "Edit22"), control<TEntryField>(u, "Edit8"),
              control<TEntryField>(u, "Edit27"), control<TEntryField>(u, "Edit29"), control<TEntryField>(u, "Edit30"),
              control<TEntryField>(u, "Edit31"), control<TEntryField>(u, "Edit24"), control<TEntryField>(u, "Edit32"),
              control<TEntryField>(u, "Edit34"), control<TEntryField>(u, "Edit36"), control<TEntryField>(u, "Edit37")})
            QCOMPARE(e->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(u, "Edit28")->text(), QStringLiteral("0.5"));
        QCOMPARE(control<TEntryField>(u, "Edit33")->text(), QStringLiteral("2"));
        QCOMPARE(control<TEntryField>(u, "Edit35")->text(), QStringLiteral("0.00"));
        QCOMPARE(control<TEntryField>(u, "Edit20")->text(), QString());
        QCOMPARE(m_dialogs->count(), 0);
    }

    void workedExample()
    {
        QWidget *u = f();
        type(control<TEntryField>(u, "Edit22"), QStringLiteral("100"));
        type(control<TEntryField>(u, "Edit21"), QStringLiteral("150"));
        // Typing the reading shows usage, amount and total at once.
        QCOMPARE(control<TEntryField>(u, "Edit27")->text(), QStringLiteral("50"));
        QCOMPARE(control<TEntryField>(u, "Edit29")->text(), QStringLiteral("25"));
        QCOMPARE(control<TEntryField>(u, "Edit35")->text(), QStringLiteral("25.00"));
        type(control<TEntryField>(u, "Edit8"), QStringLiteral("2.25"));
        QCOMPARE(control<TEntryField>(u, "Edit27")->text(), QStringLiteral("52.2"));
        type(control<TEntryField>(u, "Edit30"), QStringLiteral("35"));
        type(control<TEntryField>(u, "Edit31"), QStringLiteral("20"));
        QCOMPARE(control<TEntryField>(u, "Edit32")->text(), QStringLiteral("15"));
        QCOMPARE(control<TEntryField>(u, "Edit34")->text(), QStringLiteral("30"));
        type(control<TEntryField>(u, "Edit37"), QStringLiteral("100"));
        QTest::keyClick(control<TEntryField>(u, "Edit37"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>(u, "BitBtn2"));
        QTest::keyClick(control<QPushButton>(u, "BitBtn2"), Qt::Key_Return);   // Enter on "计算总金额"

        QCOMPARE(control<TEntryField>(u, "Edit27")->text(), QStringLiteral("52.2"));
        QCOMPARE(control<TEntryField>(u, "Edit29")->text(), QStringLiteral("26.10"));
        QCOMPARE(control<TEntryField>(u, "Edit32")->text(), QStringLiteral("15"));
        QCOMPARE(control<TEntryField>(u, "Edit34")->text(), QStringLiteral("30.00"));
        QCOMPARE(control<TEntryField>(u, "Edit36")->text(), QStringLiteral("0"));
        QCOMPARE(control<TEntryField>(u, "Edit35")->text(), QStringLiteral("156.10"));
        QCOMPARE(control<QLineEdit>(u, "Edit9")->text(), QStringLiteral("壹佰伍拾陆元壹角整"));
        QCOMPARE(m_global->str_djs, QStringLiteral("2"));
        QCOMPARE(m_dialogs->count(), 0);
    }

    void totalButtonByClick()
    {
        QWidget *u = f();
        type(control<TEntryField>(u, "Edit21"), QStringLiteral("10"));
        type(control<TEntryField>(u, "Edit36"), QStringLiteral("3.5"));
        QTest::mouseClick(control<QPushButton>(u, "BitBtn2"), Qt::LeftButton);
        QCOMPARE(control<TEntryField>(u, "Edit29")->text(), QStringLiteral("5.00"));
        QCOMPARE(control<TEntryField>(u, "Edit35")->text(), QStringLiteral("8.50"));
        QCOMPARE(control<QLineEdit>(u, "Edit9")->text(), QStringLiteral("捌元伍角整"));
    }

    // A reading change shows the usage unrounded; a loss change adds the
    // loss and rounds to one place (ties to even on the stored value).
    void usageRounding_data()
    {
        QTest::addColumn<QString>("thisName");
        QTest::addColumn<QString>("lastName");
        QTest::addColumn<QString>("lossName");
        QTest::addColumn<QString>("usageName");
        QTest::addColumn<QString>("thisMonth");
        QTest::addColumn<QString>("lastMonth");
        QTest::addColumn<QString>("loss");
        QTest::addColumn<QString>("afterReadings");
        QTest::addColumn<QString>("afterLoss");
        const QStringList el{"Edit21", "Edit22", "Edit8", "Edit27"};
        const QStringList wa{"Edit30", "Edit31", "Edit24", "Edit32"};
        for (const QStringList &m : {el, wa}) {
            const char *meter = m == el ? "electricity" : "water";
            QTest::addRow("%s tie to even down", meter) << m[0] << m[1] << m[2] << m[3] << "150" << "100" << "2.25" << "50" << "52.2";
            QTest::addRow("%s tie up", meter) << m[0] << m[1] << m[2] << m[3] << "150" << "100" << "2.35" << "50" << "52.4";
            QTest::addRow("%s unrounded reading", meter) << m[0] << m[1] << m[2] << m[3] << "152.25" << "100" << "1" << "52.25" << "53.2";
            QTest::addRow("%s fraction readings", meter) << m[0] << m[1] << m[2] << m[3] << "150.25" << "100" << "2.1" << "50.25" << "52.4";
        }
    }
    void usageRounding()
    {
        QFETCH(QString, thisName);
        QFETCH(QString, lastName);
        QFETCH(QString, lossName);
        QFETCH(QString, usageName);
        QFETCH(QString, thisMonth);
        QFETCH(QString, lastMonth);
        QFETCH(QString, loss);
        QFETCH(QString, afterReadings);
        QFETCH(QString, afterLoss);
        type(field(lastName), lastMonth);
        type(field(thisName), thisMonth);
        QCOMPARE(field(usageName)->text(), afterReadings);
        type(field(lossName), loss);
        QCOMPARE(field(usageName)->text(), afterLoss);
        // Changing a reading again drops the loss and the rounding.
        retype(field(thisName), thisMonth);
        QCOMPARE(field(usageName)->text(), afterReadings);
        QCOMPARE(m_dialogs->count(), 0);
    }

    // Amounts are rounded to one decimal (ties to even on the stored value)
    // before they are shown and summed.
    void amountRounding_data()
    {
        QTest::addColumn<QString>("priceName");
        QTest::addColumn<QString>("readingName");
        QTest::addColumn<QString>("amountName");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("usage");
        QTest::addColumn<QString>("amount");        // after typing
        QTest::addColumn<QString>("amountShown");   // after "计算总金额"
        const QStringList el{"Edit28", "Edit21", "Edit29"};
        const QStringList wa{"Edit33", "Edit30", "Edit34"};
        for (const QStringList &m : {el, wa}) {
            const char *meter = m == el ? "electricity" : "water";
            QTest::addRow("%s 3.71 down", meter) << m[0] << m[1] << m[2] << "0.53" << "7" << "3.7" << "3.70";
            QTest::addRow("%s 3.78 up", meter) << m[0] << m[1] << m[2] << "0.54" << "7" << "3.8" << "3.80";
            QTest::addRow("%s tie 0.25 to even", meter) << m[0] << m[1] << m[2] << "0.25" << "1" << "0.2" << "0.20";
            QTest::addRow("%s tie 0.75 to even", meter) << m[0] << m[1] << m[2] << "0.25" << "3" << "0.8" << "0.80";
            QTest::addRow("%s 26.15 stored below", meter) << m[0] << m[1] << m[2] << "0.5" << "52.3" << "26.1" << "26.10";
            // 1.15 × 3 is written "3.45" first, whose stored value lies above the tie.
            QTest::addRow("%s 3.45 as text", meter) << m[0] << m[1] << m[2] << "1.15" << "3" << "3.5" << "3.50";
        }
    }
    void amountRounding()
    {
        QFETCH(QString, priceName);
        QFETCH(QString, readingName);
        QFETCH(QString, amountName);
        QFETCH(QString, price);
        QFETCH(QString, usage);
        QFETCH(QString, amount);
        QFETCH(QString, amountShown);
        retype(field(priceName), price);
        retype(field(readingName), usage);
        QCOMPARE(field(amountName)->text(), amount);
        control<QPushButton>(f(), "BitBtn2")->click();
        QCOMPARE(field(amountName)->text(), amountShown);
        QCOMPARE(control<TEntryField>(f(), "Edit35")->text(), amountShown);   // the other amount and the fees are 0
        QCOMPARE(m_dialogs->count(), 0);
    }

    void emptiedFieldGetsZero_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"Edit21", "Edit22", "Edit8", "Edit27", "Edit28", "Edit29", "Edit30", "Edit31", "Edit24",
                              "Edit32", "Edit33", "Edit34", "Edit36", "Edit37"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void emptiedFieldGetsZero()
    {
        QFETCH(QString, name);
        TEntryField *e = field(name);
        type(e, QStringLiteral("7"));
        QCOMPARE(e->text(), QStringLiteral("7"));
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QCOMPARE(e->text(), QStringLiteral("0"));
        // Clearing from code runs the handler too, even on an empty field.
        {
            const QSignalBlocker block(e);
            e->setText(QString());
        }
        e->clearField();
        QCOMPARE(e->text(), QStringLiteral("0"));
        QCOMPARE(m_dialogs->count(), 0);
    }

    void householdNumberMayStayEmpty()
    {
        type(control<TEntryField>(f(), "Edit20"), QStringLiteral("12"));
        control<TEntryField>(f(), "Edit20")->selectAll();
        QTest::keyClick(control<TEntryField>(f(), "Edit20"), Qt::Key_Backspace);
        QCOMPARE(control<TEntryField>(f(), "Edit20")->text(), QString());
    }

    void settingSameTextRunsNothing()
    {
        QWidget *u = f();
        type(control<TEntryField>(u, "Edit21"), QStringLiteral("10"));
        // Overwrite the usage by hand; setting the reading to the text it
        // already has must not recompute it.
        {
            const QSignalBlocker block(control<TEntryField>(u, "Edit27"));
            control<TEntryField>(u, "Edit27")->setText(QStringLiteral("99"));
        }
        control<TEntryField>(u, "Edit21")->setFieldText(QStringLiteral("10"));
        QCOMPARE(control<TEntryField>(u, "Edit27")->text(), QStringLiteral("99"));
        control<TEntryField>(u, "Edit21")->setFieldText(QStringLiteral("11"));
        QCOMPARE(control<TEntryField>(u, "Edit27")->text(), QStringLiteral("11"));
    }

    void negativeUsageIsShownAndTotalled_data()
    {
        QTest::addColumn<QString>("thisName");
        QTest::addColumn<QString>("lastName");
        QTest::addColumn<QString>("usageName");
        QTest::addColumn<QString>("amountName");
        QTest::addColumn<QString>("amount");
        QTest::newRow("electricity") << "Edit21" << "Edit22" << "Edit27" << "Edit29" << "-25.00";
        QTest::newRow("water") << "Edit30" << "Edit31" << "Edit32" << "Edit34" << "-100.00";
    }
    void negativeUsageIsShownAndTotalled()
    {
        QFETCH(QString, thisName);
        QFETCH(QString, lastName);
        QFETCH(QString, usageName);
        QFETCH(QString, amountName);
        QFETCH(QString, amount);
        type(field(lastName), QStringLiteral("200"));
        type(field(thisName), QStringLiteral("150"));
        QCOMPARE(field(usageName)->text(), QStringLiteral("-50"));
        QCOMPARE(control<TEntryField>(f(), "Edit35")->text(), amount);
        control<QPushButton>(f(), "BitBtn2")->click();
        QCOMPARE(field(usageName)->text(), QStringLiteral("-50"));
        QCOMPARE(field(amountName)->text(), amount);
        QCOMPARE(control<TEntryField>(f(), "Edit35")->text(), amount);
        QCOMPARE(m_dialogs->count(), 0);
    }

    // A text that is not a number: the standard error box naming it; the
    // handler stops, what it already rewrote stays, nothing crashes.
    void invalidNumber_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("usage");   // Edit27 afterwards
        QTest::newRow("second point in a reading") << "Edit21" << "1.2." << "1.2." << "1.2";
        QTest::newRow("lone point in a reading") << "Edit22" << "." << "." << "0";
        QTest::newRow("second point in the loss") << "Edit8" << "3.5." << "3.5." << "3.5";
        QTest::newRow("lone point in the price") << "Edit28" << "." << "." << "0";
    }

    // The message names the field, and a long text is cut for the box.
    void invalidNumberNamesTheField_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("reading") << "Edit21" << "电费本月抄表数";
        QTest::newRow("price") << "Edit28" << "电费单价";
        QTest::newRow("water price") << "Edit33" << "水费单价";
        QTest::newRow("rent") << "Edit37" << "房租费用";
    }
    void invalidNumberNamesTheField()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        type(field(name), QStringLiteral("1.2."));
        QCOMPARE(m_dialogs->count(), 1);
        QVERIFY2(m_dialogs->last().contains(caption), qPrintable(m_dialogs->last()));
        m_dialogs->clear();
        // 400 digits with a second point: too long for a readable box.
        retype(field(name), QString(200, QLatin1Char('1')) + QStringLiteral("..") + QString(200, QLatin1Char('2')));
        QVERIFY(m_dialogs->count() >= 1);
        const QString shown = m_dialogs->last();
        QVERIFY2(shown.size() < 80, qPrintable(shown));
        QVERIFY(shown.contains(caption));
        QVERIFY(shown.contains(QStringLiteral("1111")) && shown.contains(QStringLiteral("2222")));
    }
    void invalidNumber()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, bad);
        QFETCH(QString, usage);
        type(field(name), typed);
        QCOMPARE(m_dialogs->count(), 1);
        QCOMPARE(m_dialogs->shown().first().kind, Dialogs::Kind::Error);
        QVERIFY2(m_dialogs->last().contains(QLatin1Char('"') + bad + QLatin1Char('"'))
                     || m_dialogs->last().contains(bad),
                 qPrintable(m_dialogs->last()));
        QCOMPARE(field(name)->text(), bad);
        QCOMPARE(control<TEntryField>(f(), "Edit27")->text(), usage);
    }

    // A failure deep in the cascade stops every handler of the chain with
    // one box; fields already rewritten keep their new texts.
    void invalidNumberInsideCascade()
    {
        QWidget *u = f();
        type(control<TEntryField>(u, "Edit36"), QStringLiteral("."));
        QCOMPARE(m_dialogs->count(), 1);
        m_dialogs->clear();
        const QString totalBefore = control<TEntryField>(u, "Edit35")->text();
        type(control<TEntryField>(u, "Edit21"), QStringLiteral("8"));
        QCOMPARE(m_dialogs->count(), 1);
        QCOMPARE(m_dialogs->shown().first().kind, Dialogs::Kind::Error);
        QVERIFY(m_dialogs->last().contains(QLatin1Char('.')));
        QCOMPARE(control<TEntryField>(u, "Edit27")->text(), QStringLiteral("8"));   // rewritten before the failure
        QCOMPARE(control<TEntryField>(u, "Edit29")->text(), QStringLiteral("4"));
        QCOMPARE(control<TEntryField>(u, "Edit35")->text(), totalBefore);           // the total could not be formed
        // The total computation stops on the same field with one box too.
        m_dialogs->clear();
        control<QPushButton>(u, "BitBtn2")->click();
        QCOMPARE(m_dialogs->count(), 1);
        // Mending the field brings everything back in line.
        m_dialogs->clear();
        retype(control<TEntryField>(u, "Edit36"), QStringLiteral("1"));
        QCOMPARE(control<TEntryField>(u, "Edit35")->text(), QStringLiteral("5.00"));
        QCOMPARE(m_dialogs->count(), 0);
    }

    // Called inside another operation, a failing handler throws on.
    void handlerInsideOperationThrowsOn()
    {
        QWidget *u = f();
        {
            const QSignalBlocker block(control<TEntryField>(u, "Edit37"));
            control<TEntryField>(u, "Edit37")->setText(QStringLiteral("1.1.1"));
        }
        bool thrown = false;
        TFieldEvents::run([&] {
            try {
                m_tab->BitBtn2Click();
            } catch (const AppError &e) {
                thrown = e.message().contains(QStringLiteral("1.1.1"));
            }
        });
        QVERIFY(thrown);
        QCOMPARE(m_dialogs->count(), 0);
        m_tab->BitBtn2Click();
        QCOMPARE(m_dialogs->count(), 1);
    }

    void enterChain_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("beeps");
        const char *chain[][3] = {{"Edit1", "Edit3", "0"}, {"Edit3", "Edit4", "0"}, {"Edit4", "cbyf", "1"},
                                  {"cbyf", "edit41", "1"}, {"Edit20", "Edit21", "0"}, {"Edit21", "Edit22", "1"},
                                  {"Edit22", "Edit8", "1"}, {"Edit8", "Edit27", "1"}, {"Edit27", "Edit28", "1"},
                                  {"Edit28", "Edit29", "1"}, {"Edit29", "Edit30", "1"}, {"Edit30", "Edit31", "1"},
                                  {"Edit31", "Edit24", "1"}, {"Edit24", "Edit32", "1"}, {"Edit32", "Edit33", "1"},
                                  {"Edit33", "Edit34", "1"}, {"Edit34", "Edit36", "0"}, {"Edit36", "Edit37", "1"},
                                  {"Edit37", "BitBtn2", "1"}};
        for (auto &c : chain)
            QTest::newRow(c[0]) << QString::fromLatin1(c[0]) << QString::fromLatin1(c[1]) << QString::fromLatin1(c[2]).toInt();
    }
    void enterChain()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, beeps);
        QWidget *w = byName(from);
        w->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), w);
        QTest::keyClick(w, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), byName(to));
        QCOMPARE(m_beeps, beeps);
        QCOMPARE(m_dialogs->count(), 0);
    }

    void numericKeyFilter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("reading drops letters") << "Edit21" << "1a2-3 " << "123" << 3;
        QTest::newRow("points pass") << "Edit33" << "1.5" << "1.5" << 0;
        QTest::newRow("year") << "Edit4" << "20x24" << "2024" << 1;
        QTest::newRow("household number unfiltered") << "Edit20" << "A-1" << "A-1" << 0;
        QTest::newRow("water amount unfiltered") << "Edit34" << "7" << "7" << 0;
    }
    void numericKeyFilter()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, beeps);
        auto *e = qobject_cast<QLineEdit *>(byName(name));
        e->setFocus(Qt::TabFocusReason);
        e->selectAll();
        QTest::keyClicks(e, typed);
        QCOMPARE(e->text(), shown);
        QCOMPARE(m_beeps, beeps);
    }

    // Editing keys pass the filter: Delete (with the U+007F text X11 gives
    // it, or none), the arrows and Backspace edit the text without a beep.
    void numericFieldEditingKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("keyText");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        const QString del(QChar(0x7F));
        QTest::newRow("Delete as on X11") << "Edit21" << int(Qt::Key_Delete) << del << 0 << "50" << 0;
        QTest::newRow("Delete without text") << "Edit21" << int(Qt::Key_Delete) << QString() << 1 << "10" << 0;
        QTest::newRow("Delete in the year") << "Edit4" << int(Qt::Key_Delete) << del << 0 << "50" << 0;
        QTest::newRow("Delete in the month") << "cbyf" << int(Qt::Key_Delete) << del << 0 << "50" << 0;
        QTest::newRow("Delete in the rent") << "Edit37" << int(Qt::Key_Delete) << del << 2 << "15" << 0;
        QTest::newRow("Backspace") << "Edit28" << int(Qt::Key_Backspace) << QString(QChar(8)) << 3 << "15" << 0;
        QTest::newRow("Left arrow") << "Edit21" << int(Qt::Key_Left) << QString() << 3 << "150" << 0;
        QTest::newRow("Home") << "Edit33" << int(Qt::Key_Home) << QString() << 3 << "150" << 0;
        QTest::newRow("letter still refused") << "Edit21" << int(Qt::Key_A) << "a" << 3 << "150" << 1;
    }
    void numericFieldEditingKeys()
    {
        QFETCH(QString, name);
        QFETCH(int, key);
        QFETCH(QString, keyText);
        QFETCH(int, cursor);
        QFETCH(QString, shown);
        QFETCH(int, beeps);
        QWidget *w = byName(name);
        QLineEdit *edit = textOf(w);
        w->setFocus(Qt::TabFocusReason);
        edit->setText(QStringLiteral("150"));
        edit->setCursorPosition(cursor);
        m_beeps = 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, keyText);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, keyText);
        QApplication::sendEvent(w, &release);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(m_beeps, beeps);
    }

    // Text committed by an input method is filtered as typed text.
    void numericFieldInputMethodText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("committed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("full-width digits and letters") << "Edit21" << QStringLiteral("１２ab") << "12" << 2;
        QTest::newRow("full-width point") << "Edit28" << QStringLiteral("０．６") << "0.6" << 0;
        QTest::newRow("Chinese refused") << "Edit37" << QStringLiteral("一百") << "" << 2;
        QTest::newRow("month") << "cbyf" << QStringLiteral("０４") << "04" << 0;
        QTest::newRow("year") << "Edit4" << QStringLiteral("2025年") << "2025" << 1;
        QTest::newRow("household number unfiltered") << "Edit20" << QStringLiteral("１２ab") << QStringLiteral("１２ab") << 0;
    }
    void numericFieldInputMethodText()
    {
        QFETCH(QString, name);
        QFETCH(QString, committed);
        QFETCH(QString, shown);
        QFETCH(int, beeps);
        QWidget *w = byName(name);
        QLineEdit *edit = textOf(w);
        w->setFocus(Qt::TabFocusReason);
        {
            const QSignalBlocker block(edit);
            edit->clear();
        }
        m_beeps = 0;
        QInputMethodEvent commit;
        commit.setCommitString(committed);
        QApplication::sendEvent(w, &commit);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(m_beeps, beeps);
        QCOMPARE(m_dialogs->count(), 0);
    }

    void focusColours()
    {
        QWidget *u = f();
        const QColor normal = control<TEntryField>(u, "Edit21")->palette().color(QPalette::Base);
        control<TEntryField>(u, "Edit21")->setFocus(Qt::TabFocusReason);
        QCOMPARE(control<TEntryField>(u, "Edit21")->palette().color(QPalette::Base), QColor(Qt::yellow));
        control<TEntryField>(u, "Edit8")->setFocus(Qt::TabFocusReason);
        QCOMPARE(control<TEntryField>(u, "Edit21")->palette().color(QPalette::Base), normal);
        QVERIFY(control<TEntryField>(u, "Edit8")->palette().color(QPalette::Base) != QColor(Qt::yellow));
        control<QComboBox>(u, "cbyf")->setFocus(Qt::TabFocusReason);
        QCOMPARE(control<QComboBox>(u, "cbyf")->palette().color(QPalette::Base), QColor(Qt::yellow));
    }

    void emptyAmountAndReadingFillOnEntering_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Edit29") << "Edit29";
        QTest::newRow("Edit30") << "Edit30";
    }
    void emptyAmountAndReadingFillOnEntering()
    {
        QFETCH(QString, name);
        TEntryField *e = field(name);
        {
            const QSignalBlocker block(e);
            e->setText(QString());
        }
        e->setFocus(Qt::MouseFocusReason);
        QCOMPARE(e->text(), QStringLiteral("0"));
    }

    void leavingUsageRunsTotal()
    {
        QWidget *u = f();
        type(control<TEntryField>(u, "Edit21"), QStringLiteral("10"));
        QCOMPARE(control<TEntryField>(u, "Edit29")->text(), QStringLiteral("5"));
        control<TEntryField>(u, "Edit27")->setFocus(Qt::TabFocusReason);
        control<TEntryField>(u, "Edit28")->setFocus(Qt::TabFocusReason);
        QCOMPARE(control<TEntryField>(u, "Edit29")->text(), QStringLiteral("5.00"));
    }

    void dateButtonShownWhileDateFocused()
    {
        QWidget *u = f();
        control<TEntryField>(u, "Edit4")->setFocus(Qt::TabFocusReason);
        QVERIFY(control<QPushButton>(u, "BitBtn1")->isHidden());
        control<TEntryField>(u, "Edit1")->setFocus(Qt::TabFocusReason);
        QVERIFY(!control<QPushButton>(u, "BitBtn1")->isHidden());
        // The button itself taking the focus keeps it.
        control<QPushButton>(u, "BitBtn1")->setFocus(Qt::MouseFocusReason);
        QVERIFY(!control<QPushButton>(u, "BitBtn1")->isHidden());
        control<TEntryField>(u, "Edit1")->setFocus(Qt::TabFocusReason);
        control<TEntryField>(u, "Edit4")->setFocus(Qt::TabFocusReason);
        QVERIFY(control<QPushButton>(u, "BitBtn1")->isHidden());
    }

    // ">>>" opens the date picker on today's date, whatever the field holds;
    // OK writes the chosen date back, cancel leaves the field alone; the
    // button hides either way.
    void datePicker_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK") << true;
        QTest::newRow("cancel") << false;
    }
    void datePicker()
    {
        QFETCH(bool, accept);
        QWidget *u = f();
        control<TEntryField>(u, "Edit1")->setFieldText(QStringLiteral("2024-03-05"));
        control<TEntryField>(u, "Edit1")->setFocus(Qt::TabFocusReason);
        QVERIFY(!control<QPushButton>(u, "BitBtn1")->isHidden());
        QDate opened;
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<TBrDateForm *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = true;
            opened = dialog->date();
            dialog->setDate(QDate(2024, 2, 29));
            if (accept)
                dialog->accept();
            else
                dialog->reject();
        });
        DateText::setToday(QDate(2025, 7, 14));
        QTest::mouseClick(control<QPushButton>(u, "BitBtn1"), Qt::LeftButton);
        DateText::setToday(QDate());
        QVERIFY(seen);
        QCOMPARE(opened, QDate(2025, 7, 14));
        QCOMPARE(control<TEntryField>(u, "Edit1")->text(),
                 accept ? QStringLiteral("2024-02-29") : QStringLiteral("2024-03-05"));
        QVERIFY(control<QPushButton>(u, "BitBtn1")->isHidden());
        QVERIFY(!m_tab->findChild<TBrDateForm *>());   // released
        QCOMPARE(m_dialogs->count(), 0);
    }

    // Text fields hold what their columns do; a longer paste or input-method
    // text is refused with a message naming the field, never cut silently.
    void textFieldLengths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("caption");
        QTest::newRow("household name") << "edit41" << 100 << "户名";
        QTest::newRow("household number") << "Edit20" << 30 << "户号";
        QTest::newRow("payee") << "cbskr" << 20 << "收款人";
        QTest::newRow("meter reader") << "cbcbr" << 255 << "抄表人";
    }
    void textFieldLengths()
    {
        QFETCH(QString, name);
        QFETCH(int, length);
        QFETCH(QString, caption);
        QWidget *w = byName(name);
        QLineEdit *edit = textOf(w);
        w->setFocus(Qt::TabFocusReason);
        edit->clear();
        const QString fits(length, QChar(u'户'));
        QGuiApplication::clipboard()->setText(fits);
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), fits);
        QCOMPARE(m_dialogs->count(), 0);
        // A paste one character too long over a selection of one: fits.
        edit->setSelection(0, 1);
        QGuiApplication::clipboard()->setText(QStringLiteral("张"));
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text().size(), length);
        QCOMPARE(m_dialogs->count(), 0);

        edit->clear();
        QGuiApplication::clipboard()->setText(QString(100000, QLatin1Char('x')));
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), QString());
        QCOMPARE(m_dialogs->count(), 1);
        QVERIFY2(m_dialogs->last().contains(caption) && m_dialogs->last().contains(QString::number(length)),
                 qPrintable(m_dialogs->last()));

        m_dialogs->clear();
        edit->setText(QString(length - 1, QLatin1Char('a')));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("张三"));
        QApplication::sendEvent(w, &commit);
        QCOMPARE(edit->text(), QString(length - 1, QLatin1Char('a')));
        QCOMPARE(m_dialogs->count(), 1);
        // The paste of the context menu (the line edit's paste slot).
        m_dialogs->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("张三"));
        edit->paste();
        QCOMPARE(edit->text(), QString(length - 1, QLatin1Char('a')));
        QCOMPARE(m_dialogs->count(), 1);
        // Typing stops at the length and says so.
        m_dialogs->clear();
        edit->end(false);
        QTest::keyClicks(w, QStringLiteral("bc"));
        QCOMPARE(edit->text(), QString(length - 1, QLatin1Char('a')) + QLatin1Char('b'));
        QCOMPARE(m_dialogs->count(), 1);
        // A text the program sets is the one an edit past the limit returns to.
        m_dialogs->clear();
        edit->setText(QStringLiteral("王五"));
        edit->end(false);
        QGuiApplication::clipboard()->setText(QString(length, QLatin1Char('y')));
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("王五"));
        QCOMPARE(edit->cursorPosition(), 2);
        QCOMPARE(m_dialogs->count(), 1);
    }

    void payeeChangeKeepsSetting()
    {
        QWidget *u = f();
        control<QComboBox>(u, "cbskr")->setEditText(QStringLiteral("王五"));
        QCOMPARE(m_global->str_skr, QStringLiteral("王五"));
        control<QComboBox>(u, "cbskr")->setEditText(QString());
        QCOMPARE(m_global->str_skr, QStringLiteral("王五"));
    }

    // ---------------------------------------------------------- previous readings

    void previousReadings_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("electricity");
        QTest::addColumn<QString>("water");
        QTest::newRow("no receipt, no household") << "2024" << "03" << "" << "0" << "0";
        QTest::newRow("no receipt, household readings") << "2024" << "03" << "h" << "120" << "30.5";
        QTest::newRow("current only") << "2024" << "03" << "h c2024-02" << "150" << "40";
        QTest::newRow("history only") << "2024" << "03" << "h b2024-02" << "250" << "60";
        QTest::newRow("both, history later") << "2024" << "03" << "c2024-01 b2024-02" << "250" << "60";
        QTest::newRow("both, current later") << "2024" << "03" << "c2024-02 b2024-01" << "150" << "40";
        QTest::newRow("both, same period: current") << "2024" << "03" << "c2024-02 b2024-02" << "150" << "40";
        // The latest earlier period by year, then month, whatever the entry order.
        QTest::newRow("later period entered first") << "2024" << "05" << "c2024-03 c2024-02" << "150" << "40";
        QTest::newRow("same period: the one entered last") << "2024" << "05" << "c2024-03 c2024-03" << "151" << "41";
        QTest::newRow("same month not earlier") << "2024" << "03" << "h c2024-03" << "120" << "30.5";
        QTest::newRow("later month not earlier") << "2024" << "03" << "h c2024-11" << "120" << "30.5";
        QTest::newRow("january takes december") << "2024" << "01" << "h b2023-12 c2023-12" << "150" << "40";
        QTest::newRow("gap over a year") << "2026" << "03" << "h c2025-02 c2025-11" << "151" << "41";
        QTest::newRow("gap over a year, history") << "2026" << "03" << "h b2025-11 c2025-02" << "250" << "60";
        QTest::newRow("earlier year, later month") << "2026" << "03" << "h c2025-11 c2026-02" << "151" << "41";
        QTest::newRow("later year not earlier") << "2026" << "03" << "h c2027-01" << "120" << "30.5";
    }
    void previousReadings()
    {
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(QString, setup);
        QFETCH(QString, electricity);
        QFETCH(QString, water);
        const QString name = QStringLiteral("张三");
        int currentCount = 0;
        for (const QString &step : setup.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (step == QLatin1String("h"))
                addHousehold(QStringLiteral("1001"), name, QStringLiteral("zs"), 120, 30.5);
            else if (step.startsWith(QLatin1Char('c'))) {
                addReceipt(QStringLiteral("P_ORDERD"), name, step.mid(1, 4), step.mid(6, 2), 150 + currentCount, 40 + currentCount);
                ++currentCount;
            }
            else
                addReceipt(QStringLiteral("P_ORDERDBAK"), name, step.mid(1, 4), step.mid(6, 2), 250, 60);
        }
        // Another household's receipts never count.
        addReceipt(QStringLiteral("P_ORDERD"), QStringLiteral("李四"), year, QStringLiteral("00"), 999, 999);

        QWidget *u = f();
        control<TEntryField>(u, "Edit4")->setFieldText(year);
        control<QComboBox>(u, "cbyf")->setEditText(month);
        control<TZozudExComboBox>(u, "edit41")->setEditText(name);
        type(control<TEntryField>(u, "Edit21"), QStringLiteral("300"));
        control<TEntryField>(u, "Edit20")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(control<TEntryField>(u, "Edit22")->text(), electricity);
        QCOMPARE(control<TEntryField>(u, "Edit31")->text(), water);
        // The usage follows at once.
        QCOMPARE(control<TEntryField>(u, "Edit27")->text(), QString::number(300 - electricity.toDouble()));
        QCOMPARE(control<TEntryField>(u, "Edit20")->palette().color(QPalette::Base), QColor(Qt::yellow));
        QCOMPARE(m_dialogs->count(), 0);
    }

    void previousReadingsNeedAName()
    {
        QWidget *u = f();
        addHousehold(QStringLiteral("1001"), QString(), QString(), 120, 30);
        type(control<TEntryField>(u, "Edit22"), QStringLiteral("77"));
        control<TEntryField>(u, "Edit20")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(control<TEntryField>(u, "Edit22")->text(), QStringLiteral("77"));
        QCOMPARE(control<TEntryField>(u, "Edit20")->palette().color(QPalette::Base), QColor(Qt::yellow));
    }

    // ---------------------------------------------------------- month check

    void monthCheck_data()
    {
        QTest::addColumn<QString>("month");
        QTest::addColumn<bool>("refused");
        QTest::newRow("one digit") << "3" << true;
        QTest::newRow("three digits") << "003" << true;
        QTest::newRow("two digits") << "03" << false;
        QTest::newRow("empty") << "" << false;
    }
    void monthCheck()
    {
        QFETCH(QString, month);
        QFETCH(bool, refused);
        QWidget *u = f();
        control<QComboBox>(u, "cbyf")->setFocus(Qt::TabFocusReason);
        control<QComboBox>(u, "cbyf")->lineEdit()->selectAll();
        QTest::keyClick(control<QComboBox>(u, "cbyf"), Qt::Key_Backspace);
        QTest::keyClicks(control<QComboBox>(u, "cbyf"), month);
        QCOMPARE(control<QComboBox>(u, "cbyf")->currentText(), month);
        QTest::keyClick(control<QComboBox>(u, "cbyf"), Qt::Key_Return);
        if (refused) {
            QCOMPARE(m_dialogs->texts(Dialogs::Kind::Message), QStringList{QStringLiteral("电费月份格式不对长度应为2位比如01")});
            QCOMPARE(QApplication::focusWidget(), control<QComboBox>(u, "cbyf"));
        } else {
            QCOMPARE(m_dialogs->count(), 0);
            QCOMPARE(QApplication::focusWidget(), control<TZozudExComboBox>(u, "edit41"));
        }
    }

    // ---------------------------------------------------------- household picker

    void pickerSearch_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("initials") << "zs" << QStringList{"张三", "张三丰"};
        QTest::newRow("initials in capitals") << "ZS" << QStringList{"张三", "张三丰"};
        QTest::newRow("name") << "张三" << QStringList{"张三", "张三丰"};
        QTest::newRow("number") << "20" << QStringList{"李四"};
        QTest::newRow("number and name prefix") << "100" << QStringList{"100%纯", "张三", "张三丰"};
        QTest::newRow("percent is literal") << "100%" << QStringList{"100%纯"};
        QTest::newRow("underscore is literal") << "a_" << QStringList{"a_b"};
        QTest::newRow("apostrophe") << "O'" << QStringList{"O'Brien"};
        QTest::newRow("backslash") << "c\\" << QStringList{"c\\d"};
        QTest::newRow("empty lists all")
            << "" << QStringList{"100%纯", "O'Brien", "a_b", "axb", "c\\d", "张三", "张三丰", "李四"};
    }
    void pickerSearch()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        addHousehold(QStringLiteral("1001"), QStringLiteral("张三"), QStringLiteral("zs"));
        addHousehold(QStringLiteral("1002"), QStringLiteral("张三丰"), QStringLiteral("zsf"));
        addHousehold(QStringLiteral("2001"), QStringLiteral("李四"), QStringLiteral("ls"));
        addHousehold(QStringLiteral("3001"), QStringLiteral("O'Brien"), QStringLiteral("ob"));
        addHousehold(QStringLiteral("4001"), QStringLiteral("100%纯"), QStringLiteral("100c"));
        addHousehold(QStringLiteral("5001"), QStringLiteral("a_b"), QStringLiteral("ab"));
        addHousehold(QStringLiteral("5002"), QStringLiteral("axb"), QStringLiteral("axb"));
        addHousehold(QStringLiteral("6001"), QStringLiteral("c\\d"), QStringLiteral("cd"));

        QWidget *u = f();
        type(control<TZozudExComboBox>(u, "edit41"), typed);
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41"), Qt::Key_Return);
        QCOMPARE(m_dialogs->count(), 0);
        QVERIFY(control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        QCOMPARE(control<TZozudExComboBox>(u, "edit41")->popupWindow()->size(), QSize(300, 300));
        const QPoint under = control<TZozudExComboBox>(u, "edit41")
                                 ->mapToGlobal(QPoint(0, control<TZozudExComboBox>(u, "edit41")->height()));
        QCOMPARE(control<TZozudExComboBox>(u, "edit41")->popupWindow()->pos(), under);
        QTableView *grid = control<TZozudExComboBox>(u, "edit41")->grid();
        QCOMPARE(QApplication::focusWidget(), grid);
        QStringList found;
        TNamedQuery &q = DemoDM().ADOQuery2;
        for (int row = 0, n = q.fetchAll(); row < n; ++row)
            found << q.value(row, QStringLiteral("hm")).toString();
        found.sort();
        QStringList expected = names;
        expected.sort();
        QCOMPARE(found, expected);
        // Two columns shown, "户号" then "户名".
        QStringList titles;
        for (int v = 0; v < grid->model()->columnCount(); ++v) {
            const int c = grid->horizontalHeader()->logicalIndex(v);
            if (!grid->isColumnHidden(c))
                titles << grid->model()->headerData(c, Qt::Horizontal).toString();
        }
        QCOMPARE(titles, (QStringList{QStringLiteral("户号"), QStringLiteral("户名")}));
        QCOMPARE(control<TZozudExComboBox>(u, "edit41")->currentText(), typed);
    }

    // A household that is not in hhb yet: no list, on to the household
    // number; its remembered fees still come from kdfb when it has any.
    void pickerNoMatchMovesOn_data()
    {
        QTest::addColumn<bool>("remembered");
        QTest::addColumn<QString>("otherFees");
        QTest::addColumn<QString>("rent");
        QTest::newRow("nothing remembered") << false << "12" << "0";
        QTest::newRow("fees remembered") << true << "7" << "250";
    }
    void pickerNoMatchMovesOn()
    {
        QFETCH(bool, remembered);
        QFETCH(QString, otherFees);
        QFETCH(QString, rent);
        addHousehold(QStringLiteral("1001"), QStringLiteral("张三"), QStringLiteral("zs"), 88, 9);
        if (remembered)
            execSql(QStringLiteral("insert into kdfb(hm, kdf, hzf) values(?,?,?)"), {QStringLiteral("王"), 7, 250});
        QWidget *u = f();
        type(control<TEntryField>(u, "Edit36"), QStringLiteral("12"));
        type(control<TZozudExComboBox>(u, "edit41"), QStringLiteral("王"));
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41"), Qt::Key_Return);
        QVERIFY(!control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        QCOMPARE(QApplication::focusWidget(), control<TEntryField>(u, "Edit20"));
        QCOMPARE(control<TZozudExComboBox>(u, "edit41")->currentText(), QStringLiteral("王"));
        QCOMPARE(control<TEntryField>(u, "Edit36")->text(), otherFees);
        QCOMPARE(control<TEntryField>(u, "Edit37")->text(), rent);
        QCOMPARE(control<TEntryField>(u, "Edit22")->text(),
                 QStringLiteral("0"));   // neither receipts nor a household record
        QCOMPARE(m_dialogs->count(), 0);
    }

    void pickerPick_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("lastReading");
        // 0.5 × (0 − last reading) + 2 × (0 − last water reading) + 5.5 + 300
        QTest::addColumn<QString>("total");
        QTest::newRow("enter") << "enter" << "张三" << "1001" << "120" << "185.50";
        QTest::newRow("down and enter") << "down" << "张三丰" << "1002" << "220" << "75.50";
        QTest::newRow("double-click") << "dblclick" << "张三丰" << "1002" << "220" << "75.50";
    }
    void pickerPick()
    {
        QFETCH(QString, how);
        QFETCH(QString, name);
        QFETCH(QString, number);
        QFETCH(QString, lastReading);
        QFETCH(QString, total);
        addHousehold(QStringLiteral("1001"), QStringLiteral("张三"), QStringLiteral("zs"), 120, 30);
        addHousehold(QStringLiteral("1002"), QStringLiteral("张三丰"), QStringLiteral("zsf"), 220, 60);
        execSql(QStringLiteral("insert into kdfb(hm, kdf, hzf) values(?,?,?)"), {name, 5.5, 300});

        QWidget *u = f();
        type(control<TZozudExComboBox>(u, "edit41"), QStringLiteral("zs"));
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41"), Qt::Key_Return);
        QVERIFY(control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        QTableView *grid = control<TZozudExComboBox>(u, "edit41")->grid();
        if (how == QLatin1String("enter")) {
            QTest::keyClick(grid, Qt::Key_Return);
        } else if (how == QLatin1String("down")) {
            QTest::keyClick(grid, Qt::Key_Down);
            QTest::keyClick(grid, Qt::Key_Return);
        } else {
            const QRect cell = grid->visualRect(grid->model()->index(1, grid->horizontalHeader()->logicalIndex(0)));
            QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        }
        QVERIFY(!control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        QCOMPARE(control<TZozudExComboBox>(u, "edit41")->currentText(), name);
        QCOMPARE(control<TEntryField>(u, "Edit20")->text(), number);
        QCOMPARE(QApplication::focusWidget(), control<TEntryField>(u, "Edit20"));
        // Leaving the picker loaded the remembered fees; entering the
        // household number looked up the household's readings.
        QCOMPARE(control<TEntryField>(u, "Edit36")->text(), QStringLiteral("5.5"));
        QCOMPARE(control<TEntryField>(u, "Edit37")->text(), QStringLiteral("300"));
        QCOMPARE(control<TEntryField>(u, "Edit22")->text(), lastReading);
        QCOMPARE(control<TEntryField>(u, "Edit35")->text(), total);
        QCOMPARE(m_dialogs->count(), 0);
        // The main window keeps the focus once the pop-up is gone.
        QTest::qWait(20);
        QCOMPARE(QApplication::focusWidget(), control<TEntryField>(u, "Edit20"));
    }

    void pickerCloseWithoutPick_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("letter key") << "key";
        QTest::newRow("escape") << "escape";
        QTest::newRow("click outside") << "click";
    }
    void pickerCloseWithoutPick()
    {
        QFETCH(QString, how);
        addHousehold(QStringLiteral("1001"), QStringLiteral("张三"), QStringLiteral("zs"), 120, 30);
        QWidget *u = f();
        type(control<TZozudExComboBox>(u, "edit41"), QStringLiteral("z"));
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41"), Qt::Key_Return);
        QVERIFY(control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        if (how == QLatin1String("key"))
            QTest::keyClick(control<TZozudExComboBox>(u, "edit41")->grid(), Qt::Key_Q);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(control<TZozudExComboBox>(u, "edit41")->grid(), Qt::Key_Escape);
        else   // through the window system, as a real click arrives
            QTest::mouseClick(m_tab->windowHandle(), Qt::LeftButton, {},
                              control<QLabel>(u, "Label13")->mapTo(m_tab.get(), QPoint(2, 2)));
        QTRY_VERIFY(!control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        QTRY_COMPARE(QApplication::focusWidget(), control<TEntryField>(u, "Edit20"));
        QCOMPARE(control<TZozudExComboBox>(u, "edit41")->currentText(), QStringLiteral("z"));
        QCOMPARE(control<TEntryField>(u, "Edit20")->text(), QString());
        QCOMPARE(m_dialogs->count(), 0);
    }

    void pickerInactiveFillsNothing()
    {
        addHousehold(QStringLiteral("1001"), QStringLiteral("张三"), QStringLiteral("zs"));
        QWidget *u = f();
        type(control<TZozudExComboBox>(u, "edit41"), QStringLiteral("zs"));
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41"), Qt::Key_Return);
        QVERIFY(control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        m_tab->setHouseholdPickerActive(false);   // as after a reset of the form
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41")->grid(), Qt::Key_Return);
        QVERIFY(!control<TZozudExComboBox>(u, "edit41")->isDroppedDown());
        QCOMPARE(control<TZozudExComboBox>(u, "edit41")->currentText(), QStringLiteral("zs"));
        QCOMPARE(control<TEntryField>(u, "Edit20")->text(), QString());
    }

    void pickerListsReopenOnAll()
    {
        addHousehold(QStringLiteral("1001"), QStringLiteral("张三"), QStringLiteral("zs"));
        addHousehold(QStringLiteral("2001"), QStringLiteral("李四"), QStringLiteral("ls"));
        QWidget *u = f();
        type(control<TZozudExComboBox>(u, "edit41"), QStringLiteral("zs"));
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41"), Qt::Key_Return);
        QTest::keyClick(control<TZozudExComboBox>(u, "edit41")->grid(), Qt::Key_Escape);
        QCOMPARE(DemoDM().ADOQuery2.fetchAll(), 1);
        m_tab->ReopenPickerLists();
        QCOMPARE(DemoDM().ADOQuery2.fetchAll(), 2);
        QCOMPARE(DemoDM().ADOQuery1.fetchAll(), 1);   // one community
        QCOMPARE(m_dialogs->count(), 0);
    }

    // Over many households whose texts mix capitals, wildcards, quotes and
    // Chinese, every typed prefix finds exactly the households whose
    // initials, name or number begin with it, Latin letters in any case.
    void pickerSearchMatchesEveryPrefix()
    {
        const QString alphabet = QStringLiteral("aAbB_%\\'1-张三z");
        quint32 seed = 12345;
        auto next = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 16) % quint32(n));
        };
        auto randomText = [&](int maxLength) {
            QString t;
            for (int i = 0, n = 1 + next(maxLength); i < n; ++i)
                t += alphabet.at(next(alphabet.size()));
            return t;
        };
        struct Household
        {
            QString number, name, initials;
        };
        QList<Household> households;
        for (int i = 0; i < 300; ++i) {
            Household h{randomText(4) + QString::number(i), randomText(5) + QString::number(i), randomText(3)};
            households << h;
            addHousehold(h.number, h.name, h.initials);
        }
        auto startsWith = [](const QString &text, const QString &prefix) {
            return text.startsWith(prefix, Qt::CaseInsensitive);
        };
        QStringList prefixes{QString(), QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("\\"), QStringLiteral("'")};
        for (int i = 0; i < 60; ++i)
            prefixes << randomText(3);
        for (const QString &typed : std::as_const(prefixes)) {
            TNamedQuery &q = DemoDM().ADOQuery2;
            HouseholdLookup::open(q, QStringLiteral("hmpy"), typed);
            QStringList found;
            for (int row = 0, n = q.fetchAll(); row < n; ++row)
                found << q.value(row, QStringLiteral("hm")).toString();
            QStringList expected;
            for (const Household &h : std::as_const(households))
                if (startsWith(h.initials, typed) || startsWith(h.name, typed) || startsWith(h.number, typed))
                    expected << h.name;
            found.sort();
            expected.sort();
            QVERIFY2(found == expected, qPrintable(QStringLiteral("typed %1: %2 found, %3 expected")
                                                       .arg(typed).arg(found.size()).arg(expected.size())));
        }
    }

    void prefixPattern_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("plain") << "zs" << "zs%";
        QTest::newRow("empty") << "" << "%";
        QTest::newRow("wildcards") << "a%b_c" << "a\\%b\\_c%";
        QTest::newRow("escape character") << "a\\b" << "a\\\\b%";
        QTest::newRow("quote untouched") << "O'B" << "O'B%";
    }
    void prefixPattern()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QCOMPARE(HouseholdLookup::prefixPattern(text), pattern);
    }
};

QTEST_MAIN(EntryTabTest)
#include "test_entrytab.moc"
