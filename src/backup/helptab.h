#pragma once

#include <QWidget>
#include <functional>

class QPushButton;
class QUrl;
class TFormxtbf;

// The fourth tab, "在线帮助": how to use the program in short, the button
// that opens the user guide, and the button that opens the backup of the
// database.
class THelpTab : public QWidget
{
    Q_OBJECT
public:
    explicit THelpTab(QWidget *parent = nullptr);

    QPushButton *helpButton() const { return m_help; }
    QPushButton *backupButton() const { return m_backup; }
    // "修改单据模版": the main window connects it to the template editing.
    QPushButton *templateButton() const { return m_template; }

    // "数据备份": the backup dialog, created for this use and freed after it.
    void SpeedButton36Click();

    // "使用帮助": the user guide in the desktop's default application; a
    // missing document, or one the desktop cannot open, is said so.
    void SpeedButton34Click();

    // Opens a document with the desktop (tests watch it instead).
    std::function<bool(const QUrl &)> openUrl;

    // Runs the dialog modally (tests drive it instead).
    std::function<void(TFormxtbf *)> runDialog;

signals:
    // The backup dialog closed the database connection and opened it again
    // (see TFormxtbf::reconnected).
    void databaseReconnected(bool dataReplaced);
    // A backup was restored (see TFormxtbf::restored).
    void restored();

private:
    QPushButton *m_help;
    QPushButton *m_backup;
    QPushButton *m_template;
};
