#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Autostart.h"

#include <QFile>

using namespace velmo;

class TestAutostart : public QObject
{
    Q_OBJECT

private slots:
    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/opt/velmo/bin/velmo"
                               << "/opt/velmo/bin/velmo";
        QTest::newRow("blank") << "/home/li si/velmo"
                               << "\"/home/li si/velmo\"";
        // Inside quotes a quote, backquote, dollar and backslash get a backslash, and the value's own
        // escaping then doubles every backslash.
        QTest::newRow("quote") << "/a\"b/velmo"
                               << "\"/a\\\\\"b/velmo\"";
        QTest::newRow("dollar") << "/$HOME/velmo"
                                << "\"/\\\\$HOME/velmo\"";
        QTest::newRow("backslash") << "/a\\b/velmo"
                                   << "\"/a\\\\\\\\b/velmo\"";
        QTest::newRow("percent") << "/100%/velmo"
                                 << "/100%%/velmo";
        QTest::newRow("chinese") << "/home/张三/备忘/velmo"
                                 << "/home/张三/备忘/velmo";
    }

    void execQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(Autostart::execValue(path), exec);
        QCOMPARE(Autostart::parseExecValue(exec), QStringList{path});
    }

    void awkwardPathsSurviveTheRoundTrip()
    {
        const QString path = QStringLiteral("/tmp/it's a \"test\"/`x` $y \\z %f & (1);\tnew\nline/velmo");
        QCOMPARE(Autostart::parseExecValue(Autostart::execValue(path)), QStringList{path});
        QCOMPARE(Autostart::parseExecValue(QStringLiteral("velmo --hidden \"a b\"")),
                 QStringList({"velmo", "--hidden", "a b"}));
        QVERIFY(Autostart::parseExecValue(QStringLiteral("\"unterminated")).isEmpty());
    }

    void enableQueryDisable()
    {
        test::TempDataFolder temp;
        const QString folder = temp.filePath(QStringLiteral("config/autostart"));
        const QString exe = temp.filePath(QStringLiteral("my apps/\"Memo\"/velmo"));
        Autostart autostart(exe, folder);
        QVERIFY(!autostart.IsAutoRun());
        QVERIFY2(autostart.SetAutoRun(), qPrintable(autostart.errorString()));
        QCOMPARE(autostart.entryPath(), folder + QStringLiteral("/velmo.desktop"));
        QFile entry(autostart.entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        entry.close();
        QVERIFY(text.startsWith(QLatin1String("[Desktop Entry]\n")));
        QVERIFY(text.contains(QLatin1String("\nType=Application\n")));
        QVERIFY(text.contains(QLatin1String("\nExec=") + Autostart::execValue(exe) + QLatin1Char('\n')));
        QVERIFY(autostart.IsAutoRun());
        QVERIFY(autostart.SetAutoRun()); // replacing the entry is fine
        // The path is compared exactly: another spelling is another file.
        QVERIFY(!Autostart(exe.toUpper().replace(QStringLiteral("/VELMO"), QStringLiteral("/velmo")), folder)
                     .IsAutoRun());
        QVERIFY(!Autostart(exe.left(exe.size() - 5) + QStringLiteral("Velmo"), folder).IsAutoRun());
        QVERIFY(!Autostart(temp.filePath(QStringLiteral("other/velmo")), folder).IsAutoRun());
        // A hidden entry does not count.
        QVERIFY(entry.open(QIODevice::Append | QIODevice::WriteOnly));
        entry.write("Hidden=true\n");
        entry.close();
        QVERIFY(!autostart.IsAutoRun());
        QVERIFY(autostart.RemoveAutoRun());
        QVERIFY(!QFile::exists(autostart.entryPath()));
        QVERIFY(autostart.RemoveAutoRun());
    }

    void failuresAreReported()
    {
        test::TempDataFolder temp;
        // A file where the folder should be: neither the folder nor the entry can be made.
        const QString blocker = temp.filePath(QStringLiteral("autostart"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        Autostart blocked(QStringLiteral("/usr/bin/velmo"), blocker);
        QVERIFY(!blocked.SetAutoRun());
        QVERIFY(!blocked.errorString().isEmpty());
        QVERIFY(!blocked.IsAutoRun());
        // An entry that is a folder cannot be replaced or removed.
        Autostart clash(QStringLiteral("/usr/bin/velmo"), temp.path());
        QVERIFY(QDir(temp.path()).mkpath(QStringLiteral("velmo.desktop/inside")));
        QVERIFY(!clash.SetAutoRun());
        QVERIFY(!clash.RemoveAutoRun());
        // The default entry lives in the (test) user's autostart folder.
        QCOMPARE(Autostart().entryPath(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/velmo.desktop");
    }
};

VELMO_TEST_MAIN(TestAutostart)
#include "TestAutostart.moc"
