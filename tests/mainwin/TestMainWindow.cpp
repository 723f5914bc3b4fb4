#include "ServiceFixture.h"
#include "TestMain.h"
#include "mainwin/MainWindowFixture.h"
#include "store/DataFiles.h"

#include "editor/EditorWindows.h"
#include "editor/Form_Add.h"
#include "mainwin/EditorLink.h"
#include "mainwin/FindDialog.h"
#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "reminders/DuePanel.h"
#include "reminders/Reminders.h"
#include "store/MemoState.h"
#include "sync/SyncSession.h"

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTreeView>

#include "settings/Form_Config.h"
using namespace velmo;
using velmo::test::MainWindowFixture;
using velmo::test::topLevel;

namespace {

// What a label shows of its text: the text itself, or what it renders when it takes it as markup.
QString shownText(const QLabel* label)
{
    const Qt::TextFormat format = label->textFormat();
    const bool markup =
        format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(label->text()));
    return markup ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : label->text();
}

// The due panel's caption, then the titles of the rows it shows, in alphabetical order.
QStringList dueShown(const Form1& form)
{
    const auto* panel = form.findChild<DuePanel*>();
    QStringList titles;
    for (int i = 1; const auto* title = panel->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i)); ++i) {
        if (title->isVisibleTo(panel))
            titles << title->text();
    }
    titles.sort();
    return QStringList{panel->caption()} + titles;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // The load fills the list and the tree before the first due scan, and the window is shown unless it
    // starts in the tray.
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
        f.form->controller().setDueScan([&] {
            ++f.dueScans;
            filledBeforeScan = f.form->listModel().rowCount() == 2 && f.tree()->topLevelItemCount() == 2 &&
                               !f.form->isVisible();
        });

        QFile skin(skinFilePath(f.store.dataFolder()));
        QVERIFY(skin.open(QIODevice::WriteOnly) && skin.write("QTreeView { color: #123456; }") > 0);
        skin.close();

        f.form->Form_Load();
        QCOMPARE(qApp->styleSheet(), "QTreeView { color: #123456; }");
        qApp->setStyleSheet(QString());
        QTEST(f.form->isVisible(), "shown");
        QCOMPARE(f.dueScans, 1);
        QVERIFY(filledBeforeScan);
        QCOMPARE(f.listTitles(), QStringList({"work", "life"}));
        // Another user's memo counts nowhere; the done side counts its own.
        QCOMPARE(f.tree()->topLevelItem(0)->text(0), "进行中备忘(2)");
        QCOMPARE(f.treeItem("生活备忘", false)->text(0), "生活备忘(1)");
        QCOMPARE(f.treeItem("心情日记", true)->text(0), "心情日记(1)");
        // Closed, it goes to the tray, or without one it is minimised; a desktop logout quits.
        f.form->close();
        QVERIFY(f.form->isVisible() == !tray && f.form->isMinimized() == !tray);
        QSignalSpy quits(f.form.get(), &Form1::quitRequested);
        f.form->sessionEnding();
        QCOMPARE(quits.count(), 1);
    }

    // Closing hides; quitting closes every window, aborts a transfer under way while the database is
    // still open, then closes the database.
    void closingHidesAndQuittingClosesEverything()
    {
        test::ServiceFixture service;
        service.delayReplies(20000);
        MainWindowFixture f;
        f.form->Form_Load();
        f.store.runState().AssistantDismissed = true;
        QVERIFY(!f.form->close());
        QVERIFY(!f.form->isVisible());
        QVERIFY(!f.store.runState().AssistantDismissed);

        f.form->menu_xianshichengxu_Click();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        QTest::keyClick(f.form->findChild<QTreeView*>("ListView1"), Qt::Key_Escape);
        QVERIFY(!f.form->isVisible());
        // Quitting from the tray while the window is hidden, with other windows open: the sign-in
        // window, a dialog, the About box.
        QPointer<QWidget> signIn = new QWidget;
        signIn->setAttribute(Qt::WA_DeleteOnClose);
        signIn->show();
        f.form->Button_Click(4);
        f.form->menu_guanyuchengxu_Click();
        // The settings dialog is one: asked for again, it comes forward.
        f.form->Button_Click(6);
        f.form->Button_Click(6);
        int settings = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            settings += qobject_cast<Form_Config*>(window) && window->isVisible();
        QCOMPARE(settings, 1);
        ServiceRequest* request = f.form->controller().serviceChannel().openUrl(
            service.baseUrl().resolved(QUrl("/Api/Notice.txt")));
        QVERIFY(request);
        QTRY_COMPARE(service.requestCount(), 1);

        QStringList order;
        QObject::connect(f.form.get(), &Form1::exiting, [&] { order << "exiting"; });
        QObject::connect(request, &ServiceRequest::finished, [&](const ServiceReply& reply) {
            order << (reply.status == ServiceReply::Status::Aborted ? "aborted" : "finished")
                  << (f.store.db().isOpen() ? "database open" : "database closed");
        });
        QObject::connect(f.form.get(), &Form1::quitRequested, [&] {
            order << (f.store.db().isOpen() ? "quit, database open" : "quit, database closed");
        });
        f.form->findChild<QAction*>("MDIexit")->trigger();
        QCOMPARE(order, QStringList({"exiting", "aborted", "database open", "quit, database closed"}));
        QVERIFY(!topLevel("frmfind") && !topLevel("frmAbout") && !topLevel("Form_Config"));
        QTRY_VERIFY(!signIn);
    }

    // A memo's title shows as it is in the list's tooltip and in the status line during an upload
    // ("传输N:<title>"): no bold, no link, no picture loaded from a file.
    void titlesInTheListTooltipAndStatusLine_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("bold") << "<b>粗</b>体";
        QTest::newRow("link") << "<a href=\"http://example.com\">链接</a>";
        QTest::newRow("picture") << "<img src=\"<picture>\">图";
    }
    void titlesInTheListTooltipAndStatusLine()
    {
        QFETCH(QString, title);
        MainWindowFixture f;
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString file = f.assetDir.filePath(QStringLiteral("picture.png"));
        QVERIFY(picture.save(file));
        title.replace(QStringLiteral("<picture>"), file);
        f.addMemo(title, 1);
        f.form->Form_Load();
        QTreeView* list = f.list();
        const QRect cell = list->visualRect(f.form->listModel().index(0, MemoCells::TitleColumn));
        QHelpEvent hover(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(list->viewport(), &hover);
        const QLabel* tip = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->inherits("QTipLabel") && window->isVisible())
                tip = qobject_cast<QLabel*>(window);
        }
        QVERIFY(tip);
        QCOMPARE(shownText(tip), title);
        f.form->setStatusText(1, QStringLiteral("传输7:") + title);
        QCOMPARE(shownText(f.form->findChild<QLabel*>(QStringLiteral("SB_Panel1"))),
                 QStringLiteral("传输7:") + title);
    }

    // At the window's designed size the status line shows a status with its reason whole, however the
    // other panels are filled; a text longer than the line ends in "…". The tooltip holds the whole.
    void statusLineShowsTheWholeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whole");
        QTest::newRow("refused") << "状态:连接失败,下次同步 (服务器拒绝连接)" << true;
        QTest::newRow("conflict") << "状态:同步冲突未处理,下次同步时再选择" << true;
        QTest::newRow("disk full") << "状态:本地数据保存失败,下次同步 (磁盘空间已满)" << true;
        QTest::newRow("dropped") << "状态:连接失败,下次同步 (服务器在应答中途断开了连接)" << true;
        QTest::newRow("longer than the line") << QStringLiteral("状态:").append(QString(200, u'长')) << false;
    }
    void statusLineShowsTheWholeText()
    {
        QFETCH(QString, text);
        QFETCH(bool, whole);
        MainWindowFixture f;
        f.form->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        f.form->setStatusText(5, QStringLiteral("闰十一月廿九"));
        f.form->setStatusText(6, QStringLiteral("星期三"));
        f.form->setStatusText(7, QStringLiteral("23:59:59"));
        f.form->setStatusText(1, text);
        QCoreApplication::sendPostedEvents();
        const auto* line = f.form->findChild<QLabel*>(QStringLiteral("SB_Panel1"));
        QCOMPARE(f.form->statusText(1), text);
        QCOMPARE(line->text() == text, whole);
        if (!whole)
            QVERIFY(line->text().endsWith(u'…'));
        QCOMPARE(QTextDocumentFragment::fromHtml(line->toolTip()).toPlainText(), text);
        for (int panel = 2; panel <= 7; ++panel) {
            const auto* label = f.form->findChild<QLabel*>(QStringLiteral("SB_Panel%1").arg(panel));
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(label->text()));
        }
    }

    // The quit waits for a memo editor holding typed input: the editor asks; saved or left, the quit
    // goes on; kept, the program stays as it was.
    void quitAsksAboutAnEditorsInput_data()
    {
        QTest::addColumn<QString>("answer");
        for (const QString& answer : MemoEditorWindow::unsavedQuestionButtons())
            QTest::newRow(qPrintable(answer)) << answer;
    }
    void quitAsksAboutAnEditorsInput()
    {
        QFETCH(QString, answer);
        MainWindowFixture f;
        EditorServices services{f.store.db(), f.store.runState(), f.boxes, f.form->controller()};
        services.owner = f.form.get();
        EditorWindows editors(services);
        connectEditors(*f.form, editors);
        f.form->Form_Load();
        QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
        QTest::keyClick(f.form.get(), Qt::Key_N, Qt::ControlModifier);
        QPointer<Form_Add> add = editors.addWindow();
        QVERIFY(add);
        QTest::sendKeyEvent(QTest::Click, add->findChild<QLineEdit*>(QStringLiteral("Text1")),
                            Qt::Key_unknown, QStringLiteral("买菜"), Qt::NoModifier);
        QSignalSpy quits(f.form.get(), &Form1::quitRequested);
        int saved = -1;
        QObject::connect(f.form.get(), &Form1::exiting, [&f, &saved] {
            saved = f.store.value(QStringLiteral("SELECT count(*) FROM Notebook WHERE title='买菜'")).toInt();
        });
        // From the tray's menu, which is the file menu.
        f.form->findChild<QAction*>(QStringLiteral("MDIexit"))->trigger();
        QCOMPARE(f.boxes.boxes.size(), 1);
        QCOMPARE(f.boxes.boxes[0].text, MemoEditorWindow::unsavedQuestionText(QStringLiteral("新建备忘录")));
        QVERIFY(!f.store.runState().Exiting && quits.isEmpty() && add->isVisible());
        QVERIFY(f.boxes.choose(answer));
        const bool stays = answer == QStringLiteral("取消");
        QCOMPARE(quits.size(), int(!stays));
        QCOMPARE(f.store.runState().Exiting, !stays);
        QCOMPARE(add && add->isVisible(), stays);
        if (!stays) {
            QCOMPARE(saved, int(answer == QStringLiteral("保存")));
            return;
        }
        QCOMPARE(add->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("买菜"));
        QVERIFY(f.form->findChild<QAction*>(QStringLiteral("MDIexit"))->isEnabled());
    }

    void searchDialogHandsTheKeywordOn()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        f.addMemo("abc title", 1);
        f.addMemo("other abc", 2, true);
        f.addMemo("abc of another user", 1, false, "other");

        f.form->Button_Click(4);
        auto* dialog = topLevel<FindDialog>(QStringLiteral("frmfind"));
        QVERIFY(dialog);
        dialog->Text1()->setText("abc");
        dialog->findChild<QRadioButton*>("Option2")->setChecked(true);
        QTest::keyClick(dialog->Text1(), Qt::Key_Return);
        QCOMPARE(f.listTitles(), QStringList({"other abc", "abc title"}));

        f.form->SearchData("%' OR '1'='1", 1);
        QCOMPARE(f.listTitles(), QStringList());
        f.form->SearchData("abc", 4);
        QCOMPARE(f.listTitles(), QStringList());
    }

    // The figure menu puts the chosen figure in force and stores it; a figure that cannot be stored
    // is told. Without the settings row the program cannot go on: the figure in force stays checked.
    void figureMenuStoresTheChoice_data()
    {
        QTest::addColumn<QString>("fault"); // SQL run before the choice
        QTest::addColumn<int>("figure");    // checked and in force afterwards
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("told"); // how the message begins
        QTest::newRow("stored") << "" << 6 << 6 << "";
        QTest::newRow("write refused") << "CREATE TRIGGER refuse BEFORE UPDATE ON Config BEGIN SELECT "
                                          "RAISE(ABORT, 'test'); END"
                                       << 6 << 2 << "人物设置保存失败。\n";
        QTest::newRow("settings row missing")
            << "DELETE FROM Config" << 2 << 0 << "数据配置文件加载出错,请尝试重新启动程序";
    }
    void figureMenuStoresTheChoice()
    {
        QFETCH(QString, fault);
        QFETCH(int, figure);
        QFETCH(QString, told);
        MainWindowFixture f;
        f.form->Form_Load();
        QVERIFY(fault.isEmpty() || f.store.db().exec(fault).ok);
        QSignalSpy quits(f.form.get(), &Form1::quitRequested);
        f.form->findChild<QAction*>(QStringLiteral("mm_6"))->trigger();
        QVERIFY(f.form->findChild<QAction*>(QStringLiteral("mm_%1").arg(figure))->isChecked());
        QCOMPARE(f.store.runState().settings.MmNumber, figure);
        QTEST(f.store.value(QStringLiteral("SELECT MmNumber FROM Config")).toInt(), "stored");
        QCOMPARE(f.boxes.texts().size(), int(!told.isEmpty()));
        QVERIFY(told.isEmpty() || f.boxes.texts().first().startsWith(told));
        // The program ends once the message is closed.
        QCoreApplication::processEvents();
        QCOMPARE(quits.size(), int(fault.startsWith(QLatin1String("DELETE"))));
    }

    // During the start-up count-down, 立即手动同步 or the 同步 button synchronises at once: the
    // count-down ends, the button goes and the scheduled pass does not run.
    void syncNowDuringTheCountdown_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("menu") << "menu_shoudongtongbu";
        QTest::newRow("button") << "Command1";
    }
    void syncNowDuringTheCountdown()
    {
        QFETCH(QString, place);
        test::ServiceFixture service;
        MainWindowFixture f(false, true, service.baseUrl());
        QSignalSpy passes(&f.form->controller().sync(), &SyncSession::passFinished);
        auto* button = f.form->findChild<QPushButton*>(QStringLiteral("Command1"));
        for (int tick = 1; tick <= 4; ++tick)
            f.form->controller().Timer1_Timer();
        QCOMPARE(f.form->statusText(1), "状态:7秒后开始同步");
        QVERIFY(!button->isHidden());
        if (place == QStringLiteral("Command1"))
            button->click();
        else
            f.form->findChild<QAction*>(place)->trigger();
        QCOMPARE(f.form->statusText(1), "状态:手动连接云同步...");
        QVERIFY(button->isHidden());
        QVERIFY(passes.wait(10000));
        for (int tick = 5; tick <= 10; ++tick) {
            f.form->controller().Timer1_Timer();
            QVERIFY(!f.form->statusText(1).contains(QStringLiteral("秒后开始同步")));
        }
        QVERIFY(f.form->statusText(1) != QStringLiteral("状态:连接云服务器..."));
        QVERIFY(button->isHidden());
        QCOMPARE(service.requests().first().path.toLower(), QStringLiteral("/api/id.asp"));
        // Once a synchronisation has run, a change goes up five seconds later, counted on the status line.
        f.form->controller().memosChanged({MemoChange::Kind::Added});
        for (int tick = 1; tick <= 4; ++tick)
            f.form->controller().Timer3_Timer();
        QCOMPARE(f.form->statusText(1), "状态:1秒后同步数据");
        QVERIFY(!button->isHidden());
        f.form->controller().Timer3_Timer();
        QVERIFY(!f.uploadArmed());
    }

    // A service this version cannot synchronise with: the status line says so, and a message box
    // once a run tells the user that nothing was synchronised.
    void unsupportedServiceIsTold()
    {
        test::ServiceFixture service;
        service.setPlainList(true);
        MainWindowFixture f(false, true, service.baseUrl());
        service.addAccount(f.store.runState().UserId, QStringLiteral("pw"));
        f.store.runState().PassHash = MD5_16(QStringLiteral("pw"));
        QSignalSpy passes(&f.form->controller().sync(), &SyncSession::passFinished);
        for (int pass = 0; pass < 2; ++pass) {
            f.form->findChild<QAction*>(QStringLiteral("menu_shoudongtongbu"))->trigger();
            QVERIFY(passes.wait(10000));
            QCOMPARE(f.form->statusText(1), "状态:服务器不支持本版本的同步,未同步");
        }
        QCOMPARE(f.boxes.texts(),
                 QStringList{"服务器不支持本版本的同步方式,为免备忘丢失或重复,没有同步任何备忘。"
                             "请使用支持本版本的服务器。"});
    }

    void deletionsFromElsewhereLeaveTheViews_data()
    {
        QTest::addColumn<QString>("node"); // chosen in the tree
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("every memo in progress")
            << QStringLiteral("进行中备忘") << QStringList{"work", "life c", "life b", "life a"}
            << QStringList{"work", "life c"};
        QTest::newRow("one category") << QStringLiteral("生活备忘")
                                      << QStringList{"life c", "life b", "life a"} << QStringList{"life c"};
    }

    // Memos another computer deleted leave the list shown, the tree's counts and the due panel as soon
    // as the pass that removes their rows ends.
    void deletionsFromElsewhereLeaveTheViews()
    {
        QFETCH(QString, node);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        test::ServiceFixture service;
        MainWindowFixture f(false, true, service.baseUrl());
        const QString user = f.store.runState().UserId;
        service.addAccount(user, QStringLiteral("secret1"));
        f.store.runState().PassHash = MD5_16(QStringLiteral("secret1"));
        for (const char* title : {"life a", "life b", "life c"})
            f.addMemo(QString::fromLatin1(title), 1);
        f.addMemo("work", 2);
        f.form->controller().setDueScan({}); // the scan into the window's own due panel
        f.form->Form_Load();
        f.form->findChild<QTimer*>(QStringLiteral("Timer1"))->stop(); // no scheduled scan between the steps
        f.form->TreeView1_NodeClick(f.treeItem(node, false));
        const auto pass = [](SyncSession& sync, const std::function<void()>& start) {
            QSignalSpy finished(&sync, &SyncSession::passFinished);
            start();
            return !finished.isEmpty() || finished.wait(10000);
        };
        SyncSession& windowSync = f.form->controller().sync();
        QVERIFY(pass(windowSync, [&f] { f.form->controller().syncNow(); }));

        // Another computer of the user takes the memos and deletes two of them.
        test::TestStore other(user);
        other.runState().PassHash = f.store.runState().PassHash;
        ServiceChannel channel;
        SyncSession otherSync(other.db(), other.runState(), channel);
        otherSync.setServiceAddress(service.address());
        QVERIFY(pass(otherSync, [&otherSync] { otherSync.SyncData(); }));
        QCOMPARE(other.value("SELECT count(*) FROM Notebook").toInt(), 4);
        for (const char* title : {"life a", "life b"}) {
            const qint64 id = other.value("SELECT id FROM Notebook WHERE title=?", {title}).toLongLong();
            QVERIFY(SetDel(other.db(), user, id).ok);
        }
        QVERIFY(pass(otherSync, [&otherSync] { otherSync.SyncData(); }));
        QCOMPARE(f.listTitles(), before);
        QCOMPARE(f.tree()->topLevelItem(0)->text(0), "进行中备忘(4)");
        QCOMPARE(f.treeItem("生活备忘", false)->text(0), "生活备忘(3)");
        QCOMPARE(dueShown(*f.form),
                 QStringList({"60天到期备忘;(4)条", "life a", "life b", "life c", "work"}));

        QVERIFY(pass(windowSync, [&f] { f.form->controller().syncNow(); }));
        QCOMPARE(f.store.value("SELECT count(*) FROM Notebook").toInt(), 2);
        QCOMPARE(f.listTitles(), after);
        QCOMPARE(f.tree()->topLevelItem(0)->text(0), "进行中备忘(2)");
        QCOMPARE(f.treeItem("生活备忘", false)->text(0), "生活备忘(1)");
        QCOMPARE(dueShown(*f.form), QStringList({"60天到期备忘;(2)条", "life c", "work"}));
    }

    // A read that fails is reported, never shown as "no memos".
    void failedReadsAreReported()
    {
        MainWindowFixture f;
        f.addMemo(QStringLiteral("memo"), 1);
        QVERIFY(f.store.db().exec(QStringLiteral("ALTER TABLE Notebook RENAME TO Gone")).ok);

        f.form->ReadCount();
        QVERIFY2(f.form->statusText(1).startsWith(QStringLiteral("状态:备忘统计读取失败")),
                 qPrintable(f.form->statusText(1)));
        f.form->ReadUndo();
        QVERIFY(f.form->statusText(1).startsWith(QStringLiteral("状态:备忘读取失败")));
        QCOMPARE(f.sounds.played.filter(QStringLiteral("/error.wav")).size(), 2);
    }

    // A memo's title is shown as the text it is, never as markup: in the due panel, its tooltip and
    // the reminder window.
    // The reminder window names the category and the repeat rule as the list does, and an action in
    // it brings the main window's views up to date and arms the upload.
    void memoTextsShowAsPlainText()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        const QString title = QStringLiteral("<b><font color=red size=7>大</font></b><a href='x'>链接</a>");
        const qint64 id = f.addMemo(title, 6);
        f.form->controller().reminders().Command2_Click();
        auto* row = f.form->findChild<QLabel*>(QStringLiteral("Label1_1"));
        QVERIFY(row);
        QCOMPARE(row->textFormat(), Qt::PlainText);
        QTextDocument tip;
        tip.setHtml(row->toolTip());
        QCOMPARE(tip.toPlainText(), title);
        f.form->controller().reminders().openRing(id);
        QWidget* ring = topLevel<QWidget>(QStringLiteral("Form_Ring"));
        QVERIFY(ring);
        QCOMPARE(ring->findChild<QLabel*>(QStringLiteral("LabelTitle"))->textFormat(), Qt::PlainText);
        QCOMPARE(ring->findChild<QLabel*>(QStringLiteral("LabelDetails"))->text(),
                 QStringLiteral("创意灵感  公历:2026-12-07 10:00:00  提醒一次"));
        QVERIFY(!f.uploadArmed());
        QMetaObject::invokeMethod(ring, "Button_Click", Q_ARG(int, 3)); // done
        QCOMPARE(f.listTitles(), QStringList());
        QCOMPARE(f.treeItem(QStringLiteral("创意灵感"), true)->text(0), QStringLiteral("创意灵感(1)"));
        QVERIFY(f.uploadArmed());
    }
};

VELMO_TEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
