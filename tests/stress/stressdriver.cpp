// One operation of the program, run as the operator does it: the main window
// on the database in <folder>, the fields typed and the button clicked.
//   mtrfee_stress_driver <folder> init          creates the database
//   mtrfee_stress_driver <folder> save <n>      saves a receipt of household n
//   mtrfee_stress_driver <folder> archive       moves the current receipts to the history
// Lines on standard output: "begin" just before the click, "end <µs>" after
// it, "box <text>" for every message shown, "saved <number>" for a stored
// receipt. Every question is answered Yes.
#include "settings/global.h"
#include "app/orderform.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "data/demodm.h"
#include "data/namedquery.h"
#include "text/datetext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class AnswerYes : public Dialogs::Handler
{
public:
    bool show(const Dialogs::Shown &box) override
    {
        say(QStringLiteral("box ") + QString(box.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return true;
    }
};

template<typename W>
W *child(QWidget *window, const char *name)
{
    W *w = window->findChild<W *>(QString::fromLatin1(name));
    if (!w) {
        say(QStringLiteral("missing widget %1").arg(QLatin1String(name)));
        std::exit(3);
    }
    return w;
}

void type(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

void click(QWidget *window, const char *button)
{
    QAbstractButton *b = child<QAbstractButton>(window, button);
    QElapsedTimer t;
    say(QStringLiteral("begin"));
    t.start();
    b->click();
    say(QStringLiteral("end %1").arg(t.nsecsElapsed() / 1000));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        say(QStringLiteral("usage: mtrfee_stress_driver <folder> init|save <n>|archive"));
        return 2;
    }
    AppPaths::setProgramDir(args.at(1));
    const QString op = args.at(2);
    DateText::setToday(QDate(2024, 3, 5));

    AnswerYes answers;
    Dialogs::setHandler(&answers);
    int rc = 0;
    {
        TGlobal global(AppPaths::inProgramDir(QStringLiteral("mtrfee.ini")));
        global.str_dj = QStringLiteral("0.5");
        global.str_djs = QStringLiteral("2");
        TDemoDM dm;
        TOrderForm window;
        window.FormShow();
        if (op == QLatin1String("save") && args.size() > 3) {
            const int n = args.at(3).toInt();
            const QString name = QStringLiteral("住户%1").arg(n);
            child<QComboBox>(&window, "edit41")->setEditText(name);
            type(child<QLineEdit>(&window, "Edit20"), QStringLiteral("h%1").arg(n));
            type(child<QLineEdit>(&window, "Edit21"), QString::number(100 + n));
            type(child<QLineEdit>(&window, "Edit22"), QStringLiteral("100"));
            type(child<QLineEdit>(&window, "Edit30"), QString::number(20 + n));
            type(child<QLineEdit>(&window, "Edit31"), QStringLiteral("20"));
            type(child<QLineEdit>(&window, "Edit37"), QStringLiteral("100"));
            click(&window, "SpeedButton1");
            TNamedQuery &q = DemoDM().qcx;
            q.openWith(QStringLiteral("select sjxh from P_ORDERD where bhmc= :bhmc "), {{"bhmc", name}});
            if (!q.isEmpty())
                say(QStringLiteral("saved ") + q.value(QStringLiteral("sjxh")).toString());
            q.close();
        } else if (op == QLatin1String("archive")) {
            click(&window, "SpeedButton20");
        } else if (op != QLatin1String("init")) {
            say(QStringLiteral("unknown operation ") + op);
            rc = 2;
        }
    }
    Dialogs::setHandler(nullptr);
    return rc;
}
