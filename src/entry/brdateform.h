#pragma once

#include <QDate>
#include <QDialog>

namespace Ui {
class TBrDateForm;
}

// The pop-up date picker: a month calendar with buttons that move the date
// a year or a month back or forward. The caller creates it, runs exec()
// and reads date() when exec() returned QDialog::Accepted.
//
// Enter anywhere moves the focus to "确定", so a second Enter confirms;
// Esc and "关闭" cancel; a double-click on a day confirms that day.
class TBrDateForm : public QDialog
{
    Q_OBJECT
public:
    explicit TBrDateForm(QWidget *parent = nullptr);
    ~TBrDateForm() override;

    void setDate(const QDate &d);
    QDate date() const;

    // Handlers.
    void FormActivate();           // refreshes the year, month and day labels
    void Button1Click();           // 上年: one year back
    void Button2Click();           // 下年: one year forward
    void Button3Click();           // 上月: one month back
    void Button4Click();           // 下月: one month forward
    void Button5Click();           // 确定
    void Button6Click();           // 关闭
    void CalendarDblClick();       // same as 确定
    void CalendarChange();         // the chosen date changed

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void moveYears(int years);
    void moveMonths(int months);
    void showDate(const QDate &d);

    Ui::TBrDateForm *ui;
};
