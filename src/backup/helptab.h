#pragma once

#include <QWidget>
#include <functional>

class QPushButton;
class TFormxtbf;

// The fourth tab, "在线帮助": how to use the program, and the button that
// opens the backup of the database.
class THelpTab : public QWidget
{
    Q_OBJECT
public:
    explicit THelpTab(QWidget *parent = nullptr);

    QPushButton *backupButton() const { return m_backup; }
    // "修改单据模版": the main window connects it to the template editing.
    QPushButton *templateButton() const { return m_template; }

    // "数据备份": the backup dialog, created for this use and freed after it.
    void SpeedButton36Click();

    // Runs the dialog modally (tests drive it instead).
    std::function<void(TFormxtbf *)> runDialog;
    // After a restore: the main window reloads what it shows.
    std::function<void()> onRestored;

signals:
    // The backup dialog closed the database connection and opened it again
    // (see TFormxtbf::reconnected).
    void databaseReconnected(bool dataReplaced);

private:
    QPushButton *m_backup;
    QPushButton *m_template;
};
