#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/FileUtils.h"
#include "platform/Html.h"
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
        const auto row = [](const char* html, const char* plain) {
            QTest::newRow(html) << QString::fromUtf8(html) << QString::fromUtf8(plain);
        };
        row("a&nbsp;b<br>c<BR>d", "a b\r\nc\r\nd");
        row("<font face=\"宋体\" color=red size='3'>字</font><a href=r.asp?id=1 target=_blank>x</a>", "字x");
        row("<P ALIGN=center>a</P><Br/>b<br />c<!-- n --><?xml v?>", "abc");
        row("x<SCRIPT>alert('<b>')</SCRIPT>y<style>p{}</style>", "xy");
        row("<style>\np { }\n</style>w", "\np { }\nw");
        row("<style>a</style>keep<style>b</style><script>c</script>this<script>d</script>", "keepthis");
        row("<table border><tr><td nowrap>1</td></tr></table><iframe allowfullscreen></iframe>", "1");
        row("<span aria-hidden data-id=\"7\">s</span><o:p></o:p><my-tag x=1>t</my-tag>", "st");
        // Text in angle brackets that is no tag stays.
        row("a<b and c>d 3<4>2 <i think so> <bold>x</bold>", "a<b and c>d 3<4>2 <i think so> <bold>x</bold>");
        row("<p\nclass=x>a &lt;b&gt;", "<p\nclass=x>a &lt;b&gt;");
    }

    void removeHtml()
    {
        QFETCH(QString, html);
        QTEST(RemoveHtml(QVariant(html)), "plain");
    }

    void filesAndFolders()
    {
        test::TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("v1.2"))));
        for (const char* name : {"ok.wav", "README", "v1.2/noext"})
            QVERIFY(writeFile(folder.filePath(QLatin1String(name))));
        // A file counts when its path has a dot anywhere.
        for (const char* name : {"ok.wav", "v1.2/noext"})
            QVERIFY2(FileExists(folder.filePath(QLatin1String(name))), name);
        for (const char* name : {"README", "v1.2"})
            QVERIFY2(!FileExists(folder.filePath(QLatin1String(name))), name);

        const QString images = folder.filePath(QStringLiteral("images/"));
        QVERIFY(QDir().mkpath(images + QStringLiteral("sub")));
        QVERIFY(!FolderHasFiles(images)); // a sub-folder is no file
        QVERIFY(writeFile(images + QStringLiteral(".1.ico")));
        QVERIFY(FolderHasFiles(images));
    }

    void dataFolderIsCreatedForItsOwnerOnly()
    {
        test::TempDataFolder temp;
        const DataFolder folder(temp.filePath(QStringLiteral("nested/velmo")));
        QVERIFY(folder.ensureExists());
        QCOMPARE(QFileInfo(folder.path()).permissions() & (QFile::ReadGroup | QFile::WriteOther),
                 QFile::Permissions());
    }

    void saveResFileWritesNewFilesOnly()
    {
        test::TempDataFolder folder;
        const QString resource = QStringLiteral(":/store/schema.sql");
        const QString target = folder.filePath(QStringLiteral("schema.sql"));
        QVERIFY(writeFile(target, "mine"));
        QVERIFY(!SaveResFile(resource, target).ok); // never over an existing file
        QVERIFY(!SaveResFile(resource, folder.filePath(QStringLiteral("missing/a.bin"))).ok);
        QCOMPARE(entries(folder.path()), QStringList{QStringLiteral("schema.sql")});
        QFile written(target);
        QVERIFY(written.open(QIODevice::ReadOnly) && written.readAll() == "mine");
    }
};

VELMO_TEST_MAIN(TestUtilities)
#include "TestUtilities.moc"
