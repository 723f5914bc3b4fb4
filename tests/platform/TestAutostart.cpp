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
        const auto row = [](const char* name, const char* path, const char* exec) {
            QTest::newRow(name) << QString::fromUtf8(path) << QString::fromUtf8(exec);
        };
        row("plain", "/opt/velmo/bin/velmo", "/opt/velmo/bin/velmo");
        row("blank", "/home/li si/velmo", "\"/home/li si/velmo\"");
        // Inside quotes a quote, backquote, dollar and backslash get a backslash, and the value's own
        // escaping then doubles every backslash.
        row("quote", "/a\"b/velmo", "\"/a\\\\\"b/velmo\"");
        row("dollar", "/a $b/velmo", "\"/a \\\\$b/velmo\"");
        row("backslash", "/a\\b/velmo", "\"/a\\\\\\\\b/velmo\"");
        row("percent", "/100%/velmo", "/100%%/velmo");
        row("chinese", "/home/张三/备忘/velmo", "/home/张三/备忘/velmo");
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
        QFile entry(autostart.entryPath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        entry.close();
        QVERIFY(text.startsWith(QLatin1String("[Desktop Entry]\n")));
        QVERIFY(autostart.IsAutoRun());
        // The path is compared exactly: another spelling is another file.
        QVERIFY(!Autostart(exe.left(exe.size() - 5) + QStringLiteral("Velmo"), folder).IsAutoRun());
        // A hidden or switched-off entry does not count.
        for (const char* off : {"X-GNOME-Autostart-enabled=false\n", "Hidden=true\n"}) {
            QVERIFY(autostart.SetAutoRun() && entry.open(QIODevice::Append | QIODevice::WriteOnly));
            entry.write(off);
            entry.close();
            QVERIFY2(!autostart.IsAutoRun(), off);
        }
        QVERIFY(autostart.RemoveAutoRun());
        QVERIFY(!QFile::exists(autostart.entryPath()));
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
        // An entry that is a folder cannot be replaced or removed.
        Autostart clash(QStringLiteral("/usr/bin/velmo"), temp.path());
        QVERIFY(QDir(temp.path()).mkpath(QStringLiteral("velmo.desktop/inside")));
        QVERIFY(!clash.SetAutoRun());
        QVERIFY(!clash.RemoveAutoRun());
    }
};

VELMO_TEST_MAIN(TestAutostart)
#include "TestAutostart.moc"
