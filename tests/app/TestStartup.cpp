#include "FakeTray.h"
#include "OlderDataFiles.h"
#include "ReadOnlyPath.h"
#include "ServiceFixture.h"
#include "TempDataFolder.h"
#include "TestMain.h"
#include "TestStore.h"
#include "app/MainWindowHandOff.h"
#include "app/Startup.h"
#include "app/UiLanguage.h"
#include "controls/Skin.h"
#include "editor/EditorWindows.h"
#include "editor/Form_Edit.h"
#include "editor/MailDialog.h"
#include "mainwin/Form1.h"
#include "platform/Md5.h"
#include "platform/VersionText.h"
#include "signin/LoginForm.h"
#include "signin/frmLogin.h"
#include "store/DataFiles.h"
#include "store/SchemaUpgrade.h"
#include "tray/TrayIcon.h"

#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

using namespace velmo;

namespace {

const QString DemoPassword = QStringLiteral("velmo123");

// One start of the program in a temporary data folder, with a fake tray and recorded boxes.
struct Rig
{
    test::TempDataFolder data;
    test::TempDataFolder scratch;
    test::ServiceFixture service;
    test::BoxRecorder boxes;
    test::FakeTrayBackend* desk = nullptr;
    Autostart autostart{QStringLiteral("/opt/velmo/bin/velmo"),
                        scratch.filePath(QStringLiteral("autostart"))};
    std::unique_ptr<Startup> startup;

    Rig()
    {
        test::fillAssetFolder(scratch.filePath(QStringLiteral("assets")));
        auto backend = std::make_unique<test::FakeTrayBackend>();
        desk = backend.get();
        StartupOptions options;
        options.dataFolder = data.dataFolder();
        options.assets = AssetFolder(scratch.filePath(QStringLiteral("assets")));
        options.version = QStringLiteral("1.8.3");
        options.serviceAddress = service.address();
        options.trayBackend = std::move(backend);
        options.messageBoxes = &boxes;
        options.browser = [](const QUrl&) {}; // never a real browser
        options.autostart = &autostart;
        options.databaseConnection = test::uniqueConnectionName();
        startup = std::make_unique<Startup>(std::move(options));
    }

    QString dbPath() const { return databasePath(data.dataFolder()); }

    // Writes data.db before the start and runs statements on it.
    void prepareDatabase(const QStringList& statements, const QList<QVariantList>& values = {})
    {
        QVERIFY(SaveDatabaseFile(dbPath()).ok);
        Database db(test::uniqueConnectionName());
        QVERIFY(db.open(dbPath()).ok);
        for (int i = 0; i < statements.size(); ++i)
            QVERIFY(db.exec(statements[i], values.value(i)).ok);
    }

    frmLogin& window() { return startup->loginWindow(); }
    template <typename T>
    T* control(const char* name)
    {
        return window().findChild<T*>(QString::fromLatin1(name));
    }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:

    void firstStartWritesTheDataFilesAndShowsTheSignInWindow()
    {
        Rig rig;
        MainWindowHandOff handOff(*rig.startup);
        QVERIFY(!QFile::exists(rig.dbPath()));
        QVERIFY(rig.startup->start());

        QVERIFY(QFile::exists(rig.dbPath()));
        QFile skin(skinFilePath(rig.data.dataFolder()));
        QVERIFY(skin.open(QIODevice::ReadOnly));
        const QString sheet = QString::fromUtf8(skin.readAll());
        QVERIFY(sheet.contains(QStringLiteral("QPushButton")));
        QCOMPARE(qApp->styleSheet(), sheet);

        QVERIFY(rig.window().isVisible());
        QCOMPARE(rig.window().windowTitle(), QStringLiteral("Velmo v1.83 Beta版"));
        QVERIFY(rig.desk->visible);
        QCOMPARE(rig.desk->toolTip, QStringLiteral("Velmo v1.83"));
        // The shipped settings: both boxes ticked, nobody remembered, nothing signs in by itself.
        QVERIFY(rig.control<QCheckBox>("Check1")->isChecked());
        QVERIFY(rig.control<QCheckBox>("Check2")->isChecked());
        QVERIFY(rig.control<QLineEdit>("txtUser")->text().isEmpty());
        QVERIFY(!rig.window().autoSignInArmed());
        QVERIFY(rig.boxes.boxes.isEmpty());
        // Each caption toggles its own box.
        QTest::mouseClick(rig.control<QWidget>("Label3"), Qt::LeftButton);
        QVERIFY(!rig.control<QCheckBox>("Check1")->isChecked() &&
                rig.control<QCheckBox>("Check2")->isChecked());
        QTest::mouseClick(rig.control<QWidget>("Label4"), Qt::LeftButton);
        QVERIFY(!rig.control<QCheckBox>("Check1")->isChecked() &&
                !rig.control<QCheckBox>("Check2")->isChecked());
        // While nobody has signed in, the main window is built ahead but neither loaded nor shown.
        QTRY_VERIFY(handOff.mainWindow());
        QVERIFY(!handOff.mainWindow()->isVisible() && !handOff.mainWindow()->listModel().isShowing());
        // Cancel before a sign-in ends the program, and the icon leaves the tray.
        QSignalSpy ending(rig.startup.get(), &Startup::programMustEnd);
        QTest::mouseClick(rig.control<QPushButton>("cmdCancel"), Qt::LeftButton);
        QCOMPARE(ending, QList<QVariantList>{{0}});
        QVERIFY(!rig.desk->visible);
    }

    void existingDataFilesAreNeverOverwritten()
    {
        Rig rig;
        rig.prepareDatabase({QStringLiteral("UPDATE Config SET LastUser='kept', SavePass=0, AutoLogin=0")});
        QVERIFY(rig.data.dataFolder().ensureExists());
        const QByteArray mySkin = "QWidget { color: #123456; }";
        QFile skin(skinFilePath(rig.data.dataFolder()));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write(mySkin);
        skin.close();

        QVERIFY(rig.startup->start());
        QVERIFY(skin.open(QIODevice::ReadOnly));
        QCOMPARE(skin.readAll(), mySkin);
        QCOMPARE(qApp->styleSheet(), QString::fromLatin1(mySkin));
        QCOMPARE(rig.control<QLineEdit>("txtUser")->text(), QStringLiteral("kept"));
        QVERIFY(!rig.control<QCheckBox>("Check1")->isChecked());
    }

    // One star for each character of a remembered password, 15 past 20; the automatic sign-in is
    // armed only with a remembered name and password digest.
    void rememberedPasswordShowsStars_data()
    {
        QTest::addColumn<bool>("savePass");
        QTest::addColumn<bool>("autoLogin");
        QTest::addColumn<int>("length"); // -1: no digest remembered
        QTest::addColumn<QString>("stars");
        QTest::addColumn<bool>("armed");
        QTest::newRow("8") << true << true << 8 << QStringLiteral("********") << true;
        QTest::newRow("20") << true << true << 20 << QString(20, u'*') << true;
        QTest::newRow("21 shows 15") << true << true << 21 << QString(15, u'*') << true;
        QTest::newRow("length 0") << true << true << 0 << QString() << true;
        QTest::newRow("no digest") << true << true << -1 << QString() << false;
        QTest::newRow("automatic sign-in off") << true << false << 8 << QStringLiteral("********") << false;
        QTest::newRow("not remembered") << false << true << -1 << QString() << false;
    }

    void rememberedPasswordShowsStars()
    {
        QFETCH(bool, savePass);
        QFETCH(bool, autoLogin);
        QFETCH(int, length);
        RunState state;
        state.settings.SavePass = savePass;
        state.settings.AutoLogin = autoLogin;
        const LoginFormState form = loginFormState(
            state, {false, QStringLiteral("demo"), length < 0 ? QString() : MD5_16(DemoPassword), length});
        QTEST(form.passwordStars, "stars");
        QCOMPARE(form.rememberPassword, savePass);
        QCOMPARE(form.autoLogin, autoLogin);
        QTEST(form.armAutoSignIn, "armed");
    }

    void missingSettingsRowStopsBeforeAnyWindow()
    {
        Rig rig;
        rig.prepareDatabase({QStringLiteral("DELETE FROM Config")});
        QSignalSpy ending(rig.startup.get(), &Startup::programMustEnd);
        QVERIFY(!rig.startup->start());
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("数据配置文件加载出错,请尝试重新启动程序")});
        QVERIFY(ending.wait(2000));
        QCOMPARE(ending, QList<QVariantList>{{1}});
        QVERIFY(!rig.desk->visible);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible());
    }

    void unusableDataFileIsNamedAndLeftAlone_data()
    {
        QTest::addColumn<QStringList>("statements"); // run on a fresh data.db before the start
        QTest::addColumn<int>("readOnly");           // 0: nothing, 1: data.db, 2: the folder (no data.db)
        QTest::addColumn<QString>("message");        // its start
        QTest::addColumn<QString>("reason");         // what it says about the file
        const QString opening = QStringLiteral("数据文件无法打开,程序将退出。\n文件:");
        QTest::newRow("written by a later version")
            << QStringList{"ALTER TABLE Notebook ADD COLUMN Later TEXT",
                           "CREATE TABLE SyncState (id INTEGER PRIMARY KEY, token TEXT)",
                           QStringLiteral("PRAGMA user_version = %1").arg(CurrentSchemaVersion + 1)}
            << 0 << opening << QStringLiteral("更新版本");
        // A later version that renamed a table: its file is still left alone, and said to be newer.
        QTest::newRow("written by a later version, tables renamed")
            << QStringList{"ALTER TABLE Config RENAME TO Settings", "ALTER TABLE Notebook RENAME TO Memos",
                           QStringLiteral("PRAGMA user_version = %1").arg(CurrentSchemaVersion + 1)}
            << 0 << opening
            << QStringLiteral("原因:该文件由更新版本的 Velmo 写入(数据格式第%1版,本程序只能使用到第%2版)")
                   .arg(CurrentSchemaVersion + 1)
                   .arg(CurrentSchemaVersion);
        QTest::newRow("read-only, to be upgraded")
            << QStringList{"PRAGMA user_version = 1"} << 1 << opening
            << QStringLiteral("原因:无法升级数据文件的格式:数据文件是只读的,无法写入");
        QTest::newRow("read-only, this version")
            << QStringList{} << 1 << opening << QStringLiteral("原因:数据文件是只读的,无法写入");
        QTest::newRow("read-only folder, no data.db")
            << QStringList{} << 2 << QStringLiteral("数据文件无法创建,程序将退出。\n文件:")
            << QStringLiteral("原因:无法在文件夹 %1 中新建文件:没有权限");
    }

    // A data.db that is there but cannot be used, or cannot be written out: the user learns which file
    // and why (no "try a new start"), the program ends before any window, and the file stays byte for
    // byte as it was.
    void unusableDataFileIsNamedAndLeftAlone()
    {
        QFETCH(QStringList, statements);
        QFETCH(int, readOnly);
        QFETCH(QString, message);
        QFETCH(QString, reason);
        Rig rig;
        if (readOnly < 2) {
            rig.prepareDatabase({});
            Database db(test::uniqueConnectionName());
            QVERIFY(db.open(rig.dbPath()).ok);
            for (const QString& statement : statements)
                QVERIFY(db.execOnce(statement).ok);
        }
        const auto checksum = [&rig] {
            QFile file(rig.dbPath());
            return file.open(QIODevice::ReadOnly)
                       ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                       : QByteArray();
        };
        const auto dataFiles = [&rig] {
            return QDir(rig.data.path()).entryList({QStringLiteral("*data.db*")}, QDir::Files | QDir::Hidden);
        };
        const QByteArray before = checksum();
        const QStringList files = dataFiles();
        test::ReadOnlyPath locked(readOnly == 1 ? rig.dbPath() : rig.data.path());
        if (readOnly && !locked.isReadOnly())
            QSKIP("this file system cannot make the path read-only for this user");
        QSignalSpy ending(rig.startup.get(), &Startup::programMustEnd);
        QVERIFY(!rig.startup->start());
        QVERIFY(ending.wait(2000));
        QCOMPARE(ending, QList<QVariantList>{{1}});
        QCOMPARE(rig.boxes.boxes.size(), 1);
        const QString text = rig.boxes.texts().constFirst();
        QVERIFY2(text.startsWith(message + rig.dbPath() + u'\n') &&
                     text.contains(reason.arg(rig.data.path())),
                 qPrintable(text));
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible());
        QCOMPARE(checksum(), before);
        QCOMPARE(dataFiles(), files); // no log or journal left beside it
    }

    // A damaged data.db, unlike one that cannot be used, is moved aside and written out anew, which a
    // new start then uses.
    void damagedDataFileIsKeptAndReplaced()
    {
        Rig rig;
        QVERIFY(rig.data.dataFolder().ensureExists());
        QFile junk(rig.dbPath());
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a database") > 0);
        junk.close();
        QSignalSpy ending(rig.startup.get(), &Startup::programMustEnd);
        QVERIFY(!rig.startup->start());
        QVERIFY(ending.wait(2000));
        const QString text = rig.boxes.texts().value(0);
        QVERIFY2(text.startsWith(QStringLiteral(
                     "数据配置文件加载出错,请尝试重新启动程序\n原数据文件无法读取,已保存为:")) &&
                     text.endsWith(QStringLiteral("已新建数据文件,重新启动程序即可使用。")),
                 qPrintable(text));
        Database db(test::uniqueConnectionName());
        QVERIFY(db.open(rig.dbPath()).ok);
    }

    void damagedFileOfEachVersionIsKeptAsItWas_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("table"); // the damaged one
        for (int version = 1; version <= CurrentSchemaVersion; ++version)
            QTest::addRow("version %d, settings", version) << version << "Config";
        QTest::newRow("this version, accounts") << CurrentSchemaVersion << "Users";
        // Neither the upgrade nor the start reads the notices.
        for (int version = 1; version < CurrentSchemaVersion; ++version)
            QTest::addRow("version %d, notices", version) << version << "Notice";
    }

    // A damaged data file of any version is neither upgraded nor written to before it is kept aside:
    // the copy is the file as it was, byte for byte, and the message says why.
    void damagedFileOfEachVersionIsKeptAsItWas()
    {
        QFETCH(int, version);
        QFETCH(QString, table);
        Rig rig;
        QVERIFY(rig.data.dataFolder().ensureExists());
        QCOMPARE(test::writeDataFileOfVersion(version, rig.dbPath()), QString());
        qint64 page = 0;
        const QString connection = test::uniqueConnectionName();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(rig.dbPath());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("INSERT INTO Users (UserID) VALUES ('demo')")));
            QVERIFY(
                query.exec(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='%1'").arg(table)) &&
                query.next());
            page = query.value(0).toLongLong();
        }
        QSqlDatabase::removeDatabase(connection);
        QFile file(rig.dbPath());
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((page - 1) * 4096) &&
                file.write(QByteArray(64, '\xff')) == 64);
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray original = file.readAll();
        file.close();

        QSignalSpy ending(rig.startup.get(), &Startup::programMustEnd);
        QVERIFY(!rig.startup->start());
        QVERIFY(ending.wait(2000));
        const QString text = rig.boxes.texts().value(0);
        const QRegularExpression kept(QStringLiteral("已保存为:(.*)\n原因:数据文件已损坏\n已新建数据文件"));
        const QRegularExpressionMatch match = kept.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        QFile copy(match.captured(1));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll() == original);
        Database db(test::uniqueConnectionName());
        QVERIFY(db.open(rig.dbPath()).ok);
        QCOMPARE(db.selectValue(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 0);
    }

    void showCommandRaisesTheRightWindow()
    {
        Rig rig;
        QVERIFY(rig.startup->start());
        rig.window().hide();
        rig.startup->handleCommand(QStringLiteral("hello"));
        QVERIFY(!rig.window().isVisible());
        rig.startup->handleCommand(QStringLiteral("show"));
        QVERIFY(rig.window().isVisible());

        // Once signed in, the main window is the one that comes forward.
        QWidget mainWindow;
        QMenu fileMenu;
        rig.startup->runState().LocalSignedIn = true;
        rig.startup->setMainWindow(&mainWindow, &fileMenu);
        QVERIFY(!rig.window().isVisible());
        QCOMPARE(rig.desk->contextMenu.data(), &fileMenu);
        rig.startup->handleCommand(QStringLiteral("show"));
        QVERIFY(mainWindow.isVisible());
        QVERIFY(!rig.window().isVisible());
    }

    // A sign-in before the main window was built ahead builds it then.
    void signInBeforeTheWindowIsBuiltAhead()
    {
        Rig rig;
        MainWindowHandOff handOff(*rig.startup);
        QSignalSpy loaded(&handOff, &MainWindowHandOff::mainWindowLoaded);
        QVERIFY(rig.startup->start());
        emit rig.startup->signedIn();
        QCOMPARE(loaded.count(), 1);
        QVERIFY(handOff.mainWindow() && handOff.mainWindow()->isVisible());
    }

    // After the automatic sign-in the main window takes over: the sign-in window goes (closing it ends
    // nothing now), the tray's menu is the file menu, and the editors work through the main window: a save
    // puts the tray's normal tip back and arms the upload, the mail binding asks the service.
    void signInHandsOverToTheMainWindow()
    {
        Rig rig;
        const QString hash = MD5_16(DemoPassword);
        rig.prepareDatabase({QStringLiteral("UPDATE Config SET FirstRun=0, LastUser='demo', AutoLogin=1"),
                             QStringLiteral("INSERT INTO Users (UserID, UserPWD, LastPassword, LenPass) "
                                            "VALUES ('demo', ?, ?, 8)")},
                            {{}, {hash, hash}});
        rig.service.addAccount(QStringLiteral("demo"), DemoPassword);
        MainWindowHandOff handOff(*rig.startup);
        QSignalSpy loaded(&handOff, &MainWindowHandOff::mainWindowLoaded);
        QSignalSpy ending(rig.startup.get(), &Startup::programMustEnd);
        QSignalSpy captions(&rig.startup->login(), &LoginController::captionChanged);
        QSignalSpy signedIn(rig.startup.get(), &Startup::signedIn);
        QVERIFY(rig.startup->start());
        // The remembered password signs in by itself, once, after the start.
        QCOMPARE(rig.control<QLineEdit>("txtPassword")->text(), QStringLiteral("********"));
        QVERIFY(!rig.window().passwordTyped() && rig.window().autoSignInArmed());
        QCOMPARE(signedIn.count(), 0); // not before the event loop runs
        QVERIFY(loaded.wait(5000));
        QCOMPARE(captions.first().first().toString(), QStringLiteral("开始自动登录验证..."));
        QCOMPARE(rig.window().windowTitle(), QStringLiteral("Velmo 本地登陆成功"));
        QVERIFY(rig.startup->runState().LocalSignedIn);
        QCOMPARE(rig.startup->runState().UserId, QStringLiteral("demo"));
        Form1* form = handOff.mainWindow();
        QVERIFY(form->isVisible() && !rig.window().isVisible());
        QCOMPARE(rig.desk->contextMenu.data(), form->MDIfile());
        rig.window().close();
        QCOMPARE(ending.count(), 0);

        MemoRecord memo;
        memo.userid = QStringLiteral("demo");
        memo.title = QStringLiteral("旧");
        const StoreResult added = insertMemo(rig.startup->database(), memo);
        QVERIFY(added.ok);
        rig.startup->tray().SetTrayIconB(QStringLiteral("Velmo,有备忘录提醒,点击查看"));
        emit form->editMemoRequested(qint32(added.insertId));
        Form_Edit* edit = handOff.editors()->editWindow();
        QVERIFY(edit);
        edit->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("新"));
        edit->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(rig.desk->toolTip, QStringLiteral("Velmo v1.83"));
        QVERIFY(form->findChild<QTimer*>("Timer3")->isActive());

        handOff.editors()->showMailDialog();
        MailDialog* mail = handOff.editors()->mailDialog();
        mail->findChild<QLineEdit*>(QStringLiteral("txtUser"))->setText(QStringLiteral("demo"));
        mail->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(DemoPassword);
        mail->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        QTRY_COMPARE(mail->windowTitle(), QStringLiteral("网络验证成功"));
        QTest::qWait(300);
        QCOMPARE(signedIn.count(), 1);
    }
};

VELMO_TEST_MAIN(TestStartup)
#include "TestStartup.moc"
