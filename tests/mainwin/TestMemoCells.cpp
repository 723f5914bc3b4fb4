#include "TestMain.h"

#include "mainwin/MemoCells.h"
#include "mainwin/MemoListModel.h"
#include "mainwin/WheelSteps.h"

#include <QItemSelectionModel>

using namespace velmo;
using namespace velmo::MemoCells;

namespace {

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
    void categoryAndRepeatLabels_data()
    {
        QTest::addColumn<QVariant>("type");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("repeat");
        // clang-format off
        QTest::newRow("life, once") << QVariant(1) << "1" << "生活" << "提醒一次";
        QTest::newRow("mood, sign-in") << QVariant(5) << "denglu" << "心情" << "每次登陆";
        QTest::newRow("type 0 is other") << QVariant(0) << "30fen" << "其它" << "每30分钟";
        QTest::newRow("unknown code") << QVariant(2) << "2tian" << "工作" << "其它备忘";
        QTest::newRow("code letter case counts") << QVariant(3) << "1TIAN" << "学习" << "其它备忘";
        // clang-format on
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

    void sortKeepsTheSelectionOnItsRows()
    {
        MemoListModel model;
        std::vector<RowTexts> rows;
        for (const char* title : {"b", "c", "a"}) {
            RowTexts row;
            row[IdColumn] = row[HiddenIdColumn] = QString::number(rows.size() + 1);
            row[TitleColumn] = QString::fromLatin1(title);
            rows.push_back(row);
        }
        model.setRows(rows);
        QItemSelectionModel selection(&model);
        selection.select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        model.columnClicked(TitleColumn); // descending: c, b, a
        const QModelIndexList selected = selection.selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(model.memoIdAt(selected.first().row()), std::optional<qint32>(2)); // "c"
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

    // Days and times sort by their value, blank cells last; text in any letter case.
    void columnsSortByValue_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("descending"); // the first click; blank cells always last
        // clang-format off
        QTest::newRow("days left") << int(DaysLeftColumn) << QStringList{"6天", "62天", "-3天", "40天", "3天", ""}
                                   << QStringList{"62天", "40天", "6天", "3天", "-3天", ""};
        QTest::newRow("alert time") << int(AlertColumn) << QStringList{"2026-02-30 08:00:00", "", "2026-10-01 09:00:00", "2026-02-03 23:00:00"}
                                    << QStringList{"2026-10-01 09:00:00", "2026-02-30 08:00:00", "2026-02-03 23:00:00", ""};
        QTest::newRow("id") << int(IdColumn) << QStringList{"9", "100", "10"} << QStringList{"100", "10", "9"};
        QTest::newRow("title, any letter case") << int(TitleColumn) << QStringList{"a", "B", "c"} << QStringList{"c", "B", "a"};
        // clang-format on
    }

    void columnsSortByValue()
    {
        QFETCH(int, column);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, descending);
        MemoListModel model;
        std::vector<MemoCells::RowTexts> rows(static_cast<size_t>(cells.size()));
        for (qsizetype i = 0; i < cells.size(); ++i)
            rows[static_cast<size_t>(i)][static_cast<size_t>(column)] = cells[i];
        model.setRows(std::move(rows));
        const auto order = [&model, column] {
            QStringList shown;
            for (int row = 0; row < model.rowCount(); ++row)
                shown << model.rowAt(row)[static_cast<size_t>(column)];
            return shown;
        };
        model.columnClicked(column);
        QCOMPARE(order(), descending);
        model.columnClicked(column);
        QStringList ascending(descending.rbegin(), descending.rend());
        if (ascending.first().isEmpty())
            ascending.move(0, ascending.size() - 1);
        QCOMPARE(order(), ascending);
    }
};

VELMO_TEST_MAIN(TestMemoCells)
#include "TestMemoCells.moc"
