#include "login/formdl.h"
#include "ui_formdl.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/screenkeys.h"
#include "data/demodm.h"
#include "data/employeestore.h"
#include "data/schema.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {
TFormdl *g_formdl = nullptr;

bool isEnter(QEvent *event)
{
    return event->type() == QEvent::KeyPress && ScreenKeys::isEnter(static_cast<QKeyEvent *>(event));
}
} // namespace

TFormdl *Formdl()
{
    return g_formdl;
}

void setFormdl(TFormdl *dialog)
{
    g_formdl = dialog;
}

TFormdl::TFormdl(QWidget *parent) : QDialog(parent), ui(new Ui::TFormdl)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Formdl"));
    // No system menu and no close button: the ways out are a login and "退出".
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(298, 198);
    QFont f = font();
    f.setPixelSize(14);
    setFont(f);
    ui->ComboBox1->setCompleter(nullptr);
    ui->Label3->setText(QStringLiteral("提示：所有用户默认密码为“%1”").arg(Schema::kDefaultPassword));

    ui->ComboBox1->installEventFilter(this);
    if (ui->ComboBox1->lineEdit())
        ui->ComboBox1->lineEdit()->installEventFilter(this);
    ui->Edit1->installEventFilter(this);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFormdl::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFormdl::BitBtn2Click);
}

TFormdl::~TFormdl()
{
    if (g_formdl == this)
        g_formdl = nullptr;
    delete ui;
}

int TFormdl::exec()
{
    // The database opens and the codes are listed before the dialog appears:
    // a database that cannot be opened ends here, without a dialog whose
    // closing would come before its own event loop runs.
    FormShow();
    if (m_dataError)
        return QDialog::Rejected;
    m_prepared = true;
    return QDialog::exec();
}

void TFormdl::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_prepared) {
        m_prepared = false;
        return;
    }
    FormShow();
}

void TFormdl::FormShow()
{
    m_exit = false;
    m_dataError = false;
    if (!DemoDM().open()) {
        Dialogs::message(QStringLiteral("data error"));
        m_dataError = true;
        m_exit = true;
        setResult(QDialog::Rejected);
        if (isVisible())
            done(QDialog::Rejected);
        return;
    }
    if (onDatabaseOpened)
        onDatabaseOpened();
    try {
        const QStringList codes = Employees::codes(DemoDM());
        ui->ComboBox1->clear();
        ui->ComboBox1->setEditText(QString());
        ui->ComboBox1->addItems(codes);
        ui->ComboBox1->setEditText(QString());
    } catch (const AppError &e) {
        Dialogs::error(e.message());
    }
    ui->ComboBox1->setFocus();
}

bool TFormdl::eventFilter(QObject *watched, QEvent *event)
{
    if (isEnter(event)) {
        if (watched == ui->ComboBox1 || watched == ui->ComboBox1->lineEdit()) {
            ui->Edit1->setFocus();       // ComboBox1KeyPress
            return true;
        }
        if (watched == ui->Edit1) {
            BitBtn1Click();              // Edit1KeyPress
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormdl::BitBtn1Click()
{
    const QString code = ui->ComboBox1->currentText();
    if (code.isEmpty()) {
        Dialogs::message(QStringLiteral("用户编号不能为空"));
        ui->ComboBox1->setFocus();
        return;
    }
    try {
        if (!Employees::passwordMatches(DemoDM(), code, ui->Edit1->text())) {
            Dialogs::message(QStringLiteral("用户编号或密码不对！"));
            return;
        }
    } catch (const AppError &e) {
        Dialogs::error(e.message());
        return;
    }
    done(QDialog::Accepted);
}

void TFormdl::BitBtn2Click()
{
    m_exit = true;
    done(QDialog::Rejected);
}

void TFormdl::reject()
{
    // Esc does nothing here.
}

void TFormdl::closeEvent(QCloseEvent *event)
{
    // No close button: the window manager's close request is ignored.
    event->ignore();
}
