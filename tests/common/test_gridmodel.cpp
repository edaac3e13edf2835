#include "common/gridmodel.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

class GridModelTest : public QObject
{
    Q_OBJECT

private slots:
    // The grid shows the named columns in its own order, with the display
    // form, and keeps widths and hidden columns when the rows are re-read.
    void columnsSurviveAReset()
    {
        QStandardItemModel source(2, 3);
        source.setHorizontalHeaderLabels({"iid", "cost", "bhmc"});
        source.setData(source.index(0, 1), 12.5);
        source.setData(source.index(0, 2), QStringLiteral("张三"));

        TGridModel grid;
        grid.setColumns({{"bhmc", "户名", 93, {}},
                         {"cost", "总金额", 151, [](const QVariant &v) { return QString::number(v.toDouble(), 'f', 2); }},
                         {"iid", "iid", 40, {}, true}});
        grid.setSource(&source);
        QTableView view;
        grid.showIn(&view);
        QCOMPARE(grid.data(grid.index(0, 0)).toString(), QStringLiteral("张三"));
        QCOMPARE(grid.data(grid.index(0, 1)).toString(), QStringLiteral("12.50"));
        QCOMPARE(grid.headerData(1, Qt::Horizontal).toString(), QStringLiteral("总金额"));

        for (int pass = 0; pass < 2; ++pass) {
            QCOMPARE(view.columnWidth(0), 93);
            QCOMPARE(view.columnWidth(1), 151);
            QVERIFY(!view.isColumnHidden(1));
            QVERIFY(view.isColumnHidden(2));
            // Rows re-read: the source resets.
            source.clear();
            source.setColumnCount(3);
            source.setHorizontalHeaderLabels({"iid", "cost", "bhmc"});
        }
        QCOMPARE(view.editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
    }
};

QTEST_MAIN(GridModelTest)
#include "test_gridmodel.moc"
