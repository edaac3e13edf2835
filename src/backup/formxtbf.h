#pragma once

#include <QDialog>
#include <functional>

namespace Ui {
class TFormxtbf;
}

// "数据备份与恢复": copies the database file into a folder (by default the
// folder "backup" beside the program) under its own name, and puts a chosen
// backup back in place of the database.
class TFormxtbf : public QDialog
{
    Q_OBJECT
public:
    explicit TFormxtbf(QWidget *parent = nullptr);
    ~TFormxtbf() override;

    // The program's folder followed by "backup".
    static QString defaultFolder();
    // The folder of Edit1 as a full path (a relative text is taken in the
    // program's folder).
    QString targetFolder() const;

    void FormShow();
    void RadioButton1Click();
    void RadioButton2Click();
    void rb3Click();
    void BitBtn4Click();   // path chooser
    void BitBtn1Click();   // 备份
    void BitBtn2Click();   // 恢复
    void BitBtn5Click();   // choose the backup file to restore
    void BitBtn3Click();   // 关闭

    // Where the current database was kept by the last restore.
    QString keptCopy() const { return m_keptCopy; }

    // Seams: the file copy (tests make it fail) and the file chooser of the
    // restore.
    std::function<bool(const QString &source, const QString &dest, QString *why)> copyFile;
    std::function<QString(const QString &startFolder)> chooseRestoreFile;

signals:
    // The connection was closed (which closes every list) and is open again.
    // dataReplaced: the database now holds other data (a restore).
    void reconnected(bool dataReplaced);
    // A backup was restored (after its message, before the dialog closes):
    // the main window reloads what it shows.
    void restored();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool backupInto(const QString &folder);
    bool restoreFrom(const QString &file);
    void reconnect(bool dataReplaced = false);

    Ui::TFormxtbf *ui;
    QString m_keptCopy;
};
