#include "common/apperror.h"
#include "common/operation.h"
#include "common/screenkeys.h"
#include "recordingdialogs.h"
#include "text/texterror.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

// A window with a few line edits that can really take the focus.
struct Fields
{
    QWidget window;
    QList<QLineEdit *> edits;

    explicit Fields(int n)
    {
        auto *layout = new QVBoxLayout(&window);
        for (int i = 0; i < n; ++i) {
            auto *e = new QLineEdit(QStringLiteral("text %1").arg(i), &window);
            layout->addWidget(e);
            edits << e;
        }
        window.show();
        window.activateWindow();
    }
    bool ready() { return QTest::qWaitForWindowActive(&window); }
};

} // namespace

class ScreenKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<bool>("ctrlDelete");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << true << false;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true << false;
        QTest::newRow("Shift+Return") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << true << false;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << false << false;
        QTest::newRow("Ctrl+Delete") << int(Qt::Key_Delete) << int(Qt::ControlModifier) << false << true;
        QTest::newRow("Ctrl+Shift+Delete") << int(Qt::Key_Delete) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                           << false << true;
        QTest::newRow("Shift+Delete") << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << false << false;
        QTest::newRow("Ctrl+Backspace") << int(Qt::Key_Backspace) << int(Qt::ControlModifier) << false << false;
        QTest::newRow("Ctrl+D") << int(Qt::Key_D) << int(Qt::ControlModifier) << false << false;
    }

    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, enter);
        QFETCH(bool, ctrlDelete);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(ScreenKeys::isEnter(&event), enter);
        QCOMPARE(ScreenKeys::isCtrlDelete(&event), ctrlDelete);
    }

    // Ctrl+Delete runs the grid's action and goes no further; other keys
    // reach the widget; once the screen object is gone, nothing runs.
    void ctrlDeleteRunsTheActionOnly()
    {
        Fields f(1);
        QVERIFY(f.ready());
        QLineEdit *edit = f.edits[0];
        auto *screen = new QObject;
        int runs = 0;
        ScreenKeys::onCtrlDelete(edit, screen, [&runs] { ++runs; });

        edit->setFocus();
        edit->setCursorPosition(0);
        QTest::keyClick(edit, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(runs, 1);
        QCOMPARE(edit->text(), QStringLiteral("text 0")); // the edit never saw the key

        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(runs, 1);
        QCOMPARE(edit->text(), QStringLiteral("ext 0"));

        delete screen;
        QTest::keyClick(edit, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(runs, 1);
    }

    // The focused field turns yellow and gets its own palette (not the
    // default one) back when it loses the focus, also after several rounds.
    void highlightFollowsTheFocus()
    {
        Fields f(3);
        QVERIFY(f.ready());
        QPalette own = f.edits[0]->palette();
        own.setColor(QPalette::Base, Qt::cyan);
        f.edits[0]->setPalette(own);
        const QColor normal = f.edits[1]->palette().color(QPalette::Base);

        f.edits[2]->setFocus();
        TFocusHighlight highlight;
        highlight.watch(f.edits[0]);
        highlight.watch(f.edits[1]);
        for (int round = 0; round < 2; ++round) {
            f.edits[0]->setFocus();
            QCOMPARE(f.edits[0]->palette().color(QPalette::Base), TFocusHighlight::kColor);
            QCOMPARE(f.edits[1]->palette().color(QPalette::Base), normal);
            f.edits[1]->setFocus();
            QCOMPARE(f.edits[0]->palette().color(QPalette::Base), QColor(Qt::cyan));
            QCOMPARE(f.edits[1]->palette().color(QPalette::Base), TFocusHighlight::kColor);
            // Not watched: stays as it is.
            f.edits[2]->setFocus();
            QCOMPARE(f.edits[1]->palette().color(QPalette::Base), normal);
            QCOMPARE(f.edits[2]->palette().color(QPalette::Base), normal);
        }
        QCOMPARE(TFocusHighlight::kColor, QColor(Qt::yellow));
    }

    // Marked by hand: only added fields change; unmarking a field never
    // marked leaves its palette alone.
    void highlightMarkedByHand()
    {
        QLineEdit added, other;
        QPalette own = added.palette();
        own.setColor(QPalette::Base, Qt::green);
        added.setPalette(own);
        TFocusHighlight highlight;
        highlight.add(&added);

        highlight.mark(&added, false);
        QCOMPARE(added.palette().color(QPalette::Base), QColor(Qt::green));
        highlight.mark(&added, true);
        highlight.mark(&added, true);
        QCOMPARE(added.palette().color(QPalette::Base), QColor(Qt::yellow));
        highlight.mark(&added, false);
        QCOMPARE(added.palette().color(QPalette::Base), QColor(Qt::green));

        const QColor before = other.palette().color(QPalette::Base);
        highlight.mark(&other, true);
        QCOMPARE(other.palette().color(QPalette::Base), before);
    }

    void enterChain_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("selectsAll");
        QTest::newRow("as Tab") << int(Qt::TabFocusReason) << true;
        QTest::newRow("plain") << int(Qt::OtherFocusReason) << false;
    }

    // Enter moves along each chain; the chain's end and fields outside it
    // go nowhere. With the Tab reason the field's text is selected, so
    // typing replaces it.
    void enterChain()
    {
        QFETCH(int, reason);
        QFETCH(bool, selectsAll);
        Fields f(5);
        QVERIFY(f.ready());
        TEnterChain chain{Qt::FocusReason(reason)};
        chain.add({f.edits[0], f.edits[1]});
        chain.add({f.edits[2], f.edits[3]});

        QCOMPARE(chain.next(f.edits[0]), f.edits[1]);
        QCOMPARE(chain.next(f.edits[1]), nullptr);
        QCOMPARE(chain.next(f.edits[4]), nullptr);
        QCOMPARE(chain.next(nullptr), nullptr);

        f.edits[0]->setFocus();
        QVERIFY(chain.advance(f.edits[0]));
        QVERIFY(f.edits[1]->hasFocus());
        QCOMPARE(f.edits[1]->hasSelectedText(), selectsAll);
        QVERIFY(!chain.advance(f.edits[1]));
        QVERIFY(f.edits[1]->hasFocus());
        QVERIFY(chain.advance(f.edits[2]));
        QVERIFY(f.edits[3]->hasFocus());
        QVERIFY(!chain.advance(nullptr));
    }

    void confirmDeleteRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("result");
        QTest::newRow("no row selected") << -1 << true << 0 << false;
        QTest::newRow("first row, yes") << 0 << true << 1 << true;
        QTest::newRow("a row, no") << 5 << false << 1 << false;
    }

    // Without a row nothing is asked; with one the question is the grid's
    // own, under the program's title.
    void confirmDeleteRow()
    {
        QFETCH(int, row);
        QFETCH(bool, yes);
        QFETCH(int, asked);
        QFETCH(bool, result);
        RecordingDialogs dialogs;
        dialogs.answer(yes);
        QCOMPARE(ScreenKeys::confirmDeleteRow(row), result);
        QCOMPARE(dialogs.count(), asked);
        if (asked) {
            QCOMPARE(dialogs.shown().first().kind, Dialogs::Kind::Question);
            QCOMPARE(dialogs.shown().first().caption, Dialogs::kAppTitle);
            QCOMPARE(dialogs.last(), QStringLiteral("Delete record?"));
        }
    }

    void operationBoundary_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("application error") << 1 << QStringLiteral("数据库错误：表已锁定");
        QTest::newRow("text error") << 2 << QStringLiteral("“1,5”不是有效的数值");
        QTest::newRow("other exception") << 3 << QStringLiteral("bad_alloc");
    }

    // An unexpected failure ends the operation with the standard error box
    // showing its own text; the rest of the operation does not run.
    void operationBoundary()
    {
        QFETCH(int, failure);
        QFETCH(QString, shown);
        RecordingDialogs dialogs;
        bool finished = false;
        Operation::run([&] {
            switch (failure) {
            case 1:
                throw AppError(shown);
            case 2:
                throw TextError(shown);
            case 3:
                throw std::runtime_error("bad_alloc");
            default:
                break;
            }
            finished = true;
        });
        QCOMPARE(finished, failure == 0);
        if (failure == 0) {
            QCOMPARE(dialogs.count(), 0);
            return;
        }
        QCOMPARE(dialogs.count(), 1);
        QCOMPARE(dialogs.shown().first().kind, Dialogs::Kind::Error);
        QCOMPARE(dialogs.last(), shown);
    }
};

QTEST_MAIN(ScreenKeysTest)
#include "test_screenkeys.moc"
