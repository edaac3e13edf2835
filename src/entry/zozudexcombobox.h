#pragma once

#include <QComboBox>
#include <QList>
#include <QPointer>

class QAbstractItemModel;
class QFrame;
class QTableView;
class QIdentityProxyModel;

// An editable combo box whose drop-down is a small grid of a dataset: the
// owner runs a search into the dataset and drops the list down; the operator
// picks a row with a double-click or Enter. Any other character key in the
// grid, or a click outside it, closes the list without picking.
//
// The component only shows the list and reports what happened; what a pick
// fills in is up to the owner (rowPicked), as is where the focus goes
// afterwards (closedUp).
class TZozudExComboBox : public QComboBox
{
    Q_OBJECT
public:
    struct Column
    {
        QString field;   // column of the dataset
        QString title;   // shown centred
        int width = 64;
    };

    explicit TZozudExComboBox(QWidget *parent = nullptr);
    ~TZozudExComboBox() override;

    // The dataset shown in the grid (not owned).
    void setDataSource(QAbstractItemModel *model);
    QAbstractItemModel *dataSource() const { return m_source; }

    int dataGridWidth() const { return m_gridWidth; }
    void setDataGridWidth(int w) { m_gridWidth = w; }
    int dataGridHeight() const { return m_gridHeight; }
    void setDataGridHeight(int h) { m_gridHeight = h; }

    const QList<Column> &columns() const { return m_columns; }
    void setColumns(const QList<Column> &columns) { m_columns = columns; }

    // The pinyin-initials column the owner's search includes.
    QString selectField() const { return m_selectField; }
    void setSelectField(const QString &field) { m_selectField = field; }

    // Drops the grid down under the field, focus in the grid on the current
    // row (the first when there is none).
    void showPopup() override;
    // Closes the grid without picking and without moving the focus.
    void hidePopup() override;

    bool isDroppedDown() const;
    QTableView *grid() const { return m_grid; }
    QFrame *popupWindow() const { return m_popup; }

    // The value of `field` in the grid's current row (empty when none).
    QString currentValue(const QString &field) const;

signals:
    // The operator picked a row of the dataset (double-click or Enter).
    void rowPicked(int row);
    // The list was closed by a pick, another key or a click outside it.
    // Emitted after rowPicked, once the pop-up has been hidden.
    void closedUp(bool picked);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyColumns();
    void closeUp(bool picked);
    void returnToWindow();

    QPointer<QAbstractItemModel> m_source;
    QFrame *m_popup = nullptr;
    QTableView *m_grid = nullptr;
    QIdentityProxyModel *m_view = nullptr;
    QList<Column> m_columns;
    QString m_selectField;
    int m_gridWidth = 500;
    int m_gridHeight = 200;
    bool m_closing = false;   // hidden by us, not by a click outside
};
