#include "TestMain.h"

#include "mainwin/MemoCells.h"
#include "mainwin/MemoListModel.h"
#include "mainwin/MemoNode.h"
#include "mainwin/WheelSteps.h"

#include <QItemSelectionModel>

using namespace velmo;
using namespace velmo::MemoCells;

namespace {

MemoFields solarMemo(const QString& alertTime)
{
    MemoFields memo;
    memo.id = 7;
    memo.type = 1;
    memo.title = QStringLiteral("t");
    memo.lifa = 1;
    memo.alertTime = alertTime;
    memo.alertPinLv = QStringLiteral("1");
    return memo;
}

MemoFields lunarMemo(const QString& alertTimeNongli)
{
    MemoFields memo = solarMemo(QString());
    memo.lifa = 2;
    memo.alertTime = QVariant();
    memo.alertTimeNongli = alertTimeNongli;
    return memo;
}

std::vector<RowTexts> rowsWithTitles(const QStringList& titles)
{
    std::vector<RowTexts> rows;
    int id = 1;
    for (const QString& title : titles) {
        RowTexts row;
        row[IdColumn] = row[HiddenIdColumn] = QString::number(id++);
        row[TitleColumn] = title;
        rows.push_back(row);
    }
    return rows;
}

QStringList titlesOf(const MemoListModel& model)
{
    QStringList titles;
    for (int row = 0; row < model.rowCount(); ++row)
        titles << model.rowAt(row)[TitleColumn];
    return titles;
}

} // namespace

class TestMemoCells : public QObject
{
    Q_OBJECT

private slots:
    void categoryAndRepeatLabels_data()
    {
        QTest::addColumn<QVariant>("type");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("repeat");
        QTest::newRow("life, once") << QVariant(1) << "生活"
                                    << "1"
                                    << "提醒一次";
        QTest::newRow("mood, sign-in") << QVariant(5) << "心情"
                                       << "denglu"
                                       << "每次登陆";
        QTest::newRow("idea, never") << QVariant(6) << "创意"
                                     << "N"
                                     << "不提醒";
        QTest::newRow("other, 12 hours") << QVariant(7) << "其它"
                                         << "12shi"
                                         << "每12小时";
        QTest::newRow("type 0 is other") << QVariant(0) << "其它"
                                         << "30fen"
                                         << "每30分钟";
        QTest::newRow("type 9 is other") << QVariant(9) << "其它"
                                         << "3yue"
                                         << "每季度";
        QTest::newRow("unknown code") << QVariant(2) << "工作"
                                      << "2tian"
                                      << "其它备忘";
        QTest::newRow("code letter case counts") << QVariant(3) << "学习"
                                                 << "1TIAN"
                                                 << "其它备忘";
        QTest::newRow("empty type and code") << QVariant() << ""
                                             << ""
                                             << "";
    }

    void categoryAndRepeatLabels()
    {
        QFETCH(QVariant, type);
        MemoFields memo = solarMemo(QString());
        memo.type = type;
        QFETCH(QString, code);
        memo.alertPinLv = code.isEmpty() ? QVariant() : QVariant(code);
        const RowTexts cells = rowTexts(memo, test::defaultTestMoment());
        QTEST(cells[CategoryColumn], "category");
        QTEST(cells[RepeatColumn], "repeat");
    }

    void solarDaysLeftCountCalendarDays()
    {
        // The test clock stands at 2026-12-06 10:00.
        const QDateTime now = test::defaultTestMoment();
        QCOMPARE(rowTexts(solarMemo("2026-12-05 23:00:00"), now)[DaysLeftColumn], "-1天");
        QCOMPARE(rowTexts(solarMemo("2026-12-06 08:00:00"), now)[DaysLeftColumn], "0天");
        QCOMPARE(rowTexts(solarMemo("2026-12-06 23:59:59"), now)[DaysLeftColumn], "0天");
        QCOMPARE(rowTexts(solarMemo("2027-01-05 00:00:00"), now)[DaysLeftColumn], "30天");
        const RowTexts cells = rowTexts(solarMemo("2026-12-08 09:30:00"), now);
        QCOMPARE(cells[AlertColumn], "2026-12-08 09:30:00");
        QCOMPARE(cells[StateColumn], "进行");
        QCOMPARE(cells[HiddenIdColumn], "7");
    }

    void emptyOrUnselectedMomentShowsNothing()
    {
        const QDateTime now = test::defaultTestMoment();
        RowTexts cells = rowTexts(solarMemo(QString()), now);
        QCOMPARE(cells[AlertColumn], QString());
        QCOMPARE(cells[DaysLeftColumn], "0天");

        // A stored solar text that names no day shows as it is and counts no days.
        cells = rowTexts(solarMemo("2026-02-30 08:00:00"), now);
        QCOMPARE(cells[AlertColumn], "2026-02-30 08:00:00");
        QCOMPARE(cells[DaysLeftColumn], "0天");

        // Lunar flag with only a solar moment: neither moment is shown.
        MemoFields memo = solarMemo("2026-12-08 09:30:00");
        memo.lifa = 2;
        cells = rowTexts(memo, now);
        QCOMPARE(cells[AlertColumn], QString());
        QCOMPARE(cells[DaysLeftColumn], "0天");

        // Any flag other than 1 reads the lunar moment, 0 included.
        memo = lunarMemo("2026-10-28 08:00:00");
        memo.lifa = 0;
        QCOMPARE(rowTexts(memo, now)[AlertColumn], "2026-10-28 08:00:00");
    }

    void lunarDaysLeftAroundTheEndOfTheSecondMonth()
    {
        // 2020-03-23 is lunar 2020-2-30, so 2020-03-20 is lunar 2-27 and 2020-03-24 lunar 3-1.
        const QDateTime now(QDate(2020, 3, 20), QTime(10, 0));
        RowTexts cells = rowTexts(lunarMemo("2020-02-30 08:00:00"), now);
        QCOMPARE(cells[AlertColumn], "2020-02-30 08:00:00");
        QCOMPARE(cells[DaysLeftColumn], "3天");
        QCOMPARE(rowTexts(lunarMemo("2020-02-29 08:00:00"), now)[DaysLeftColumn], "2天");
        // Into the next lunar month the count follows the lunar month's real length.
        QCOMPARE(rowTexts(lunarMemo("2020-03-01 08:00:00"), now)[DaysLeftColumn], "4天");
        QCOMPARE(rowTexts(lunarMemo("2020-02-26 08:00:00"), now)[DaysLeftColumn], "-1天");
        QCOMPARE(rowTexts(lunarMemo("2020-02-30 23:00:00"),
                          QDateTime(QDate(2020, 3, 23), QTime(1, 0)))[DaysLeftColumn],
                 "0天");
    }

    void lunarMomentOutsideTheCalendarCountsNoDays()
    {
        const RowTexts cells = rowTexts(lunarMemo("2099-01-01 08:00:00"), test::defaultTestMoment());
        QCOMPARE(cells[AlertColumn], "2099-01-01 08:00:00");
        QCOMPARE(cells[DaysLeftColumn], QString());
    }

    void columnClicksFlipTheOrderWhicheverColumn()
    {
        MemoListModel model;
        model.setRows(rowsWithTitles({"b", "C", "a"}));
        QVERIFY(!model.isSorting());
        QCOMPARE(titlesOf(model), QStringList({"b", "C", "a"}));

        model.columnClicked(TitleColumn);
        QCOMPARE(model.sortOrder(), Qt::DescendingOrder);
        QCOMPARE(titlesOf(model), QStringList({"C", "b", "a"}));
        model.columnClicked(TitleColumn);
        QCOMPARE(titlesOf(model), QStringList({"a", "b", "C"}));

        // Another column sorts in the order opposite to the one in force.
        model.columnClicked(IdColumn);
        QCOMPARE(model.sortColumn(), int(IdColumn));
        QCOMPARE(titlesOf(model), QStringList({"a", "C", "b"}));

        // The sort stays in force for the rows of later loads.
        model.setRows(rowsWithTitles({"x", "y", "z"}));
        QCOMPARE(titlesOf(model), QStringList({"z", "y", "x"}));
    }

    void sortKeepsTheSelectionOnItsRows()
    {
        MemoListModel model;
        model.setRows(rowsWithTitles({"b", "c", "a"}));
        QItemSelectionModel selection(&model);
        selection.select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        model.columnClicked(TitleColumn); // descending: c, b, a
        const QModelIndexList rows = selection.selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(model.rowAt(rows.first().row())[TitleColumn], "c");
        QCOMPARE(model.memoIdAt(rows.first().row()), std::optional<qint32>(2));
    }

    void memoIdComesFromTheHiddenColumn()
    {
        MemoListModel model;
        std::vector<RowTexts> rows = rowsWithTitles({"a", "b"});
        rows[0][IdColumn] = "999";
        rows[1][HiddenIdColumn] = "not a number";
        model.setRows(rows);
        QCOMPARE(model.memoIdAt(0), std::optional<qint32>(1));
        QCOMPARE(model.memoIdAt(1), std::nullopt);
        QCOMPARE(model.memoIdAt(5), std::nullopt);
    }

    void nodesAreToldByTheirCaptions()
    {
        QCOMPARE(MemoNode::fromCaption("进行中备忘(12)"), std::optional<MemoNode>(MemoNode{false, 0}));
        QCOMPARE(MemoNode::fromCaption("已完成备忘(0)"), std::optional<MemoNode>(MemoNode{true, 0}));
        QCOMPARE(MemoNode::fromCaption("生活备忘(3)", "已完成备忘(9)"),
                 std::optional<MemoNode>(MemoNode{true, 1}));
        QCOMPARE(MemoNode::fromCaption("其它备忘(1)", "进行中备忘(1)"),
                 std::optional<MemoNode>(MemoNode{false, 7}));
        QCOMPARE(MemoNode::fromCaption("生活备忘(3)"), std::nullopt);
        QCOMPARE(MemoNode::caption(MemoNode{false, 5}, 42), "心情日记(42)");
        QCOMPARE(MemoNode::caption(MemoNode{true, 0}, 0), "已完成备忘(0)");
        QCOMPARE(MemoNode::kindOf("进行中备忘(12)"), "进行中备");
    }

    void wheelStepsCollectPartialDeltas()
    {
        WheelSteps steps;
        QCOMPARE(steps.add(120), 1);
        QCOMPARE(steps.add(-240), -2);
        // A touchpad sends a notch in pieces.
        QCOMPARE(steps.add(40), 0);
        QCOMPARE(steps.add(40), 0);
        QCOMPARE(steps.add(50), 1);
        QCOMPARE(steps.remainder(), 10);
        // Turning round drops what was collected the other way.
        QCOMPARE(steps.add(-100), 0);
        QCOMPARE(steps.add(-20), -1);
        QCOMPARE(steps.remainder(), 0);
    }
};

VELMO_TEST_MAIN(TestMemoCells)
#include "TestMemoCells.moc"
