#include "backup/helptab.h"

#include "backup/formxtbf.h"
#include "common/apppaths.h"
#include "common/dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

THelpTab::THelpTab(QWidget *parent) : QWidget(parent)
{
    if (parent && !parent->layout()) {
        auto *outer = new QVBoxLayout(parent);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(this);
    }
    auto *layout = new QVBoxLayout(this);
    auto *help = new QLabel(this);
    help->setObjectName(QStringLiteral("LabelHelp"));
    help->setWordWrap(true);
    help->setText(QStringLiteral(
        "<h3>使用说明</h3>"
        "<p><b>单据录入打印</b>：输入户名、户号或拼音首字母后按回车选择住户，录入本月电表、水表读数及其它费用，"
        "金额自动计算；点“新增保存”保存收据，勾选直接打印时保存后即打印。</p>"
        "<p><b>基础数据维护</b>：维护住户（户名、户号）和员工（抄表人、收款人、登录密码）。</p>"
        "<p><b>历史单据查询</b>：按户名、收据号、日期、年份、月份查询历史收据，可批量打印、导出。</p>"
        "<p><b>数据备份</b>：把数据库文件复制到备份文件夹（默认为数据文件夹中的 backup）；"
        "也可以选择一个备份文件恢复数据，恢复前的数据会另存一份。</p>"
        "<p>详细的操作步骤请点“使用帮助”查看使用手册。</p>"));
    layout->addWidget(help);
    m_help = new QPushButton(QStringLiteral("使用帮助"), this);
    m_help->setObjectName(QStringLiteral("SpeedButton34"));
    m_help->setMinimumWidth(120);
    layout->addWidget(m_help, 0, Qt::AlignLeft);
    m_backup = new QPushButton(QStringLiteral("数据备份"), this);
    m_backup->setObjectName(QStringLiteral("SpeedButton36"));
    m_backup->setMinimumWidth(120);
    layout->addWidget(m_backup, 0, Qt::AlignLeft);
    m_template = new QPushButton(QStringLiteral("修改单据模版"), this);
    m_template->setObjectName(QStringLiteral("SpeedButton35"));
    m_template->setMinimumWidth(120);
    layout->addWidget(m_template, 0, Qt::AlignLeft);
    layout->addStretch();
    connect(m_help, &QPushButton::clicked, this, &THelpTab::SpeedButton34Click);
    connect(m_backup, &QPushButton::clicked, this, &THelpTab::SpeedButton36Click);

    openUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    runDialog = [](TFormxtbf *dialog) { dialog->exec(); };
}

void THelpTab::SpeedButton36Click()
{
    auto dialog = std::make_unique<TFormxtbf>(window());
    connect(dialog.get(), &TFormxtbf::restored, this, &THelpTab::restored);
    connect(dialog.get(), &TFormxtbf::reconnected, this, &THelpTab::databaseReconnected);
    if (runDialog)
        runDialog(dialog.get());
}

void THelpTab::SpeedButton34Click()
{
    const QString path = AppPaths::helpDocumentPath();
    if (!QFileInfo(path).isFile()) {
        Dialogs::message(QStringLiteral("找不到使用手册 %1，请重新安装本程序。").arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (!openUrl || !openUrl(QUrl::fromLocalFile(path)))
        Dialogs::message(QStringLiteral("无法打开使用手册 %1：系统中没有能打开网页文件的程序。")
                             .arg(QDir::toNativeSeparators(path)));
}
