#pragma once

#include <QDialog>

namespace Ui {
class TFormdyts;
}

// The range dialog of batch printing, "批量打印对话框": the first and last
// sort number of the history list to print. One instance lives as long as
// the history tab, so the fields keep the numbers entered last time.
class TFormdyts : public QDialog
{
    Q_OBJECT
public:
    explicit TFormdyts(QWidget *parent = nullptr);
    ~TFormdyts() override;

    // Results, valid after the dialog was accepted.
    bool accepted() const { return m_accepted; }
    qint64 first() const { return m_first; }
    qint64 last() const { return m_last; }
    // "合并为一个打印任务": the range goes to the printer as one job. Shown
    // as the settings have it (strhbdy); an accepted dialog puts it there.
    bool oneJob() const { return m_oneJob; }

    // Handlers.
    void FormShow();                    // clears the accepted flag
    void Edit1KeyPress(QKeyEvent *key); // digits and backspace only; Enter moves on
    void Edit2KeyPress(QKeyEvent *key);
    void BitBtn1Click();                // 确定: checks, stores, closes
    void BitBtn2Click();                // 取消

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // True when the key was taken away from the field.
    bool filterKey(QKeyEvent *key, QWidget *next);

    Ui::TFormdyts *ui;
    bool m_accepted = false;
    qint64 m_first = 0;
    qint64 m_last = 0;
    bool m_oneJob = false;
};
