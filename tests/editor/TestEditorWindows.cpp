// The two editor windows driven headless by object name: defaults, loading a memo, the preview, and
// what stays when a save fails.

#include "BoxRecorder.h"
#include "EditorTestKit.h"
#include "TestMain.h"
#include "TestStore.h"

#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>

#include <memory>

using namespace velmo;

class TestEditorWindows : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TestStore> store;
    test::ViewsRecorder views;
    test::BoxRecorder boxes;
    QStringList played;
    std::unique_ptr<EditorWindows> editors;

    template <typename T>
    static T* child(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    static QString text(QWidget* w, const char* name) { return child<QLineEdit>(w, name)->text(); }
    static QString combo(QWidget* w, const char* name) { return child<QComboBox>(w, name)->currentText(); }

private slots:
    void init()
    {
        test::fixedClock().setNow(test::defaultTestMoment());
        store = std::make_unique<test::TestStore>();
        QVERIFY2(store->isValid(), qPrintable(store->error()));
        boxes.boxes.clear();
        played.clear();
        views.calls.clear();
        EditorServices services{store->db(), store->runState(), boxes, views};
        services.assets = AssetFolder(QStringLiteral("/nonexistent-assets"));
        services.tunes = [this] { return std::make_unique<test::PreviewRecorder>(played); };
        editors = std::make_unique<EditorWindows>(services);
    }
    void cleanup()
    {
        editors.reset();
        store.reset();
    }

    void addDefaultsJustBeforeMidnight()
    {
        test::fixedClock().setNow(QDateTime(QDate(2026, 12, 6), QTime(23, 57, 10)));
        store->db().exec(QStringLiteral("UPDATE Config SET DiySound='/gone/tune.mp3'"));
        editors->showAdd(QStringLiteral("生日提醒"));
        Form_Add* add = editors->addWindow();
        QCOMPARE(child<QDateEdit>(add, "DT1")->date(), QDate(2026, 12, 7));
        QCOMPARE(child<QTimeEdit>(add, "DT2")->time(), QTime(0, 2, 10));
        QCOMPARE(combo(add, "Combo1"), QStringLiteral("生日提醒"));
        QCOMPARE(text(add, "Text3"), QStringLiteral("/gone/tune.mp3"));
    }

    void editLoadsOnlyAnotherMemo()
    {
        MemoRecord custom = store->sampleMemo(QStringLiteral("自定义"));
        custom.DiySound = QStringLiteral("/music/a.mp3");
        custom.sound = QStringLiteral("3.mid");
        const qint64 first = store->addMemo(custom);
        MemoRecord lunar = store->sampleMemo(QStringLiteral("农历"));
        lunar.lifa = 2;
        lunar.AlertTimeNongli = LunarMoment{2026, 11, 3, 7, 0, 0};
        lunar.AlertPinLv = QStringLiteral("denglu");
        lunar.content = QStringLiteral("第一行<br>第二行");
        const qint64 second = store->addMemo(lunar);

        editors->showEdit(first);
        Form_Edit* edit = editors->editWindow();
        QVERIFY(child<QCheckBox>(edit, "Check4")->isChecked());
        child<QLineEdit>(edit, "Text1")->setText(QStringLiteral("改了"));
        editors->showEdit(first);
        QCOMPARE(text(edit, "Text1"), QStringLiteral("改了"));

        editors->showEdit(second);
        QCOMPARE(text(edit, "Text1"), QStringLiteral("农历"));
        QCOMPARE(combo(edit, "Combo2"), QStringLiteral("每次登陆"));
        QVERIFY(child<QRadioButton>(edit, "Option2")->isChecked());
        QCOMPARE(child<QDateEdit>(edit, "DT1")->date(), QDate(2026, 11, 3));
        // Saved untouched, the body keeps its markup.
        child<QPushButton>(edit, "Command1")->click();
        QCOMPARE(store->memo(second)->content, QStringLiteral("第一行<br>第二行"));
    }

    void failedSaveKeepsTheWindow()
    {
        const qint64 id = store->addMemo(QStringLiteral("旧"));
        editors->showEdit(id);
        Form_Edit* edit = editors->editWindow();
        child<QLineEdit>(edit, "Text1")->setText(QStringLiteral("新标题"));
        store->db().exec(QStringLiteral("DELETE FROM Notebook WHERE id=?"), {id});
        child<QPushButton>(edit, "Command1")->click();
        QCOMPARE(boxes.texts(), QStringList{MemoSave::memoGoneText()});
        QVERIFY(edit->isVisible());
        QCOMPARE(text(edit, "Text1"), QStringLiteral("新标题"));
    }

    // Closed by a button (Esc for the key) the window stops the preview and goes.
    void previewStopsWhenTheWindowCloses_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"Command2", "Esc", "Command1", "Command5"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void previewStopsWhenTheWindowCloses()
    {
        QFETCH(QString, how);
        editors->showAdd(QString());
        QPointer<Form_Add> add = editors->addWindow();
        child<QLineEdit>(add, "Text1")->setText(QStringLiteral("题"));
        child<QPushButton>(add, "Command4")->click();
        // The built-in tune is missing here: the fallback tune plays.
        QCOMPARE(played, QStringList{QStringLiteral("play /nonexistent-assets/sound/致爱丽丝.mid")});
        if (how == QStringLiteral("Esc"))
            QTest::keyClick(child<QLineEdit>(add, "Text1"), Qt::Key_Escape);
        else
            child<QPushButton>(add, qPrintable(how))->click();
        QCOMPARE(played.last(), QStringLiteral("stop"));
        QTRY_VERIFY(!add);
        QCOMPARE(editors->mailDialog() != nullptr, how == QStringLiteral("Command5")); // the mail binding
    }
};

VELMO_TEST_MAIN(TestEditorWindows)
#include "TestEditorWindows.moc"
