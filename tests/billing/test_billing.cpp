// A month's readings imported at once: the checks of every row, the bills of
// the accepted ones (computed as the entry screen computes them), and the one
// transaction that stores all of them or none.
#include "billing/billingrun.h"
#include "billing/readingsheet.h"
#include "common/apperror.h"
#include "data/billingcheck.h"
#include "data/billingstore.h"
#include "data/demodm.h"
#include "data/serials.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "testdatabase.h"
#include "settings/global.h"
#include "text/numtext.h"
#include "controls.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringEncoder>
#include <QTest>

using Billing::Problem;
Q_DECLARE_METATYPE(QList<Billing::Problem>)

namespace {

QSqlQuery sql(const QString &text, const QVariantList &values = {})
{
    QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
    if (!q.prepare(text))
        qFatal("%s", qPrintable(text));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("%s: %s", qPrintable(text), qPrintable(q.lastError().text()));
    return q;
}

QVariant one(const QString &text, const QVariantList &values = {})
{
    QSqlQuery q = sql(text, values);
    return q.next() ? q.value(0) : QVariant();
}

QString name(int i)
{
    return QStringLiteral("住户%1").arg(i, 2, 10, QLatin1Char('0'));
}

// Every row of the tables the billing writes, as one text.
QString snapshot()
{
    return TestSql::snapshot({"P_ORDERD", "bciidb", "sjxhb", "hhb", "kdfb"});
}

// The problem households of the 50-household sheet.
constexpr int kUnknown = 3, kBelow = 5, kUnusual = 7, kNotANumber = 9, kTwice = 11, kBilled = 13;

} // namespace

class BillingTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchDir> m_scratch;
    std::unique_ptr<TDemoDM> m_dm;
    std::unique_ptr<TGlobal> m_global;
    std::unique_ptr<RecordingDialogs> m_dialogs;

    Billing::BillSettings settings() const
    {
        return {QStringLiteral("2024"), QStringLiteral("03"), QStringLiteral("2024-03-31"),
                QStringLiteral("0.56"), QStringLiteral("3.15"), QStringLiteral("李四"), QStringLiteral("王五")};
    }

    // 50 households (but the unknown one), with readings, remembered fees
    // for some, six earlier receipts of the unusual one, a bill of this
    // month of the billed one; and the filled sheet, one row each (the
    // one twice), as a comma-separated file.
    QByteArray fiftyHouseholds()
    {
        for (int i = 1; i <= 50; ++i) {
            if (i == kUnknown)
                continue;
            sql(QStringLiteral("insert into hhb(hh,hm,cmc,hmpy,dd,dds) values(?,?,?,?,?,?)"),
                {QStringLiteral("%1-%2").arg(i % 2 ? "A" : "B").arg(i, 3, 10, QLatin1Char('0')), name(i),
                 i % 2 ? QStringLiteral("东区") : QStringLiteral("西区"), QStringLiteral("ZH"), 1000.5 + i, 100 + i * 0.25});
            if (i % 4 == 0)
                sql(QStringLiteral("insert into kdfb(hm,kdf,hzf) values(?,?,?)"), {name(i), 12.5, 300 + i});
        }
        for (int m = 1; m <= 6; ++m)
            sql(QStringLiteral("insert into P_ORDERDBAK(bhmc,nf,yf,cjdl,cjdls,bccjd,bccjds,sjxh,lbmc) values(?,?,?,10,2,?,?,?,'销售单')"),
                {name(kUnusual), QStringLiteral("2023"), QStringLiteral("%1").arg(m + 6, 2, 10, QLatin1Char('0')),
                 1000.5 + kUnusual, 100 + kUnusual * 0.25, QStringLiteral("9000000%1").arg(m)});
        sql(QStringLiteral("insert into P_ORDERD(bhmc,nf,yf,sjxh,lbmc,fkzt) values(?,'2024','03','90000010','销售单','已付款')"),
            {name(kBilled)});
        // A number used before (a receipt since deleted) is never given again.
        sql(QStringLiteral("insert into bciidb(sjxh,lbmc) values('00000002','销售单')"));

        QByteArray csv = "抄表单 2024年03月\r\n社区,户号,户名,上月电表数,上月水表数,本月电表数,本月水表数\r\n";
        auto line = [&](int i, const QString &e, const QString &w) {
            csv += QStringLiteral("%1,%2,%3,,,%4,%5\r\n")
                       .arg(i % 2 ? "东区" : "西区", QStringLiteral("X-%1").arg(i), name(i), e, w)
                       .toUtf8();
        };
        for (int i = 1; i <= 50; ++i) {
            const double e = 1000.5 + i + 20 + i * 0.35;   // usages with halves and odd tenths
            const double w = 100 + i * 0.25 + 3.5 + (i % 3);
            if (i == kBelow)
                line(i, FloatToText(1000.5 + i - 1), FloatToText(w));
            else if (i == kUnusual)
                line(i, FloatToText(1000.5 + i + 31), FloatToText(w));   // 31 > 3 × 10
            else if (i == kNotANumber)
                line(i, QStringLiteral("12O4"), FloatToText(w));
            else
                line(i, FloatToText(e), FloatToText(w));
            if (i == kTwice)
                line(i, FloatToText(e + 1), FloatToText(w));
        }
        return csv;
    }

    QList<Billing::CheckedRow> importSheet(const QByteArray &csv)
    {
        const QList<QStringList> cells = ReadingSheet::parseCsv(csv);
        const ReadingSheet::ColumnMap map = ReadingSheet::recognise(cells);
        if (!ReadingSheet::missingFields(map).isEmpty())
            qFatal("headings not recognised");
        return BillingRun::preview(*m_dm, ReadingSheet::rowsOf(cells, map), QStringLiteral("2024"), QStringLiteral("03"));
    }

private slots:
    void init()
    {
        m_scratch = std::make_unique<ScratchDir>();
        m_dm = std::make_unique<TDemoDM>();
        QVERIFY(m_dm->open());
        m_global = std::make_unique<TGlobal>(m_scratch->file(QStringLiteral("mtrfee.ini")));
        m_dialogs = std::make_unique<RecordingDialogs>();
    }
    void cleanup()
    {
        m_dialogs.reset();
        m_global.reset();
        m_dm->close();
        m_dm.reset();
        m_scratch.reset();
    }

    // The sheet of 50 households with one of each problem: each is marked,
    // the others become unpaid bills whose every amount is what the entry
    // screen shows for the same readings, and the skipped rows are listed.
    void fiftyHouseholdsWithOneOfEachProblem()
    {
        const QByteArray csv = fiftyHouseholds();
        const QList<Billing::CheckedRow> rows = importSheet(csv);
        QCOMPARE(rows.size(), 51);
        QHash<QString, QList<Problem>> marked;
        for (const Billing::CheckedRow &r : rows)
            if (!r.problems.isEmpty())
                marked[r.sheet.bhmc] = r.problems;
        QCOMPARE(marked.size(), 6);
        QCOMPARE(marked.value(name(kUnknown)), QList<Problem>{Problem::UnknownHousehold});
        QCOMPARE(marked.value(name(kBelow)), QList<Problem>{Problem::BelowLastMonth});
        QCOMPARE(marked.value(name(kUnusual)), QList<Problem>{Problem::UnusualUsage});
        QCOMPARE(marked.value(name(kNotANumber)), QList<Problem>{Problem::NotANumber});
        QCOMPARE(marked.value(name(kTwice)), QList<Problem>{Problem::Duplicate});
        QCOMPARE(marked.value(name(kBilled)), QList<Problem>{Problem::AlreadyBilled});

        const BillingRun::Result result = BillingRun::generate(*m_dm, rows, settings());
        QCOMPARE(result.stored, 45);   // 50 less unknown, below, not a number, twice, billed
        QCOMPARE(result.skipped.size(), 6);   // the household twice: both of its rows
        QStringList skippedNames;
        for (const BillingRun::Skipped &s : result.skipped) {
            skippedNames << s.name;
            QVERIFY(!s.reason.isEmpty());
            QVERIFY(result.summary().contains(QStringLiteral("第%1行 %2：%3").arg(s.line).arg(s.name, s.reason)));
        }
        QCOMPARE(skippedNames, (QStringList{name(kUnknown), name(kBelow), name(kNotANumber), name(kTwice), name(kTwice),
                                           name(kBilled)}));
        QVERIFY(result.summary().startsWith(QStringLiteral("已生成45张收据，合计")));

        // Serial numbers from the counter on, the used one left out.
        QCOMPARE(result.serials.first(), QStringLiteral("00000001"));
        QCOMPARE(result.serials.at(1), QStringLiteral("00000003"));
        QCOMPARE(result.serials.last(), QStringLiteral("00000046"));
        QCOMPARE(Serials::ReadCounter(*m_dm, QStringLiteral("销售单")), 46);
        QCOMPARE(one(QStringLiteral("select count(*) from bciidb")).toInt(), 46);
        QCOMPARE(one(QStringLiteral("select count(*) from P_ORDERD where fkzt='未付款'")).toInt(), 45);
        // Sort index renumbered over all current receipts.
        QCOMPARE(one(QStringLiteral("select group_concat(pxxh) from (select pxxh from P_ORDERD order by iid)")).toString(),
                 [] { QStringList s; for (int i = 1; i <= 46; ++i) s << QString::number(i); return s.join(','); }());

        // Every bill against the entry screen fed the same readings.
        TEntryTab tab;
        tab.show();
        QWidget *f = &tab;
        QSqlQuery q = sql(QStringLiteral("select bhmc,sccjd,bccjd,shsld,dj,sccjds,bccjds,shsls,djs,qtfy,fzfy,"
                                         "cjdl,jed,cjdls,jes,cost,fkzt,nf,yf,cmc,skr,cbr,bhh from P_ORDERD where fkzt='未付款' order by iid"));
        int checked = 0;
        double total = 0;
        while (q.next()) {
            const QString who = q.value(0).toString();
            const int i = who.mid(2).toInt();
            QSqlQuery h = sql(QStringLiteral("select dd,dds,hh,cmc from hhb where hm=?"), {who});
            QVERIFY(h.next());
            // The household now holds this month's readings.
            QCOMPARE(h.value(0).toDouble(), q.value(2).toDouble());
            QCOMPARE(h.value(1).toDouble(), q.value(6).toDouble());
            QCOMPARE(q.value(22).toString(), h.value(2).toString());
            QCOMPARE(q.value(19).toString(), h.value(3).toString());
            // Last month's readings as the entry screen finds them.
            const double lastE = (i == kUnusual) ? 1000.5 + i : 1000.5 + i;
            QCOMPARE(q.value(1).toDouble(), lastE);
            QCOMPARE(q.value(4).toDouble(), 0.56);
            QCOMPARE(q.value(8).toDouble(), 3.15);
            QCOMPARE(q.value(9).toDouble(), i % 4 == 0 ? 12.5 : 0.0);
            QCOMPARE(q.value(10).toDouble(), i % 4 == 0 ? 300.0 + i : 0.0);
            QCOMPARE(q.value(16).toString(), QStringLiteral("未付款"));
            QCOMPARE(q.value(17).toString() + q.value(18).toString(), QStringLiteral("202403"));
            QCOMPARE(q.value(20).toString(), QStringLiteral("李四"));

            const QList<std::pair<TEntryField *, int>> inputs {
                {control<TEntryField>(f, "Edit22"), 1}, {control<TEntryField>(f, "Edit21"), 2},
                {control<TEntryField>(f, "Edit8"), 3},  {control<TEntryField>(f, "Edit28"), 4},
                {control<TEntryField>(f, "Edit31"), 5}, {control<TEntryField>(f, "Edit30"), 6},
                {control<TEntryField>(f, "Edit24"), 7}, {control<TEntryField>(f, "Edit33"), 8},
                {control<TEntryField>(f, "Edit36"), 9}, {control<TEntryField>(f, "Edit37"), 10}};
            for (const auto &[field, column] : inputs)
                field->setFieldText(FloatToText(q.value(column).toDouble()));
            tab.BitBtn2Click();
            QCOMPARE(m_dialogs->texts(Dialogs::Kind::Error), QStringList());
            QCOMPARE(q.value(11).toDouble(), control<TEntryField>(f, "Edit27")->value());
            QCOMPARE(q.value(12).toDouble(), control<TEntryField>(f, "Edit29")->value());
            QCOMPARE(q.value(13).toDouble(), control<TEntryField>(f, "Edit32")->value());
            QCOMPARE(q.value(14).toDouble(), control<TEntryField>(f, "Edit34")->value());
            QCOMPARE(q.value(15).toDouble(), control<TEntryField>(f, "Edit35")->value());
            total += q.value(15).toDouble();
            ++checked;
        }
        QCOMPARE(checked, 45);
        QCOMPARE(FormatMoney(result.total), FormatMoney(total));

        // The same sheet again: every row of this month is billed now.
        for (const Billing::CheckedRow &r : importSheet(csv))
            if (r.sheet.bhmc != name(kUnknown))
                QVERIFY2(r.problems.contains(Problem::AlreadyBilled) || !r.accepted(), qPrintable(r.sheet.bhmc));
    }

    // A fault while storing the 25th bill: no bill, no issued number, no
    // changed household is left.
    void faultInTheMiddleStoresNothing()
    {
        const QList<Billing::CheckedRow> rows = importSheet(fiftyHouseholds());
        const QString before = snapshot();
        sql(QStringLiteral("create trigger injected_fault before insert on P_ORDERD when new.bhmc='%1' "
                           "begin select raise(abort, 'injected fault'); end").arg(name(25)));
        bool failed = false;
        try {
            BillingRun::generate(*m_dm, rows, settings());
        } catch (const AppError &e) {
            failed = true;
            QVERIFY2(e.message().contains(QStringLiteral("injected fault")), qPrintable(e.message()));
        }
        QVERIFY(failed);
        sql(QStringLiteral("drop trigger injected_fault"));
        QCOMPARE(snapshot(), before);
        QCOMPARE(Serials::ReadCounter(*m_dm, QStringLiteral("销售单")), 0);
        // And the run goes through once the fault is gone.
        QCOMPARE(BillingRun::generate(*m_dm, rows, settings()).stored, 45);
    }

    // Creating the unknown households makes their rows billable.
    void unknownHouseholdsCreated()
    {
        const QByteArray csv = fiftyHouseholds();
        QCOMPARE(BillingRun::createUnknownHouseholds(*m_dm, importSheet(csv)), 1);
        QCOMPARE(one(QStringLiteral("select cmc from hhb where hm=?"), {name(kUnknown)}).toString(), QStringLiteral("东区"));
        for (const Billing::CheckedRow &r : importSheet(csv))
            if (r.sheet.bhmc == name(kUnknown))
                QCOMPARE(r.problems, QList<Problem>{});
    }

    void checks_data()
    {
        QTest::addColumn<QString>("electricity");
        QTest::addColumn<QString>("water");
        QTest::addColumn<double>("lastE");
        QTest::addColumn<double>("average");   // < 0: no earlier receipts
        QTest::addColumn<QList<Problem>>("expected");
        using L = QList<Problem>;
        QTest::newRow("clean") << "120" << "10" << 100.0 << 10.0 << L{};
        QTest::newRow("same as last month") << "100" << "10" << 100.0 << 10.0 << L{};
        QTest::newRow("exactly three times") << "130" << "10" << 100.0 << 10.0 << L{};
        QTest::newRow("just over three times") << "130.1" << "10" << 100.0 << 10.0 << L{Problem::UnusualUsage};
        QTest::newRow("no earlier receipts") << "5000" << "10" << 100.0 << -1.0 << L{};
        QTest::newRow("average zero") << "5000" << "10" << 100.0 << 0.0 << L{};
        QTest::newRow("below") << "99.9" << "10" << 100.0 << 10.0 << L{Problem::BelowLastMonth};
        QTest::newRow("empty") << "" << "10" << 100.0 << 10.0 << L{Problem::NotANumber};
        QTest::newRow("letters") << "1o5" << "10" << 100.0 << 10.0 << L{Problem::NotANumber};
        QTest::newRow("two points") << "1.2.3" << "x" << 100.0 << 10.0 << L{Problem::NotANumber, Problem::NotANumber};
        QTest::newRow("blanks around") << " 120 " << "10" << 100.0 << 10.0 << L{};
        QTest::newRow("too large") << "1e300" << "10" << 100.0 << 10.0 << L{Problem::NotANumber};
    }
    void checks()
    {
        QFETCH(QString, electricity);
        QFETCH(QString, water);
        QFETCH(double, lastE);
        QFETCH(double, average);
        QFETCH(QList<Problem>, expected);
        Billing::HouseholdFacts facts;
        facts.known = true;
        facts.lastElectricity = lastE;
        facts.lastWater = 0;
        if (average >= 0)
            facts.averageElectricity = average;
        const QList<Billing::CheckedRow> rows =
            Billing::checkRows({{2, {}, {}, QStringLiteral("甲"), electricity, water}}, [&](const QString &) { return facts; });
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().problems, expected);
        QCOMPARE(rows.first().messages.size(), expected.size());
        QCOMPARE(rows.first().accepted(), expected.isEmpty() || expected == QList<Problem>{Problem::UnusualUsage});
    }

    void householdTwiceIsAskedOnce()
    {
        int asked = 0;
        const QList<Billing::CheckedRow> rows = Billing::checkRows(
            {{2, {}, {}, QStringLiteral("甲"), "1", "1"}, {3, {}, {}, QStringLiteral("乙"), "1", "1"},
             {4, {}, {}, QStringLiteral(" 甲"), "2", "1"}},
            [&](const QString &) { ++asked; Billing::HouseholdFacts f; f.known = true; return f; });
        QCOMPARE(asked, 2);
        QCOMPARE(rows[0].problems, QList<Problem>{Problem::Duplicate});
        QCOMPARE(rows[1].problems, QList<Problem>{});
        QCOMPARE(rows[2].problems, QList<Problem>{Problem::Duplicate});
    }

    void csv_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<QStringList>>("cells");
        QTest::newRow("plain") << QByteArray("a,b\n1,2\n") << QList<QStringList>{{"a", "b"}, {"1", "2"}};
        QTest::newRow("crlf, no last break") << QByteArray("a,b\r\n1,2") << QList<QStringList>{{"a", "b"}, {"1", "2"}};
        QTest::newRow("quoted") << QByteArray("\"x,y\",\"say \"\"hi\"\"\"\n\"two\nlines\",\n")
                                << QList<QStringList>{{"x,y", "say \"hi\""}, {"two\nlines", ""}};
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF户名,本月电表数\n")
                                    << QList<QStringList>{{QStringLiteral("户名"), QStringLiteral("本月电表数")}};
        QStringEncoder gbk("GBK");
        const QByteArray gbkText = gbk.encode(QStringLiteral("户名,张三\n"));
        QTest::newRow("gbk") << gbkText << QList<QStringList>{{QStringLiteral("户名"), QStringLiteral("张三")}};
        QTest::newRow("empty") << QByteArray() << QList<QStringList>{};
    }
    void csv()
    {
        QFETCH(QByteArray, data);
        QFETCH(QList<QStringList>, cells);
        QCOMPARE(ReadingSheet::parseCsv(data), cells);
    }

    void headings_data()
    {
        QTest::addColumn<QList<QStringList>>("cells");
        QTest::addColumn<QList<int>>("columns");   // community, number, name, lastE, lastW, thisE, thisW
        QTest::addColumn<QStringList>("missing");
        QTest::newRow("our own sheet") << QList<QStringList>{{"抄表单"}, ReadingSheet::headings()}
                                       << QList<int>{0, 1, 2, 3, 4, 5, 6} << QStringList{};
        QTest::newRow("other words and order")
            << QList<QStringList>{{"姓名", "本月 水表读数", "房号", "本月电度数", "小区"}}
            << QList<int>{4, 2, 0, -1, -1, 3, 1} << QStringList{};
        QTest::newRow("unrecognised reading") << QList<QStringList>{{"户名", "电", "水"}}
                                              << QList<int>{-1, -1, 0, -1, -1, -1, -1}
                                              << QStringList{QStringLiteral("本月电表数"), QStringLiteral("本月水表数")};
        QTest::newRow("no name heading") << QList<QStringList>{{"甲", "本月电表数", "本月水表数"}}
                                         << QList<int>{-1, -1, -1, -1, -1, 1, 2} << QStringList{QStringLiteral("户名")};
    }
    void headings()
    {
        QFETCH(QList<QStringList>, cells);
        QFETCH(QList<int>, columns);
        QFETCH(QStringList, missing);
        const ReadingSheet::ColumnMap map = ReadingSheet::recognise(cells);
        QList<int> got(std::begin(map.column), std::end(map.column));
        QCOMPARE(got, columns);
        QCOMPARE(ReadingSheet::missingFields(map), missing);
    }

    // The reading sheet lists every household of the community, sorted,
    // with last month's readings found as the entry screen finds them.
    void readingSheetRows()
    {
        sql(QStringLiteral("insert into hhb(hh,hm,cmc,dd,dds) values('B-2','乙','东区',5,6),('A-1','甲','东区',7,8),('C-1','丙','西区',1,2)"));
        // A current receipt of an earlier month wins over the stored readings.
        sql(QStringLiteral("insert into P_ORDERD(bhmc,nf,yf,bccjd,bccjds,sjxh,lbmc) values('甲','2024','02',70.5,80,'1','销售单')"));
        const QList<QStringList> all =
            ReadingSheet::sheetRows(Billing::readingSheet(*m_dm, QString(), QStringLiteral("2024"), QStringLiteral("03")),
                                    QStringLiteral("抄表单"));
        QCOMPARE(all.size(), 5);
        QCOMPARE(all[1], ReadingSheet::headings());
        QCOMPARE(all[2], (QStringList{"东区", "A-1", "甲", "70.5", "80", "", ""}));
        QCOMPARE(all[3], (QStringList{"东区", "B-2", "乙", "5", "6", "", ""}));
        QCOMPARE(all[4], (QStringList{"西区", "C-1", "丙", "1", "2", "", ""}));
        QCOMPARE(Billing::readingSheet(*m_dm, QStringLiteral("西区"), QStringLiteral("2024"), QStringLiteral("03")).size(), 1);
        QCOMPARE(Billing::communities(*m_dm), (QStringList{"东区", "西区"}));
    }
};

QTEST_MAIN(BillingTest)
#include "test_billing.moc"
