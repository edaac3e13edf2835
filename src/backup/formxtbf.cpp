#include "backup/formxtbf.h"
#include "ui_formxtbf.h"

#include "backup/databasecopy.h"
#include "backup/qdljfm.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "common/filereplace.h"
#include "data/demodm.h"
#include "text/keyfilter.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>

namespace {

const QString kCaption = QStringLiteral("提示");

bool allowedInPath(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

} // namespace

TFormxtbf::TFormxtbf(QWidget *parent) : QDialog(parent), ui(new Ui::TFormxtbf)
{
    ui->setupUi(this);
    setFixedSize(460, 230);
    ui->lbfiles2->hide();
    ui->BitBtn9->hide();
    ui->Edit1->installEventFilter(this);

    connect(ui->RadioButton1, &QRadioButton::toggled, this, &TFormxtbf::RadioButton1Click);
    connect(ui->RadioButton2, &QRadioButton::toggled, this, &TFormxtbf::RadioButton2Click);
    connect(ui->rb3, &QRadioButton::toggled, this, &TFormxtbf::rb3Click);
    connect(ui->BitBtn4, &QPushButton::clicked, this, &TFormxtbf::BitBtn4Click);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TFormxtbf::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TFormxtbf::BitBtn2Click);
    connect(ui->BitBtn5, &QPushButton::clicked, this, &TFormxtbf::BitBtn5Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &TFormxtbf::BitBtn3Click);

    copyFile = &DatabaseCopy::copyFile;
    chooseRestoreFile = [this](const QString &start) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("选择要恢复的备份文件"), start,
                                            QStringLiteral("数据库文件 (*.db);;所有文件 (*)"));
    };
    FormShow();
}

TFormxtbf::~TFormxtbf()
{
    delete ui;
}

QString TFormxtbf::defaultFolder()
{
    return AppPaths::inProgramDir(QStringLiteral("backup"));
}

QString TFormxtbf::targetFolder() const
{
    const QString text = ui->Edit1->text().trimmed();
    if (text.isEmpty())
        return QString();
    return QDir::cleanPath(QDir(AppPaths::programDir()).absoluteFilePath(text));
}

void TFormxtbf::FormShow()
{
    // Each opening starts with the default folder.
    ui->RadioButton1->setChecked(true);
    ui->Edit1->setText(defaultFolder());
    ui->Edit1->setEnabled(false);
    ui->BitBtn4->setEnabled(false);
    ui->Edit2->setEnabled(false);
    ui->BitBtn5->setEnabled(false);
    ui->BitBtn2->setEnabled(false);
    ui->BitBtn1->setEnabled(true);
}

void TFormxtbf::RadioButton1Click()
{
    if (!ui->RadioButton1->isChecked())
        return;
    ui->Edit1->setText(defaultFolder());
    ui->Edit1->setEnabled(false);
    ui->Edit2->setEnabled(false);
    ui->BitBtn4->setEnabled(false);
}

void TFormxtbf::RadioButton2Click()
{
    if (!ui->RadioButton2->isChecked())
        return;
    ui->Edit1->setEnabled(true);
    ui->BitBtn4->setEnabled(true);
    ui->Edit2->setEnabled(false);
    ui->Edit1->setFocus();
}

void TFormxtbf::rb3Click()
{
    // A restore is chosen: the file field and its button instead of the
    // backup's folder.
    const bool restore = ui->rb3->isChecked();
    ui->Edit2->setEnabled(restore);
    ui->BitBtn5->setEnabled(restore);
    ui->BitBtn2->setEnabled(restore);
    ui->BitBtn1->setEnabled(!restore);
    if (restore) {
        ui->Edit1->setEnabled(false);
        ui->BitBtn4->setEnabled(false);
        ui->Edit2->setFocus();
    }
}

bool TFormxtbf::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Edit1 && event->type() == QEvent::KeyPress) {
        // Letters and digits only; folders come from the chooser (or are pasted).
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (key->key() != Qt::Key_Backspace && text.size() == 1 && text.at(0).isPrint() && !allowedInPath(text.at(0))) {
            Beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormxtbf::BitBtn4Click()
{
    Tqdljfm chooser(this);
    chooser.setFolder(targetFolder().isEmpty() ? AppPaths::programDir() : targetFolder());
    if (chooser.exec() == QDialog::Accepted && !chooser.chosenFolder().isEmpty())
        ui->Edit1->setText(chooser.chosenFolder());
}

void TFormxtbf::BitBtn3Click()
{
    reject();
}

void TFormxtbf::reconnect(bool dataReplaced)
{
    if (!DemoDM().open()) {
        Dialogs::error(QStringLiteral("数据库不能重新打开：") + DemoDM().lastOpenError());
        return;
    }
    // Closing the connection closed every list of the main window.
    emit reconnected(dataReplaced);
}

// ------------------------------------------------------------------ backup

void TFormxtbf::BitBtn1Click()
{
    const QString folder = targetFolder();
    // One level only; a folder made here is its owner's alone.
    if (folder.isEmpty() || !DatabaseCopy::makeOwnFolder(folder)) {
        Dialogs::message(QStringLiteral("路径不存在，不能备份！"), kCaption);
        return;
    }
    const QString source = TDemoDM::databasePath();
    const QString target = QDir(folder).filePath(QFileInfo(source).fileName());
    if (DatabaseCopy::sameEntry(folder, QFileInfo(source).absolutePath()) || DatabaseCopy::sameEntry(target, source)) {
        Dialogs::message(QStringLiteral("备份路径不对，不能备份！"), kCaption);
        return;
    }
    const bool ok = backupInto(folder);
    reconnect();
    if (!ok) {
        Dialogs::message(QStringLiteral("数据备份出错，请确定退出了所有应用程序！"), kCaption);
        return;
    }
    Dialogs::message(QStringLiteral("数据备份完毕"), kCaption);
    accept();
}

bool TFormxtbf::backupInto(const QString &folder)
{
    const QString source = TDemoDM::databasePath();
    const QString name = QFileInfo(source).fileName();
    const QString target = QDir(folder).filePath(name);
    const QString partial = QDir(folder).filePath(name + QStringLiteral(".part"));

    // The connection lets go of the file while it is copied.
    DemoDM().close();
    // The former backup is replaced only by a complete copy that opens as a
    // sound database.
    QString why;
    const bool ok = copyFile(source, partial, &why) && DatabaseCopy::isSoundDatabase(partial, &why)
        && FileReplace::replace(partial, target, &why);
    if (!ok && QFileInfo(partial).isFile())
        QFile::remove(partial);
    return ok;
}

// ----------------------------------------------------------------- restore

void TFormxtbf::BitBtn5Click()
{
    const QString start = ui->Edit2->text().isEmpty() ? defaultFolder() : QFileInfo(ui->Edit2->text()).absolutePath();
    const QString file = chooseRestoreFile ? chooseRestoreFile(start) : QString();
    if (!file.isEmpty())
        ui->Edit2->setText(file);
}

void TFormxtbf::BitBtn2Click()
{
    const QString file = ui->Edit2->text().trimmed();
    const QString database = TDemoDM::databasePath();
    if (file.isEmpty()) {
        Dialogs::message(QStringLiteral("请先选择要恢复的备份文件！"), kCaption);
        return;
    }
    if (!QFileInfo(file).isFile()) {
        Dialogs::message(QStringLiteral("备份文件不存在，不能恢复！"), kCaption);
        return;
    }
    if (DatabaseCopy::sameEntry(file, database)) {
        Dialogs::message(QStringLiteral("所选文件就是正在使用的数据库，不能恢复！"), kCaption);
        return;
    }
    QString why;
    if (!DatabaseCopy::isSoundDatabase(file, &why)) {
        Dialogs::message(QStringLiteral("所选文件不是完好的数据备份，不能恢复！\n") + why, kCaption);
        return;
    }
    if (!Dialogs::question(QStringLiteral("恢复将用所选备份替换当前的全部数据（当前数据先另存一份）。"
                                          "备份之后保存的收据不在恢复的数据中，它们的收据号也不会再次使用。"
                                          "您确定要恢复吗？")))
        return;
    const bool ok = restoreFrom(file);
    if (!ok)
        return;
    Dialogs::message(QStringLiteral("数据恢复完毕，恢复前的数据已另存为：") + m_keptCopy, kCaption);
    emit restored();
    accept();
}

bool TFormxtbf::restoreFrom(const QString &file)
{
    const QString database = TDemoDM::databasePath();
    const QFileInfo info(database);
    // A name of its own: an earlier kept copy is never overwritten.
    const QString stem = info.completeBaseName() + QStringLiteral("-恢复前-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = info.absoluteDir().filePath(stem + QLatin1Char('.') + info.suffix());
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = info.absoluteDir().filePath(stem + QStringLiteral("-%1.").arg(n) + info.suffix());
    const QString incoming = database + QStringLiteral(".restore");

    // Every statement and the connection end before the file is touched;
    // nothing else runs while this modal dialog works.
    DemoDM().close();
    QString why;
    if (QFileInfo(database).exists() && !copyFile(database, kept, &why)) {
        QFile::remove(kept);
        reconnect();
        Dialogs::message(QStringLiteral("当前数据不能另存，没有恢复！\n") + why, kCaption);
        return false;
    }
    // The restored data keeps the numbering of the data it replaces: a
    // number issued after the backup is never offered again.
    const bool hadData = QFileInfo(kept).isFile();
    const bool ok = copyFile(file, incoming, &why) && DatabaseCopy::isSoundDatabase(incoming, &why)
        && (!hadData || DatabaseCopy::carryNumbering(kept, incoming, &why))
        && FileReplace::replace(incoming, database, &why);
    if (!ok) {
        QFile::remove(incoming);
        reconnect();
        Dialogs::message(QStringLiteral("数据恢复出错，当前数据没有改变！\n") + why, kCaption);
        return false;
    }
    m_keptCopy = kept;
    if (DemoDM().open()) {
        emit reconnected(true);
    } else {
        // The restored file does not open here: the former data goes back.
        const QString openError = DemoDM().lastOpenError();
        QString back;
        const bool putBack = copyFile(kept, incoming, &back) && FileReplace::replace(incoming, database, &back);
        reconnect(!putBack);
        Dialogs::message(QStringLiteral("恢复的数据不能打开，") + (putBack ? QStringLiteral("已还原恢复前的数据。\n")
                                                                          : QStringLiteral("恢复前的数据在：") + kept + QLatin1Char('\n'))
                             + openError,
                         kCaption);
        return false;
    }
    return true;
}
