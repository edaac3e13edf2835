#pragma once

#include <QDialog>
#include <functional>

namespace Ui {
class Tqdljfm;
}
class QFileSystemModel;

// The path chooser of the backup: a folder tree of the file system, the
// database files of the selected folder, a button to create a folder and
// "确定&Y" to take the selected folder. A folder that cannot be written is
// refused with a message.
class Tqdljfm : public QDialog
{
    Q_OBJECT
public:
    explicit Tqdljfm(QWidget *parent = nullptr);
    ~Tqdljfm() override;

    // Selects a folder in the tree (the nearest existing one above it when
    // it does not exist).
    void setFolder(const QString &path);
    QString selectedFolder() const { return m_selected; }
    // The folder taken with "确定&Y" (empty until then).
    QString chosenFolder() const { return m_chosen; }
    QStringList shownFiles() const;

    void BitBtn1Click();   // 新建文件夹
    void BitBtn2Click();   // 确定&Y

    // Asks for the name of a new folder; false when cancelled. Tests replace it.
    std::function<bool(QString *name)> askFolderName;

private:
    void folderSelected(const QString &path);
    void showInTree(const QString &folder);

    Ui::Tqdljfm *ui;
    QFileSystemModel *m_model;
    QString m_selected;
    QString m_chosen;
    QString m_pending;   // the folder to show once the tree has read its parents
};
