#include "data/demodm.h"
#include "data/employeestore.h"
#include "data/passwords.h"
#include "data/schema.h"
#include "login/formdl.h"
#include "login/formmmxg.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "controls.h"
#include "testdatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QLabel>

namespace {

QString passwordOf(const QString &py)
{
    return TestSql::value(QStringLiteral("select mm from zgxxb where py= :py"), {{"py", py}}).toString();
}

void addEmployee(const QString &name, const QString &code, const QString &password)
{
    DemoDM().qup.run(QStringLiteral("insert into zgxxb(zgxm, py, mm, bz) values(:zgxm, :py, :mm, '抄表人')"),
                     {{"zgxm", name}, {"py", code}, {"mm", Passwords::hash(password)}});
}

QStringList codeList(const TFormdl &dlg)
{
    QStringList out;
    for (int i = 0; i < control<QComboBox>(&dlg, "ComboBox1")->count(); ++i)
        out << control<QComboBox>(&dlg, "ComboBox1")->itemText(i);
    return out;
}

} // namespace

class LoginTest : public QObject
{
    Q_OBJECT

private slots:
    void listsCodesAndLogsInIgnoringCase()
    {
        ScratchDir dir;
        TDemoDM dm;
        RecordingDialogs dlg;
        {
            // The list comes from a database the dialog opens itself.
            QVERIFY(dm.open());
            addEmployee(QStringLiteral("李四"), QStringLiteral("LS01"), QStringLiteral("Abc"));
            dm.close();
        }
        TFormdl login;
        login.FormShow();
        QVERIFY(dm.isOpen());
        QCOMPARE(codeList(login), (QStringList{Schema::kFirstEmployeeCode, "LS01"}));
        QCOMPARE(control<QComboBox>(&login, "ComboBox1")->currentText(), QString());
        QVERIFY(control<QLabel>(&login, "Label3")->text().contains(Schema::kDefaultPassword));

        control<QComboBox>(&login, "ComboBox1")->setEditText(QStringLiteral("ls01"));
        control<QLineEdit>(&login, "Edit1")->setText(QStringLiteral("aBC"));
        login.BitBtn1Click();
        QCOMPARE(login.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.count(), 0);
    }

    void wrongPasswordKeepsDialogAndFields()
    {
        ScratchDir dir;
        TDemoDM dm;
        RecordingDialogs dlg;
        TFormdl login;
        login.show();
        QVERIFY(login.isVisible());
        control<QComboBox>(&login, "ComboBox1")->setEditText(Schema::kFirstEmployeeCode);
        control<QLineEdit>(&login, "Edit1")->setText(QStringLiteral("wrong"));
        login.BitBtn1Click();
        QCOMPARE(dlg.texts(), QStringList{QStringLiteral("用户编号或密码不对！")});
        QVERIFY(login.isVisible());
        QCOMPARE(control<QComboBox>(&login, "ComboBox1")->currentText(), Schema::kFirstEmployeeCode);
        QCOMPARE(control<QLineEdit>(&login, "Edit1")->text(), QStringLiteral("wrong"));

        // Enter in the password field logs in like the button.
        control<QLineEdit>(&login, "Edit1")->setText(Schema::kDefaultPassword);
        control<QLineEdit>(&login, "Edit1")->setFocus();
        QTest::keyClick(control<QLineEdit>(&login, "Edit1"), Qt::Key_Return);
        QCOMPARE(login.result(), int(QDialog::Accepted));
        QVERIFY(!login.isVisible());
    }

    void enterInCodeFieldMovesToPassword()
    {
        ScratchDir dir;
        TDemoDM dm;
        RecordingDialogs dlg;
        TFormdl login;
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        login.activateWindow();
        control<QComboBox>(&login, "ComboBox1")->setFocus();
        QTest::keyClicks(control<QComboBox>(&login, "ComboBox1"), Schema::kFirstEmployeeCode);
        QTest::keyClick(control<QComboBox>(&login, "ComboBox1"), Qt::Key_Return);
        QTRY_VERIFY(control<QLineEdit>(&login, "Edit1")->hasFocus());
        QCOMPARE(dlg.count(), 0);
        QVERIFY(login.isVisible());
    }

    void emptyCodeIsRefused()
    {
        ScratchDir dir;
        TDemoDM dm;
        RecordingDialogs dlg;
        TFormdl login;
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        login.activateWindow();
        control<QLineEdit>(&login, "Edit1")->setFocus();
        control<QLineEdit>(&login, "Edit1")->setText(Schema::kDefaultPassword);
        login.BitBtn1Click();
        QCOMPARE(dlg.texts(), QStringList{QStringLiteral("用户编号不能为空")});
        QVERIFY(login.isVisible());
        QTRY_VERIFY(control<QComboBox>(&login, "ComboBox1")->hasFocus());
    }

    void emptyEmployeeTableLeavesOnlyExit()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        TestSql::exec(QStringLiteral("delete from zgxxb"));
        RecordingDialogs dlg;
        TFormdl login;
        login.show();
        QCOMPARE(control<QComboBox>(&login, "ComboBox1")->count(), 0);
        control<QComboBox>(&login, "ComboBox1")->setEditText(Schema::kFirstEmployeeCode);
        control<QLineEdit>(&login, "Edit1")->setText(Schema::kDefaultPassword);
        login.BitBtn1Click();
        QCOMPARE(dlg.texts(), QStringList{QStringLiteral("用户编号或密码不对！")});
        QVERIFY(login.isVisible());
        // Esc and the window's close request do not leave it either.
        QTest::keyClick(&login, Qt::Key_Escape);
        login.close();
        QVERIFY(login.isVisible());
        QVERIFY(!login.exitChosen());
        login.BitBtn2Click();
        QVERIFY(login.exitChosen());
        QCOMPARE(login.result(), int(QDialog::Rejected));
        QVERIFY(!login.isVisible());
    }

    void passwordChange_data()
    {
        QTest::addColumn<QString>("oldPw");
        QTest::addColumn<QString>("newPw");
        QTest::addColumn<QString>("again");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("old missing") << "" << "n1" << "n1" << "密码录入不全！" << "wang";
        QTest::newRow("new missing") << "wang" << "" << "n1" << "密码录入不全！" << "wang";
        QTest::newRow("repeat missing") << "wang" << "n1" << "" << "密码录入不全！" << "wang";
        QTest::newRow("mismatch") << "wang" << "n1" << "N1" << "密码和确认密码不相同！" << "wang";
        QTest::newRow("old of the logged-in one") << Schema::kDefaultPassword << "n1" << "n1" << "原密码输入不对！" << "wang";
        QTest::newRow("success") << "WANG" << "n1" << "n1" << "登录密码修改成功！" << "n1";
    }
    void passwordChange()
    {
        QFETCH(QString, oldPw);
        QFETCH(QString, newPw);
        QFETCH(QString, again);
        QFETCH(QString, message);
        QFETCH(QString, storedAfter);
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        addEmployee(QStringLiteral("王五"), QStringLiteral("ww"), QStringLiteral("wang"));
        RecordingDialogs dlg;
        TFormmmxg change;
        change.setEmployeeCode(QStringLiteral("ww"));
        change.show();
        control<QLineEdit>(&change, "Edit1")->setText(oldPw);
        control<QLineEdit>(&change, "Edit2")->setText(newPw);
        control<QLineEdit>(&change, "Edit3")->setText(again);
        change.BitBtn1Click();
        QCOMPARE(dlg.texts(), QStringList{message});
        QVERIFY(Passwords::isHashed(passwordOf(QStringLiteral("ww"))));
        QVERIFY(Employees::passwordMatches(dm, QStringLiteral("ww"), storedAfter.toUpper()));
        QCOMPARE(Employees::passwordMatches(dm, QStringLiteral("ww"), QStringLiteral("wang")), storedAfter == "wang");
        QVERIFY(Employees::passwordMatches(dm, Schema::kFirstEmployeeCode, Schema::kDefaultPassword)); // the other employee untouched
        QCOMPARE(change.isVisible(), message != QStringLiteral("登录密码修改成功！"));
    }

    // An older database with plain passwords: converted at its first open,
    // and the login still ignores letter case.
    void loginAfterConversionOfAnOldDatabase()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        TestSql::exec(QStringLiteral("insert into zgxxb(zgxm, py, mm, bz) values('赵六', 'zl', 'MiMa-Zhao', '收款人')"));
        TestSql::exec(QStringLiteral("PRAGMA user_version = 3"));
        dm.close();
        RecordingDialogs dlg;
        TFormdl login;
        login.FormShow();
        QVERIFY(!login.databaseFailed());
        QVERIFY(Passwords::isHashed(passwordOf(QStringLiteral("zl"))));
        control<QComboBox>(&login, "ComboBox1")->setEditText(QStringLiteral("ZL"));
        control<QLineEdit>(&login, "Edit1")->setText(QStringLiteral("mima-zhao"));
        login.BitBtn1Click();
        QCOMPARE(dlg.count(), 0);
        QCOMPARE(login.result(), int(QDialog::Accepted));
    }

    void passwordDialogKeepsItsTexts()
    {
        ScratchDir dir;
        TDemoDM dm;
        QVERIFY(dm.open());
        RecordingDialogs dlg;
        TFormmmxg change;
        change.setEmployeeCode(Schema::kFirstEmployeeCode);
        change.show();
        control<QLineEdit>(&change, "Edit1")->setText(QStringLiteral("a"));
        control<QLineEdit>(&change, "Edit2")->setText(QStringLiteral("b"));
        change.BitBtn2Click();
        QVERIFY(!change.isVisible());
        change.show();
        QCOMPARE(control<QLineEdit>(&change, "Edit1")->text(), QStringLiteral("a"));
        QCOMPARE(control<QLineEdit>(&change, "Edit2")->text(), QStringLiteral("b"));
        QCOMPARE(dlg.count(), 0);
    }
};

QTEST_MAIN(LoginTest)
#include "test_login.moc"
