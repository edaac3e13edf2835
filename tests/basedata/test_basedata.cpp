#include "settings/global.h"
#include "app/orderform.h"
#include "basedata/basedatatab.h"
#include "common/gridmodel.h"
#include "data/demodm.h"
#include "data/employeestore.h"
#include "data/passwords.h"
#include "common/lengthlimit.h"
#include "data/schema.h"
#include "recordingdialogs.h"
#include "scratchdir.h"
#include "controls.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QCheckBox>
#include <QPushButton>
#include <QTableView>
#include <memory>

namespace {

// A fresh program folder, settings, database and base-data tab.
struct Fixture
{
    ScratchDir dir;
    std::unique_ptr<TGlobal> global;
    std::unique_ptr<TDemoDM> dm;
    std::unique_ptr<TBaseDataTab> tab;
    RecordingDialogs dialogs;
    QStringList passwordDialogs;

    Fixture()
    {
        global = std::make_unique<TGlobal>(dir.file("mtrfee.ini"));
        dm = std::make_unique<TDemoDM>();
        if (!dm->open())
            qFatal("database not opened");
        tab = std::make_unique<TBaseDataTab>();
        tab->services().openPasswordDialog = [this](const QString &code) { passwordDialogs << code; };
        tab->reload();
    }
    ~Fixture()
    {
        tab.reset();
        dm.reset();
        global.reset();
    }
    QWidget *f() const { return tab.get(); }

    void exec(const QString &sql, const QList<QPair<QString, QVariant>> &binds = {}) const
    {
        TNamedQuery &q = DemoDM().qup;
        q.close();
        q.clearSql();
        q.addSql(sql);
        for (const auto &b : binds)
            q.bind(b.first, b.second);
        q.exec();
    }
    // Rows of a table as "col1|col2|..." texts in iid order.
    QStringList rows(const QString &table, const QStringList &columns) const
    {
        TNamedQuery &q = DemoDM().qcx;
        q.close();
        q.clearSql();
        q.addSql(QStringLiteral("select %1 from %2 order by iid").arg(columns.join(QLatin1Char(',')), table));
        q.open();
        QStringList out;
        for (bool ok = q.first(); ok; ok = q.next()) {
            QStringList values;
            for (const QString &c : columns)
                values << q.value(c).toString();
            out << values.join(QLatin1Char('|'));
        }
        q.close();
        return out;
    }
    QStringList listed(TGridModel *model, const QStringList &columns) const
    {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList values;
            for (const QString &c : columns)
                values << model->fieldValue(r, c).toString();
            out << values.join(QLatin1Char('|'));
        }
        return out;
    }
    void saveHousehold(const QString &name, const QString &number)
    {
        control<QLineEdit>(f(), "Edit6")->setText(name);
        control<QLineEdit>(f(), "Edit7")->setText(number);
        control<QPushButton>(f(), "SpeedButton11")->click();
    }
    void fillEmployee(const QString &name, const QString &code, const QString &type, const QString &pw,
                      const QString &again)
    {
        control<QLineEdit>(f(), "Edit10")->setText(name);
        control<QLineEdit>(f(), "Edit11")->setText(code);
        control<QComboBox>(f(), "ComboBox1")->setEditText(type);
        control<QLineEdit>(f(), "Edit12")->setText(pw);
        control<QLineEdit>(f(), "Edit13")->setText(again);
    }
    void selectRow(QTableView *grid, int row)
    {
        grid->setCurrentIndex(grid->model()->index(row, 0));
    }
    void showActive()
    {
        tab->show();
        QApplication::setActiveWindow(tab.get());
        QVERIFY(QTest::qWaitForWindowActive(tab.get()));
    }
};

// Types text as a keyboard (or an input method) does, one key event.
void typeText(QWidget *w, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}

const QStringList kHouseholdColumns{QStringLiteral("cmc"), QStringLiteral("cmcpy"), QStringLiteral("hm"),
                                    QStringLiteral("hmpy"), QStringLiteral("hh"), QStringLiteral("hhpy")};

} // namespace

class BaseDataTest : public QObject
{
    Q_OBJECT

private slots:
    // ------------------------------------------------------------ households

    void newHouseholdIsAddedLastWithInitials()
    {
        Fixture fx;
        fx.saveHousehold(QStringLiteral("李四"), QStringLiteral("1-101"));
        fx.saveHousehold(QStringLiteral("张三"), QStringLiteral("3-201"));
        QCOMPARE(fx.dialogs.count(), 0);
        QCOMPARE(fx.rows("hhb", kHouseholdColumns),
                 QStringList({QStringLiteral("温州|wz|李四|ls|1-101|1-101"), QStringLiteral("温州|wz|张三|zs|3-201|3-201")}));
        QCOMPARE(fx.listed(fx.tab->householdModel(), {"hm", "hh", "hmpy"}).last(), QStringLiteral("张三|3-201|zs"));
        QVERIFY(control<QLineEdit>(fx.f(), "Edit6")->text().isEmpty());
        QVERIFY(control<QLineEdit>(fx.f(), "Edit7")->text().isEmpty());
    }

    void emptyNameIsRefused()
    {
        Fixture fx;
        fx.saveHousehold(QString(), QStringLiteral("3-201"));
        QCOMPARE(fx.dialogs.texts(), QStringList{QStringLiteral("户名不能为空！")});
        QVERIFY(fx.rows("hhb", {"hm"}).isEmpty());
        QCOMPARE(control<QLineEdit>(fx.f(), "Edit5")->text(), QStringLiteral("温州"));
    }

    void existingNameUpdatesEveryRowOfIt()
    {
        Fixture fx;
        fx.exec("insert into hhb (cmc, hm, hmpy, hh, hhpy) values ('鹿城', '王五', 'ww', '1-101', '1-101')");
        fx.exec("insert into hhb (cmc, hm, hmpy, hh, hhpy) values ('瓯海', '王五', 'ww', '1-102', '1-102')");
        fx.exec("insert into hhb (cmc, hm, hmpy, hh, hhpy) values ('鹿城', '赵六', 'zl', '9-9', '9-9')");
        fx.saveHousehold(QStringLiteral("王五"), QStringLiteral("2-202"));
        QCOMPARE(fx.rows("hhb", {"cmc", "hm", "hh", "hhpy"}),
                 QStringList({"温州|王五|2-202|1-101", "温州|王五|2-202|1-102", "鹿城|赵六|9-9|9-9"}));
        QCOMPARE(fx.tab->householdModel()->rowCount(), 3);
    }

    void renamedPickAddsANewHousehold()
    {
        Fixture fx;
        fx.saveHousehold(QStringLiteral("张三"), QStringLiteral("3-201"));
        fx.selectRow(control<QTableView>(fx.f(), "DBGrid1"), 0);
        fx.tab->DBGrid1CellClick();
        QCOMPARE(control<QLineEdit>(fx.f(), "Edit6")->text(), QStringLiteral("张三"));
        QCOMPARE(control<QLineEdit>(fx.f(), "Edit7")->text(), QStringLiteral("3-201"));
        control<QLineEdit>(fx.f(), "Edit6")->setText(QStringLiteral("张三丰"));
        control<QPushButton>(fx.f(), "SpeedButton11")->click();
        QCOMPARE(fx.rows("hhb", {"hm", "hh"}), QStringList({"张三|3-201", "张三丰|3-201"}));
    }

    void refillClearsFieldsAfterAPick()
    {
        Fixture fx;
        fx.saveHousehold(QStringLiteral("张三"), QStringLiteral("3-201"));
        fx.selectRow(control<QTableView>(fx.f(), "DBGrid1"), 0);
        QTest::mouseClick(control<QTableView>(fx.f(), "DBGrid1")->viewport(), Qt::LeftButton, {},
                          control<QTableView>(fx.f(), "DBGrid1")
                              ->visualRect(control<QTableView>(fx.f(), "DBGrid1")->model()->index(0, 0))
                              .center());
        QCOMPARE(control<QLineEdit>(fx.f(), "Edit6")->text(), QStringLiteral("张三"));
        control<QPushButton>(fx.f(), "BitBtn3")->click();
        QVERIFY(control<QLineEdit>(fx.f(), "Edit6")->text().isEmpty());
        QVERIFY(control<QLineEdit>(fx.f(), "Edit7")->text().isEmpty());
        QCOMPARE(fx.tab->householdModel()->rowCount(), 1);
    }

    void clickIntoEmptyListKeepsTheFields()
    {
        Fixture fx;
        control<QLineEdit>(fx.f(), "Edit6")->setText(QStringLiteral("未保存"));
        control<QLineEdit>(fx.f(), "Edit7")->setText(QStringLiteral("7-7"));
        fx.tab->DBGrid1CellClick();
        QCOMPARE(control<QLineEdit>(fx.f(), "Edit6")->text(), QStringLiteral("未保存"));
        QCOMPARE(control<QLineEdit>(fx.f(), "Edit7")->text(), QStringLiteral("7-7"));
        QCOMPARE(fx.dialogs.count(), 0);
    }

    void ctrlDeleteRemovesOnlyTheCurrentRow_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("ok") << true << QStringList({"甲", "甲"});
        QTest::newRow("cancel") << false << QStringList({"甲", "乙", "甲"});
    }
    void ctrlDeleteRemovesOnlyTheCurrentRow()
    {
        QFETCH(bool, answer);
        QFETCH(QStringList, left);
        Fixture fx;
        for (const char *name : {"甲", "乙", "甲"})
            fx.exec("insert into hhb (cmc, hm, hh) values ('温州', :hm, '1')", {{"hm", QString::fromUtf8(name)}});
        fx.tab->reload();
        fx.selectRow(control<QTableView>(fx.f(), "DBGrid1"), 1);
        fx.dialogs.answer(answer);
        QTest::keyClick(control<QTableView>(fx.f(), "DBGrid1"), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(fx.dialogs.texts(), QStringList{QStringLiteral("Delete record?")});
        QCOMPARE(fx.rows("hhb", {"hm"}), left);
        QCOMPARE(fx.tab->householdModel()->rowCount(), left.size());
    }

    // "删除" asks first and refuses while receipts name the household.
    void deleteButton_data()
    {
        QTest::addColumn<QString>("receiptTable");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("firstBox");
        QTest::newRow("no receipts, yes") << QString() << true << true << QStringLiteral("您确定要删除户名为：张三记录吗？");
        QTest::newRow("no receipts, no") << QString() << false << false << QStringLiteral("您确定要删除户名为：张三记录吗？");
        QTest::newRow("current receipt") << QStringLiteral("P_ORDERD") << true << false
                                         << QStringLiteral("户名为：张三的住户还有收据（当前单据1张，历史单据0张），不能删除！");
        QTest::newRow("history receipt") << QStringLiteral("P_ORDERDBAK") << true << false
                                         << QStringLiteral("户名为：张三的住户还有收据（当前单据0张，历史单据1张），不能删除！");
    }
    void deleteButton()
    {
        QFETCH(QString, receiptTable);
        QFETCH(bool, answer);
        QFETCH(bool, removed);
        QFETCH(QString, firstBox);
        Fixture fx;
        fx.saveHousehold(QStringLiteral("李四"), QStringLiteral("1"));
        fx.saveHousehold(QStringLiteral("张三"), QStringLiteral("2"));
        if (!receiptTable.isEmpty())
            fx.exec(QStringLiteral("insert into %1 (bhmc, sjxh, lbmc) values ('张三', '00000001', '销售单')").arg(receiptTable));
        fx.selectRow(control<QTableView>(fx.f(), "DBGrid1"), 1);
        fx.dialogs.answer(answer);
        control<QPushButton>(fx.f(), "SpeedButton12")->click();
        QCOMPARE(fx.dialogs.count(), 1);
        QCOMPARE(fx.dialogs.last(), firstBox);
        QCOMPARE(fx.rows("hhb", {"hm"}), removed ? QStringList{"李四"} : QStringList({"李四", "张三"}));
    }

    void deleteButtonOnEmptyListAsksNothing()
    {
        Fixture fx;
        control<QPushButton>(fx.f(), "SpeedButton12")->click();
        QCOMPARE(fx.dialogs.count(), 0);
    }

    // ------------------------------------------------------------- employees

    void employeeChecksInOrder_data()
    {
        QTest::addColumn<QStringList>("fields");   // name, code, type, password, confirmation
        QTest::addColumn<QString>("message");
        QTest::newRow("all empty") << QStringList{"", "", "", "", ""} << QStringLiteral("员工姓名不能为空！");
        QTest::newRow("no code") << QStringList{"小王", "", "", "", ""} << QStringLiteral("员工编号不能为空！");
        QTest::newRow("no type") << QStringList{"小王", "w1", "", "", ""} << QStringLiteral("员工类型不能为空！");
        QTest::newRow("no password") << QStringList{"小王", "w1", "抄表人", "", ""} << QStringLiteral("登录密码不能为空！");
        QTest::newRow("no confirmation") << QStringList{"小王", "w1", "抄表人", "1", ""} << QStringLiteral("确认密码不能为空！");
        QTest::newRow("differ") << QStringList{"小王", "w1", "抄表人", "1", "2"}
                                << QStringLiteral("登密码和确认密码不相同，不能保存数据！");
        QTest::newRow("password case differs") << QStringList{"小王", "w1", "抄表人", "abc", "ABC"}
                                               << QStringLiteral("登密码和确认密码不相同，不能保存数据！");
    }
    void employeeChecksInOrder()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, message);
        Fixture fx;
        const QStringList before = fx.rows("zgxxb", {"py"});
        fx.fillEmployee(fields[0], fields[1], fields[2], fields[3], fields[4]);
        control<QPushButton>(fx.f(), "SpeedButton17")->click();
        QCOMPARE(fx.dialogs.texts(), QStringList{message});
        QCOMPARE(fx.rows("zgxxb", {"py"}), before);
        QCOMPARE(control<QLineEdit>(fx.f(), "Edit10")->text(), fields[0]);   // nothing cleared
    }

    void employeeCodesAreUnique_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("saved");
        QTest::newRow("same code, other name") << QStringLiteral("小李") << QStringLiteral("w1") << false;
        QTest::newRow("same code in other case") << QStringLiteral("小李") << QStringLiteral("W1") << false;
        QTest::newRow("same name, new code") << QStringLiteral("小王") << QStringLiteral("w2") << true;
    }
    void employeeCodesAreUnique()
    {
        QFETCH(QString, name);
        QFETCH(QString, code);
        QFETCH(bool, saved);
        Fixture fx;
        fx.fillEmployee(QStringLiteral("小王"), QStringLiteral("w1"), QStringLiteral("抄表人"), "1", "1");
        control<QPushButton>(fx.f(), "SpeedButton17")->click();
        QCOMPARE(fx.dialogs.count(), 0);
        const int before = fx.tab->employeeModel()->rowCount();
        fx.fillEmployee(name, code, QStringLiteral("收款人"), "2", "2");
        control<QPushButton>(fx.f(), "SpeedButton17")->click();
        if (saved) {
            QCOMPARE(fx.dialogs.count(), 0);
            QCOMPARE(fx.listed(fx.tab->employeeModel(), {"zgxm", "py", "bz"}).last(), name + "|" + code + "|收款人");
            QVERIFY(control<QLineEdit>(fx.f(), "Edit11")->text().isEmpty());
            QVERIFY(control<QComboBox>(fx.f(), "ComboBox1")->currentText().isEmpty());
        } else {
            QCOMPARE(fx.dialogs.texts(), QStringList{QStringLiteral("员工编号相同，不能保存！")});
            QCOMPARE(control<QLineEdit>(fx.f(), "Edit11")->text(), code);
        }
        QCOMPARE(fx.tab->employeeModel()->rowCount(), before + (saved ? 1 : 0));
        QCOMPARE(fx.rows("zgxxb", {"py"}).size(), before + (saved ? 1 : 0));
    }

    void deleteRemovesEveryEmployeeOfTheName_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void deleteRemovesEveryEmployeeOfTheName()
    {
        QFETCH(bool, answer);
        Fixture fx;
        fx.exec("insert into zgxxb (zgxm, py, mm, bz) values ('小王', 'w1', '1', '抄表人')");
        fx.exec("insert into zgxxb (zgxm, py, mm, bz) values ('小王', 'w2', '1', '收款人')");
        fx.tab->reload();
        const QStringList before = fx.rows("zgxxb", {"py"});
        fx.selectRow(control<QTableView>(fx.f(), "DBGrid4"), before.size() - 1);
        fx.dialogs.answer(answer);
        control<QPushButton>(fx.f(), "SpeedButton18")->click();
        QCOMPARE(fx.dialogs.texts(), QStringList{QStringLiteral("您确定要删除员工姓名为：小王记录吗？")});
        QCOMPARE(fx.rows("zgxxb", {"py"}), answer ? before.mid(0, before.size() - 2) : before);
        QCOMPARE(fx.tab->employeeModel()->rowCount(), answer ? before.size() - 2 : before.size());
    }

    void ctrlDeleteRemovesOneEmployee()
    {
        Fixture fx;
        fx.exec("insert into zgxxb (zgxm, py, mm, bz) values ('小王', 'w1', '1', '抄表人')");
        fx.exec("insert into zgxxb (zgxm, py, mm, bz) values ('小王', 'w2', '1', '收款人')");
        fx.tab->reload();
        const QStringList before = fx.rows("zgxxb", {"py"});
        fx.selectRow(control<QTableView>(fx.f(), "DBGrid4"), before.size() - 2);
        QTest::keyClick(control<QTableView>(fx.f(), "DBGrid4"), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(fx.dialogs.texts(), QStringList{QStringLiteral("Delete record?")});
        QStringList after = before;
        after.removeAt(before.size() - 2);
        QCOMPARE(fx.rows("zgxxb", {"py"}), after);
    }

    void changePasswordOpensTheDialogForTheCurrentRow_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void changePasswordOpensTheDialogForTheCurrentRow()
    {
        QFETCH(bool, answer);
        Fixture fx;
        fx.exec("insert into zgxxb (zgxm, py, mm, bz) values ('小王', 'w1', '1', '抄表人')");
        fx.tab->reload();
        fx.selectRow(control<QTableView>(fx.f(), "DBGrid4"), fx.tab->employeeModel()->rowCount() - 1);
        fx.dialogs.answer(answer);
        control<QPushButton>(fx.f(), "SpeedButton25")->click();
        QCOMPARE(fx.dialogs.texts(), QStringList{QStringLiteral("您确定要修改姓名为：小王的密码吗？")});
        QCOMPARE(fx.passwordDialogs, answer ? QStringList{"w1"} : QStringList{});
    }

    void emptyEmployeeListAsksNothing()
    {
        Fixture fx;
        fx.exec("delete from zgxxb");
        fx.tab->reload();
        control<QPushButton>(fx.f(), "SpeedButton18")->click();
        control<QPushButton>(fx.f(), "SpeedButton25")->click();
        QCOMPARE(fx.dialogs.count(), 0);
        QVERIFY(fx.passwordDialogs.isEmpty());
    }

    // Enter walks name, code, password, confirmation, type and saves there;
    // a type typed by hand is stored as typed.
    void enterChainSavesWithAHandTypedType()
    {
        Fixture fx;
        fx.showActive();
        control<QLineEdit>(fx.f(), "Edit10")->setFocus();
        const QList<QPair<QWidget *, QString>> steps {{control<QLineEdit>(fx.f(), "Edit10"), "小张"},
                                                      {control<QLineEdit>(fx.f(), "Edit11"), "z9"},
                                                      {control<QLineEdit>(fx.f(), "Edit12"), "pw"},
                                                      {control<QLineEdit>(fx.f(), "Edit13"), "pw"}};
        for (int i = 0; i < steps.size(); ++i) {
            QCOMPARE(QApplication::focusWidget(), steps[i].first);
            typeText(steps[i].first, steps[i].second);
            QTest::keyClick(steps[i].first, Qt::Key_Return);
        }
        QWidget *typeField = QApplication::focusWidget();
        QVERIFY(typeField == control<QComboBox>(fx.f(), "ComboBox1")
                || typeField == control<QComboBox>(fx.f(), "ComboBox1")->lineEdit());
        typeText(typeField, QStringLiteral("会计"));
        QTest::keyClick(typeField, Qt::Key_Return);
        QCOMPARE(fx.dialogs.count(), 0);
        QVERIFY(fx.rows("zgxxb", {"zgxm", "py", "bz"}).contains(QStringLiteral("小张|z9|会计")));
        // The password is kept hashed; the login takes it in any letter case.
        const QString stored = fx.rows("zgxxb", {"mm"}).last();
        QVERIFY(Passwords::isHashed(stored));
        QVERIFY(Employees::passwordMatches(DemoDM(), QStringLiteral("z9"), QStringLiteral("PW")));
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(fx.f(), "Edit10"));
        QVERIFY(control<QLineEdit>(fx.f(), "Edit10")->text().isEmpty());
    }

    // Each field holds what its column keeps; a longer paste is refused whole
    // and the operator is told.
    void fieldsHoldTheirColumnsLength_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("limit");
        QTest::newRow("household name") << "Edit6" << "户名" << 100;
        QTest::newRow("household number") << "Edit7" << "户号" << 30;
        QTest::newRow("employee name") << "Edit10" << "员工姓名" << 20;
        QTest::newRow("employee code") << "Edit11" << "员工编号" << 20;
        QTest::newRow("password") << "Edit12" << "登录密码" << 64;
    }
    void fieldsHoldTheirColumnsLength()
    {
        QFETCH(QString, field);
        QFETCH(QString, label);
        QFETCH(int, limit);
        QCOMPARE(limit, Schema::textSize(field.startsWith("Edit1") ? "zgxxb" : "hhb",
                                         field == "Edit6" ? "hm" : field == "Edit7" ? "hh" : field == "Edit10" ? "zgxm"
                                                                   : field == "Edit11" ? "py" : "mm"));
        Fixture fx;
        fx.showActive();
        auto *edit = fx.tab->findChild<QLineEdit *>(field);
        QVERIFY(edit);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        edit->insert(QString(limit - 1, QChar(0x6C34)));
        QApplication::clipboard()->setText(QString(100000, QLatin1Char('x')));
        edit->paste();
        QCOMPARE(edit->text(), QString(limit - 1, QChar(0x6C34)));      // nothing of the paste taken
        QTRY_COMPARE(fx.dialogs.texts(), QStringList{TLengthLimit::message(label, limit)});
        // Up to the limit is taken whole; one more typed character is refused.
        QApplication::clipboard()->setText(QStringLiteral("y"));
        edit->paste();
        QCOMPARE(edit->text().size(), limit);
        typeText(edit, QStringLiteral("z"));
        QCOMPARE(edit->text().size(), limit);
        QTRY_COMPARE(fx.dialogs.count(), 2);
    }

    void longestNameIsSavedWhole()
    {
        Fixture fx;
        const QString name = QString(100, QChar(0x6237));
        fx.saveHousehold(name, QString(30, QLatin1Char('9')));
        QCOMPARE(fx.dialogs.count(), 0);
        QCOMPARE(fx.rows("hhb", {"hm", "hh"}), QStringList{name + "|" + QString(30, QLatin1Char('9'))});
    }

    void householdEnterMovesToNumber()
    {
        Fixture fx;
        fx.showActive();
        control<QLineEdit>(fx.f(), "Edit6")->setFocus();
        QTest::keyClick(control<QLineEdit>(fx.f(), "Edit6"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(fx.f(), "Edit7"));
    }

    // ---------------------------------------------------------- settings, reload

    void directPrintSwitchIsStoredAtOnce()
    {
        Fixture fx;
        Global().strdyf = QStringLiteral("Y");
        Global().WriteSettings();
        fx.tab->reload();
        QVERIFY(control<QCheckBox>(fx.f(), "cbdy")->isChecked());
        control<QCheckBox>(fx.f(), "cbdy")->click();
        QCOMPARE(Global().strdyf, QStringLiteral("N"));
        // The file keeps the former value until the settings are written.
        QFile file(Global().path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("strdyf=Y"));
        control<QCheckBox>(fx.f(), "cbdy")->click();
        QCOMPARE(Global().strdyf, QStringLiteral("Y"));
        Global().strdyf = QStringLiteral("N");
        fx.tab->reload();
        QVERIFY(!control<QCheckBox>(fx.f(), "cbdy")->isChecked());
    }

    void reloadShowsChangesMadeElsewhere()
    {
        Fixture fx;
        const int employees = fx.tab->employeeModel()->rowCount();
        fx.exec("insert into hhb (cmc, hm, hh) values ('温州', '外来户', '5-5')");
        fx.exec("insert into zgxxb (zgxm, py, mm, bz) values ('新员工', 'n1', '1', '抄表人')");
        QCOMPARE(fx.tab->householdModel()->rowCount(), 0);
        fx.tab->reload();
        QCOMPARE(fx.listed(fx.tab->householdModel(), {"hm", "hh"}), QStringList{"外来户|5-5"});
        QCOMPARE(fx.tab->employeeModel()->rowCount(), employees + 1);
        QCOMPARE(fx.listed(fx.tab->employeeModel(), {"zgxm"}).last(), QStringLiteral("新员工"));
    }

    // Through the main window: bringing the tab to the front shows what was
    // changed elsewhere, and the direct-print switch follows the setting.
    void tabChangeReloadsTheLists()
    {
        ScratchDir dir;
        TGlobal global(dir.file("mtrfee.ini"));
        TDemoDM dm;
        RecordingDialogs dialogs;
        TOrderForm window;
        window.FormShow();
        auto *pages = window.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
        QVERIFY(pages);
        TBaseDataTab *tab = window.baseDataTab();
        pages->setCurrentIndex(1);
        const int employees = tab->employeeModel()->rowCount();
        QVERIFY(employees > 0);
        pages->setCurrentIndex(0);

        TNamedQuery &q = DemoDM().qup;
        q.setSql(QStringLiteral("insert into hhb (cmc, hm, hh) values ('温州', '外来户', '5-5')"));
        q.exec();
        q.setSql(QStringLiteral("insert into zgxxb (zgxm, py, mm, bz) values ('新员工', 'n1', '1', '抄表人')"));
        q.exec();
        Global().strdyf = QStringLiteral("Y");
        pages->setCurrentIndex(1);
        QCOMPARE(tab->householdModel()->rowCount(), 1);
        QCOMPARE(tab->householdModel()->fieldValue(0, QStringLiteral("hm")).toString(), QStringLiteral("外来户"));
        QCOMPARE(tab->employeeModel()->rowCount(), employees + 1);
        QVERIFY(control<QCheckBox>(tab, "cbdy")->isChecked());
    }
};

QTEST_MAIN(BaseDataTest)
#include "test_basedata.moc"
