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

} // namespace

class TestUtilities : public QObject
{
    Q_OBJECT

private slots:
    void removeHtml_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("plain");
        const auto row = [](const char* name, const char* html, const char* plain) {
            QTest::newRow(name) << QString::fromUtf8(html) << QString::fromUtf8(plain);
        };
        row("blank and break", "a&nbsp;b<br>c<BR>d", "a b\r\nc\r\nd");
        row("nested tags", "<p>Hello <b>World</b>!</p>", "Hello World!");
        row("attributes", "<font face=\"宋体\" color=red size='3'>字</font><td nowrap>x</td>", "字x");
        row("unquoted link", "<a href=read.asp?id=142 target=_blank>notes</a>", "notes");
        row("tags in any case", "<P ALIGN=center>a</P><Br/>b<br />c", "abc");
        row("comment and declaration", "<!DOCTYPE html><!-- note -->a<?xml version=\"1.0\"?>", "a");
        row("style block on one line", "<style type=\"text/css\">p { color: red }</style>word", "word");
        row("script block", "x<SCRIPT>alert('<b>')</SCRIPT>y", "xy");
        row("style over lines keeps its text", "<style>\np { }\n</style>w", "\np { }\nw");
        row("comparison is text", "a<b and c>d", "a<b and c>d");
        row("numbers compared", "1 < 2 > 0, 3<4>2", "1 < 2 > 0, 3<4>2");
        row("tag over lines stays", "<p\nclass=x>a", "<p\nclass=x>a");
        row("other entities stay", "&lt;b&gt; &amp;", "&lt;b&gt; &amp;");
        row("plain text", "买菜 10:00", "买菜 10:00");
    }

    void removeHtml()
    {
        QFETCH(QString, html);
        QFETCH(QString, plain);
        QCOMPARE(RemoveHtml(html), plain);
    }

    void removeHtmlOfNothingIsEmpty()
    {
        QVERIFY(RemoveHtml(QVariant()).isEmpty());
        QVERIFY(RemoveHtml(QString()).isEmpty());
        QVERIFY(RemoveHtml(QStringLiteral("")).isEmpty());
        QCOMPARE(RemoveHtml(QVariant(QStringLiteral("<i>x</i>"))), QStringLiteral("x"));
    }

    void fileExists()
    {
        test::TempDataFolder folder;
        const QString dotted = folder.filePath(QStringLiteral("v1.2"));
        QVERIFY(QDir().mkpath(dotted));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("ok.wav"))));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("README"))));
        QVERIFY(writeFile(folder.filePath(QStringLiteral(".hidden"))));
        QVERIFY(writeFile(folder.filePath(QStringLiteral("v1.2/noext"))));
        const QString readOnly = folder.filePath(QStringLiteral("ro.txt"));
        QVERIFY(writeFile(readOnly));
        QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner));

        QVERIFY(FileExists(folder.filePath(QStringLiteral("ok.wav"))));
        QVERIFY(FileExists(folder.filePath(QStringLiteral(".hidden"))));
        QVERIFY(FileExists(readOnly));
        QVERIFY(FileExists(folder.filePath(QStringLiteral("v1.2/noext")))); // the dot is in the folder
        QVERIFY(!FileExists(folder.filePath(QStringLiteral("README"))));    // no dot anywhere
        QVERIFY(!FileExists(dotted));                                       // a folder
        QVERIFY(!FileExists(folder.filePath(QStringLiteral("gone.wav"))));
        QVERIFY(!FileExists(QString()));
    }

    void folderHasFiles()
    {
        test::TempDataFolder folder;
        const QString images = folder.filePath(QStringLiteral("images"));
        QVERIFY(!FolderHasFiles(images + QLatin1Char('/')));
        QVERIFY(QDir().mkpath(images + QStringLiteral("/sub")));
        QVERIFY(!FolderHasFiles(images + QLatin1Char('/'))); // a sub-folder is no file
        QVERIFY(writeFile(images + QStringLiteral("/.1.ico")));
        QVERIFY(FolderHasFiles(images + QLatin1Char('/')));
        QVERIFY(FolderHasFiles(images));
        QVERIFY(!FolderHasFiles(QString()));
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
        QCOMPARE(actionSoundPath(AssetFolder(QStringLiteral("/a")), ActionSound::Down),
                 QStringLiteral("/a/sound/down.wav"));
        QCOMPARE(actionSoundPath(AssetFolder(QStringLiteral("/a")), ActionSound::Error),
                 QStringLiteral("/a/sound/error.wav"));
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
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("schema.sql")});
    }
};

VELMO_TEST_MAIN(TestUtilities)
#include "TestUtilities.moc"
