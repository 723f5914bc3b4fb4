#include "TestMain.h"

#include "mainwin/MemoCells.h"
#include "mainwin/MemoListModel.h"
#include "mainwin/MemoNode.h"
#include "mainwin/WheelSteps.h"

#include <QItemSelectionModel>

using namespace velmo;
using namespace velmo::MemoCells;

namespace {

MemoFields memoFields(int lifa, const QString& solar, const QString& lunar = QString())
{
    MemoFields memo;
    memo.id = 7;
    memo.type = 1;
    memo.title = QStringLiteral("t");
    memo.lifa = lifa;
    memo.alertTime = solar.isEmpty() ? QVariant() : QVariant(solar);
    memo.alertTimeNongli = lunar.isEmpty() ? QVariant() : QVariant(lunar);
    memo.alertPinLv = QStringLiteral("1");
    return memo;
}

MemoListModel* modelWithTitles(const QStringList& titles)
{
    std::vector<RowTexts> rows;
    for (const QString& title : titles) {
        RowTexts row;
        row[IdColumn] = row[HiddenIdColumn] = QString::number(rows.size() + 1);
        row[TitleColumn] = title;
        rows.push_back(row);
    }
    auto* model = new MemoListModel;
    model->setRows(rows);
    return model;
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
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("repeat");
        QTest::newRow("life, once") << QVariant(1) << "1"
                                    << "生活"
                                    << "提醒一次";
        QTest::newRow("mood, sign-in") << QVariant(5) << "denglu"
                                       << "心情"
                                       << "每次登陆";
        QTest::newRow("idea, never") << QVariant(6) << "N"
                                     << "创意"
                                     << "不提醒";
        QTest::newRow("other, 12 hours") << QVariant(7) << "12shi"
                                         << "其它"
                                         << "每12小时";
        QTest::newRow("type 0 is other") << QVariant(0) << "30fen"
                                         << "其它"
                                         << "每30分钟";
        QTest::newRow("type 9 is other") << QVariant(9) << "3yue"
                                         << "其它"
                                         << "每季度";
        QTest::newRow("unknown code") << QVariant(2) << "2tian"
                                      << "工作"
                                      << "其它备忘";
        QTest::newRow("code letter case counts") << QVariant(3) << "1TIAN"
                                                 << "学习"
                                                 << "其它备忘";
        QTest::newRow("empty type and code") << QVariant() << ""
                                             << ""
                                             << "";
    }

    void categoryAndRepeatLabels()
    {
        QFETCH(QVariant, type);
        QFETCH(QString, code);
        MemoFields memo = memoFields(1, QString());
        memo.type = type;
        memo.alertPinLv = code.isEmpty() ? QVariant() : QVariant(code);
        const RowTexts cells = rowTexts(memo, test::defaultTestMoment());
        QTEST(cells[CategoryColumn], "category");
        QTEST(cells[RepeatColumn], "repeat");
    }

    void alertAndDaysLeft_data()
    {
        QTest::addColumn<int>("lifa");
        QTest::addColumn<QString>("solar");
        QTest::addColumn<QString>("lunar");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("days");
        const QDateTime testNow = test::defaultTestMoment(); // 2026-12-06 10:00
        // Solar days are calendar days, whatever the hour.
        QTest::newRow("yesterday late") << 1 << "2026-12-05 23:00:00"
                                        << "" << testNow << "2026-12-05 23:00:00"
                                        << "-1天";
        QTest::newRow("earlier today") << 1 << "2026-12-06 08:00:00"
                                       << "" << testNow << "2026-12-06 08:00:00"
                                       << "0天";
        QTest::newRow("today's end") << 1 << "2026-12-06 23:59:59"
                                     << "" << testNow << "2026-12-06 23:59:59"
                                     << "0天";
        QTest::newRow("in 30 days") << 1 << "2027-01-05 00:00:00"
                                    << "" << testNow << "2027-01-05 00:00:00"
                                    << "30天";
        QTest::newRow("no moment") << 1 << ""
                                   << "" << testNow << ""
                                   << "0天";
        QTest::newRow("no such day") << 1 << "2026-02-30 08:00:00"
                                     << "" << testNow << "2026-02-30 08:00:00"
                                     << "0天";
        // Any flag other than 1 reads the lunar moment, 0 included.
        QTest::newRow("lunar flag, solar only") << 2 << "2026-12-08 09:30:00"
                                                << "" << testNow << ""
                                                << "0天";
        QTest::newRow("flag 0 is lunar") << 0 << ""
                                         << "2026-10-28 08:00:00" << testNow << "2026-10-28 08:00:00"
                                         << "";
        QTest::newRow("lunar out of the calendar")
            << 2 << ""
            << "2099-01-01 08:00:00" << testNow << "2099-01-01 08:00:00"
            << "";
        // 2020-03-23 is lunar 2020-2-30, so 2020-03-20 is lunar 2-27 and 2020-03-24 lunar 3-1.
        const QDateTime lunarNow(QDate(2020, 3, 20), QTime(10, 0));
        QTest::newRow("lunar 2-30") << 2 << ""
                                    << "2020-02-30 08:00:00" << lunarNow << "2020-02-30 08:00:00"
                                    << "3天";
        QTest::newRow("lunar 2-29") << 2 << ""
                                    << "2020-02-29 08:00:00" << lunarNow << "2020-02-29 08:00:00"
                                    << "2天";
        QTest::newRow("lunar 3-1") << 2 << ""
                                   << "2020-03-01 08:00:00" << lunarNow << "2020-03-01 08:00:00"
                                   << "4天";
        QTest::newRow("lunar 2-26") << 2 << ""
                                    << "2020-02-26 08:00:00" << lunarNow << "2020-02-26 08:00:00"
                                    << "-1天";
        QTest::newRow("lunar same day")
            << 2 << ""
            << "2020-02-30 23:00:00" << QDateTime(QDate(2020, 3, 23), QTime(1, 0)) << "2020-02-30 23:00:00"
            << "0天";
    }

    void alertAndDaysLeft()
    {
        QFETCH(int, lifa);
        QFETCH(QString, solar);
        QFETCH(QString, lunar);
        QFETCH(QDateTime, now);
        QFETCH(QString, days);
        const RowTexts cells = rowTexts(memoFields(lifa, solar, lunar), now);
        QTEST(cells[AlertColumn], "alert");
        if (!days.isEmpty())
            QCOMPARE(cells[DaysLeftColumn], days);
        QCOMPARE(cells[StateColumn], "进行");
        QCOMPARE(cells[HiddenIdColumn], "7");
    }

    void columnClicksFlipTheOrderWhicheverColumn()
    {
        std::unique_ptr<MemoListModel> model(modelWithTitles({"b", "C", "a"}));
        QVERIFY(!model->isSorting());
        model->columnClicked(TitleColumn);
        QCOMPARE(titlesOf(*model), QStringList({"C", "b", "a"}));
        model->columnClicked(TitleColumn);
        QCOMPARE(titlesOf(*model), QStringList({"a", "b", "C"}));
        // Another column sorts in the order opposite to the one in force.
        model->columnClicked(IdColumn);
        QCOMPARE(titlesOf(*model), QStringList({"a", "C", "b"}));
        // The sort stays in force for the rows of later loads.
        std::unique_ptr<MemoListModel> later(modelWithTitles({"x", "y", "z"}));
        std::vector<RowTexts> rows;
        for (int row = 0; row < later->rowCount(); ++row)
            rows.push_back(later->rowAt(row));
        model->setRows(rows);
        QCOMPARE(titlesOf(*model), QStringList({"z", "y", "x"}));
    }

    void sortKeepsTheSelectionOnItsRows()
    {
        std::unique_ptr<MemoListModel> model(modelWithTitles({"b", "c", "a"}));
        QItemSelectionModel selection(model.get());
        selection.select(model->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        model->columnClicked(TitleColumn); // descending: c, b, a
        const QModelIndexList rows = selection.selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(model->rowAt(rows.first().row())[TitleColumn], "c");
        QCOMPARE(model->memoIdAt(rows.first().row()), std::optional<qint32>(2));
    }

    void memoIdComesFromTheHiddenColumn()
    {
        std::unique_ptr<MemoListModel> model(modelWithTitles({"a", "b"}));
        std::vector<RowTexts> rows = {model->rowAt(0), model->rowAt(1)};
        rows[0][IdColumn] = "999";
        rows[1][HiddenIdColumn] = "not a number";
        model->setRows(rows);
        QCOMPARE(model->memoIdAt(0), std::optional<qint32>(1));
        QCOMPARE(model->memoIdAt(1), std::nullopt);
        QCOMPARE(model->memoIdAt(5), std::nullopt);
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
        QCOMPARE(MemoNode::kindOf("进行中备忘(12)"), "进行中备");
    }

    void wheelStepsCollectPartialDeltas()
    {
        WheelSteps steps;
        QCOMPARE(steps.add(120), 1);
        QCOMPARE(steps.add(-240), -2);
        // A touchpad sends a notch in pieces.
        QCOMPARE(steps.add(40) + steps.add(40), 0);
        QCOMPARE(steps.add(50), 1);
        QCOMPARE(steps.remainder(), 10);
        // Turning round drops what was collected the other way.
        QCOMPARE(steps.add(-100), 0);
        QCOMPARE(steps.add(-20), -1);
    }
};

VELMO_TEST_MAIN(TestMemoCells)
#include "TestMemoCells.moc"
