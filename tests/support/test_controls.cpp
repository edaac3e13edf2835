// The look-up that tests reach a screen's controls with: it finds the one
// control of that name and type anywhere under the screen, and a name that
// is missing, of another type or not alone ends the test program with a
// message that says which.
#include "controls.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>

namespace {

// A screen with a field, a button, a group holding a second field, and
// two labels that share one name.
struct Screen
{
    QWidget root;
    QLineEdit *field = new QLineEdit(&root);
    QPushButton *button = new QPushButton(&root);
    QWidget *group = new QWidget(&root);
    QLineEdit *inner = new QLineEdit(group);
    QVBoxLayout *layout = new QVBoxLayout(group);

    Screen()
    {
        root.setObjectName(QStringLiteral("TScreen"));
        field->setObjectName(QStringLiteral("Edit1"));
        button->setObjectName(QStringLiteral("BitBtn1"));
        group->setObjectName(QStringLiteral("GroupBox1"));
        inner->setObjectName(QStringLiteral("Edit2"));
        layout->setObjectName(QStringLiteral("groupLayout"));
        for (int i = 0; i < 2; ++i)
            (new QLineEdit(i == 0 ? &root : group))->setObjectName(QStringLiteral("Twice"));
    }
};

// Child mode: looks up argv[2] as a line edit and says what it found.
int lookUp(const char *name)
{
    Screen screen;
    QLineEdit *found = control<QLineEdit>(&screen.root, name);
    std::printf("found %s\n", qPrintable(found->objectName()));
    return 0;
}

} // namespace

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void findsTheControlOfThatNameAndType()
    {
        Screen screen;
        QCOMPARE(control<QLineEdit>(&screen.root, "Edit1"), screen.field);
        QCOMPARE(control<QPushButton>(&screen.root, "BitBtn1"), screen.button);
        // Nested in a group, as the controls of a form are.
        QCOMPARE(control<QLineEdit>(&screen.root, "Edit2"), screen.inner);
        QCOMPARE(control<QVBoxLayout>(&screen.root, "groupLayout"), screen.layout);
        // A base type finds the control too.
        QCOMPARE(control<QWidget>(&screen.root, "BitBtn1"), static_cast<QWidget *>(screen.button));
    }

    void aControlThatIsNotThereEndsTheProgram_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("said");
        QTest::newRow("missing") << QStringLiteral("Edit9")
                                 << QStringLiteral("no control named \"Edit9\" of type QLineEdit under QWidget \"TScreen\"");
        QTest::newRow("other type") << QStringLiteral("BitBtn1")
                                    << QStringLiteral("no control named \"BitBtn1\" of type QLineEdit");
        QTest::newRow("not alone") << QStringLiteral("Twice")
                                   << QStringLiteral("2 controls named \"Twice\" of type QLineEdit");
        QTest::newRow("empty name") << QString() << QStringLiteral("no control named \"\" of type QLineEdit");
    }

    void aControlThatIsNotThereEndsTheProgram()
    {
        QFETCH(QString, name);
        QFETCH(QString, said);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--look-up"), name});
        QVERIFY(child.waitForFinished(60000));
        const QString err = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0, qPrintable(err));
        QVERIFY2(err.contains(said), qPrintable(err));
        // The message points at the test line that asked.
        QVERIFY2(err.contains(QStringLiteral("test_controls.cpp:")), qPrintable(err));
        QVERIFY(!child.readAllStandardOutput().contains("found"));
    }

    void theChildFindsWhatIsThere()
    {
        // The child mode itself: a control that is there is found.
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--look-up"), QStringLiteral("Edit2")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("found Edit2"));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--look-up") == 0)
        return lookUp(argv[2]);
    ControlsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_controls.moc"
