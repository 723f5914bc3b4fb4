#include "MainWindowFixture.h"
#include "TestMain.h"

using namespace velmo;
using test::MainWindowFixture;

// The list sorts days and times by their value; the tree counts what the lists show.
class TestListSortAndCounts : public QObject
{
    Q_OBJECT

private slots:
    void columnsSortByValue_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("descending"); // the first click; blank cells always last
        QTest::newRow("days left") << int(MemoCells::DaysLeftColumn)
                                   << QStringList{"6天", "62天", "-3天", "40天", "3天", ""}
                                   << QStringList{"62天", "40天", "6天", "3天", "-3天", ""};
        QTest::newRow("alert time") << int(MemoCells::AlertColumn)
                                    << QStringList{"2026-02-30 08:00:00", "", "2026-10-01 09:00:00",
                                                   "2026-02-03 23:00:00"}
                                    << QStringList{"2026-10-01 09:00:00", "2026-02-30 08:00:00",
                                                   "2026-02-03 23:00:00", ""};
        QTest::newRow("id") << int(MemoCells::IdColumn) << QStringList{"9", "100", "10"}
                            << QStringList{"100", "10", "9"};
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

    void clearedCategoryCountsNothing()
    {
        MainWindowFixture f;
        for (const char* title : {"a", "b", "c"})
            f.addMemo(QString::fromLatin1(title), 6);
        f.form->Form_Load();
        f.tree()->setCurrentItem(f.treeItem(QStringLiteral("创意灵感"), false));
        f.boxes.plannedAnswers.push_back(true);
        f.form->Menu_ShanchuGaileiBeiwang_Click();
        QTRY_VERIFY(f.soundNames().contains(QStringLiteral("del.wav")));
        f.form->ReadCount();
        f.form->TreeView1_Setup();
        QCOMPARE(f.treeItem(QStringLiteral("创意灵感"), false)->text(0), QStringLiteral("创意灵感(0)"));
        QCOMPARE(f.tree()->topLevelItem(0)->text(0), QStringLiteral("进行中备忘(0)"));
    }
};

VELMO_TEST_MAIN(TestListSortAndCounts)
#include "TestListSortAndCounts.moc"
