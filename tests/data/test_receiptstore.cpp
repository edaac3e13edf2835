// The receipt column list, the statements built from it, and the stores of
// current receipts and households, on a fresh database.
#include "common/apperror.h"
#include "data/demodm.h"
#include "data/householdstore.h"
#include "data/receiptcolumns.h"
#include "data/receiptstore.h"
#include "scratchdir.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <memory>

namespace {

using ReceiptColumns::Column;
using ReceiptColumns::Type;

struct Db
{
    ScratchDir dir;
    TDemoDM dm;
    Db() { QVERIFY2(dm.open(), qPrintable(dm.lastOpenError())); }

    QList<QStringList> rows(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(TDemoDM::kConnectionName));
        if (!q.exec(sql))
            qFatal("%s", qPrintable(sql));
        QList<QStringList> out;
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c)
                row << q.value(c).toString();
            out << row;
        }
        return out;
    }
    QString one(const QString &sql) const
    {
        const auto r = rows(sql);
        return r.isEmpty() ? QString() : r.first().join(QLatin1Char('/'));
    }
    void exec(const QString &sql) const { DemoDM().qup.run(sql); }
};

// A row in which every column holds a value of its own, different for each
// `seed`: a money value with more than four decimals, texts beyond ASCII.
ReceiptRow distinctRow(int seed)
{
    ReceiptRow row;
    int i = 0;
    for (const Column &c : ReceiptColumns::all()) {
        ++i;
        QVariant v;
        switch (c.type) {
        case Type::Integer:
            v = qint64(seed * 1000 + i);
            break;
        case Type::Real:
            v = seed * 1000 + i + 0.25;
            break;
        case Type::Money:
            v = seed * 1000 + i + 0.123456;
            break;
        case Type::Text:
            v = QStringLiteral("%1-%2 户").arg(c.name).arg(seed);
            break;
        }
        ReceiptColumns::setValue(row, c, v);
    }
    row.iid = 0;
    row.sjxh = QStringLiteral("00000042");
    row.lbmc = QStringLiteral("销售单");
    return row;
}

// The value the database gives back for a column of the row.
QVariant stored(const ReceiptRow &row, const Column &c)
{
    return ReceiptColumns::boundValue(row, c);
}

} // namespace

class ReceiptStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void columnListIsConsistent()
    {
        QSet<QString> names, fields;
        QSet<int> keys;
        int key = 0;
        for (const Column &c : ReceiptColumns::all()) {
            QVERIFY2(!names.contains(c.name.toLower()), qPrintable(c.name));
            names.insert(c.name.toLower());
            if (!c.field.isEmpty()) {
                QVERIFY2(!fields.contains(c.field), qPrintable(c.field));
                fields.insert(c.field);
            }
            // The member holds the column's type, and no two columns share one.
            const int expectedKind = c.type == Type::Integer ? 0 : c.type == Type::Text ? 2 : 1;
            QVERIFY2(int(c.member.index()) == expectedKind, qPrintable(c.name));
            int shared = 0;
            for (const Column &d : ReceiptColumns::all())
                shared += d.member == c.member;
            QVERIFY2(shared == 1, qPrintable(c.name));
            if (c.use & ReceiptColumns::Key)
                ++key;
            QVERIFY2(!((c.use & ReceiptColumns::Key) && (c.use & ReceiptColumns::Updatable)), qPrintable(c.name));
        }
        QCOMPARE(key, 1);
        QCOMPARE(ReceiptColumns::find(QStringLiteral("BZSM"))->name, QStringLiteral("Bzsm"));
        QVERIFY(!ReceiptColumns::find(QStringLiteral("nosuch")));
    }

    void statementsFollowTheColumnList()
    {
        QStringList inserted, params, updated;
        for (const Column &c : ReceiptColumns::all()) {
            if (!(c.use & ReceiptColumns::Key)) {
                inserted << c.name;
                params << QLatin1Char(':') + c.name;
            }
            if (c.use & ReceiptColumns::Updatable)
                updated << QStringLiteral("%1= :%1").arg(c.name);
        }
        const QRegularExpression insert(QStringLiteral("^insert into P_ORDERD\\((.*)\\) values\\((.*)\\)$"));
        const auto m = insert.match(ReceiptColumns::insertStatement(QStringLiteral("P_ORDERD")));
        QVERIFY(m.hasMatch());
        QCOMPARE(m.captured(1).split(QLatin1Char(',')), inserted);
        QCOMPARE(m.captured(2).split(QLatin1Char(',')), params);
        QCOMPARE(inserted.size(), ReceiptColumns::all().size() - 1);

        const QRegularExpression update(QStringLiteral("^update P_ORDERD set (.*) where sjxh= :sjxh and lbmc= :lbmc$"));
        const auto u = update.match(ReceiptColumns::updateStatement(QStringLiteral("P_ORDERD")));
        QVERIFY(u.hasMatch());
        QCOMPARE(u.captured(1).split(QLatin1Char(',')), updated);
        // What a changed receipt rewrites: its number, category, household,
        // community, description and the columns no field shows stay.
        QStringList updatable;
        for (const QString &s : updated)
            updatable << s.section(QLatin1Char('='), 0, 0);
        QCOMPARE(updatable, (QStringList{"rq", "jkdw", "zg", "kj", "skr", "cost", "fkzt", "nf", "yf", "sccjd", "bccjd",
                                         "bl", "cjdl", "bdl", "hbdl", "hjdl", "dj", "cbr", "sccjds", "bccjds", "cjdls",
                                         "djs", "jed", "jes", "shsld", "shsls", "qtfy", "fzfy"}));
    }

    // The three receipt tables of a new database have exactly these columns,
    // in this order, with these types.
    void schemaAgreesWithTheColumnList()
    {
        Db db;
        QStringList expected;
        for (const Column &c : ReceiptColumns::all())
            expected << c.name + QLatin1Char(' ') + ReceiptColumns::sqlType(c.type);
        for (const QString &table : {Receipts::kCurrentTable, Receipts::kHistoryTable, Receipts::kDeletedTable}) {
            QStringList actual;
            for (const QStringList &r : db.rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
                actual << r.at(1) + QLatin1Char(' ') + r.at(2);
            QCOMPARE(actual, expected);
        }
    }

    void insertThenLoadGivesEveryColumnBack()
    {
        Db db;
        const ReceiptRow row = distinctRow(1);
        Receipts::insert(DemoDM(), row);
        const std::optional<ReceiptRow> loaded = Receipts::load(DemoDM(), row.sjxh, row.lbmc);
        QVERIFY(loaded);
        QVERIFY(loaded->iid > 0);
        for (const Column &c : ReceiptColumns::all()) {
            if (c.use & ReceiptColumns::Key)
                continue;
            QVERIFY2(ReceiptColumns::value(*loaded, c) == stored(row, c),
                     qPrintable(c.name + QStringLiteral(": ") + ReceiptColumns::value(*loaded, c).toString()));
        }
        // Money keeps four decimals; other reals keep what they were given.
        QCOMPARE(loaded->cost, TDemoDM::money(row.cost));
        QVERIFY(loaded->cost != row.cost);
        QCOMPARE(loaded->qtfy, row.qtfy);
        QVERIFY(!Receipts::load(DemoDM(), row.sjxh, QStringLiteral("其它")));
        QVERIFY(!Receipts::load(DemoDM(), QStringLiteral("00000043"), row.lbmc));
    }

    void updateChangesExactlyTheUpdatableColumns()
    {
        Db db;
        const ReceiptRow first = distinctRow(1);
        Receipts::insert(DemoDM(), first);
        ReceiptRow other = distinctRow(2);
        other.sjxh = QStringLiteral("00000050");
        Receipts::insert(DemoDM(), other);
        const ReceiptRow before = *Receipts::load(DemoDM(), first.sjxh, first.lbmc);

        ReceiptRow change = distinctRow(3);
        QCOMPARE(Receipts::update(DemoDM(), change), 1);
        const ReceiptRow after = *Receipts::load(DemoDM(), first.sjxh, first.lbmc);
        for (const Column &c : ReceiptColumns::all()) {
            const QVariant expected = (c.use & ReceiptColumns::Updatable) ? stored(change, c) : ReceiptColumns::value(before, c);
            QVERIFY2(ReceiptColumns::value(after, c) == expected, qPrintable(c.name));
        }
        // The other receipt is untouched; a receipt that is not there changes nothing.
        QCOMPARE(Receipts::load(DemoDM(), other.sjxh, other.lbmc)->skr, other.skr);
        change.sjxh = QStringLiteral("00000099");
        const auto all = db.rows(QStringLiteral("select * from P_ORDERD order by iid"));
        QCOMPARE(Receipts::update(DemoDM(), change), 0);
        QCOMPARE(db.rows(QStringLiteral("select * from P_ORDERD order by iid")), all);
    }

    void removals()
    {
        Db db;
        ReceiptRow a = distinctRow(1), b = distinctRow(2), c = distinctRow(3);
        b.sjxh = QStringLiteral("00000002");
        c.sjxh = QStringLiteral("00000003");
        for (const ReceiptRow &r : {a, b, c})
            Receipts::insert(DemoDM(), r);
        const QStringList copied = db.rows(QStringLiteral("select * from P_ORDERD where sjxh='00000002'")).first();

        Receipts::removeKeepingCopy(DemoDM(), b.sjxh, b.lbmc);
        QCOMPARE(db.rows(QStringLiteral("select * from p_orderd_del")), QList<QStringList>{copied});
        QCOMPARE(db.one(QStringLiteral("select group_concat(sjxh) from (select sjxh from P_ORDERD order by iid)")), QStringLiteral("00000042,00000003"));

        Receipts::removeRow(DemoDM(), Receipts::load(DemoDM(), c.sjxh, c.lbmc)->iid);
        QCOMPARE(db.one(QStringLiteral("select group_concat(sjxh) from (select sjxh from P_ORDERD order by iid)")), QStringLiteral("00000042"));
        QCOMPARE(db.one(QStringLiteral("select count(*) from p_orderd_del")), QStringLiteral("1"));
    }

    void listAndTotal()
    {
        Db db;
        QCOMPARE(Receipts::currentTotal(DemoDM()), 0.0);
        ReceiptRow a = distinctRow(1), b = distinctRow(2);
        a.cost = 10.25;
        b.cost = 5.5;
        b.sjxh = QStringLiteral("00000002");
        Receipts::insert(DemoDM(), a);
        Receipts::insert(DemoDM(), b);
        QCOMPARE(Receipts::currentTotal(DemoDM()), 15.75);
        TNamedQuery &q = DemoDM().P_OrderDADS;
        Receipts::openList(q);
        QCOMPARE(q.fetchAll(), 2);
        QCOMPARE(q.value(0, QStringLiteral("sjxh")).toString(), b.sjxh);   // newest first
    }

    void periodAndHouseholdLookups()
    {
        Db db;
        ReceiptRow r = distinctRow(1);
        r.nf = QStringLiteral("2024");
        r.yf = QStringLiteral("03");
        r.bhmc = QStringLiteral("张三");
        r.bhh = QStringLiteral("3-201");
        Receipts::insert(DemoDM(), r);
        ReceiptRow unnumbered = r;
        unnumbered.sjxh = QStringLiteral("00000002");
        unnumbered.bhmc = QStringLiteral("李四");
        unnumbered.bhh.clear();
        Receipts::insert(DemoDM(), unnumbered);
        db.exec(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD where bhmc='张三'"));
        db.exec(QStringLiteral("update P_ORDERDBAK set yf='02', bhh='3-999'"));
        using Receipts::Table;
        TDemoDM &dm = DemoDM();
        QVERIFY(Receipts::hasPeriod(dm, Table::Current, "2024", "03", "张三"));
        QVERIFY(!Receipts::hasPeriod(dm, Table::Current, "2024", "02", "张三"));
        QVERIFY(Receipts::hasPeriod(dm, Table::History, "2024", "02", "张三"));
        QVERIFY(!Receipts::hasPeriod(dm, Table::History, "2024", "03", "张三"));
        // Known by the number when there is one, else by the name.
        QVERIFY(Receipts::hasHousehold(dm, Table::Current, "3-201", "someone else"));
        QVERIFY(!Receipts::hasHousehold(dm, Table::Current, "3-202", "张三"));
        QVERIFY(Receipts::hasHousehold(dm, Table::Current, "", "李四"));
        QVERIFY(Receipts::hasHousehold(dm, Table::History, "3-999", ""));
        QVERIFY(!Receipts::hasHousehold(dm, Table::History, "", "李四"));
    }

    void latestBefore_data()
    {
        QTest::addColumn<QString>("nf");
        QTest::addColumn<QString>("yf");
        QTest::addColumn<QString>("found");   // sjxh, "" for none
        QTest::newRow("after all") << "2025" << "01" << "00000005";
        QTest::newRow("same year, later month: the last entered of that month") << "2024" << "03" << "00000003";
        QTest::newRow("first month of a year: the year before") << "2024" << "01" << "00000004";
        QTest::newRow("before all") << "2023" << "12" << "";
    }
    void latestBefore()
    {
        QFETCH(QString, nf);
        QFETCH(QString, yf);
        QFETCH(QString, found);
        Db db;
        // Entered out of period order.
        const QList<std::tuple<const char *, const char *, const char *>> receipts{
            {"00000001", "2024", "02"}, {"00000002", "2024", "01"}, {"00000003", "2024", "02"},
            {"00000004", "2023", "12"}, {"00000005", "2024", "03"}};
        for (const auto &[sjxh, y, m] : receipts) {
            ReceiptRow r = distinctRow(1);
            r.sjxh = QString::fromLatin1(sjxh);
            r.nf = QString::fromLatin1(y);
            r.yf = QString::fromLatin1(m);
            r.bhmc = QStringLiteral("张三");
            Receipts::insert(DemoDM(), r);
        }
        ReceiptRow stranger = distinctRow(2);
        stranger.sjxh = QStringLiteral("00000009");
        stranger.nf = QStringLiteral("2024");
        stranger.yf = QStringLiteral("12");
        Receipts::insert(DemoDM(), stranger);
        db.exec(QStringLiteral("insert into P_ORDERDBAK select * from P_ORDERD"));
        for (const Receipts::Table table : {Receipts::Table::Current, Receipts::Table::History}) {
            const auto row = Receipts::latestBefore(DemoDM(), table, QStringLiteral("张三"), nf, yf);
            QCOMPARE(row ? row->sjxh : QString(), found);
        }
    }

    void rememberedFees()
    {
        Db db;
        QVERIFY(!Households::rememberedFees(DemoDM(), QStringLiteral("张三")));
        Households::rememberFees(DemoDM(), QStringLiteral("张三"), {7.5, 100});
        Households::rememberFees(DemoDM(), QStringLiteral("李四"), {1, 2});
        Households::rememberFees(DemoDM(), QStringLiteral("张三"), {8, 120});
        QCOMPARE(db.rows(QStringLiteral("select hm, kdf, hzf from kdfb order by rowid")),
                 (QList<QStringList>{{"张三", "8", "120"}, {"李四", "1", "2"}}));
        const auto fees = Households::rememberedFees(DemoDM(), QStringLiteral("张三"));
        QVERIFY(fees);
        QCOMPARE(fees->other, 8.0);
        QCOMPARE(fees->rent, 120.0);
    }

    void householdReadings()
    {
        Db db;
        TDemoDM &dm = DemoDM();
        QVERIFY(!Households::readings(dm, QStringLiteral("张三")));
        Households::saveReadings(dm, QStringLiteral("3-201"), QStringLiteral("张三"), QStringLiteral("温州"), {150, 35});
        Households::saveReadings(dm, QString(), QStringLiteral("李四"), QStringLiteral("温州"), {80, 10});
        // A known name keeps its number and community; only the readings change.
        Households::saveReadings(dm, QStringLiteral("9-999"), QStringLiteral("张三"), QStringLiteral("别处"), {170, 40});
        QCOMPARE(db.rows(QStringLiteral("select hh, hm, cmc, hmpy, cmcpy, hhpy, dd, dds from hhb order by iid")),
                 (QList<QStringList>{{"3-201", "张三", "温州", "zs", "wz", "3-201", "170", "40"},
                                     {"", "李四", "温州", "ls", "wz", "", "80", "10"}}));
        QCOMPARE(Households::readings(dm, QStringLiteral("张三"))->electricity, 170.0);
        QCOMPARE(Households::readings(dm, QStringLiteral("张三"))->water, 40.0);

        // By the number when there is one (the name is then not used), else by the name.
        Households::clearReadings(dm, QStringLiteral("3-201"), QStringLiteral("李四"));
        QCOMPARE(db.one(QStringLiteral("select group_concat(dd || ',' || dds, ';') from (select dd, dds from hhb order by iid)")),
                 QStringLiteral("0.0,0.0;80.0,10.0"));
        Households::clearReadings(dm, QString(), QStringLiteral("李四"));
        QCOMPARE(db.one(QStringLiteral("select count(*) from hhb where dd = 0 and dds = 0")), QStringLiteral("2"));
    }

    void pickerLists()
    {
        Db db;
        TDemoDM &dm = DemoDM();
        Households::saveReadings(dm, QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("温州"), {});
        Households::saveReadings(dm, QStringLiteral("2"), QStringLiteral("乙"), QStringLiteral("温州"), {});
        Households::saveReadings(dm, QStringLiteral("3"), QStringLiteral("丙"), QStringLiteral("杭州"), {});
        Households::openAll(dm.ADOQuery2);
        QCOMPARE(dm.ADOQuery2.fetchAll(), 3);
        Households::openCommunities(dm.ADOQuery1);
        QCOMPARE(dm.ADOQuery1.fetchAll(), 2);
    }

    void aFailingStatementThrows()
    {
        Db db;
        db.exec(QStringLiteral("create trigger t before insert on P_ORDERD begin select raise(abort, 'refused'); end"));
        QVERIFY_THROWS_EXCEPTION(AppError, Receipts::insert(DemoDM(), distinctRow(1)));
        QCOMPARE(db.one(QStringLiteral("select count(*) from P_ORDERD")), QStringLiteral("0"));
    }
};

QTEST_MAIN(ReceiptStoreTest)
#include "test_receiptstore.moc"
