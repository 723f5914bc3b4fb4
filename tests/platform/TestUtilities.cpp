#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Autostart.h"
#include "platform/DiskInfo.h"
#include "platform/FileUtils.h"
#include "platform/Gbk.h"
#include "platform/Html.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/UrlEncoders.h"
#include "store/DataFiles.h"
#include "velmo-service/StandInRequest.h"

#include <QDir>
#include <QFile>

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

// An IDENTIFY block as the drive delivers it: each string blank-padded to its field and stored
// with the bytes of every pair exchanged.
QByteArray identifyBlock(const QByteArray& model, const QByteArray& serial, const QByteArray& firmware)
{
    QByteArray block(512, '\x5A');
    const auto put = [&block](int word, int words, QByteArray text) {
        text = text.leftJustified(words * 2, ' ', true);
        for (int i = 0; i < text.size(); i += 2) {
            block[word * 2 + i] = text.at(i + 1);
            block[word * 2 + i + 1] = text.at(i);
        }
    };
    put(10, 10, serial);
    put(23, 4, firmware);
    put(27, 20, model);
    return block;
}

// Fake block folder, udev database and device folder: path relative to the root, then content
// ("hex:" content is binary).
const char* const kTree[][2] = {
    {"block/loop0/device/model", "LOOP"},
    {"block/sdc/removable", "1\n"},
    {"block/sdc/device/model", "STICK"},
    {"block/nvme0n1/removable", "0\n"},
    {"block/nvme0n1/device/model", "NVME MODEL  \n"},
    {"block/nvme0n1/device/serial", "  NV-1\n"},
    {"block/sda/dev", "8:0\n"},
    {"block/sda/device/model", "SYSFS MODEL\n"},
    {"udev/b8:0", "S:disk/by-id/x\nE:ID_MODEL=UDEV_A\nE:ID_SERIAL_SHORT=UDEV-A\n"},
    {"block/sdb/dev", "8:16\n"},
    {"block/sdb/device/vpd_pg80", "hex:00800005 56504453 4e5858"},
    {"udev/b8:16", "E:ID_MODEL=UDEV_B\nE:ID_SERIAL_SHORT=UDEV-B\n"},
    {"dev/sda", "not a block device"},
    {"block/sr0/device/model", "DVD"},
    {"block/sdd/hidden", "1\n"},
    {"block/sdd/device/model", "HIDDEN"},
    {"block/vda/device/model", "MODEL ONLY"},
    {"block/vdb/device/model", "FIFTH"},
};

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

    // The text encoders, digests and the request signature.
    void digests_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes"); // what is digested
        QTest::addColumn<QString>("md5");      // MD5_16, worked out independently; empty: not checked
        QTest::newRow("empty") << "" << QByteArray() << "8f00b204e9800998";
        QTest::newRow("demo password") << "velmo123" << QByteArray("velmo123") << "b17f74250bf96634";
        // Chinese text goes in as its GBK bytes, not as UTF-8.
        QTest::newRow("zhong") << "中" << QByteArray("\xD6\xD0") << "e5ffca1823a5cef6";
        // Without a double-byte code a character goes in as its UTF-16 low byte.
        QTest::newRow("euro") << "€" << QByteArray("\xAC") << "";
        QTest::newRow("emoji") << "😀" << QByteArray("\x3D\x00", 2) << "";
    }

    void digests()
    {
        QFETCH(QString, text);
        QFETCH(QString, md5);
        QTEST(digestBytes(text), "bytes");
        if (!md5.isEmpty())
            QCOMPARE(MD5_16(text), md5);
    }

    void timestampSignatureAndProof()
    {
        QCOMPARE(MD5(u"abc", 32), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
        // Any length other than 32 gives the 16-character cut.
        QCOMPARE(MD5(u"abc", 31), QStringLiteral("3cd24fb0d6963f7d"));
        QCOMPARE(NowNumberText(QDateTime(QDate(2012, 5, 21), QTime(9, 7, 5))), QStringLiteral("2012521975"));
        QCOMPARE(GetNowNumber(), QStringLiteral("20261261000"));
        // Values worked out independently of this code: the salt follows the text directly.
        QCOMPARE(RequestSignature(QStringLiteral("2012521975")), QStringLiteral("90b77532de1749a7"));
        QCOMPARE(ServerProof(QStringLiteral("b17f74250bf96634")), QStringLiteral("190f51ba534e120f"));
        QVERIFY(isServerProof(QStringLiteral("190f51ba534e120f"), QStringLiteral("b17f74250bf96634")));
        QVERIFY(!isServerProof(QStringLiteral("190F51BA534E120F"), QStringLiteral("b17f74250bf96634")));
    }

    void signedTimestampReadsTheClockOnce()
    {
        test::fixedClock().setNow(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)));
        test::fixedClock().stepOnEachRead(1);
        const SignedTimestamp stamp = SignedTimestamp::now();
        test::fixedClock().stepOnEachRead(0);
        test::fixedClock().setNow(test::defaultTestMoment());
        QCOMPARE(stamp.nowtime, QStringLiteral("2026126235959"));
        QCOMPARE(stamp.md5, RequestSignature(QStringLiteral("2026126235959")));
    }

    void encoders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("post");
        const auto row = [](const char* name, const char* text, const char* url, const char* post) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(url)
                                << QString::fromUtf8(post);
        };
        row("blank, dash, chinese", "a b-中", "a%20b%2D%D6%D0", "a b-%D6%D0");
        row("punctuation", ".-_&=+%?", "%2E%2D%5F%26%3D%2B%25%3F", ".-_%26=%2B%25?");
        // Two hex digits always, also below 0x10.
        row("control characters", "ab\ncd\t\r", "ab%0Acd%09%0D", "ab<BR>cd\t\r");
        // Characters outside GBK become an encoded question mark.
        row("emoji", "a😀b", "a%3Fb", "a%3Fb");
        row("form", "a=1&b=中文\n", "a%3D1%26b%3D%D6%D0%CE%C4%0A", "a=1%26b=%D6%D0%CE%C4<BR>");
        // The escapes the encoder writes itself are not encoded again.
        row("percent and plus", "x y+z%中%", "x%20y%2Bz%25%D6%D0%25", "x y%2Bz%25%D6%D0%25");
    }

    void encoders()
    {
        QFETCH(QString, text);
        QTEST(URLEncode(text), "url");
        QTEST(EncodePostData(text), "post");
    }

    void serviceReadsBackWhatTheEncodersWrite()
    {
        // The service reads "+" as a blank and escapes as GBK bytes, as a form decoder does.
        const QString text = QStringLiteral("1+1=2 & 100% 中文 é€ a-b_c.d?");
        QCOMPARE(standin::decodeFormValue(URLEncode(text).toLatin1()), text);
        QCOMPARE(standin::decodeFormValue(EncodePostData(text).toLatin1()), text);
    }

    // The autostart entry.
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

    // Disk identities from a fake block folder, udev database and drive.
    void ataStrings_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("swapped");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("cut at zero") << QByteArray("BA\0\0DC", 6) << 6 << true << QByteArray("AB");
        QTest::newRow("blank before zero") << QByteArray("A \0B", 4) << 4 << false << QByteArray("A");
        // The byte after an odd field belongs to the next field and is left alone.
        QTest::newRow("odd count") << QByteArray("BADCEX") << 5 << true << QByteArray("ABCDE");
    }

    void ataStrings()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(int, length);
        QFETCH(bool, swapped);
        QFETCH(QByteArray, expected);
        const auto order = swapped ? AtaByteOrder::AsDelivered : AtaByteOrder::ReadingOrder;
        QCOMPARE(ataString(QByteArrayView(buffer).first(length), order), expected);
    }

    void identifyBlocks()
    {
        const QByteArray block = identifyBlock("WDC WD10EZEX-08WN4A0", "WD-WCC6Y0AB12CD", "01.01A01");
        const DiskIdentity identity = decodeIdentify(block, AtaByteOrder::AsDelivered);
        QCOMPARE(identity.model, QStringLiteral("WDC WD10EZEX-08WN4A0"));
        QCOMPARE(identity.serial, QStringLiteral("WD-WCC6Y0AB12CD"));
        QCOMPARE(identity.firmware, QStringLiteral("01.01A01"));
        QCOMPARE(decodeIdentify(block.first(93), AtaByteOrder::AsDelivered).model, QString());
    }

    void fakeTree()
    {
        test::TempDataFolder root;
        for (const auto& entry : kTree) {
            const QString path = root.filePath(QLatin1String(entry[0]));
            QByteArray content(entry[1]);
            if (content.startsWith("hex:"))
                content = QByteArray::fromHex(content.mid(4).replace(' ', ""));
            QFile file(path);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content), content.size());
        }
        const DiskInfoPaths paths{root.filePath(QStringLiteral("block")),
                                  root.filePath(QStringLiteral("udev")),
                                  root.filePath(QStringLiteral("dev"))};
        QCOMPARE(fixedDisks(paths), (QStringList{"nvme0n1", "sda", "sdb", "vda", "vdb"}));
        QCOMPARE(GetDiskInfo(0, 1, paths), QStringLiteral("NVME MODEL"));
        QCOMPARE(GetDiskInfo(0, 2, paths), QStringLiteral("NV-1"));
        QCOMPARE(GetDiskInfo(1, 3, paths), QStringLiteral("SYSFS MODEL,UDEV-A")); // sysfs before udev
        QCOMPARE(GetDiskInfo(2, 0, paths), QStringLiteral("UDEV_B,VPDSN"));       // the page's own length
        QCOMPARE(GetDiskInfo(3, 3, paths), QStringLiteral("MODEL ONLY,"));
        QCOMPARE(GetDiskInfo(3, 2, paths), QString());
        // Drives 0 to 3 are asked for, never a fifth.
        QCOMPARE(GetDiskInfo(4, 1, paths), QString());
    }
};

VELMO_TEST_MAIN(TestUtilities)
#include "TestUtilities.moc"
