#include "login/formmmxg.h"
#include "ui_formmmxg.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/demodm.h"
#include "data/employeestore.h"

#include <QCloseEvent>

namespace {
TFormmmxg *g_formmmxg = nullptr;
}

TFormmmxg *Formmmxg()
{
    return g_formmmxg;
}

void setFormmmxg(TFormmmxg *dialog)
{
    g_formmmxg = dialog;
}

TFormmmxg::TFormmmxg(QWidget *parent) : QDialog(parent), ui(new Ui::TFormmmxg)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("Formmmxg"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(234, 182);
    QFont f = font();
    f.setPixelSize(12);
    setFont(f);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFormmmxg::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFormmmxg::BitBtn2Click);
}

TFormmmxg::~TFormmmxg()
{
    if (g_formmmxg == this)
        g_formmmxg = nullptr;
    delete ui;
}

void TFormmmxg::BitBtn1Click()
{
    const QString oldPw = ui->Edit1->text();
    const QString newPw = ui->Edit2->text();
    const QString again = ui->Edit3->text();
    if (oldPw.isEmpty() || newPw.isEmpty() || again.isEmpty()) {
        Dialogs::message(QStringLiteral("密码录入不全！"));
        return;
    }
    if (newPw != again) {
        Dialogs::message(QStringLiteral("密码和确认密码不相同！"));
        return;
    }
    try {
        if (!Employees::passwordMatches(DemoDM(), m_py, oldPw)) {
            Dialogs::message(QStringLiteral("原密码输入不对！"));
            return;
        }
        DbTransaction tx;
        Employees::setPassword(DemoDM(), m_py, again);
        tx.commit();
    } catch (const AppError &e) {
        Dialogs::error(e.message());
        return;
    }
    Dialogs::message(QStringLiteral("登录密码修改成功！"));
    done(QDialog::Accepted);
}

void TFormmmxg::BitBtn2Click()
{
    done(QDialog::Rejected);
}

void TFormmmxg::reject()
{
    // No way out but the two buttons.
}

void TFormmmxg::closeEvent(QCloseEvent *event)
{
    // No close button: the window manager's close request is ignored.
    event->ignore();
}
