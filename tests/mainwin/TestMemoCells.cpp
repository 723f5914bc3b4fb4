// The code tables written down entry by entry and read both ways, the cells of a list row, the
// list's sort and the wheel's notches.

#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"

#include "editor/MemoCodes.h"
#include "mainwin/MemoCells.h"
#include "mainwin/MemoListModel.h"
#include "mainwin/MemoNode.h"
#include "platform/TuneCodes.h"
#include "reminders/WheelSteps.h"
#include "store/Database.h"

#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>

#include <map>

using namespace velmo;
using namespace velmo::MemoCells;

namespace {

bool showInProgress(MemoListModel& model, test::TestStore& store)
{
    return model.show(MemoListQueries(store.db(), "tester"), MemoListQueries::Filter::node(false, 0)).ok;
}

MemoFields memoFields(int lifa, const QString& solar, const QString& lunar = QString())
{
    MemoFields memo;
    memo.type = 1;
    memo.lifa = lifa;
    memo.alertTime = solar.isEmpty() ? QVariant() : QVariant(solar);
    memo.alertTimeNongli = lunar.isEmpty() ? QVariant() : QVariant(lunar);
    memo.alertPinLv = QStringLiteral("1");
    return memo;
}

} // namespace

class TestMemoCells : public QObject
{
    Q_OBJECT

private slots:
    // Each repeat code with the editors' label (in the editors' order) and the list's short label.
    void repeatCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("label"); // empty: no label
        QTest::addColumn<QString>("shortLabel");
        QTest::addColumn<int>("position"); // in the editors' list
        int position = 0;
        const auto row = [&position](const char* code, const char* label, const char* shortLabel) {
            QTest::newRow(code) << QString::fromLatin1(code) << QString::fromUtf8(label)
                                << QString::fromUtf8(shortLabel) << (*label ? position++ : -1);
        };
        // clang-format off
        row("1", "只提醒一次", "提醒一次");       row("N", "不需要提醒", "不提醒");
        row("1tian", "每天提醒", "每天");         row("1zhou", "每周提醒", "每周");
        row("1yue", "每月提醒", "每月");          row("3yue", "每季度提醒", "每季度");
        row("6yue", "每半年提醒", "每半年");      row("1nian", "每年提醒", "每年");
        row("1fen", "每1分钟", "每1分钟");        row("5fen", "每5分钟", "每5分钟");
        row("10fen", "每10分钟", "每10分钟");     row("30fen", "每30分钟", "每30分钟");
        row("1shi", "每小时一次", "每小时");      row("2shi", "每2小时一次", "每2小时");
        row("3shi", "每3小时一次", "每3小时");    row("6shi", "每6小时一次", "每6小时");
        row("12shi", "每12小时一次", "每12小时"); row("denglu", "每次登陆", "每次登陆");
        row("2tian", "", "其它备忘");             row("1TIAN", "", "其它备忘");
        row("", "", "");
        // clang-format on
    }
    void repeatCodes()
    {
        QFETCH(QString, code);
        QFETCH(QString, label);
        QFETCH(int, position);
        QTEST(MemoCells::repeatShortLabel(code), "shortLabel");
        QCOMPARE(MemoCodes::repeatLabel(code).value_or(QString()), label);
        QCOMPARE(MemoCodes::repeatCode(label), label.isEmpty() ? QString() : code);
        if (position >= 0)
            QCOMPARE(MemoCodes::repeatLabels().value(position), label);
    }

    // Each category code with the editors' label, the list's short name and the tree's name.
    void categoryCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shortName");
        QTest::addColumn<QString>("treeName"); // empty: no node of its own
        const auto row = [](int code, const char* label, const char* shortName, const char* treeName) {
            QTest::newRow(qPrintable(QString::number(code)))
                << code << QString::fromUtf8(label) << QString::fromUtf8(shortName)
                << QString::fromUtf8(treeName);
        };
        // clang-format off
        row(1, "生活备忘", "生活", "生活备忘"); row(2, "工作任务", "工作", "工作任务");
        row(3, "学习计划", "学习", "学习计划"); row(4, "生日提醒", "生日", "生日提醒");
        row(5, "心情日记", "心情", "心情日记"); row(6, "创意灵感", "创意", "创意灵感");
        row(7, "其它备忘", "其它", "其它备忘"); row(0, "其它备忘", "其它", "");
        row(8, "其它备忘", "其它", "");         row(-1, "其它备忘", "其它", "");
        // clang-format on
    }
    void categoryCodes()
    {
        QFETCH(int, code);
        QFETCH(QString, label);
        QFETCH(QString, treeName);
        QCOMPARE(MemoCodes::categoryLabel(code), label);
        QTEST(MemoCells::categoryShortName(code), "shortName");
        QCOMPARE(MemoNode::categoryName(code), treeName);
        if (treeName.isEmpty())
            return;
        QCOMPARE(MemoCodes::categoryCode(label), code);
        QCOMPARE(MemoCodes::categoryLabels().value(code - 1), label);
        // A node's kind is the first four characters of its caption.
        QCOMPARE(MemoNode::categoryOfKind(MemoNode::caption({false, code}, 12).left(4)), code);
        QCOMPARE(MemoNode::caption({true, code}, 12), treeName + QStringLiteral("(12)"));
    }

    // Each built-in tune code with the file that plays it, which is also its label, in list order.
    void tuneCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("file"); // empty: no such tune
        int position = 0;
        const auto row = [&position](const char* code, const char* file) {
            QTest::addRow("%d %s", *file ? position++ : -1, code)
                << QString::fromLatin1(code) << QString::fromUtf8(file);
        };
        // clang-format off
        row("1.mid", "天空之城.mid");      row("2.mid", "致爱丽丝.mid");     row("3.mid", "赛马.mid");
        row("4.mid", "sound of silence.mid"); row("5.mid", "婚礼进行曲.mid"); row("6.mid", "魂斗罗.mid");
        row("7.mid", "骑士精神.mid");      row("8.mid", "生日快乐.mid");     row("9.mid", "遇见.mid");
        row("10.mp3", "动感超人.mp3");     row("11.mp3", "CHAMPION.mp3");    row("12.mp3", "传奇.mp3");
        row("13.mp3", "交警铃声.mp3");     row("14.mp3", "可爱短信音.mp3");  row("15.mp3", "铃声007.mp3");
        row("16.mp3", "诺基亚.mp3");       row("17.mp3", "死了都要爱.mp3");
        row("18.mp3", "");                 row("1.MID", "");                 row("", "");
        // clang-format on
    }
    void tuneCodes()
    {
        QFETCH(QString, code);
        QFETCH(QString, file);
        QCOMPARE(tuneFileName(code), file);
        const int position = QString::fromLatin1(QTest::currentDataTag()).section(u' ', 0, 0).toInt();
        if (position < 0)
            return;
        QCOMPARE(tuneCode(file), code);
        QCOMPARE(builtInTuneFileNames().value(position), file);
    }

    // Every cell of a list row holds its own field.
    void rowCells()
    {
        MemoFields memo =
            memoFields(1, QStringLiteral("2026-12-09 08:00:00"), QStringLiteral("2026-10-02 09:00:00"));
        memo.id = 37;
        memo.type = 5;
        memo.title = QStringLiteral("题");
        memo.content = QStringLiteral("文");
        memo.done = true;
        memo.alertPinLv = QStringLiteral("3yue");
        memo.addTime = QStringLiteral("2026-11-30 07:00:00");
        const RowTexts cells = rowTexts(memo, test::defaultTestMoment());
        QCOMPARE(QStringList(cells.begin(), cells.end()).join(u'|'),
                 "37|心情|题|文|完成|2026-12-09 08:00:00|3天|每季度|2026-11-30 07:00:00|37");
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
        const QDateTime lunarNow(QDate(2020, 3, 20), QTime(10, 0));
        const auto row = [](const char* name, int lifa, const char* solar, const char* lunar,
                            const QDateTime& now, const char* alert, const char* days) {
            QTest::newRow(name) << lifa << QString::fromLatin1(solar) << QString::fromLatin1(lunar) << now
                                << QString::fromLatin1(alert) << QString::fromUtf8(days);
        };
        // clang-format off
        // Solar days are calendar days, whatever the hour.
        row("yesterday late", 1, "2026-12-05 23:00:00", "", testNow, "2026-12-05 23:00:00", "-1天");
        row("today's end", 1, "2026-12-06 23:59:59", "", testNow, "2026-12-06 23:59:59", "0天");
        row("in 30 days", 1, "2027-01-05 00:00:00", "", testNow, "2027-01-05 00:00:00", "30天");
        row("no such day", 1, "2026-02-30 08:00:00", "", testNow, "2026-02-30 08:00:00", "0天");
        // Any flag other than 1 reads the lunar moment, 0 included.
        row("lunar flag, solar only", 2, "2026-12-08 09:30:00", "", testNow, "", "0天");
        row("flag 0 is lunar", 0, "", "2026-10-28 08:00:00", testNow, "2026-10-28 08:00:00", "");
        row("lunar out of the calendar", 2, "", "2099-01-01 08:00:00", testNow, "2099-01-01 08:00:00", "");
        // 2020-03-23 is lunar 2020-2-30, so 2020-03-20 is lunar 2-27.
        row("lunar 2-30", 2, "", "2020-02-30 08:00:00", lunarNow, "2020-02-30 08:00:00", "3天");
        row("lunar same day", 2, "", "2020-02-30 23:00:00", QDateTime(QDate(2020, 3, 23), QTime(1, 0)), "2020-02-30 23:00:00", "0天");
        // clang-format on
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

    // Days and times sort by their value, blank cells last; text in any letter case, content without its
    // markup. A selected row stays selected wherever it goes.
    void columnsSortByValue_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("field"); // the stored field each memo gets one of the values in
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>(
            "descending"); // the cells after the first click; blank cells always last
        // clang-format off
        QTest::newRow("days left") << int(DaysLeftColumn) << "AlertTime"
            << QStringList{"2026-12-12 09:00:00", "2027-02-06 09:00:00", "2026-12-03 09:00:00", "2027-01-15 09:00:00", "2026-12-09 09:00:00"}
            << QStringList{"62天", "40天", "6天", "3天", "-3天"};
        QTest::newRow("alert time") << int(AlertColumn) << "AlertTime"
            << QStringList{"2026-10-01 09:00:00", "", "2026-02-03 23:00:00", "2026-02-28 08:00:00"}
            << QStringList{"2026-10-01 09:00:00", "2026-02-28 08:00:00", "2026-02-03 23:00:00", ""};
        QTest::newRow("title") << int(TitleColumn) << "title" << QStringList{"a", "B", "c", "（", "😀"}
                               << QStringList{"（", "😀", "c", "B", "a"};
        QTest::newRow("content") << int(ContentColumn) << "content" << QStringList{"<b>b</b>", "a", "<i>C</i>"}
                                 << QStringList{"C", "b", "a"};
        // clang-format on
    }

    void columnsSortByValue()
    {
        QFETCH(int, column);
        QFETCH(QString, field);
        QFETCH(QStringList, values);
        QFETCH(QStringList, descending);
        test::TestStore store;
        for (const QString& value : values)
            QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET %1 = ? WHERE id = ?").arg(field),
                                    {value.isEmpty() ? QVariant() : value, store.addMemo()}));
        MemoListModel model;
        QVERIFY(showInProgress(model, store));
        QItemSelectionModel selection(&model);
        selection.select(model.index(model.rowCount() - 1, 0),
                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QString selected = test::listCells(model, column).last();
        model.columnClicked(column);
        QCOMPARE(test::listCells(model, column), descending);
        QCOMPARE(selection.selectedRows().size(), 1);
        QCOMPARE(test::listCells(model, column).value(selection.selectedRows().first().row()), selected);
        model.columnClicked(column);
        QStringList ascending(descending.rbegin(), descending.rend());
        if (ascending.first().isEmpty())
            ascending.move(0, ascending.size() - 1);
        QCOMPARE(test::listCells(model, column), ascending);
    }

    // Under a column sort a new memo whose sorted cell is empty goes where a list read afresh puts it,
    // in either direction, also among others with that cell empty.
    void aMemoWithAnEmptyCellTakesItsPlace_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("emptied"); // what leaves the cell empty
        QTest::addColumn<int>("clicks");      // 1 descending, 2 ascending
        const std::pair<int, const char*> cells[] = {
            {TitleColumn, "title = NULL"},
            {ContentColumn, "content = '<p></p>'"},
            {AlertColumn, "AlertTime = NULL"},
            {RepeatColumn, "AlertPinLv = NULL"},
            {CategoryColumn, "type = NULL"},
            {AddTimeColumn, "addtime = NULL"},
            {DaysLeftColumn, "lifa = 2, AlertTimeNongli = '2026-13-40 08:00:00'"}};
        for (const auto& [column, emptied] : cells) {
            for (int clicks : {1, 2})
                QTest::addRow("%s, %s", emptied, clicks == 1 ? "descending" : "ascending")
                    << column << QString::fromUtf8(emptied) << clicks;
        }
    }
    void aMemoWithAnEmptyCellTakesItsPlace()
    {
        QFETCH(int, column);
        QFETCH(QString, emptied);
        QFETCH(int, clicks);
        test::TestStore store;
        for (int i = 0; i < 6; ++i)
            store.addMemo(QStringLiteral("memo %1").arg(i));
        const QString empty = QStringLiteral("UPDATE Notebook SET %1 WHERE id = ?").arg(emptied);
        QVERIFY(store.db().exec(empty, {store.value("SELECT id FROM Notebook WHERE title = 'memo 2'")}));
        MemoListModel model;
        for (int click = 0; click < clicks; ++click)
            model.columnClicked(column);
        QVERIFY(showInProgress(model, store));
        QCOMPARE(test::listCells(model, column).count(QString()), 1);
        const qint64 added = store.addMemo(QStringLiteral("added"));
        QVERIFY(store.db().exec(empty, {added}));
        QVERIFY(model.updateMemos({added}));
        MemoListModel fresh;
        for (int click = 0; click < clicks; ++click)
            fresh.columnClicked(column);
        QVERIFY(showInProgress(fresh, store));
        QCOMPARE(test::listCells(model, HiddenIdColumn), test::listCells(fresh, HiddenIdColumn));
    }

    // Ties of a sort keep the order of the sort before; a new read of the list puts them newest first.
    void sortTiesKeepTheOrderBefore()
    {
        test::TestStore store;
        for (const char* title : {"x", "X", "y"})
            store.addMemo(QString::fromLatin1(title));
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET content = CASE title COLLATE BINARY WHEN "
                                               "'x' THEN 'b' WHEN 'X' THEN 'a' ELSE 'c' END")));
        MemoListModel model;
        QVERIFY(showInProgress(model, store));
        model.columnClicked(ContentColumn); // descending
        model.columnClicked(TitleColumn);   // ascending
        QCOMPARE(test::listCells(model, TitleColumn), QStringList({"x", "X", "y"}));
        QVERIFY(showInProgress(model, store));
        QCOMPARE(test::listCells(model, TitleColumn), QStringList({"X", "x", "y"}));
    }

    // The list holds every row at once and reads cells as they are asked for; a change moves only
    // the rows it touched, and the selection stays.
    void listHoldsEveryRowAndFollowsChanges()
    {
        test::TestStore store;
        std::vector<qint64> ids;
        Transaction transaction(store.db());
        for (int i = 0; i < MemoListModel::pageRows + 2; ++i)
            ids.push_back(store.addMemo(QString::number(i)));
        QVERIFY(transaction.commit());
        MemoListModel model;
        QVERIFY(showInProgress(model, store));
        QCOMPARE(model.rowCount(), MemoListModel::pageRows + 2);
        QCOMPARE(model.rowAt(MemoListModel::pageRows + 1)[TitleColumn], "0");
        QItemSelectionModel selection(&model);
        selection.select(model.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        // One memo done, one retitled, one new, one deleted.
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET Done = 1 WHERE id = ?"), {ids[0]}));
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET title = 'new' WHERE id = ?"), {ids[5]}));
        const qint64 added = store.addMemo(QStringLiteral("added"));
        QVERIFY(model.updateMemos({ids[0], ids[5], added}));
        model.removeMemos({ids[1]});
        const QStringList titles = test::listCells(model, TitleColumn);
        QCOMPARE(titles.mid(0, 2) + titles.mid(titles.size() - 4),
                 QStringList({"added", "129", "new", "4", "3", "2"}));
        QCOMPARE(titles.size(), MemoListModel::pageRows + 1);
        QCOMPARE(model.rowAt(selection.selectedRows().first().row())[TitleColumn], "126");
        // Days left count from the day of the change: the next day, every row has one fewer.
        QCOMPARE(model.rowAt(2)[DaysLeftColumn], "1天");
        const auto today = qScopeGuard([] { test::fixedClock().setNow(test::defaultTestMoment()); });
        test::fixedClock().advanceSeconds(24 * 60 * 60);
        QVERIFY(model.updateMemos({ids[6]}));
        QCOMPARE(model.rowAt(2)[DaysLeftColumn], "0天");
    }

    // Under a column sort a changed memo moves alone to its place, or stays where it is: only its
    // row is signalled, and the selection stays with it.
    void underASortAChangeIsSignalledAlone_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("set"); // the change of memo "150"
        QTest::addColumn<int>("row");     // where the memo is afterwards
        // The titles "000" to "299" ascending; days left all alike, so the newest come first.
        QTest::newRow("title, moves up") << int(TitleColumn) << "title = '0505'" << 51;
        QTest::newRow("title, moves down") << int(TitleColumn) << "title = '2995'" << 299;
        QTest::newRow("title, stays") << int(TitleColumn) << "content = 'x'" << 150;
        QTest::newRow("days left, moves")
            << int(DaysLeftColumn) << "AlertTime = '2026-12-31 09:00:00'" << 299;
    }
    void underASortAChangeIsSignalledAlone()
    {
        QFETCH(int, column);
        QFETCH(QString, set);
        QFETCH(int, row);
        test::TestStore store;
        Transaction transaction(store.db());
        std::vector<qint64> ids;
        for (int i = 0; i < 300; ++i)
            ids.push_back(store.addMemo(QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'))));
        QVERIFY(transaction.commit());
        MemoListModel model;
        model.columnClicked(column);
        model.columnClicked(column); // ascending
        QVERIFY(showInProgress(model, store));
        const int before = *model.rowOf(ids[150]);
        QItemSelectionModel selection(&model);
        selection.select(model.index(before, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(store.db().exec(QStringLiteral("UPDATE Notebook SET %1 WHERE id = ?").arg(set), {ids[150]}));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
        QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
        QVERIFY(model.updateMemos({ids[150]}));
        QCOMPARE(*model.rowOf(ids[150]), row);
        QCOMPARE(moved.size(), int(row != before));
        QCOMPARE(layout.size(), 0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), row);
        QCOMPARE(changed[0][1].toModelIndex().row(), row);
        QCOMPARE(selection.selectedRows().size(), 1);
        QCOMPARE(selection.selectedRows().first().row(), row);
    }

    // Whatever the changes and sorts, the list patched along the way holds what a list read afresh
    // holds: each memo of the node once, with today's cells, in the order of the sort in force.
    void followsAnySequenceOfChanges_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void followsAnySequenceOfChanges()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const auto today = qScopeGuard([] { test::fixedClock().setNow(test::defaultTestMoment()); });
        test::TestStore store;
        std::vector<qint64> ids;
        const auto memo = [&] {
            // Few distinct titles and moments, so that sorts meet ties; lower case only, so that
            // texts that sort alike are alike.
            MemoRecord record = store.sampleMemo(QStringLiteral("t%1").arg(random.bounded(4)));
            record.type = 1 + random.bounded(7);
            record.AlertTime = test::defaultTestMoment().addDays(random.bounded(-3, 5));
            if (random.bounded(5) == 0)
                record.AlertTime = QDateTime(); // no moment: "0天" whatever the day
            return record;
        };
        for (int i = 0; i < MemoListModel::pageRows + 20; ++i)
            ids.push_back(store.addMemo(memo()));
        MemoListModel model;
        QVERIFY(showInProgress(model, store));
        int sortColumn = -1;
        Qt::SortOrder sortOrder = Qt::AscendingOrder;
        for (int step = 0; step < 60; ++step) {
            const qint64 id = ids[random.bounded(static_cast<quint32>(ids.size()))];
            const QString set[] = {
                QStringLiteral("title = 't%1'").arg(random.bounded(4)), QStringLiteral("Done = 1 - Done"),
                QStringLiteral("Del = 1"),
                QStringLiteral("AlertTime = datetime(AlertTime, '+%1 days')").arg(random.bounded(-2, 3))};
            switch (random.bounded(6)) {
            case 0:
                ids.push_back(store.addMemo(memo()));
                QVERIFY(model.updateMemos({ids.back()}));
                break;
            case 1:
            case 2:
                QVERIFY(store.db().exec(
                    QStringLiteral("UPDATE Notebook SET %1 WHERE id = ?").arg(set[random.bounded(4)]), {id}));
                QVERIFY(model.updateMemos({id, ids[random.bounded(static_cast<quint32>(ids.size()))]}));
                break;
            case 3:
                sortColumn = random.bounded(ColumnCount - 1);
                model.columnClicked(sortColumn);
                sortOrder = model.sortOrder();
                break;
            case 4:
                test::fixedClock().advanceSeconds(random.bounded(12, 30) * 60 * 60);
                QVERIFY(
                    model.updateMemos(random.bounded(2) ? std::vector<MemoId>{} : std::vector<MemoId>{id}));
                break;
            default:
                QVERIFY(store.db().exec(
                    QStringLiteral("UPDATE Notebook SET %1 WHERE id = ?").arg(set[random.bounded(4)]), {id}));
                QVERIFY(model.updateMemos({}));
            }

            MemoListModel fresh;
            if (sortColumn >= 0) {
                fresh.columnClicked(sortColumn);
                if (fresh.sortOrder() != sortOrder)
                    fresh.columnClicked(sortColumn);
            }
            QVERIFY(showInProgress(fresh, store));
            QCOMPARE(model.rowCount(), fresh.rowCount());
            std::map<QString, MemoCells::RowTexts> rows;
            for (int row = 0; row < fresh.rowCount(); ++row)
                rows[fresh.rowAt(row)[HiddenIdColumn]] = fresh.rowAt(row);
            for (int row = 0; row < model.rowCount(); ++row) {
                const MemoCells::RowTexts texts = model.rowAt(row);
                QCOMPARE(texts, rows[texts[HiddenIdColumn]]);
                rows.erase(texts[HiddenIdColumn]); // each memo once
            }
            const int column = sortColumn >= 0 ? sortColumn : int(HiddenIdColumn);
            QCOMPARE(test::listCells(model, column), test::listCells(fresh, column));
        }
    }
};

VELMO_TEST_MAIN(TestMemoCells)
#include "TestMemoCells.moc"
