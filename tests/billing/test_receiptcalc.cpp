// The one calculation of a receipt's amounts against the entry screen: the
// same inputs typed into the real entry tab and handed to the function give
// the same usages, amounts, total and capital text.
#include "common/apperror.h"
#include "data/demodm.h"
#include "data/receiptcalc.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "settings/global.h"
#include "controls.h"

#include <QApplication>
#include <QTest>
#include <QLineEdit>

using ReceiptCalc::Inputs;
Q_DECLARE_METATYPE(ReceiptCalc::Inputs)

class ReceiptCalcTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchDir> m_scratch;
    std::unique_ptr<TDemoDM> m_dm;
    std::unique_ptr<TGlobal> m_global;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TEntryTab> m_tab;

private slots:
    void initTestCase()
    {
        m_scratch = std::make_unique<ScratchDir>();
        m_dm = std::make_unique<TDemoDM>();
        QVERIFY(m_dm->open());
        m_global = std::make_unique<TGlobal>(m_scratch->file(QStringLiteral("mtrfee.ini")));
        m_dialogs = std::make_unique<RecordingDialogs>();
        m_tab = std::make_unique<TEntryTab>();
        m_tab->show();
    }
    void cleanupTestCase()
    {
        m_tab.reset();
        m_dialogs.reset();
        m_global.reset();
        m_dm->close();
        m_dm.reset();
        m_scratch.reset();
    }

    void sameAsEntryScreen_data()
    {
        QTest::addColumn<Inputs>("in");
        //                      this E      last E   loss E   price E  this W   last W  loss W  price W  other    rent
        QTest::newRow("worked example") << Inputs{"150", "100", "2.25", "0.5", "35", "20", "0", "2", "0", "100"};
        QTest::newRow("usage half up to even") << Inputs{"152.35", "100", "", "1", "0", "0", "", "2", "", ""};
        QTest::newRow("usage via loss .25") << Inputs{"100", "50", "2.25", "1", "10", "10", "0.05", "3", "", ""};
        QTest::newRow("amount half") << Inputs{"110.5", "100", "0", "0.25", "7", "0", "0", "0.75", "", ""};
        QTest::newRow("binary fractions") << Inputs{"0.3", "0.1", "0", "3", "0.7", "0.4", "0.1", "1.1", "0.1", "0.2"};
        QTest::newRow("negative usage") << Inputs{"90", "100", "0", "0.5", "5", "20", "0", "2", "10", "100"};
        QTest::newRow("negative loss") << Inputs{"100", "90", "-12.5", "0.6", "20", "19", "-0.35", "4.5", "", ""};
        QTest::newRow("large readings") << Inputs{"123456789012.345", "1", "0", "0.7", "99999999", "0", "0", "3.3", "0", "1500"};
        QTest::newRow("fifteen digits") << Inputs{"999999999999999", "0", "0", "0.5", "0", "0", "0", "0", "0", "0"};
        QTest::newRow("beyond fifteen digits") << Inputs{"1e20", "0", "0", "1.5", "0", "0", "0", "0", "0.05", "0"};
        QTest::newRow("all empty") << Inputs{"", "", "", "", "", "", "", "", "", ""};
        QTest::newRow("fees with cents") << Inputs{"10", "0", "0", "0.55", "3", "0", "0", "2.15", "33.33", "0.015"};
        QTest::newRow("out of range") << Inputs{"1e300", "0", "0", "1e10", "0", "0", "0", "0", "0", "0"};
        QTest::newRow("not a number") << Inputs{"1.2.", "0", "0", "1", "0", "0", "0", "0", "0", "0"};
        QTest::newRow("rent not a number") << Inputs{"10", "0", "0", "1", "0", "0", "0", "0", "0", "abc"};
    }
    void sameAsEntryScreen()
    {
        QFETCH(Inputs, in);
        QWidget *f = m_tab.get();
        // Typed field by field, each running its handlers, then the total button.
        const QList<std::pair<TEntryField *, QString>> typed {
            {control<TEntryField>(f, "Edit22"), in.sccjd},  {control<TEntryField>(f, "Edit21"), in.bccjd},
            {control<TEntryField>(f, "Edit8"), in.shsld},   {control<TEntryField>(f, "Edit28"), in.dj},
            {control<TEntryField>(f, "Edit31"), in.sccjds}, {control<TEntryField>(f, "Edit30"), in.bccjds},
            {control<TEntryField>(f, "Edit24"), in.shsls},  {control<TEntryField>(f, "Edit33"), in.djs},
            {control<TEntryField>(f, "Edit36"), in.qtfy},   {control<TEntryField>(f, "Edit37"), in.fzfy}};
        for (const auto &[field, text] : typed)
            field->setFieldText(QStringLiteral("0"));
        m_dialogs->clear();
        for (const auto &[field, text] : typed)
            if (text.isEmpty())
                field->clearField();
            else
                field->setFieldText(text);
        m_dialogs->clear();
        m_tab->BitBtn2Click();
        const bool screenFailed = !m_dialogs->texts(Dialogs::Kind::Error).isEmpty();

        std::optional<ReceiptCalc::Amounts> a;
        QString error;
        try {
            a = ReceiptCalc::compute(in);
        } catch (const AppError &e) {
            error = e.message();
        }
        if (screenFailed) {
            QVERIFY2(!a, "the screen refused the inputs, the function computed them");
            QCOMPARE(error, m_dialogs->texts(Dialogs::Kind::Error).first());
            return;
        }
        QVERIFY2(a, qPrintable(error));
        QCOMPARE(a->cjdlText, control<TEntryField>(f, "Edit27")->text());
        QCOMPARE(a->jedText, control<TEntryField>(f, "Edit29")->text());
        QCOMPARE(a->cjdlsText, control<TEntryField>(f, "Edit32")->text());
        QCOMPARE(a->jesText, control<TEntryField>(f, "Edit34")->text());
        QCOMPARE(a->costText, control<TEntryField>(f, "Edit35")->text());
        QCOMPARE(a->capitalText, control<QLineEdit>(f, "Edit9")->text());
        // The values stored are the fields' values.
        QCOMPARE(a->cjdl, control<TEntryField>(f, "Edit27")->value());
        QCOMPARE(a->jed, control<TEntryField>(f, "Edit29")->value());
        QCOMPARE(a->cjdls, control<TEntryField>(f, "Edit32")->value());
        QCOMPARE(a->jes, control<TEntryField>(f, "Edit34")->value());
        QCOMPARE(a->cost, control<TEntryField>(f, "Edit35")->value());
    }

    // The example the rules are explained with, as numbers.
    void workedExample()
    {
        const ReceiptCalc::Amounts a = ReceiptCalc::compute({"150", "100", "2.25", "0.5", "35", "20", "0", "2", "0", "100"});
        QCOMPARE(a.cjdlText, QStringLiteral("52.2"));
        QCOMPARE(a.jedText, QStringLiteral("26.10"));
        QCOMPARE(a.cjdlsText, QStringLiteral("15"));
        QCOMPARE(a.jesText, QStringLiteral("30.00"));
        QCOMPARE(a.costText, QStringLiteral("156.10"));
    }
};

QTEST_MAIN(ReceiptCalcTest)
#include "test_receiptcalc.moc"
