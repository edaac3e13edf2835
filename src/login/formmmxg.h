#pragma once

#include <QDialog>

namespace Ui {
class TFormmmxg;
}

// Changes the login password of the employee given by the caller (not of
// the one logged in). Created once and reused: its fields keep their texts.
class TFormmmxg : public QDialog
{
    Q_OBJECT
public:
    explicit TFormmmxg(QWidget *parent = nullptr);
    ~TFormmmxg() override;

    void setEmployeeCode(const QString &py) { m_py = py; }
    QString employeeCode() const { return m_py; }

    void BitBtn1Click();
    void BitBtn2Click();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Ui::TFormmmxg *ui;
    QString m_py;
};

TFormmmxg *Formmmxg();
void setFormmmxg(TFormmmxg *dialog);
