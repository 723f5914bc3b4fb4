#include "ServiceFixture.h"
#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"
#include "store/DataFiles.h"

#include "controls/RVTPropGadget.h"
#include "controls/Skin.h"
#include "mainwin/AboutDialog.h"
#include "mainwin/FindDialog.h"
#include "platform/ServiceChannel.h"
#include "sync/SyncSession.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWheelEvent>

using namespace velmo;
using velmo::test::MainWindowFixture;

namespace {

void sendWheel(QWidget* target, int delta)
{
    const QPointF inside(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(inside, target->mapToGlobal(inside), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

template <typename T>
T* topLevel(const QString& name)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name && widget->isVisible())
            return qobject_cast<T*>(widget);
    }
    return nullptr;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void loadFillsTheViewsShownOrHidden_data()
    {
        QTest::addColumn<bool>("autoHide");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << false << true << true;
        QTest::newRow("kept in the tray") << true << true << false;
        QTest::newRow("no tray to hide in") << true << false << true;
    }

    void loadFillsTheViewsShownOrHidden()
    {
        QFETCH(bool, autoHide);
        QFETCH(bool, tray);
        MainWindowFixture f(autoHide, tray);
        f.addMemo("life", 1);
        f.addMemo("work", 2);
        f.addMemo("done mood", 5, true);
        f.addMemo("someone else's", 1, false, "other");
        bool filledBeforeScan = false;
        f.form->setDueScan([&] {
            ++f.dueScans;
            filledBeforeScan = f.form->listModel().rowCount() == 2 && f.tree()->topLevelItemCount() == 2 &&
                               !f.form->isVisible();
        });

        f.form->Form_Load();
        QTEST(f.form->isVisible(), "shown");
        QCOMPARE(f.form->windowTitle(), "Velmo v1.83 Beta版");
        QCOMPARE(f.dueScans, 1);
        QVERIFY(filledBeforeScan);
        QCOMPARE(f.listTitles(), QStringList({"work", "life"}));
        QCOMPARE(f.treeCaptions(), QStringList({"进行中备忘(2)", "生活备忘(1)", "工作任务(1)", "学习计划(0)",
                                                "生日提醒(0)", "心情日记(0)", "创意灵感(0)", "其它备忘(0)",
                                                "已完成备忘(1)", "生活备忘(0)", "工作任务(0)", "学习计划(0)",
                                                "生日提醒(0)", "心情日记(1)", "创意灵感(0)", "其它备忘(0)"}));
        QVERIFY(f.tree()->topLevelItem(0)->isExpanded());
        QVERIFY(!f.tree()->topLevelItem(1)->isExpanded());
        QCOMPARE(f.soundNames(), QStringList({"ok.wav"}));
        QCOMPARE(f.form->statusText(1), "状态:空闲");
        QVERIFY(f.form->Timer1()->isActive());
        QVERIFY(!f.form->Timer3()->isActive());
    }

    void loadTakesTheSkinAndWritesTheDateInChinese()
    {
        struct Restore
        {
            QLocale locale;
            ~Restore()
            {
                QLocale::setDefault(locale);
                qApp->setStyleSheet(QString());
            }
        } restore;
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        MainWindowFixture f;
        QFile skin(skinFilePath(f.store.dataFolder()));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write("QTreeView { color: #123456; }");
        skin.close();

        f.form->Form_Load();
        QCOMPARE(qApp->styleSheet(), "QTreeView { color: #123456; }");
        QCOMPARE(f.form->statusText(2), "阳历：");
        QCOMPARE(f.form->statusText(3), "2026/12/6");
        QCOMPARE(f.form->statusText(4), "农历：");
    }

    void closingHidesAndQuittingClosesEverything()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        QVERIFY(f.form->isVisible());
        f.store.runState().AssistantDismissed = true;
        QVERIFY(!f.form->close());
        QVERIFY(!f.form->isVisible());
        QVERIFY(!f.store.runState().AssistantDismissed);

        f.form->menu_xianshichengxu_Click();
        QVERIFY(f.form->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        QTest::keyClick(f.form->findChild<QTreeView*>("ListView1"), Qt::Key_Escape);
        QVERIFY(!f.form->isVisible());
        // Quitting from the tray while the window is hidden, with other windows open: the sign-in
        // window, a dialog, the About box.
        auto* signIn = new QWidget;
        signIn->setAttribute(Qt::WA_DeleteOnClose);
        signIn->show();
        QPointer<QWidget> signInGuard(signIn);
        f.form->Button_Click(4);
        f.form->menu_guanyuchengxu_Click();
        QVERIFY(topLevel<FindDialog>("frmfind"));
        QVERIFY(topLevel<AboutDialog>("frmAbout"));

        QStringList order;
        QObject::connect(f.form.get(), &Form1::exiting, [&] { order << "exiting"; });
        QObject::connect(f.form.get(), &Form1::quitRequested, [&] {
            order << (f.store.db().isOpen() ? "quit, database open" : "quit, database closed");
        });
        f.form->findChild<QAction*>("MDIexit")->trigger();
        QCOMPARE(order, QStringList({"exiting", "quit, database closed"}));
        QVERIFY(f.store.runState().Exiting);
        QVERIFY(!f.form->isVisible());
        QVERIFY(!topLevel<FindDialog>("frmfind"));
        QVERIFY(!topLevel<AboutDialog>("frmAbout"));
        QTRY_VERIFY(!signInGuard);
        QVERIFY(!f.form->Timer1()->isActive());
    }

    void quittingAbortsARunningTransferBeforeClosingTheDatabase()
    {
        test::ServiceFixture service;
        QVERIFY(service.isRunning());
        service.delayReplies(20000);
        MainWindowFixture f;
        f.form->Form_Load();
        ServiceChannel* inet1 = f.form->Inet1();
        QVERIFY(inet1->openUrl(service.baseUrl().resolved(QUrl("/Api/Notice.txt"))));
        QTRY_COMPARE(service.requestCount(), 1);
        QVERIFY(inet1->StillExecuting());

        QStringList seen;
        QObject::connect(inet1, &ServiceChannel::finished, [&](const ServiceReply& reply) {
            seen << (reply.status == ServiceReply::Status::Aborted ? "aborted" : "finished");
            seen << (f.store.db().isOpen() ? "database open" : "database closed");
        });
        QObject::connect(f.form.get(), &Form1::quitRequested, [&] { seen << "quit"; });
        f.form->MDIexit_Click();
        QCOMPARE(seen, QStringList({"aborted", "database open", "quit"}));
        QVERIFY(!f.store.db().isOpen());
    }

    void aDesktopLogoutQuitsAndNoTrayMinimises()
    {
        MainWindowFixture noTray(false, false);
        noTray.form->Form_Load();
        noTray.form->close();
        QVERIFY(noTray.form->isVisible());
        QVERIFY(noTray.form->isMinimized());

        int quits = 0;
        QObject::connect(noTray.form.get(), &Form1::quitRequested, [&] { ++quits; });
        noTray.form->sessionEnding();
        QCOMPARE(quits, 1);
        QVERIFY(noTray.store.runState().Exiting);
        QVERIFY(!noTray.form->isVisible());
    }

    void wheelScrollsTheDuePanelOnly()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        auto* gadget = f.form->findChild<RVTPropGadget*>("RVTPropGadget1");
        auto* frame1 = f.form->findChild<QWidget*>("Frame1");
        auto* frame2 = f.form->findChild<QGroupBox*>("Frame2");
        QVERIFY(gadget && frame1 && frame2);
        const int travel = frame1->height() - frame2->height();
        QVERIFY(travel < 0);

        // Towards the user scrolls down; at VMin a notch away changes nothing.
        sendWheel(frame1, 120);
        QCOMPARE(gadget->VValue(), 0);
        QCOMPARE(frame2->y(), 0);
        sendWheel(frame1, -240);
        QCOMPARE(gadget->VValue(), 2);
        QCOMPARE(frame2->y(), travel * 2 / 10);

        // A touchpad's small deltas add up to a notch; the wheel over the panel's sheet counts too.
        sendWheel(frame2, -40);
        sendWheel(frame2, -40);
        QCOMPARE(gadget->VValue(), 2);
        sendWheel(frame2, -40);
        QCOMPARE(gadget->VValue(), 3);

        // The wheel over the list scrolls the list, not the panel.
        sendWheel(f.list()->viewport(), -120);
        QCOMPARE(gadget->VValue(), 3);

        gadget->setVValue(10);
        sendWheel(frame1, -120);
        QCOMPARE(gadget->VValue(), 10);
        f.form->RVTPropGadget1_ValueChanged(10, 1);
        QCOMPARE(frame2->y(), travel);
    }

    void searchDialogHandsTheKeywordOn()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        f.addMemo("abc title", 1);
        f.addMemo("other abc", 2, true);
        f.addMemo("xyz", 1);
        f.addMemo("abc of another user", 1, false, "other");
        f.sounds.played.clear();

        f.form->Button_Click(4);
        auto* dialog = topLevel<FindDialog>("frmfind");
        QVERIFY(dialog);
        // A second request brings the same dialog back.
        f.form->Button_Click(4);
        QCOMPARE(dialog, topLevel<FindDialog>("frmfind"));

        auto* find = dialog->findChild<QPushButton*>("cmdFind");
        find->click();
        QCOMPARE(f.boxes.boxes.size(), 1);
        QCOMPARE(f.boxes.boxes.first().text, "搜索关键字不能为空");
        QVERIFY(dialog->isVisible());

        dialog->Text1()->setText("abc");
        dialog->findChild<QRadioButton*>("Option2")->setChecked(true);
        QTest::keyClick(dialog->Text1(), Qt::Key_Return);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(f.listTitles(), QStringList({"other abc", "abc title"}));
        QCOMPARE(f.soundNames(), QStringList({"ok.wav"}));

        f.form->SearchData("%' OR '1'='1", 1);
        QCOMPARE(f.listTitles(), QStringList());
        f.form->SearchData("abc", 4);
        QCOMPARE(f.listTitles(), QStringList());

        // Esc in the keyword box closes the dialog without a search.
        f.form->ReadUndo();
        f.form->Button_Click(4);
        dialog = topLevel<FindDialog>("frmfind");
        QVERIFY(dialog);
        dialog->Text1()->setText("xyz");
        QTest::keyClick(dialog->Text1(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(f.listTitles(), QStringList({"xyz", "abc title"}));
    }

    void aboutBoxAndToolbarOpenTheServicesPages()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        f.form->findChild<QAction*>("menu_guanyuchengxu")->trigger();
        auto* about = topLevel<AboutDialog>("frmAbout");
        QVERIFY(about);
        QCOMPARE(about->findChild<QLabel*>("lblVersion")->text(), "版本 1.8.3");
        auto* link = about->findChild<QLabel*>("lblDisclaimer");
        QCOMPARE(link->text(), "http://memo.example:8080");
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(f.openedUrls, QList<QUrl>({QUrl("http://memo.example:8080/")}));
        QTest::keyClick(about, Qt::Key_Escape);
        QVERIFY(!about->isVisible());

        // The toolbar's feedback button opens the service's notes page.
        f.form->Button_Click(5);
        QCOMPARE(f.openedUrls.last(), QUrl("http://memo.example:8080/read.asp?id=51148"));
    }

    void headerClicksSortTheList()
    {
        MainWindowFixture f;
        f.addMemo("b", 1);
        f.addMemo("c", 1);
        f.addMemo("a", 1);
        f.form->Form_Load();
        QCOMPARE(f.listTitles(), QStringList({"a", "c", "b"}));
        QHeaderView* header = f.list()->header();
        const QPoint title(header->sectionViewportPosition(MemoCells::TitleColumn) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(f.listTitles(), QStringList({"c", "b", "a"}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(f.listTitles(), QStringList({"a", "b", "c"}));
    }

    void leftoverUpdateFileIsRemoved()
    {
        MainWindowFixture f;
        const QString path = f.store.dataFolder().filePath("update.exe");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QFile::setPermissions(path, QFile::ReadOwner);
        f.form->DelUpdateFile();
        QVERIFY(!QFile::exists(path));
        f.form->DelUpdateFile();
    }

    void delayedUploadWaitsForASynchronisation()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        f.form->switchOnTimer3();
        QVERIFY(f.form->Timer3()->isActive());
        f.form->Timer3_Timer();
        QVERIFY(!f.form->Timer3()->isActive());

        f.form->sync()->setSyncStarted(true);
        f.form->switchOnTimer3();
        for (int tick = 1; tick <= 4; ++tick)
            f.form->Timer3_Timer();
        QCOMPARE(f.form->statusText(1), "状态:1秒后同步数据");
        QVERIFY(f.form->Timer3()->isActive());
        f.form->Timer3_Timer();
        QVERIFY(!f.form->Timer3()->isActive());
    }

    void schedulerTickCounterWraps()
    {
        MainWindowFixture f;
        f.form->Timer1_Timer();
        QCOMPARE(f.form->Timer1Tag(), 1);
        f.form->setTimer1Tag(3599);
        f.form->Timer1_Timer();
        QCOMPARE(f.form->Timer1Tag(), 17);
    }
};

VELMO_TEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
