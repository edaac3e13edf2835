#pragma once

#include <QDialog>
#include <functional>

namespace Ui {
class TFormdl;
}

// The login dialog: only an employee listed in zgxxb gets in. It opens the
// database connection itself before it lists the employee codes.
// exec() returns Accepted after a successful login; the exit button (or a
// database that cannot be opened) ends it with Rejected and exitChosen().
class TFormdl : public QDialog
{
    Q_OBJECT
public:
    explicit TFormdl(QWidget *parent = nullptr);
    ~TFormdl() override;

    bool exitChosen() const { return m_exit; }
    bool databaseFailed() const { return m_dataError; }

    void FormShow();
    void BitBtn1Click();

    // Runs each time FormShow has opened the database (the program starts
    // its spreadsheet application there, while the operator logs in).
    std::function<void()> onDatabaseOpened;
    void BitBtn2Click();

public slots:
    // Opens the database first; when that fails it returns Rejected at once
    // (after "data error"), without showing the dialog.
    int exec() override;
    void reject() override; // Esc does not leave the dialog

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Ui::TFormdl *ui;
    bool m_exit = false;
    bool m_dataError = false;
    bool m_prepared = false;   // exec() has run FormShow already
};

// The process's login dialog (created at start-up, reused).
TFormdl *Formdl();
void setFormdl(TFormdl *dialog);
