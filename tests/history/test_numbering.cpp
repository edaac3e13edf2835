// The history query's numbering after sequences of queries: every history
// row's pxxh must be what the plain rule gives — first every history row 0,
// then the k-th row of the result k — whatever the rows held before (stale
// numbers carried in by archiving, NULL) and however the results overlap.
// Between the queries the receipt store moves receipts: archiving brings
// the current receipts in with the numbers they carry, restoring takes one
// out and numbers the current receipts again in entry order.
#include "historyfixture.h"
#include "controls.h"
#include "data/receiptstore.h"
#include "data/schema.h"
#include "data/serials.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <map>

using namespace history_test;

namespace {

struct Row
{
    qint64 iid = 0;
    QString sjxh, bhmc, nf, yf, rq;
    QVariant pxxh;   // as first stored: a number or NULL
};

// The conditions of one query: "name=…;serial=…;from=…;to=…;year=…;month=…"
// and "table=del" for the deleted receipts; "" lists everything.
struct Conditions
{
    QString name, serial, from, to, year, month;
    bool deleted = false;

    static Conditions parse(const QString &text)
    {
        Conditions c;
        for (const QString &part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString key = part.section(QLatin1Char('='), 0, 0);
            const QString value = part.section(QLatin1Char('='), 1);
            if (key == "name") c.name = value;
            else if (key == "serial") c.serial = value;
            else if (key == "from") c.from = value;
            else if (key == "to") c.to = value;
            else if (key == "year") c.year = value;
            else if (key == "month") c.month = value;
            else if (key == "table") c.deleted = value == "del";
            else qFatal("unknown condition %s", qPrintable(key));
        }
        return c;
    }
    // The history rows the query lists, in its order (year, month, number).
    QList<Row> select(QList<Row> rows) const
    {
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [this](const Row &r) {
                                      return !r.bhmc.startsWith(name) || (!serial.isEmpty() && r.sjxh != serial)
                                          || (!from.isEmpty() && (r.rq.isEmpty() || r.rq < from))
                                          || (!to.isEmpty() && (r.rq.isEmpty() || r.rq > to))
                                          || (!year.isEmpty() && r.nf != year) || (!month.isEmpty() && r.yf != month);
                                  }),
                   rows.end());
        std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
            return std::tie(a.nf, a.yf, a.sjxh) < std::tie(b.nf, b.yf, b.sjxh);
        });
        return rows;
    }
};

// The rule as written, on a map iid -> pxxh: a query of the history that
// lists rows sets every history row to 0, then the k-th listed row to k.
// A query that lists nothing, or one of the deleted receipts, changes nothing.
void plainRenumber(std::map<qint64, QVariant> &numbers, const QList<Row> &result)
{
    if (result.isEmpty())
        return;
    for (auto &entry : numbers)
        entry.second = 0;
    qint64 k = 0;
    for (const Row &r : result)
        numbers[r.iid] = ++k;
}

// 90 history rows over three years, two buildings; one in seven carries a
// stale number, one in ten none at all.
QList<Row> seed(Fixture &fx)
{
    QList<Row> rows;
    DbTransaction tx;
    for (int i = 1; i <= 90; ++i) {
        Row r;
        r.sjxh = QStringLiteral("%1").arg(i * 37 % 101, 8, 10, QLatin1Char('0'));
        r.bhmc = (i % 2 ? QStringLiteral("一号楼") : QStringLiteral("二号楼")) + QString::number(100 + i);
        r.nf = QString::number(2022 + i % 3);
        r.yf = QStringLiteral("%1").arg(i * 5 % 12 + 1, 2, 10, QLatin1Char('0'));
        r.rq = QDate(r.nf.toInt(), r.yf.toInt(), 1 + i % 28).toString(Qt::ISODate);
        r.iid = fx.insert("P_ORDERDBAK", {r.sjxh, r.bhmc, r.nf, r.yf, r.rq});
        r.pxxh = i % 10 == 0 ? QVariant() : QVariant(i % 7 == 0 ? i : 0);
        fx.exec("update P_ORDERDBAK set pxxh = :p where iid = :iid", {{"p", r.pxxh}, {"iid", r.iid}});
        rows << r;
    }
    // Numbered rows without a date: a date range neither lists them nor
    // may it leave their numbers standing.
    for (int i = 1; i <= 2; ++i) {
        Row r;
        r.sjxh = QStringLiteral("%1").arg(300 + i, 8, 10, QLatin1Char('0'));
        r.bhmc = QStringLiteral("一号楼9%1").arg(i);
        r.nf = QStringLiteral("2022");
        r.yf = QStringLiteral("04");
        r.iid = fx.insert("P_ORDERDBAK", {r.sjxh, r.bhmc, r.nf, r.yf, QStringLiteral("2022-04-02")});
        r.pxxh = 5 + i;
        fx.exec("update P_ORDERDBAK set pxxh = :p, rq = NULL where iid = :iid", {{"p", r.pxxh}, {"iid", r.iid}});
        rows << r;
    }
    fx.insert("p_orderd_del", {"00000201", "一号楼9", "2024", "03"});
    fx.insert("p_orderd_del", {"00000202", "二号楼9", "2023", "05"});
    tx.commit();
    return rows;
}

std::map<qint64, QVariant> storedNumbers(Fixture &, const QString &table = QStringLiteral("P_ORDERDBAK"))
{
    std::map<qint64, QVariant> out;
    TNamedQuery &q = DemoDM().qcx;
    q.openWith(QStringLiteral("select iid, pxxh from %1").arg(table));
    for (bool more = q.first(); more; more = q.next()) {
        const QVariant p = q.value(QStringLiteral("pxxh"));
        out[q.value(QStringLiteral("iid")).toLongLong()] = p.isNull() ? QVariant() : QVariant(p.toLongLong());
    }
    q.close();
    return out;
}

QString differences(const std::map<qint64, QVariant> &stored, const std::map<qint64, QVariant> &expected)
{
    QStringList out;
    for (const auto &[iid, p] : expected) {
        const auto it = stored.find(iid);
        const QString got = it == stored.end() ? QStringLiteral("missing")
            : it->second.isNull()              ? QStringLiteral("NULL")
                                               : it->second.toString();
        const QString want = p.isNull() ? QStringLiteral("NULL") : p.toString();
        if (got != want)
            out << QStringLiteral("iid %1: %2 instead of %3").arg(iid).arg(got, want);
    }
    if (stored.size() != expected.size())
        out << QStringLiteral("%1 rows instead of %2").arg(stored.size()).arg(expected.size());
    return out.join(QStringLiteral("; "));
}

// Puts four current receipts in (numbered as the entry tab may leave them:
// in entry order, one with a stale number and one without any; or, from an
// older file, none with a number); returns them. Their keys follow the
// history's, as in use.
QList<Row> addFour(Fixture &fx, int batch, bool unnumbered)
{
    fx.exec("delete from sqlite_sequence where name = 'P_ORDERD'");
    fx.exec("insert into sqlite_sequence(name, seq) select 'P_ORDERD', max(iid) from P_ORDERDBAK");
    QList<Row> rows;
    {
        DbTransaction tx;
        for (int i = 1; i <= 4; ++i) {
            Row r;
            r.sjxh = QStringLiteral("%1").arg(500 + batch * 10 + i, 8, 10, QLatin1Char('0'));
            r.bhmc = (i % 2 ? QStringLiteral("一号楼") : QStringLiteral("二号楼")) + QString::number(500 + batch * 10 + i);
            r.nf = QStringLiteral("2024");
            r.yf = QStringLiteral("%1").arg(5 + i % 2, 2, 10, QLatin1Char('0'));
            r.rq = QStringLiteral("2024-0%1-1%2").arg(r.yf.right(1)).arg(i);
            r.iid = fx.insert("P_ORDERD", {r.sjxh, r.bhmc, r.nf, r.yf, r.rq});
            r.pxxh = i == 3 || unnumbered ? QVariant() : QVariant(i == 4 ? 40 : i);
            fx.exec("update P_ORDERD set pxxh = :p where iid = :iid", {{"p", r.pxxh}, {"iid", r.iid}});
            rows << r;
        }
        tx.commit();
    }
    return rows;
}

} // namespace

class TestNumbering : public QObject
{
    Q_OBJECT
private slots:
    void everyRowAsThePlainRuleGives_data();
    void everyRowAsThePlainRuleGives();
};

void TestNumbering::everyRowAsThePlainRuleGives_data()
{
    const QList<std::pair<const char *, QStringList>> cases{
        {"month, year, all, month again", {"year=2023;month=05", "year=2024", "", "year=2023;month=05"}},
        {"name, serial, narrower name", {"name=一号楼", "serial=00000067", "name=二号楼12"}},
        {"date ranges", {"from=2022-03-01;to=2022-09-30", "from=2023-01-01", "to=2022-06-30"}},
        {"rows without a date, then a date range", {"year=2022;month=04", "to=2022-06-30", "year=2022;month=04", "from=2022-01-01"}},
        {"empty result and deleted receipts keep the numbers", {"year=2024;month=02", "name=无此户", "table=del", "year=2024;month=02;name=二号楼"}},
        {"first query lists nothing", {"serial=99999999", "year=2022"}},
        {"same query twice", {"", ""}},
        {"same query after another writer's numbers", {"year=2024", "year=2024", "spoil=00000005", "year=2024", "spoil=00000003", "year=2024",
                           "spoil-other=00000005", "year=2024", "spoil-other=00000003", "year=2024"}},
        {"result inside the last one, then around it", {"year=2024", "year=2024;month=07", "year=2024", "name=一号楼;year=2024"}},
        // The store's moves between queries ("archive": four current receipts
        // into the history, "archive=unnumbered" four without numbers;
        // "restore=<serial>": one back among the current ones).
        {"archive into a numbered history, then its month", {"year=2024", "archive", "year=2024;month=06", "archive", "name=二号楼"}},
        {"archive before any query", {"archive", "", "name=一号楼5"}},
        {"archive receipts without numbers, the same query again", {"year=2023", "archive=unnumbered", "year=2023", "archive=unnumbered", "name=二号楼5"}},
        {"restore a listed row, then the same query", {"year=2024", "restore=00000005", "year=2024", "restore=00000011", "name=一号楼"}},
        {"restore a row outside the list, archive it back", {"year=2023", "restore=00000002", "archive", "year=2023", "restore=00000512", "year=2024"}},
        {"restore, then the query lists nothing", {"serial=00000067", "restore=00000067", "serial=00000067", "year=2022"}},
    };

    // Each sequence also the way a result of most of a long history takes:
    // the index of the numbered rows dropped and built afresh.
    QTest::addColumn<QStringList>("queries");
    QTest::addColumn<qint64>("rebuildIndexFrom");
    for (const auto &[name, queries] : cases) {
        QTest::newRow(name) << queries << Serials::RebuildIndexFrom();
        QTest::newRow(qPrintable(QStringLiteral("%1 (index built afresh)").arg(QLatin1String(name)))) << queries << qint64(1);
    }
}

void TestNumbering::everyRowAsThePlainRuleGives()
{
    QFETCH(QStringList, queries);
    QFETCH(qint64, rebuildIndexFrom);
    const qint64 usual = Serials::RebuildIndexFrom();
    Serials::SetRebuildIndexFrom(rebuildIndexFrom);
    const auto restoreUsual = qScopeGuard([usual] { Serials::SetRebuildIndexFrom(usual); });
    Fixture fx;
    const QList<Row> rows = seed(fx);
    std::map<qint64, QVariant> expected;
    for (const Row &r : rows)
        expected[r.iid] = r.pxxh;
    QCOMPARE(differences(storedNumbers(fx), expected), QString());

    QList<Row> history = rows;
    QList<Row> current;                        // restored, not yet archived again
    std::map<qint64, QVariant> currentNumbers;  // their numbers after the last restore
    int batches = 0;
    for (const QString &text : queries) {
        const bool archive = text == QLatin1String("archive") || text == QLatin1String("archive=unnumbered");
        if (archive) {
            current << addFour(fx, ++batches, text != QLatin1String("archive"));
            Receipts::archiveAll(DemoDM());
            // Every current receipt goes, with the number it carries.
            const std::map<qint64, QVariant> carried = currentNumbers;
            for (const Row &r : current) {
                history << r;
                expected[r.iid] = carried.count(r.iid) ? carried.at(r.iid) : r.pxxh;
            }
            current.clear();
            currentNumbers.clear();
            QCOMPARE(storedNumbers(fx, QStringLiteral("P_ORDERD")).size(), size_t(0));
        } else if (text.startsWith(QLatin1String("restore="))) {
            const QString sjxh = text.section(QLatin1Char('='), 1);
            QVERIFY2(Receipts::inHistory(DemoDM(), sjxh), qPrintable(sjxh));
            Receipts::restore(DemoDM(), sjxh);
            for (auto it = history.begin(); it != history.end();) {
                if (it->sjxh == sjxh) {
                    expected.erase(it->iid);
                    current << *it;
                    it = history.erase(it);
                } else {
                    ++it;
                }
            }
            // The current receipts are numbered 1, 2, 3 ... in entry order.
            currentNumbers.clear();
            for (const Row &r : current)
                currentNumbers[r.iid] = QVariant();
            qint64 k = 0;
            for (auto &entry : currentNumbers)
                entry.second = ++k;
            QCOMPARE(differences(storedNumbers(fx, QStringLiteral("P_ORDERD")), currentNumbers), QString());
        }
        if (text.startsWith(QLatin1String("spoil"))) {
            // Another writer leaves a number of its own on a row: on this
            // connection or, through the file, on another one.
            const QString sjxh = text.section(QLatin1Char('='), 1);
            const QString sql = QStringLiteral("update P_ORDERDBAK set pxxh = 99 where sjxh = '%1'").arg(sjxh);
            if (text.startsWith(QLatin1String("spoil-other="))) {
                {
                    QSqlDatabase other = QSqlDatabase::cloneDatabase(TDemoDM::kConnectionName, QStringLiteral("other"));
                    QVERIFY(other.open());
                    QSqlQuery q(other);
                    QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
                    other.close();
                }
                QSqlDatabase::removeDatabase(QStringLiteral("other"));
            } else {
                fx.exec(sql);
            }
            for (const Row &r : history)
                if (r.sjxh == sjxh)
                    expected[r.iid] = 99;
        }
        if (archive || text.startsWith(QLatin1String("restore=")) || text.startsWith(QLatin1String("spoil"))) {
            QVERIFY2(differences(storedNumbers(fx), expected).isEmpty(),
                     qPrintable(QStringLiteral("after “%1”: %2").arg(text, differences(storedNumbers(fx), expected))));
            continue;
        }
        const Conditions c = Conditions::parse(text);
        control<QLineEdit>(fx.f(), "Edit15")->setText(c.name);
        control<QLineEdit>(fx.f(), "Edit16")->setText(c.serial);
        control<QLineEdit>(fx.f(), "Edit17")->setText(c.from);
        control<QLineEdit>(fx.f(), "Edit18")->setText(c.to);
        control<QLineEdit>(fx.f(), "Edit23")->setText(c.year);
        control<QComboBox>(fx.f(), "cbbyf")->setEditText(c.month);
        (c.deleted ? control<QRadioButton>(fx.f(), "rbb2") : control<QRadioButton>(fx.f(), "rbb1"))->setChecked(true);
        fx.query();
        QCOMPARE(fx.dialogs.count(), 0);

        if (!c.deleted) {
            const QList<Row> result = c.select(history);
            QStringList serials;
            for (const Row &r : result)
                serials << r.sjxh;
            // The test's own reading of the conditions lists what the tab lists.
            if (!result.isEmpty())
                QCOMPARE(fx.listed(), serials);
            plainRenumber(expected, result);
        }
        QVERIFY2(differences(storedNumbers(fx), expected).isEmpty(),
                 qPrintable(QStringLiteral("after “%1”: %2").arg(text, differences(storedNumbers(fx), expected))));
        // Built afresh or kept, the index of the numbered rows is there.
        QSqlQuery index(QSqlDatabase::database(TDemoDM::kConnectionName));
        QVERIFY(index.exec(QStringLiteral("select sql from sqlite_master where type = 'index' and name = '%1'")
                               .arg(Schema::kNumberedHistoryIndexName)));
        QVERIFY2(index.next(), qPrintable(text));
        QVERIFY2(index.value(0).toString().endsWith(QLatin1String("ON P_ORDERDBAK(pxxh) WHERE pxxh IS NOT 0")),
                 qPrintable(index.value(0).toString()));
    }
}

QTEST_MAIN(TestNumbering)
#include "test_numbering.moc"
