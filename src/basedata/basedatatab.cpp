#include "basedata/basedatatab.h"
#include "ui_basedatatab.h"

#include "settings/global.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/gridmodel.h"
#include "common/lengthlimit.h"
#include "common/operation.h"
#include "common/screenkeys.h"
#include "data/demodm.h"
#include "data/community.h"
#include "data/employeestore.h"
#include "data/householdstore.h"
#include "data/schema.h"
#include "login/formmmxg.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <memory>

TBaseDataTab::TBaseDataTab(QWidget *parent) : QWidget(parent), ui(new Ui::TBaseDataTab)
{
    ui->setupUi(this);
    if (parent && !parent->layout()) {
        auto *layout = new QVBoxLayout(parent);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(this);
    }

    // The community is always the one of the program; its field is not shown.
    ui->Label29->hide();
    ui->Edit5->hide();
    // The receipt title cannot be changed here.
    ui->Label38->hide();
    ui->Edit14->hide();
    ui->SpeedButton19->hide();

    m_households = new TGridModel(this);
    m_households->setColumns({
        {QStringLiteral("hm"), QStringLiteral("户名"), 140, {}},
        {QStringLiteral("hh"), QStringLiteral("户号"), 100, {}},
        {QStringLiteral("hmpy"), QStringLiteral("户名拼音助记符"), 120, {}},
    });
    m_households->showIn(ui->DBGrid1);
    m_employees = new TGridModel(this);
    m_employees->setColumns({
        {QStringLiteral("zgxm"), QStringLiteral("姓名"), 120, {}},
        {QStringLiteral("py"), QStringLiteral("编号"), 100, {}},
        {QStringLiteral("bz"), QStringLiteral("类型"), 100, {}},
    });
    m_employees->showIn(ui->DBGrid4);
    for (QTableView *grid : {ui->DBGrid1, ui->DBGrid4})
        grid->verticalHeader()->hide();
    ScreenKeys::onCtrlDelete(ui->DBGrid1, this, [this] { deleteHouseholdRow(); });
    ScreenKeys::onCtrlDelete(ui->DBGrid4, this, [this] { deleteEmployeeRow(); });

    // Each field holds what its column keeps.
    const struct
    {
        QLineEdit *edit;
        const char *table;
        const char *column;
        QString field;
    } limits[] = {
        {ui->Edit5, "hhb", "cmc", QStringLiteral("社区名称")},
        {ui->Edit6, "hhb", "hm", QStringLiteral("户名")},
        {ui->Edit7, "hhb", "hh", QStringLiteral("户号")},
        {ui->Edit10, "zgxxb", "zgxm", QStringLiteral("员工姓名")},
        {ui->Edit11, "zgxxb", "py", QStringLiteral("员工编号")},
        {ui->ComboBox1->lineEdit(), "zgxxb", "bz", QStringLiteral("员工类型")},
        {ui->Edit12, "zgxxb", "mm", QStringLiteral("登录密码")},
        {ui->Edit13, "zgxxb", "mm", QStringLiteral("确认密码")},
    };
    for (const auto &l : limits)
        TLengthLimit::apply(l.edit, Schema::textSize(QLatin1String(l.table), QLatin1String(l.column)), l.field);

    ui->ComboBox1->setMinimumWidth(110);
    ui->ComboBox1->setCompleter(nullptr);
    ui->ComboBox1->setCurrentIndex(-1);
    ui->ComboBox1->setEditText(QString());

    // Entry fields turn yellow while they have the focus; Enter moves along
    // them (on the type field it saves).
    auto *highlight = new TFocusHighlight(this);
    for (QWidget *w : std::initializer_list<QWidget *>{ui->Edit5, ui->Edit6, ui->Edit7, ui->Edit10, ui->Edit11,
                                                       ui->Edit12, ui->Edit13, ui->ComboBox1}) {
        w->installEventFilter(this);
        highlight->watch(w);
    }
    m_enterChain.add({ui->Edit5, ui->Edit6, ui->Edit7});
    m_enterChain.add({ui->Edit10, ui->Edit11, ui->Edit12, ui->Edit13, ui->ComboBox1});
    if (ui->ComboBox1->lineEdit())
        ui->ComboBox1->lineEdit()->installEventFilter(this);

    connect(ui->SpeedButton11, &QPushButton::clicked, this, &TBaseDataTab::SpeedButton11Click);
    connect(ui->SpeedButton12, &QPushButton::clicked, this, &TBaseDataTab::SpeedButton12Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &TBaseDataTab::BitBtn3Click);
    connect(ui->DBGrid1, &QTableView::clicked, this, [this](const QModelIndex &) { DBGrid1CellClick(); });
    connect(ui->SpeedButton17, &QPushButton::clicked, this, &TBaseDataTab::SpeedButton17Click);
    connect(ui->SpeedButton18, &QPushButton::clicked, this, &TBaseDataTab::SpeedButton18Click);
    connect(ui->SpeedButton25, &QPushButton::clicked, this, &TBaseDataTab::SpeedButton25Click);
    connect(ui->cbdy, &QCheckBox::clicked, this, &TBaseDataTab::cbdyClick);

    m_services = TBaseDataServices::defaults(this);
}

TBaseDataServices TBaseDataServices::defaults(QWidget *parent)
{
    TBaseDataServices s;
    s.openPasswordDialog = [parent](const QString &code) {
        TFormmmxg *dialog = Formmmxg();
        std::unique_ptr<TFormmmxg> own;
        if (!dialog) {
            own = std::make_unique<TFormmmxg>(parent->window());
            dialog = own.get();
        }
        dialog->setEmployeeCode(code);
        dialog->exec();
    };
    return s;
}

TBaseDataTab::~TBaseDataTab()
{
    delete ui;
}

// ------------------------------------------------------------------ lists

void TBaseDataTab::reloadHouseholds()
{
    m_households->setSourceModel(Households::openList(DemoDM()));
}

void TBaseDataTab::reloadEmployees()
{
    m_employees->setSourceModel(Employees::openList(DemoDM()));
}

void TBaseDataTab::reload()
{
    Operation::run([this] {
        reloadHouseholds();
        reloadEmployees();
        Households::openOtherLists(DemoDM());
    });
    ui->cbdy->setChecked(Global().strdyf == QLatin1String("Y"));
}

int TBaseDataTab::householdRow() const
{
    if (m_households->rowCount() == 0)
        return -1;
    const QModelIndex i = ui->DBGrid1->currentIndex();
    return i.isValid() ? i.row() : 0;
}

int TBaseDataTab::employeeRow() const
{
    if (m_employees->rowCount() == 0)
        return -1;
    const QModelIndex i = ui->DBGrid4->currentIndex();
    return i.isValid() ? i.row() : 0;
}

bool TBaseDataTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && ScreenKeys::isEnter(static_cast<QKeyEvent *>(event))) {
        if (watched == ui->ComboBox1 || watched == ui->ComboBox1->lineEdit()) {
            ui->SpeedButton17->click();
            return true;
        }
        if (m_enterChain.advance(qobject_cast<QWidget *>(watched)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------- households

void TBaseDataTab::SpeedButton11Click()
{
    Operation::run([this] { doSaveHousehold(); });
}

void TBaseDataTab::doSaveHousehold()
{
    ui->Edit5->setText(kCommunity);
    const QString name = ui->Edit6->text();
    if (name.isEmpty()) {
        Dialogs::message(QStringLiteral("户名不能为空！"));
        ui->Edit6->setFocus();
        return;
    }
    const QString community = ui->Edit5->text();
    const QString number = ui->Edit7->text();
    TDemoDM &dm = DemoDM();
    {
        DbTransaction tx(dm);
        Households::save(dm, number, name, community);
        tx.commit();
    }
    reloadHouseholds();
    ui->Edit6->clear();
    ui->Edit7->clear();
    ui->Edit6->setFocus();
}

void TBaseDataTab::BitBtn3Click()
{
    ui->Edit5->clear();
    ui->Edit6->clear();
    ui->Edit7->clear();
    ui->Edit6->setFocus();
}

void TBaseDataTab::DBGrid1CellClick()
{
    const int row = householdRow();
    if (row < 0)
        return;
    ui->Edit6->setText(m_households->fieldValue(row, QStringLiteral("hm")).toString());
    ui->Edit7->setText(m_households->fieldValue(row, QStringLiteral("hh")).toString());
}

void TBaseDataTab::SpeedButton12Click()
{
    Operation::run([this] { doDeleteHousehold(); });
}

void TBaseDataTab::doDeleteHousehold()
{
    const int row = householdRow();
    if (row < 0)
        return;
    const QString name = m_households->fieldValue(row, QStringLiteral("hm")).toString();
    // Receipts name their household; it stays while any of them is kept.
    const Households::ReceiptCounts receipts = Households::receiptCounts(DemoDM(), name);
    if (receipts.current + receipts.history > 0) {
        Dialogs::message(QStringLiteral("户名为：%1的住户还有收据（当前单据%2张，历史单据%3张），不能删除！")
                             .arg(name)
                             .arg(receipts.current)
                             .arg(receipts.history));
        return;
    }
    if (!Dialogs::question(QStringLiteral("您确定要删除户名为：") + name + QStringLiteral("记录吗？")))
        return;
    deleteRowOf(&Households::remove, m_households, row);
}

void TBaseDataTab::deleteRowOf(void (*remove)(TDemoDM &, qint64), TGridModel *model, int row)
{
    const qint64 iid = model->fieldValue(row, QStringLiteral("iid")).toLongLong();
    TDemoDM &dm = DemoDM();
    {
        DbTransaction tx(dm);
        remove(dm, iid);
        tx.commit();
    }
    QTableView *grid = model == m_households ? ui->DBGrid1 : ui->DBGrid4;
    if (model == m_households)
        reloadHouseholds();
    else
        reloadEmployees();
    if (model->rowCount() > 0)
        grid->setCurrentIndex(model->index(qMin(row, model->rowCount() - 1), 0));
}

void TBaseDataTab::deleteHouseholdRow()
{
    Operation::run([this] {
        const int row = householdRow();
        if (!ScreenKeys::confirmDeleteRow(row))
            return;
        deleteRowOf(&Households::remove, m_households, row);
    });
}

// -------------------------------------------------------------- employees

void TBaseDataTab::SpeedButton17Click()
{
    Operation::run([this] { doSaveEmployee(); });
}

void TBaseDataTab::doSaveEmployee()
{
    const QString name = ui->Edit10->text();
    const QString code = ui->Edit11->text();
    const QString type = ui->ComboBox1->currentText();
    const QString password = ui->Edit12->text();
    const QString again = ui->Edit13->text();
    if (name.isEmpty()) {
        Dialogs::message(QStringLiteral("员工姓名不能为空！"));
        ui->Edit10->setFocus();
        return;
    }
    if (code.isEmpty()) {
        Dialogs::message(QStringLiteral("员工编号不能为空！"));
        ui->Edit11->setFocus();
        return;
    }
    if (type.isEmpty()) {
        Dialogs::message(QStringLiteral("员工类型不能为空！"));
        return;
    }
    if (password.isEmpty()) {
        Dialogs::message(QStringLiteral("登录密码不能为空！"));
        ui->Edit12->setFocus();
        return;
    }
    if (again.isEmpty()) {
        Dialogs::message(QStringLiteral("确认密码不能为空！"));
        ui->Edit13->setFocus();
        return;
    }
    if (password != again) {
        Dialogs::message(QStringLiteral("登密码和确认密码不相同，不能保存数据！"));
        return;
    }
    TDemoDM &dm = DemoDM();
    {
        DbTransaction tx(dm);
        // Employee codes are the login codes: unique.
        if (Employees::codeExists(dm, code)) {
            Dialogs::message(QStringLiteral("员工编号相同，不能保存！"));
            return;
        }
        Employees::add(dm, {name, code, type, password});
        tx.commit();
    }
    reloadEmployees();
    ui->Edit10->clear();
    ui->Edit11->clear();
    ui->ComboBox1->setCurrentIndex(-1);
    ui->ComboBox1->setEditText(QString());
    ui->Edit12->clear();
    ui->Edit13->clear();
    ui->Edit10->setFocus();
}

void TBaseDataTab::SpeedButton18Click()
{
    Operation::run([this] { doDeleteEmployee(); });
}

void TBaseDataTab::doDeleteEmployee()
{
    const int row = employeeRow();
    if (!Employees::listIsOpen(DemoDM()) || row < 0)
        return;
    const QString name = m_employees->fieldValue(row, QStringLiteral("zgxm")).toString();
    if (!Dialogs::question(QStringLiteral("您确定要删除员工姓名为：") + name + QStringLiteral("记录吗？")))
        return;
    TDemoDM &dm = DemoDM();
    {
        DbTransaction tx(dm);
        Employees::removeByName(dm, name);
        tx.commit();
    }
    reloadEmployees();
}

void TBaseDataTab::deleteEmployeeRow()
{
    Operation::run([this] {
        const int row = employeeRow();
        if (!ScreenKeys::confirmDeleteRow(row))
            return;
        deleteRowOf(&Employees::remove, m_employees, row);
    });
}

void TBaseDataTab::SpeedButton25Click()
{
    Operation::run([this] { doChangePassword(); });
}

void TBaseDataTab::doChangePassword()
{
    const int row = employeeRow();
    if (!Employees::listIsOpen(DemoDM()) || row < 0)
        return;
    const QString name = m_employees->fieldValue(row, QStringLiteral("zgxm")).toString();
    const QString code = m_employees->fieldValue(row, QStringLiteral("py")).toString();
    if (!Dialogs::question(QStringLiteral("您确定要修改姓名为：") + name + QStringLiteral("的密码吗？")))
        return;
    if (m_services.openPasswordDialog)
        m_services.openPasswordDialog(code);
}

// ---------------------------------------------------------- direct printing

void TBaseDataTab::cbdyClick()
{
    Global().strdyf = ui->cbdy->isChecked() ? QStringLiteral("Y") : QStringLiteral("N");
}
