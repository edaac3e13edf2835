// The program killed with SIGKILL at random moments of 20 saves and 5
// archives. After every kill the database must be whole: it passes
// integrity_check, the counter is at or above every number issued, no
// number is stored twice, and each operation happened entirely or not at
// all (a save stores one receipt with its household, its fees and its
// registered number; an archive moves every current receipt or none).
// The seed is printed; MTRFEE_STRESS_SEED=<n> runs the same kill times again.
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QStringList kReceiptTables{QStringLiteral("P_ORDERD"), QStringLiteral("P_ORDERDBAK"),
                                 QStringLiteral("p_orderd_del")};

// One stored receipt as far as these checks are concerned.
struct Row
{
    qint64 iid;
    QString sjxh;
    QString bhmc;
    friend bool operator==(const Row &, const Row &) = default;
    friend size_t qHash(const Row &r, size_t seed = 0) { return qHashMulti(seed, r.iid, r.sjxh, r.bhmc); }
};

struct State
{
    QString integrity;
    QMap<QString, QSet<Row>> receipts;  // by table
    qint64 counter = 0;
    QList<qint64> issued;               // the register's numbers
    QSet<QString> households;           // hhb.hm
    QSet<QString> fees;                 // kdfb.hm

    QSet<Row> all() const
    {
        QSet<Row> out;
        for (const QSet<Row> &t : receipts)
            out.unite(t);
        return out;
    }
};

State readState(const QString &dbFile)
{
    State s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(dbFile);
        if (!db.open())
            qFatal("cannot open %s: %s", qPrintable(dbFile), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        auto exec = [&](const QString &sql) {
            if (!q.exec(sql))
                qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        };
        exec(QStringLiteral("PRAGMA integrity_check"));
        QStringList problems;
        while (q.next())
            problems << q.value(0).toString();
        s.integrity = problems.join(QLatin1Char('\n'));
        for (const QString &t : kReceiptTables) {
            exec(QStringLiteral("select iid, sjxh, bhmc from %1").arg(t));
            QSet<Row> &rows = s.receipts[t];
            while (q.next())
                rows.insert({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
        }
        exec(QStringLiteral("select sjxh from sjxhb where lbmc = '销售单'"));
        if (q.next())
            s.counter = q.value(0).toLongLong();
        exec(QStringLiteral("select sjxh from bciidb"));
        while (q.next())
            s.issued << q.value(0).toLongLong();
        exec(QStringLiteral("select hm from hhb"));
        while (q.next())
            s.households.insert(q.value(0).toString());
        exec(QStringLiteral("select hm from kdfb"));
        while (q.next())
            s.fees.insert(q.value(0).toString());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return s;
}

// What must hold after any kill.
void checkWhole(const State &s)
{
    QCOMPARE(s.integrity, QStringLiteral("ok"));
    QSet<qint64> iids;
    QSet<QString> numbers;
    for (auto t = s.receipts.cbegin(); t != s.receipts.cend(); ++t) {
        for (const Row &r : *t) {
            QVERIFY2(!iids.contains(r.iid), qPrintable(QStringLiteral("iid %1 in two tables").arg(r.iid)));
            QVERIFY2(!numbers.contains(r.sjxh), qPrintable(QStringLiteral("number %1 stored twice").arg(r.sjxh)));
            iids.insert(r.iid);
            numbers.insert(r.sjxh);
            QVERIFY2(s.issued.contains(r.sjxh.toLongLong()),
                     qPrintable(QStringLiteral("number %1 stored but not registered").arg(r.sjxh)));
        }
    }
    QCOMPARE(QSet<qint64>(s.issued.cbegin(), s.issued.cend()).size(), s.issued.size());
    for (qint64 n : s.issued)
        QVERIFY2(s.counter >= n, qPrintable(QStringLiteral("counter %1 below issued %2").arg(s.counter).arg(n)));
}

// A save of household `name` happened wholly or not at all.
void checkSave(const State &before, const State &after, const QString &name, bool completed)
{
    const QSet<Row> added = after.all() - before.all();
    const bool nothing = added.isEmpty() && after.receipts == before.receipts && after.issued == before.issued
                         && after.households == before.households && after.fees == before.fees;
    if (nothing) {
        QVERIFY2(!completed, "a save that returned stored nothing");
        return;
    }
    QCOMPARE(added.size(), 1);
    const Row r = *added.cbegin();
    QCOMPARE(r.bhmc, name);
    QVERIFY(after.receipts[QStringLiteral("P_ORDERD")].contains(r));
    QCOMPARE(after.all() - QSet<Row>{r}, before.all());
    QCOMPARE(after.issued.size(), before.issued.size() + 1);
    const qint64 number = r.sjxh.toLongLong();
    for (qint64 n : before.issued)
        QVERIFY2(number > n, qPrintable(QStringLiteral("number %1 reused or behind %2").arg(number).arg(n)));
    QVERIFY(after.households.contains(name) && !before.households.contains(name));
    QVERIFY(after.fees.contains(name) && !before.fees.contains(name));
}

// An archive moved every current receipt into the history, or nothing.
void checkArchive(const State &before, const State &after)
{
    QCOMPARE(after.issued, before.issued);
    QCOMPARE(after.counter, before.counter);
    QCOMPARE(after.receipts[QStringLiteral("p_orderd_del")], before.receipts[QStringLiteral("p_orderd_del")]);
    if (after.receipts == before.receipts)
        return;
    QVERIFY(after.receipts[QStringLiteral("P_ORDERD")].isEmpty());
    QCOMPARE(after.receipts[QStringLiteral("P_ORDERDBAK")],
             before.receipts[QStringLiteral("P_ORDERDBAK")] + before.receipts[QStringLiteral("P_ORDERD")]);
}

struct Run
{
    bool began = false;
    bool completed = false;   // the click returned before the kill
    bool exitedCleanly = false;
    qint64 micros = 0;        // how long the click took, when completed
    QString output;
};

// Runs the driver; with killAfter >= 0 kills it that many microseconds
// after it reported the click's start.
Run runDriver(const QString &folder, const QStringList &op, qint64 killAfter)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(MTRFEE_STRESS_DRIVER), QStringList{folder} + op);
    Run run;
    if (!p.waitForStarted(30000))
        qFatal("the driver did not start");
    QByteArray out;
    while (!out.contains("begin\n")) {
        if (!p.waitForReadyRead(120000))
            break;
        out += p.readAllStandardOutput();
    }
    run.began = out.contains("begin\n");
    if (run.began && killAfter >= 0) {
        QThread::usleep(static_cast<unsigned long>(killAfter));
        p.kill();
    }
    p.waitForFinished(120000);
    out += p.readAllStandardOutput();
    run.output = QString::fromUtf8(out);
    const int end = run.output.indexOf(QLatin1String("\nend "));
    run.completed = end >= 0;
    if (run.completed)
        run.micros = run.output.mid(end + 5).section(QLatin1Char('\n'), 0, 0).toLongLong();
    run.exitedCleanly = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (killAfter < 0 && !run.exitedCleanly)
        qWarning("driver %s ended with status %d, code %d:\n%s", qPrintable(op.join(QLatin1Char(' '))),
                 int(p.exitStatus()), p.exitCode(), qPrintable(run.output));
    return run;
}

} // namespace

class KillSaveTest : public QObject
{
    Q_OBJECT

private slots:
    void killedSavesAndArchivesLeaveTheDatabaseWhole()
    {
        quint32 seed = QRandomGenerator::system()->generate();
        if (qEnvironmentVariableIsSet("MTRFEE_STRESS_SEED"))
            seed = quint32(qEnvironmentVariableIntValue("MTRFEE_STRESS_SEED"));
        qInfo("seed %u (MTRFEE_STRESS_SEED=%u repeats it)", seed, seed);
        QRandomGenerator rng(seed);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString db = dir.filePath(QStringLiteral("qmvDemo.db"));
        QVERIFY(runDriver(dir.path(), {QStringLiteral("init")}, -1).exitedCleanly);
        State state = readState(db);
        checkWhole(state);

        // How long a click takes: measured on one save and one archive that
        // are not killed, then kept up to date from the clicks that finished
        // before their kill. A kill falls anywhere up to a little after it.
        QMap<QString, qint64> typical;
        int saves = 0, midway = 0, undone = 0;
        for (const QString &kind : {QStringLiteral("save"), QStringLiteral("archive")}) {
            QStringList op{kind};
            if (kind == QLatin1String("save"))
                op << QString::number(++saves);
            const Run run = runDriver(dir.path(), op, -1);
            QVERIFY2(run.completed && run.exitedCleanly, qPrintable(run.output));
            typical[kind] = qMax<qint64>(run.micros, 500);
            const State after = readState(db);
            checkWhole(after);
            if (kind == QLatin1String("save"))
                checkSave(state, after, QStringLiteral("住户%1").arg(saves), true);
            else
                checkArchive(state, after);
            state = after;
        }
        QSet<QString> confirmed; // numbers of saves that returned
        for (int i = 0; i < 25; ++i) {
            const bool archive = i % 5 == 4;
            const QString kind = archive ? QStringLiteral("archive") : QStringLiteral("save");
            QStringList op{kind};
            if (!archive)
                op << QString::number(++saves);
            const qint64 delay = qint64(rng.bounded(double(typical[kind]) * 1.2));
            const Run run = runDriver(dir.path(), op, delay);
            QVERIFY2(run.began, qPrintable(run.output));
            if (run.completed)
                typical[kind] = qMax<qint64>((typical[kind] + run.micros) / 2, 500);
            else
                ++midway;
            const State after = readState(db);
            const QString what = QStringLiteral("%1 killed after %2 us (%3)")
                                     .arg(op.join(QLatin1Char(' ')))
                                     .arg(delay)
                                     .arg(run.completed ? QStringLiteral("after the click") : QStringLiteral("during the click"));
            qInfo("%s", qPrintable(what));
            checkWhole(after);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(what));
            if (archive)
                checkArchive(state, after);
            else
                checkSave(state, after, QStringLiteral("住户%1").arg(saves), run.completed);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(what));
            if (!run.completed && after.receipts == state.receipts)
                ++undone;
            if (run.completed && !archive)
                for (const Row &r : after.all())
                    if (r.bhmc == QStringLiteral("住户%1").arg(saves))
                        confirmed.insert(r.sjxh);
            state = after;
        }
        qInfo("%d of 25 kills fell during the click; %d of those left nothing done", midway, undone);
        QVERIFY2(midway >= 5, "too few kills fell during a click: the kill times do not test anything");

        // The program goes on: a save without a kill takes the next number,
        // and nothing confirmed earlier is lost.
        const Run last = runDriver(dir.path(), {QStringLiteral("save"), QString::number(++saves)}, -1);
        QVERIFY2(last.completed && last.exitedCleanly, qPrintable(last.output));
        const State after = readState(db);
        checkWhole(after);
        checkSave(state, after, QStringLiteral("住户%1").arg(saves), true);
        QSet<QString> stored;
        for (const Row &r : after.all())
            stored.insert(r.sjxh);
        QVERIFY(stored.contains(confirmed));
    }
};

QTEST_GUILESS_MAIN(KillSaveTest)
#include "test_killsave.moc"
