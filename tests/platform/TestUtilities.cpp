#include "SoundRecorder.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/FileUtils.h"
#include "platform/Html.h"
#include "platform/Sounds.h"
#include "store/DataFiles.h"

#include <QDir>

using namespace velmo;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes = "x")
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestUtilities : public QObject
{
    Q_OBJECT

private slots:
    void removeHtml_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("plain");
        QTest::newRow("blank and break") << "a&nbsp;b<br>c<BR>d"
                                         << "a b\r\nc\r\nd";
        QTest::newRow("nested tags") << "<p>Hello <b>World</b>!</p>"
                                     << "Hello World!";
        QTest::newRow("attributes") << "<font face=\"宋体\" color=red size='3'>字</font><td nowrap>x</td>"
                                    << "字x";
        QTest::newRow("unquoted link") << "<a href=read.asp?id=142 target=_blank>notes</a>"
                                       << "notes";
        QTest::newRow("tags in any case") << "<P ALIGN=center>a</P><Br/>b<br />c"
                                          << "abc";
        QTest::newRow("comment and declaration") << "<!DOCTYPE html><!-- note -->a<?xml version=\"1.0\"?>"
                                                 << "a";
        QTest::newRow("style block on one line") << "<style type=\"text/css\">p { color: red }</style>word"
                                                 << "word";
        QTest::newRow("script block") << "x<SCRIPT>alert('<b>')</SCRIPT>y"
                                      << "xy";
        QTest::newRow("style over lines keeps its text") << "<style>\np { }\n</style>w"
                                                         << "\np { }\nw";
        QTest::newRow("comparison is text") << "a<b and c>d"
                                            << "a<b and c>d";
        QTest::newRow("numbers compared") << "1 < 2 > 0, 3<4>2"
                                          << "1 < 2 > 0, 3<4>2";
        QTest::newRow("tag over lines stays") << "<p\nclass=x>a"
                                              << "<p\nclass=x>a";
        QTest::newRow("other entities stay") << "&lt;b&gt; &amp;"
                                             << "&lt;b&gt; &amp;";
        QTest::newRow("plain text") << "买菜 10:00"
                                    << "买菜 10:00";
        QTest::newRow("empty") << ""
                               << "";
    }

    void removeHtml()
    {
        QFETCH(QString, html);
        QTEST(RemoveHtml(html), "plain");
        QTEST(RemoveHtml(QVariant(html)), "plain");
        QVERIFY(RemoveHtml(QVariant()).isEmpty());
    }

    void filesAndFolders()
    {
        test::TempDataFolder folder;
        const QString dotted = folder.filePath(QStringLiteral("v1.2"));
        QVERIFY(QDir().mkpath(dotted));
        for (const char* name : {"ok.wav", "README", ".hidden", "v1.2/noext", "ro.txt"})
            QVERIFY(writeFile(folder.filePath(QLatin1String(name))));
        QVERIFY(QFile::setPermissions(folder.filePath(QStringLiteral("ro.txt")), QFile::ReadOwner));
        // A file counts when its path has a dot anywhere.
        for (const char* name : {"ok.wav", ".hidden", "ro.txt", "v1.2/noext"})
            QVERIFY2(FileExists(folder.filePath(QLatin1String(name))), name);
        for (const char* name : {"README", "v1.2", "gone.wav"})
            QVERIFY2(!FileExists(folder.filePath(QLatin1String(name))), name);
        QVERIFY(!FileExists(QString()));

        const QString images = folder.filePath(QStringLiteral("images"));
        QVERIFY(!FolderHasFiles(images + QLatin1Char('/')));
        QVERIFY(QDir().mkpath(images + QStringLiteral("/sub")));
        QVERIFY(!FolderHasFiles(images + QLatin1Char('/'))); // a sub-folder is no file
        QVERIFY(writeFile(images + QStringLiteral("/.1.ico")));
        QVERIFY(FolderHasFiles(images + QLatin1Char('/')));
        QVERIFY(FolderHasFiles(images));
        QVERIFY(!FolderHasFiles(QString()));
    }

    void dataFolderIsCreatedForItsOwnerOnly()
    {
        test::TempDataFolder temp;
        const DataFolder folder(temp.filePath(QStringLiteral("nested/velmo")));
        QVERIFY(folder.ensureExists());
        QVERIFY(QFileInfo(folder.path()).isDir());
        QCOMPARE(QFileInfo(folder.path()).permissions() &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        // The test main points XDG_DATA_HOME into a temporary home; nothing may reach the real one.
        QVERIFY(DataFolder().path().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    }

    void playWavPlaysOnlyExistingFiles()
    {
        test::TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("sound"))));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("sound/ok.wav"))));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("sound/del.wav"))));
        test::SoundRecorder recorder;
        ActionSounds sounds(recorder, AssetFolder(folder.path()));
        sounds.play(ActionSound::Ok);
        sounds.play(ActionSound::Error); // not there: silence
        sounds.play(ActionSound::Delete);
        PlayWav(recorder, folder.filePath(QStringLiteral("sound/down.wav")));
        QCOMPARE(recorder.played, QStringList({folder.filePath(QStringLiteral("sound/ok.wav")),
                                               folder.filePath(QStringLiteral("sound/del.wav"))}));
        QCOMPARE(actionSoundPath(AssetFolder(QStringLiteral("/a")), ActionSound::Down), "/a/sound/down.wav");
    }

    void saveResFileWritesNewFilesOnly()
    {
        test::TempDataFolder folder;
        const QString resource = QStringLiteral(":/store/schema.sql");
        const QString target = folder.filePath(QStringLiteral("schema.sql"));
        const StoreResult saved = SaveResFile(resource, target);
        QVERIFY2(saved.ok, qPrintable(saved.error));
        QFile written(target);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), databaseSchema().toUtf8());
        written.close();
        QCOMPARE(QFileInfo(target).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        // Never over an existing file, never from a missing resource, never into a missing folder;
        // and no half-written file or leftover in any of these cases.
        QVERIFY(writeFile(target, "mine"));
        QVERIFY(!SaveResFile(resource, target).ok);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("mine"));
        QVERIFY(
            !SaveResFile(QStringLiteral(":/store/no-such-resource"), folder.filePath(QStringLiteral("a.bin")))
                 .ok);
        QVERIFY(!SaveResFile(resource, folder.filePath(QStringLiteral("missing/a.bin"))).ok);
        QCOMPARE(entries(folder.path()), QStringList{QStringLiteral("schema.sql")});
    }
};

VELMO_TEST_MAIN(TestUtilities)
#include "TestUtilities.moc"
