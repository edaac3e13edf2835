#include "common/gridmodel.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

class GridModelTest : public QObject
{
    Q_OBJECT

private slots:
    // Rows holding the marked value in a column, shown or not, get the mark's
    // background in every shown column; the others none.
    void rowsMarkedByAHiddenColumn()
    {
        QStandardItemModel source(3, 2);
        source.setHorizontalHeaderLabels({"bhmc", "fkzt"});
        const QStringList states{QStringLiteral("已付款"), QStringLiteral("未付款"), QString()};
        for (int r = 0; r < 3; ++r) {
            source.setData(source.index(r, 0), QStringLiteral("户%1").arg(r));
            source.setData(source.index(r, 1), states[r]);
        }
        TGridModel grid;
        grid.setColumns({{"bhmc", "户名", 93, {}}, {"fkzt", "付款状态", 64, {}, true}});
        grid.setSourceModel(&source);
        QCOMPARE(grid.data(grid.index(1, 0), Qt::BackgroundRole), QVariant());
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        grid.setRowMark(QStringLiteral("FKZT"), QStringLiteral("未付款"));
        QCOMPARE(changed.size(), 1);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c) {
                const QVariant bg = grid.data(grid.index(r, c), Qt::BackgroundRole);
                if (r == 1)
                    QCOMPARE(bg.value<QBrush>().color(), TGridModel::kMarkColour);
                else
                    QVERIFY2(!bg.isValid(), qPrintable(QStringLiteral("row %1 column %2").arg(r).arg(c)));
            }
        // The mark follows the value.
        source.setData(source.index(1, 1), QStringLiteral("已付款"));
        QVERIFY(!grid.data(grid.index(1, 0), Qt::BackgroundRole).isValid());
        grid.setRowMark({}, {});
        source.setData(source.index(0, 1), QStringLiteral("未付款"));
        QVERIFY(!grid.data(grid.index(0, 0), Qt::BackgroundRole).isValid());
    }

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
        grid.setSourceModel(&source);
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

    // The grid follows every change of its source as a proxy must: the
    // model tester checks each step, and the named columns stay on their
    // source columns by name when the source's columns move about.
    void followsItsSourceUnderTheModelTester()
    {
        QStandardItemModel source(3, 3);
        source.setHorizontalHeaderLabels({"iid", "cost", "bhmc"});
        for (int r = 0; r < 3; ++r) {
            source.setData(source.index(r, 0), r);
            source.setData(source.index(r, 1), 10.0 * r);
            source.setData(source.index(r, 2), QStringLiteral("户%1").arg(r));
        }
        TGridModel grid;
        grid.setColumns({{"bhmc", "户名", 93, {}}, {"cost", "总金额", 151, {}}, {"nosuch", "无", 40, {}}});
        QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid.setSourceModel(&source);
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(grid.columnCount(), 3);
        QCOMPARE(grid.data(grid.index(2, 0)).toString(), QStringLiteral("户2"));
        QCOMPARE(grid.data(grid.index(2, 2)), QVariant());
        QCOMPARE(grid.mapToSource(grid.index(1, 0)), source.index(1, 2));
        QCOMPARE(grid.mapFromSource(source.index(1, 1)), grid.index(1, 1));
        QVERIFY(!grid.mapFromSource(source.index(1, 0)).isValid()); // iid is not shown

        // Rows inserted and removed pass through with their numbers.
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        source.insertRows(1, 2);
        source.setData(source.index(1, 2), QStringLiteral("新户"));
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 1);
        QCOMPARE(inserted.first().at(2).toInt(), 2);
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(grid.data(grid.index(1, 0)).toString(), QStringLiteral("新户"));
        QCOMPARE(grid.data(grid.index(4, 0)).toString(), QStringLiteral("户2"));
        source.removeRows(0, 2);
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(grid.data(grid.index(0, 0)).toString(), QString());
        QCOMPARE(grid.data(grid.index(1, 0)).toString(), QStringLiteral("户1"));

        // A change in a shown column names that cell; one in a column not
        // shown names nothing.
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        source.setData(source.index(2, 1), 99.5);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), grid.index(2, 1));
        QCOMPARE(changed.first().at(1).toModelIndex(), grid.index(2, 1));
        QCOMPARE(grid.data(grid.index(2, 1)).toString(), QStringLiteral("99.5"));
        source.setData(source.index(2, 0), 7);
        QCOMPARE(changed.size(), 1);

        // A column put in front of the others: the names still find theirs.
        source.insertColumn(0);
        source.setHeaderData(0, Qt::Horizontal, QStringLiteral("pxxh"));
        QCOMPARE(grid.columnCount(), 3);
        QCOMPARE(grid.data(grid.index(1, 0)).toString(), QStringLiteral("户1"));
        QCOMPARE(grid.data(grid.index(2, 1)).toString(), QStringLiteral("99.5"));
        source.removeColumn(1); // iid
        QCOMPARE(grid.data(grid.index(1, 0)).toString(), QStringLiteral("户1"));
        // A source column that gets the missing name fills that column.
        source.setHeaderData(0, Qt::Horizontal, QStringLiteral("nosuch"));
        source.setData(source.index(0, 0), QStringLiteral("有"));
        QCOMPARE(grid.data(grid.index(0, 2)).toString(), QStringLiteral("有"));

        // Reset: new columns, new rows.
        source.clear();
        QCOMPARE(grid.rowCount(), 0);
        source.setColumnCount(2);
        source.setHorizontalHeaderLabels({"bhmc", "cost"});
        source.appendRow({new QStandardItem(QStringLiteral("甲")), new QStandardItem(QStringLiteral("1"))});
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(grid.data(grid.index(0, 0)).toString(), QStringLiteral("甲"));
        QCOMPARE(grid.data(grid.index(0, 1)).toString(), QStringLiteral("1"));

        // Another source, then none.
        QStandardItemModel other(1, 1);
        other.setHorizontalHeaderLabels({"cost"});
        other.setData(other.index(0, 0), 5);
        grid.setSourceModel(&other);
        QCOMPARE(grid.data(grid.index(0, 1)).toString(), QStringLiteral("5"));
        QCOMPARE(grid.data(grid.index(0, 0)), QVariant());
        grid.setSourceModel(nullptr);
        QCOMPARE(grid.rowCount(), 0);
        // The old source no longer reaches the grid.
        changed.clear();
        source.setData(source.index(0, 0), QStringLiteral("乙"));
        QCOMPARE(changed.size(), 0);
    }

    // A query result larger than one fetch: the grid fetches as the view
    // asks, row by row with the source, under the model tester.
    void fetchesMoreWithItsSource()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("grid"));
            db.setDatabaseName(QStringLiteral(":memory:"));
            QVERIFY(db.open());
            QSqlQueryModel source;
            source.setQuery(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 700) "
                                           "select i as iid, 'h' || i as bhmc, i * 1.5 as cost from n"),
                            db);
            TGridModel grid;
            grid.setColumns({{"cost", "总金额", 80, {}}, {"bhmc", "户名", 80, {}}});
            grid.setSourceModel(&source);
            const int first = grid.rowCount();
            // Attached after the first read: the tester of this Qt fetches
            // more rows inside its own check of a reset and then reports the
            // source's rows as inserted during the reset (it does so for a
            // bare QSqlQueryModel too).
            QVERIFY(first > 0 && first < 700);
            QVERIFY(grid.canFetchMore({}));
            QVERIFY(!grid.canFetchMore(grid.index(0, 0)));
            QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
            QAbstractItemModelTester tester(&grid, QAbstractItemModelTester::FailureReportingMode::QtTest);
            while (grid.canFetchMore({}))
                grid.fetchMore({});
            QCOMPARE(grid.rowCount(), 700);
            QVERIFY(!inserted.isEmpty());
            QCOMPARE(inserted.first().at(1).toInt(), first);
            QCOMPARE(grid.data(grid.index(699, 1)).toString(), QStringLiteral("h700"));
            QCOMPARE(grid.data(grid.index(699, 0)).toString(), QStringLiteral("1050"));
            QCOMPARE(grid.data(grid.index(0, 0), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
            // Read again: the reset starts from the first fetch.
            source.setQuery(QStringLiteral("select 2 as bhmc, 3 as cost"), db);
            QCOMPARE(grid.rowCount(), 1);
            QCOMPARE(grid.data(grid.index(0, 1)).toString(), QStringLiteral("2"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("grid"));
    }
};

QTEST_MAIN(GridModelTest)
#include "test_gridmodel.moc"
