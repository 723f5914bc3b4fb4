#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Autostart.h"

#include <QFile>

using namespace velmo;

namespace {

QString readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString execLine(const QString& entry)
{
    for (const QString& line : entry.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return QString();
}

} // namespace

class TestAutostart : public QObject
{
    Q_OBJECT

private slots:
    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QStringLiteral("/opt/velmo/bin/velmo")
                               << QStringLiteral("/opt/velmo/bin/velmo");
        QTest::newRow("blank") << QStringLiteral("/home/li si/velmo")
                               << QStringLiteral("\"/home/li si/velmo\"");
        // Inside quotes a quote, backquote, dollar and backslash get a backslash, and the value's own
        // escaping then doubles every backslash.
        QTest::newRow("quote") << QStringLiteral("/a\"b/velmo") << QStringLiteral("\"/a\\\\\"b/velmo\"");
        QTest::newRow("dollar") << QStringLiteral("/$HOME/velmo") << QStringLiteral("\"/\\\\$HOME/velmo\"");
        QTest::newRow("backslash") << QStringLiteral("/a\\b/velmo")
                                   << QStringLiteral("\"/a\\\\\\\\b/velmo\"");
        QTest::newRow("percent") << QStringLiteral("/100%/velmo") << QStringLiteral("/100%%/velmo");
        QTest::newRow("chinese") << QStringLiteral("/home/张三/备忘/velmo")
                                 << QStringLiteral("/home/张三/备忘/velmo");
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
                 (QStringList{QStringLiteral("velmo"), QStringLiteral("--hidden"), QStringLiteral("a b")}));
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
        const QString entry = readFile(autostart.entryPath());
        QVERIFY(entry.startsWith(QLatin1String("[Desktop Entry]\n")));
        QVERIFY(entry.contains(QLatin1String("\nType=Application\n")));
        QCOMPARE(Autostart::parseExecValue(execLine(entry)), QStringList{exe});
        QVERIFY(autostart.IsAutoRun());
        QVERIFY(autostart.SetAutoRun()); // replacing the entry is fine
        QVERIFY(autostart.IsAutoRun());

        // The path is compared exactly: another spelling is another file.
        QVERIFY(!Autostart(exe.toUpper().replace(QStringLiteral("/VELMO"), QStringLiteral("/velmo")), folder)
                     .IsAutoRun());
        QVERIFY(!Autostart(exe.left(exe.size() - 5) + QStringLiteral("Velmo"), folder).IsAutoRun());
        QVERIFY(!Autostart(temp.filePath(QStringLiteral("other/velmo")), folder).IsAutoRun());

        QVERIFY(autostart.RemoveAutoRun());
        QVERIFY(!QFile::exists(autostart.entryPath()));
        QVERIFY(!autostart.IsAutoRun());
        QVERIFY(autostart.RemoveAutoRun());
    }

    void disabledEntryDoesNotCount()
    {
        test::TempDataFolder temp;
        Autostart autostart(QStringLiteral("/usr/bin/velmo"), temp.path());
        QVERIFY(autostart.SetAutoRun());
        QFile file(autostart.entryPath());
        QVERIFY(file.open(QIODevice::Append));
        file.write("Hidden=true\n");
        file.close();
        QVERIFY(!autostart.IsAutoRun());
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
        QVERIFY(!clash.errorString().isEmpty());
    }

    void defaultEntryLivesInTheUsersAutostartFolder()
    {
        const Autostart autostart;
        QCOMPARE(autostart.entryPath(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/velmo.desktop"));
        QCOMPARE(autostart.executablePath(), QCoreApplication::applicationFilePath());
    }
};

VELMO_TEST_MAIN(TestAutostart)
#include "TestAutostart.moc"
