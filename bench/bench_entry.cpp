// The entry screen at typing speed: one key press through the whole
// cascade of change handlers, and the household picker's search.
#include "benchcommon.h"
#include "benchdb.h"

#include "settings/global.h"
#include "data/demodm.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/zozudexcombobox.h"
#include "text/keyfilter.h"
#include "controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <cstdio>
#include <memory>

namespace {

void sendKey(QWidget *w, int key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

struct EntryScreen
{
    BenchDatabase db;
    TGlobal global{db.dir() + QStringLiteral("/mtrfee.ini")};
    std::unique_ptr<TEntryTab> tab;

    EntryScreen()
    {
        global.str_dj = QStringLiteral("0.5");
        global.str_djs = QStringLiteral("2");
        tab = std::make_unique<TEntryTab>();
        tab->resize(921, 660);
        tab->show();
        QApplication::setActiveWindow(tab.get());
        QApplication::processEvents();
        QWidget *f = tab.get();
        for (TEntryField *e :
             {control<TEntryField>(f, "Edit20"), control<TEntryField>(f, "Edit21"), control<TEntryField>(f, "Edit22"),
              control<TEntryField>(f, "Edit27"), control<TEntryField>(f, "Edit31"), control<TEntryField>(f, "Edit32")})
            e->clearField();
        control<TEntryField>(f, "Edit29")->setFieldText(QStringLiteral("0"));
        control<TEntryField>(f, "Edit30")->setFieldText(QStringLiteral("0"));
        control<TEntryField>(f, "Edit28")->setFieldText(global.str_dj);
        control<TEntryField>(f, "Edit33")->setFieldText(global.str_djs);
        for (TEntryField *e : {control<TEntryField>(f, "Edit8"), control<TEntryField>(f, "Edit24"),
                               control<TEntryField>(f, "Edit36"), control<TEntryField>(f, "Edit37")})
            e->clearField();
        control<TEntryField>(f, "Edit22")->setFieldText(QStringLiteral("100"));
        control<TEntryField>(f, "Edit8")->setFieldText(QStringLiteral("2.25"));
        control<TEntryField>(f, "Edit37")->setFieldText(QStringLiteral("100"));
    }
};

// A digit typed at the end of this month's reading: Edit21 → Edit27 →
// Edit29 → Edit35 (twice) → Edit9, with the zero-fill checks on the way.
const Bench::Register keyInReading(QStringLiteral("entry-keypress-cascade"), [] {
    EntryScreen screen;
    TEntryField *reading = control<TEntryField>(screen.tab.get(), "Edit21");
    TEntryField *total = control<TEntryField>(screen.tab.get(), "Edit35");
    reading->setFocus(Qt::TabFocusReason);
    reading->setFieldText(QStringLiteral("15"));
    reading->end(false);
    int typed = 0;
    const double ms = Bench::medianMs(
        2001,
        [&] { sendKey(reading, Qt::Key_0 + typed % 10, QString::number(typed % 10)); },
        [&] {
            ++typed;
            reading->setFieldText(QStringLiteral("15"));
            reading->end(false);
        });
    if (reading->text().size() != 3 || total->text().isEmpty())
        std::fprintf(stderr, "bench: the cascade did not run (%s)\n", qPrintable(total->text()));
    Bench::report(QStringLiteral("entry-keypress-cascade"), ms);
});

// Enter in the household picker over 100,000 households, until the list
// shows under the field.
const Bench::Register pickerSearch(QStringLiteral("entry-picker-search-100k"), [] {
    // The offscreen platform warns at every pop-up that it cannot grab the
    // keyboard; keep the figures readable.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (!text.startsWith(QLatin1String("This plugin does not support")) && previous)
            previous(type, context, text);
    });
    EntryScreen screen;
    screen.db.addHouseholds(100000);
    screen.tab->ReopenPickerLists();
    TZozudExComboBox *picker = control<TZozudExComboBox>(screen.tab.get(), "edit41");
    picker->setFocus(Qt::TabFocusReason);
    const struct
    {
        const char *label;
        QString text;
    } cases[] = {
        {"initials", QStringLiteral("bcd")},
        {"one letter", QStringLiteral("q")},
        {"name", QStringLiteral("住户4711")},
        {"number", QStringLiteral("57-1")},
        {"all (empty)", QString()},
        {"no match", QStringLiteral("none")},
    };
    for (const auto &c : cases) {
        int rows = 0;
        const double ms = Bench::medianMs(
            31,
            [&] {
                picker->setEditText(c.text);
                sendKey(picker, Qt::Key_Return, QStringLiteral("\r"));
            },
            [&] {
                picker->hidePopup();
                picker->setFocus(Qt::TabFocusReason);
                QApplication::processEvents();
            });
        rows = DemoDM().ADOQuery2.model()->rowCount();
        picker->hidePopup();
        Bench::report(QStringLiteral("entry-picker-search-100k (%1, %2 rows shown)").arg(QLatin1String(c.label)).arg(rows),
                      ms);
    }
    qInstallMessageHandler(previous);
});

} // namespace
