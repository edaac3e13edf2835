#include "common/filereplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Every entry of the folder, so that a temporary file left behind shows.
QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class FileReplaceTest : public QObject
{
    Q_OBJECT

private slots:
    void write_data()
    {
        QTest::addColumn<QByteArray>("old");   // "<missing>": no file yet
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("new file") << QByteArray("<missing>") << QByteArray("[a]\nb=1\n");
        QTest::newRow("longer than the old") << QByteArray("x") << QByteArray(200000, 'y');
        QTest::newRow("shorter than the old") << QByteArray(5000, 'x') << QByteArray("z");
        QTest::newRow("empty") << QByteArray("old") << QByteArray();
    }

    // The file ends up with exactly the new bytes, owner-only, and nothing
    // else is left in the folder.
    void write()
    {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("设置.ini"));
        if (old != "<missing>")
            QVERIFY(put(path, old));
        QString why = QStringLiteral("untouched");
        QVERIFY(FileReplace::write(path, bytes, &why));
        QCOMPARE(why, QStringLiteral("untouched"));
        QCOMPARE(contents(path), bytes);
        QCOMPARE(QFile::permissions(path) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("设置.ini")});
    }

    // A write that cannot complete leaves the old file as it was and no
    // temporary file, and says why.
    void failedWriteLeavesTheOldFile()
    {
        QTemporaryDir dir;
        // The name is taken by a folder: the new file cannot go there.
        const QString folder = dir.filePath(QStringLiteral("taken"));
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(put(folder + QStringLiteral("/inside"), "keep"));
        QString why;
        QVERIFY(!FileReplace::write(folder, "new", &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("taken")});
        QCOMPARE(contents(folder + QStringLiteral("/inside")), QByteArray("keep"));

        // A folder that does not exist.
        why.clear();
        QVERIFY(!FileReplace::write(dir.filePath(QStringLiteral("no/such.ini")), "new", &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("taken")});
    }

    void replace()
    {
        QTemporaryDir dir;
        const QString from = dir.filePath(QStringLiteral("new.db"));
        const QString to = dir.filePath(QStringLiteral("data.db"));
        QVERIFY(put(from, "new"));
        QVERIFY(put(to, "old"));
        QVERIFY(FileReplace::replace(from, to));
        QCOMPARE(contents(to), QByteArray("new"));
        QVERIFY(!QFile::exists(from));

        // Nothing to move: the target keeps what it had.
        QString why;
        QVERIFY(!FileReplace::replace(from, to, &why));
        QVERIFY(!why.isEmpty());
        QCOMPARE(contents(to), QByteArray("new"));
    }
};

QTEST_MAIN(FileReplaceTest)
#include "test_filereplace.moc"
