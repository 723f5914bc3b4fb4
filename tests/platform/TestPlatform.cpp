#include "ServiceFixture.h"
#include "SilentMedia.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/Autostart.h"
#include "platform/DiskInfo.h"
#include "platform/FileUtils.h"
#include "platform/Gbk.h"
#include "platform/Html.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "platform/SingleInstance.h"
#include "platform/TuneCodes.h"
#include "platform/TunePlayer.h"
#include "platform/UrlEncoders.h"
#include "store/DataFiles.h"
#include "velmo-service/CommandLine.h"
#include "velmo-service/StandInRequest.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmo;
using standin::Fault;

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
// clang-format off
const char* const kTree[][2] = {
    {"block/loop0/device/model", "LOOP"},
    {"block/sdc/removable", "1\n"}, {"block/sdc/device/model", "STICK"},
    {"block/nvme0n1/removable", "0\n"}, {"block/nvme0n1/device/model", "NVME MODEL  \n"}, {"block/nvme0n1/device/serial", "  NV-1\n"},
    {"block/sda/dev", "8:0\n"}, {"block/sda/device/model", "SYSFS MODEL\n"}, {"dev/sda", "not a block device"},
    {"udev/b8:0", "S:disk/by-id/x\nE:ID_MODEL=UDEV_A\nE:ID_SERIAL_SHORT=UDEV-A\n"},
    {"block/sdb/dev", "8:16\n"}, {"block/sdb/device/vpd_pg80", "hex:00800005 56504453 4e5858"},
    {"udev/b8:16", "E:ID_MODEL=UDEV_B\nE:ID_SERIAL_SHORT=UDEV-B\n"},
    {"block/sr0/device/model", "DVD"}, {"block/sdd/hidden", "1\n"}, {"block/sdd/device/model", "HIDDEN"},
    {"block/vda/device/model", "MODEL ONLY"}, {"block/vdb/device/model", "FIFTH"},
};
// clang-format on

constexpr int kLoadTimeoutMs = 15000;

// Starts a first copy in another process; null unless it claimed the instance.
std::unique_ptr<QProcess> startFirstCopy()
{
    auto probe = std::make_unique<QProcess>();
    probe->start(QStringLiteral(VELMO_INSTANCE_PROBE));
    const bool claimed = QTest::qWaitFor([&probe] { return probe->canReadLine(); }, 10000) &&
                         probe->readLine().trimmed() == "claimed";
    return claimed ? std::move(probe) : nullptr;
}

const QString key = QStringLiteral("safety");

// A channel and the replies to what was sent on it, in order.
struct Channel
{
    ServiceChannel channel;
    QList<ServiceReply> replies;

    ServiceRequest* track(ServiceRequest* request)
    {
        if (request)
            QObject::connect(request, &ServiceRequest::finished,
                             [this](const ServiceReply& r) { replies << r; });
        return request;
    }
    // The reply to a GET; an empty one when none came.
    ServiceReply get(const QUrl& url)
    {
        const bool came =
            track(channel.openUrl(url)) && QTest::qWaitFor([this] { return !replies.isEmpty(); }, 10000);
        return came ? replies.takeFirst() : ServiceReply();
    }
};

// Answers every request on 127.0.0.1 with the same bytes and leaves the connection open (unless
// `closes`), so a client only ends early when it gives up on its own.
class CannedServer : public QTcpServer
{
public:
    explicit CannedServer(QByteArray response, bool closes = false)
        : m_response(std::move(response))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, closes] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, closes] {
                    socket->readAll();
                    socket->write(m_response);
                    if (closes)
                        socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/Api/login.asp").arg(serverPort())); }

private:
    QByteArray m_response;
};

// Writes raw bytes to the stand-in and collects everything it answers until it closes the connection;
// an empty text with closed false when it is still open after a few seconds.
QByteArray exchange(quint16 port, const QByteArray& request, bool& closed)
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { answer += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    closed = QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    return answer + socket.readAll();
}

QByteArray readAsset(const QString& relativePath)
{
    QFile file(test::buildAssetFolder().filePath(QStringLiteral("sound/") + relativePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 le32(const QByteArray& data, qsizetype at, bool bigEndian = false)
{
    return bigEndian ? qFromBigEndian<quint32>(data.constData() + at)
                     : qFromLittleEndian<quint32>(data.constData() + at);
}

// The built-in tunes, under the names the editors list and the player opens.
const QStringList TuneNames = {
    "天空之城.mid", "致爱丽丝.mid",   "赛马.mid",    "sound of silence.mid", "婚礼进行曲.mid", "魂斗罗.mid",
    "骑士精神.mid", "生日快乐.mid",   "遇见.mid",    "动感超人.mp3",         "CHAMPION.mp3",   "传奇.mp3",
    "交警铃声.mp3", "可爱短信音.mp3", "铃声007.mp3", "诺基亚.mp3",           "死了都要爱.mp3"};

// Notes of a standard MIDI file whose chunks fill it exactly and whose tracks end with their
// end-of-track event; -1 when it is not that.
int midiNotes(const QByteArray& data)
{
    if (!data.startsWith("MThd") || data.size() < 14 || le32(data, 4, true) != 6)
        return -1;
    int notes = 0;
    for (qsizetype at = 14, end = 0; at < data.size(); at = end) {
        end = at + 8 > data.size() || data.mid(at, 4) != "MTrk" ? -1 : at + 8 + le32(data, at + 4, true);
        if (end < 0 || end > data.size() || data.mid(end - 3, 3) != QByteArray("\xFF\x2F\x00", 3))
            return -1;
        for (qsizetype i = at + 8; i + 2 < end; ++i)
            notes += (quint8(data[i]) & 0xF0) == 0x90 && quint8(data[i + 2]) > 0;
    }
    return notes;
}

} // namespace

// The platform layer: text and file utilities, encoders, autostart, disk identities, the tune player,
// the single instance, the service address and channel, and the stand-in's own limits.
class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { test::useSilentMediaSink(); }

    void removeHtml_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("plain");
        const auto row = [](const char* html, const char* plain) { QTest::newRow(html) << html << plain; };
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
    }

    // The sign-in reply as the sign-in, the mail check and the synchronisation's list read it; %1 is the
    // proof of the digest b17f74250bf96634, %2 the proof of an empty digest.
    void signInReply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hash");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("mailbox");
        using Kind = SignInReply::Kind;
        const auto row = [](const char* name, const char* text, Kind kind, bool mailbox = false,
                            const char* hash = "b17f74250bf96634") {
            QTest::newRow(name)
                << QString::fromLatin1(text).replace("%1", "190f51ba534e120f").replace("%2", ServerProof({}))
                << QString::fromLatin1(hash) << int(kind) << mailbox;
        };
        row("mailbox 1", "ok|1|%1", Kind::Accepted, true);
        row("blanks and line end", "ok| 1 | %1 \r\n", Kind::Accepted, true);
        row("mailbox 1.0", "ok|1.0|%1", Kind::Accepted, true);
        row("mailbox 2", "ok|2|%1", Kind::Accepted, false);
        row("mailbox not a number", "ok|yes|%1", Kind::Accepted, false);
        row("more fields behind", "ok|1|%1|2026-12-6 10:00:00|3:1|x", Kind::Accepted, true);
        row("refused", "error", Kind::Refused);
        row("capital Error", "Error", Kind::Failed);
        row("capital OK", "OK|1|%1", Kind::Failed);
        row("blank first", " ok|1|%1", Kind::Failed);
        row("empty", "", Kind::Failed);
        row("signerror", "signerror", Kind::Failed);
        row("wrong proof", "ok|1|0123456789abcdef", Kind::Unproven);
        row("upper-case proof", "ok|1|190F51BA534E120F", Kind::Unproven);
        row("proof in field 1", "ok|%1", Kind::Unproven);
        row("ok alone", "ok", Kind::Unproven);
        row("no digest sent", "ok|1|%2", Kind::Unproven, false, "");
    }

    void signInReply()
    {
        QFETCH(QString, text);
        QFETCH(QString, hash);
        const SignInReply reply = parseSignInReply(text, hash);
        QTEST(int(reply.kind), "kind");
        QTEST(reply.mailbox, "mailbox");
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
            QTest::newRow(name) << text << url << post;
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
        for (const QString& text : {QStringLiteral("1+1=2 & 100% 中文 é€ a-b_c.d?"),
                                    QStringLiteral("a") + QChar(0) + QStringLiteral("b")}) {
            QCOMPARE(standin::decodeFormValue(URLEncode(text).toLatin1()), text);
            QCOMPARE(standin::decodeFormValue(EncodePostData(text).toLatin1()), text);
        }
    }

    // Texts of ASCII alone take a shorter road than the others; both give what a converter of its own
    // gives, and no text leaves anything behind for the next.
    void gbkAsAConverterGivesIt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("null") << QString() << QByteArray();
        QTest::newRow("empty") << QStringLiteral("") << QByteArray("");
        QTest::newRow("ascii") << "ok|1|3:2:a0b1c2d3:5f2e9c01|0" << QByteArray("ok|1|3:2:d:a0b1|0");
        QTest::newRow("control characters") << QStringLiteral("a") + QChar(0) + QStringLiteral("\t\r\n\x7f")
                                            << QByteArray("a\0\t\r\n\x7f", 6);
        QTest::newRow("chinese and ascii") << "备忘 12|" << QByteArray("\xB1\xB8\xCD\xFC 12|");
        QTest::newRow("just above ascii")
            << QStringLiteral("\u0080\u00e9\u00ff") << QByteArray("\x80\xA8\xA6\xFF");
        QTest::newRow("the first byte above ascii") << QStringLiteral("\u0080") << QByteArray("\x80");
        QTest::newRow("invalid bytes") << "a"
                                       << QByteArray("a\xFF\xFE"
                                                     "b\x81");
        QTest::newRow("a lead byte last") << "中" << QByteArray("ab\xD6");
    }

    void gbkAsAConverterGivesIt()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        // A lead byte without its trail, then a character: nothing of either may reach the text after.
        fromGbk("\xD6");
        toGbk(u"中");
        QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
        QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
        const QByteArray encoded = encoder.encode(text);
        const QString decoded = decoder.decode(bytes);
        QCOMPARE(toGbk(text), encoded);
        QCOMPARE(toGbk(text).isNull(), encoded.isNull());
        QCOMPARE(fromGbk(bytes), decoded);
        QCOMPARE(fromGbk(bytes).isNull(), decoded.isNull());
    }

    // The autostart entry.
    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        const auto row = [](const char* name, const char* path, const char* exec) {
            QTest::newRow(name) << path << exec;
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
        QCOMPARE(Autostart::parseExecValue("velmo --hidden \"a b\""),
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
        QVERIFY(entry.open(QIODevice::ReadOnly) && entry.readAll().startsWith("[Desktop Entry]\n"));
        entry.close();
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
        QVERIFY(writeFile(blocker));
        Autostart blocked(QStringLiteral("/usr/bin/velmo"), blocker);
        QVERIFY(!blocked.SetAutoRun());
        QVERIFY(blocked.errorString().contains(QStringLiteral("无法创建文件夹")));
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
        const auto order = swapped ? AtaByteOrder::AsDelivered : AtaByteOrder::ReadingOrder;
        QTEST(ataString(QByteArrayView(buffer).first(length), order), "expected");
    }

    void identifyBlocks()
    {
        const QByteArray block = identifyBlock("WDC WD10EZEX-08WN4A0", "WD-WCC6Y0AB12CD", "01.01A01");
        const DiskIdentity identity = decodeIdentify(block, AtaByteOrder::AsDelivered);
        QCOMPARE(QStringList({identity.model, identity.serial, identity.firmware}),
                 QStringList({"WDC WD10EZEX-08WN4A0", "WD-WCC6Y0AB12CD", "01.01A01"}));
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
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && writeFile(path, content));
        }
        const DiskInfoPaths paths{root.filePath("block"), root.filePath("udev"), root.filePath("dev")};
        QCOMPARE(fixedDisks(paths), (QStringList{"nvme0n1", "sda", "sdb", "vda", "vdb"}));
        QCOMPARE(GetDiskInfo(0, 1, paths), "NVME MODEL");
        QCOMPARE(GetDiskInfo(0, 2, paths), "NV-1");
        QCOMPARE(GetDiskInfo(1, 3, paths), "SYSFS MODEL,UDEV-A"); // sysfs before udev
        QCOMPARE(GetDiskInfo(2, 0, paths), "UDEV_B,VPDSN");       // the page's own length
        QCOMPARE(GetDiskInfo(3, 3, paths), "MODEL ONLY,");
        QCOMPARE(GetDiskInfo(3, 2, paths), QString());
        // Drives 0 to 3 are asked for, never a fifth.
        QCOMPARE(GetDiskInfo(4, 1, paths), QString());
    }

    // The tune player: the built-in tunes, files it cannot play, and the end of a tune.

    void builtInTunesDecode_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("midi") << QStringLiteral("天空之城.mid");
        QTest::newRow("mp3") << QStringLiteral("死了都要爱.mp3");
    }

    // The player's own media backend opens a built-in tune and finds a length.
    void builtInTunesDecode()
    {
        QFETCH(QString, fileName);
        clsMusic player(nullptr, clsMusic::Output::AnySink);
        player.setFileName(builtInTunePath(test::buildAssetFolder(), fileName));
        QTRY_VERIFY_WITH_TIMEOUT(player.loadState() == clsMusic::Load::Ready && player.Duration() > 0,
                                 kLoadTimeoutMs);
    }

    void unplayableFileLeavesSilentPlayer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QStringLiteral("none.mp3") << QByteArray();
        QTest::newRow("text as mp3") << QStringLiteral("text.mp3") << QByteArray("not a tune at all\n");
        // a track that claims more bytes than the file holds
        static const char cut[] = "MThd\0\0\0\6\0\1\0\1\0\x60MTrk\0\0\xff\xff\x90\x3c";
        QTest::newRow("cut midi") << QStringLiteral("cut.mid") << QByteArray(cut, sizeof cut - 1);
    }

    void unplayableFileLeavesSilentPlayer()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        test::TempDataFolder temp;
        QVERIFY(content.isEmpty() || writeFile(temp.filePath(name), content));
        clsMusic player(nullptr, clsMusic::Output::AnySink);
        QSignalSpy finished(&player, &clsMusic::finished);
        player.setFileName(temp.filePath(name));
        QTRY_COMPARE_WITH_TIMEOUT(player.loadState(), clsMusic::Load::Failed, kLoadTimeoutMs);
        player.Play();
        QCOMPARE(player.State(), clsMusic::Stopped);
        QCOMPARE(finished.count(), 0);
    }

    // The reminder loop's way round: at the end the position equals the length, and rewinding
    // and Play start it again.
    void finishedAtTheEndAndPlaysAgain()
    {
        clsMusic player(nullptr, clsMusic::Output::AnySink);
        QSignalSpy finished(&player, &clsMusic::finished);
        player.setFileName(test::buildAssetFolder().filePath(QStringLiteral("sound/ok.wav")));
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kLoadTimeoutMs);
        QVERIFY(player.isAtEnd());
        QCOMPARE(player.Position(), player.Duration());

        player.setPosition(0);
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, kLoadTimeoutMs);
    }

    // Single instance: a later copy hands its command to the running one, never through files another user
    // prepared.
    void laterCopiesHandTheirCommandToTheRunningOne()
    {
        auto first = startFirstCopy();
        QVERIFY(first);
        // This process is a later copy; it sends without blocking its event loop.
        SingleInstance here;
        QVERIFY(!here.claim());
        QSignalSpy finished(&here, &SingleInstance::finished);
        here.sendToRunningCopy(QStringLiteral("other"));
        QVERIFY(finished.isEmpty());
        QVERIFY(finished.wait(5000));
        QVERIFY(QTest::qWaitFor([&first] { return first->canReadLine(); }, 5000));
        QCOMPARE(first->readLine().trimmed(), QByteArray("command:other"));

        // A crashed first copy leaves its lock and socket behind; they never block the next start.
        first->kill(); // SIGKILL: no clean-up
        QVERIFY(first->waitForFinished(5000));
        QVERIFY(QFile::exists(here.lockFilePath()) && QFile::exists(here.socketPath()));
        QVERIFY(here.claim());
        QSignalSpy received(&here, &SingleInstance::commandReceived);
        SingleInstance later;
        QVERIFY(!later.claim());
        later.sendToRunningCopy(QStringLiteral("show"));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.first().first().toString(), QStringLiteral("show"));
    }

    // Another local user may prepare files in the shared temporary folder, or leave a lock file this
    // user cannot take over. Every case holds for root as well.
    void cleanup()
    {
        qputenv("XDG_RUNTIME_DIR", qgetenv("HOME") + "/runtime");
        qunsetenv("TMPDIR");
    }

    void foreignFallbackFolderIsNotUsed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("writable by all") << "open";
        QTest::newRow("link to another folder") << "link";
        QTest::newRow("a file") << "file";
        QTest::newRow("another owner") << "owner";
    }

    void foreignFallbackFolderIsNotUsed()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("owner") && ::getuid() != 0)
            QSKIP("only root can give a folder to another user");
        // Without a runtime folder, and with the shared one of the toolkit taken by a file, the
        // fallback in the temporary folder is next in line.
        QTemporaryDir shared;
        QVERIFY(shared.isValid());
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(shared.path()));
        const passwd* user = ::getpwuid(::getuid());
        QVERIFY(writeFile(shared.filePath(QStringLiteral("runtime-") + (user ? user->pw_name : ""))));

        // The hostile user's folder.
        const QString folder = shared.filePath(QStringLiteral("velmo-runtime-%1").arg(::getuid()));
        const QByteArray name = QFile::encodeName(folder);
        if (kind == QLatin1String("file")) {
            QVERIFY(writeFile(folder));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(QDir().mkpath(shared.filePath(QStringLiteral("elsewhere"))));
            QVERIFY(QFile::link(shared.filePath(QStringLiteral("elsewhere")), folder));
        } else {
            QVERIFY(QDir().mkpath(folder) && ::chmod(name.constData(), 0777) == 0);
            if (kind == QLatin1String("owner"))
                QVERIFY(::chown(name.constData(), 65534, 65534) == 0 && ::chmod(name.constData(), 0755) == 0);
        }
        SingleInstance instance(key);
        QVERIFY(instance.claim());
        const QString used = instance.lockFilePath();
        QVERIFY2(!used.startsWith(folder) && !QFileInfo(used).canonicalFilePath().contains(u"/elsewhere/"),
                 qPrintable(used));
    }

    void unusableLockIsReported_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder in its place") << "folder" << QStringLiteral("不是普通文件");
        QTest::newRow("held by a copy that does not answer") << "held" << QStringLiteral("没有应答");
    }

    void unusableLockIsReported()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        SingleInstance instance(key);
        const QString path = instance.lockFilePath();
        QDir().rmdir(path);   // what an earlier row left
        QLockFile held(path); // as a live copy would, without listening for commands
        held.setStaleLockTime(0);
        QVERIFY(kind == QLatin1String("folder") ? QDir().mkpath(path) : held.tryLock(0));
        QVERIFY(!instance.claim());
        QSignalSpy finished(&instance, &SingleInstance::finished);
        instance.sendToRunningCopy(QStringLiteral("show"), 300);
        QVERIFY(finished.wait(5000));
        QCOMPARE(instance.outcome(), SingleInstance::Outcome::LockUnusable);
        QVERIFY(instance.lockProblem().contains(reason));
    }

    // The service address and channel: addresses, failed replies, one request at a time; the stand-in's own
    // limits.
    void addresses()
    {
        const QUrl login =
            ServiceAddress(QUrl("http://127.0.0.1:1234"))
                .url("/Api/login.asp", {{"user", QStringLiteral("张三&x=1")}, {"nowtime", QString()}});
        QCOMPARE(login.toEncoded(),
                 QByteArray("http://127.0.0.1:1234/Api/login.asp?user=%D5%C5%C8%FD%26x%3D1&nowtime="));
        QCOMPARE(ServiceAddress(QUrl("http://example.org/velmo/")).url("/api/Syn.asp"),
                 QUrl("http://example.org/velmo/api/Syn.asp"));
    }

    void unusableAddressIsReportedOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd");
        QTest::newRow("junk") << QStringLiteral("not a url at all");
    }

    void unusableAddressIsReportedOnce()
    {
        QFETCH(QString, text);
        test::TempDataFolder temp;
        QSettings settings(temp.filePath(QStringLiteral("velmo.ini")), QSettings::IniFormat);
        settings.setValue(ServiceAddress::settingsKey(), text);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(text)));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        QCOMPARE(ServiceAddress::load(settings).base(), ServiceAddress::defaultBase());
    }

    // A reply that is no answer is a failure with its reason: faults of the stand-in (-1: nobody listens,
    // -2: too slow), or what a server on 127.0.0.1 answers instead (a redirect, sizes over the cap).
    void failedReplies_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("head"); // of the answer instead
        QTest::addColumn<qint64>("bodySize");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("httpStatus");
        using Status = ServiceReply::Status;
        const QByteArray none;
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const qint64 cap = ServiceChannel::MaxReplyBytes;
        // clang-format off
        QTest::newRow("500") << int(Fault::ServerError) << none << qint64(0) << int(Status::HttpError) << 500;
        QTest::newRow("dropped") << int(Fault::DropConnection) << none << qint64(0) << int(Status::NetworkError) << 0;
        QTest::newRow("not HTTP") << int(Fault::MalformedHttp) << none << qint64(0) << int(Status::NetworkError) << 0;
        QTest::newRow("nobody listens") << -1 << none << qint64(0) << int(Status::NetworkError) << 0;
        QTest::newRow("too slow") << -2 << none << qint64(0) << int(Status::TimedOut) << 0;
        QTest::newRow("redirect to another host") << 0 << QByteArray("HTTP/1.1 302 Found\r\nLocation: %1\r\nContent-Length: 0\r\n\r\n") << qint64(0) << int(Status::HttpError) << 302;
        QTest::newRow("length over the cap") << 0 << ok + "Content-Length: 1073741824\r\n\r\n" << qint64(2) << int(Status::NetworkError) << 200;
        QTest::newRow("body over the cap, no length") << 0 << ok + "Connection: close\r\n\r\n" << cap + 1 << int(Status::NetworkError) << 200;
        QTest::newRow("body at the cap") << 0 << ok + "Content-Length: " + QByteArray::number(cap) + "\r\n\r\n" << cap << int(Status::Completed) << 200;
        // clang-format on
    }

    void failedReplies()
    {
        QFETCH(int, fault);
        QFETCH(QByteArray, head);
        QFETCH(qint64, bodySize);
        auto service = std::make_unique<test::ServiceFixture>();
        QUrl url = service->address().url(QStringLiteral("/Api/login.asp"));
        head.replace("%1", url.toEncoded()); // a redirect to the stand-in must not reach it
        const CannedServer canned(head + QByteArray(bodySize, 'a'));
        Channel c;
        if (fault == -1)
            service.reset();
        else if (fault == -2)
            service->delayReplies(3000);
        else if (!head.isEmpty())
            url = canned.url();
        else
            service->failNext(Fault::Kind(fault), -1);
        c.channel.setTimeout(std::chrono::milliseconds(fault == -2 ? 200 : 10000));
        const ServiceReply reply = c.get(url);
        QTEST(int(reply.status), "status");
        QTEST(reply.httpStatus, "httpStatus");
        QCOMPARE(reply.errorString.isEmpty(), reply.ok());
        // The user reads the reason inside Chinese text: no English words in it.
        static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
        QVERIFY2(!word.match(QString(reply.errorString).remove(QStringLiteral("HTTP"))).hasMatch(),
                 qPrintable(reply.errorString));
        if (reply.ok())
            QCOMPARE(reply.text.size(), bodySize);
        if (!head.isEmpty())
            QCOMPARE(service->requestCount(), 0);
    }

    // Each failure is told with its own reason, in Chinese. A host name no resolver is asked about (a
    // label longer than 63 characters) stands for a mistyped address.
    void failureReasons_data()
    {
        QTest::addColumn<QString>("host");      // empty: the server below on 127.0.0.1
        QTest::addColumn<QByteArray>("answer"); // empty: nobody listens
        QTest::addColumn<QString>("reason");
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nContent-Type: text/plain\r\n";
        QTest::newRow("host not found") << QString(64, u'a') + ".example" << QByteArray() << "找不到服务器";
        QTest::newRow("nobody listens") << QString() << QByteArray() << "服务器拒绝连接";
        QTest::newRow("dropped within the head") << QString() << head << "服务器在应答前断开了连接";
        QTest::newRow("dropped after the head") << QString() << head + "\r\nabc"
                                                << "服务器在应答中途断开了连接";
    }

    void failureReasons()
    {
        QFETCH(QString, host);
        QFETCH(QByteArray, answer);
        CannedServer server(answer, true);
        QUrl url = server.url();
        if (!host.isEmpty())
            url.setHost(host);
        else if (answer.isEmpty())
            server.close();
        const ServiceReply reply = Channel().get(url);
        QCOMPARE(reply.status, ServiceReply::Status::NetworkError);
        QTEST(reply.errorString, "reason");
    }

    void busyChannelSendsNothingAndPostsEncodedText()
    {
        test::ServiceFixture service;
        service.delayReplies(300);
        Channel c;
        const QUrl url = service.address().url(QStringLiteral("/Api/login.asp"));
        ServiceRequest* first = c.track(c.channel.openUrl(url));
        QVERIFY(first);
        QVERIFY(!HttpPost(c.channel, url, QStringLiteral("a=1")));
        // The handler of one reply may send the next request at once, and hears only its own reply. Free
        // text goes through the body encoder: no raw UTF-8, "&" and "+" kept as data.
        int firstHeard = 0;
        connect(first, &ServiceRequest::finished, this, [&](const ServiceReply&) {
            if (++firstHeard == 1)
                QVERIFY(c.track(HttpPost(c.channel, url, QStringLiteral("a=1&b=中文+\n"))));
        });
        QTRY_COMPARE(c.replies.size(), 2);
        QCOMPARE(firstHeard, 1);
        QCOMPARE(service.requestCount(), 2);
        QCOMPARE(service.lastRequest().body, QByteArray("a=1%26b=%D6%D0%CE%C4%2B<BR>"));
        QCOMPARE(service.lastRequest().header("content-type"),
                 QByteArray("application/x-www-form-urlencoded"));
    }

    void abortEndsTheRequestAtOnce()
    {
        test::ServiceFixture service;
        service.delayReplies(2000);
        Channel c;
        const QUrl url = service.address().url(QStringLiteral("/Api/login.asp"));
        QVERIFY(c.track(c.channel.openUrl(url)));
        QTRY_COMPARE(service.requestCount(), 1);
        c.channel.abort();
        QCOMPARE(c.replies.size(), 1);
        QCOMPARE(c.replies.first().status, ServiceReply::Status::Aborted);
        // A channel destroyed in the middle of a request goes quietly.
        auto doomed = std::make_unique<Channel>();
        QSignalSpy doomedFinished(doomed->channel.openUrl(url), &ServiceRequest::finished);
        QVERIFY(doomedFinished.isValid());
        QTRY_COMPARE(service.requestCount(), 2);
        doomed.reset();
        QCOMPARE(doomedFinished.size(), 0);
    }

    // The service stand-in's own limits, faults and command line.
    void faultsKeepToTheirPathAndCount()
    {
        test::ServiceFixture service;
        service.failNext(Fault::ServerError, 2, QStringLiteral("/api/syn.asp"));
        const QUrl target = service.address().url(QStringLiteral("/API/Syn.asp"));
        QCOMPARE(Channel().get(service.address().url(QStringLiteral("/Api/unknown.asp"))).httpStatus, 404);
        QCOMPARE(Channel().get(target).httpStatus, 500);
        QCOMPARE(Channel().get(target).httpStatus, 500);
        QCOMPARE(Channel().get(target).httpStatus, 200);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("users"); // empty: the command line is refused
        // clang-format off
        QTest::newRow("accounts") << QStringList{"--user", "demo:velmo123", "--users-file", "USERS"} << QStringList{"demo", "li", "张三"};
        // clang-format on
        QTest::newRow("user without password") << QStringList{"--user", "demo"} << QStringList();
        QTest::newRow("bad port") << QStringList{"--port", "70000"} << QStringList();
        QTest::newRow("unknown option") << QStringList{"--colour"} << QStringList();
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, users);
        test::TempDataFolder temp;
        QFile file(temp.filePath(QStringLiteral("users.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# demo accounts\r\n\nli:pass:with:colons\r\n张三:密码\n");
        file.close();
        arguments.replaceInStrings(QStringLiteral("USERS"), file.fileName()).prepend(QStringLiteral("velmo"));
        standin::ServiceStandIn service;
        standin::ListenOptions listen;
        QString error;
        QCOMPARE(standin::applyCommandLine(service, arguments, &listen, &error), !users.isEmpty());
        QCOMPARE(error.isEmpty(), !users.isEmpty());
        if (!users.isEmpty()) {
            QCOMPARE(service.accounts().userIds(), users);
            QVERIFY(service.accounts().checkPassword(QStringLiteral("li"), MD5_16(u"pass:with:colons")));
        }
    }

    void connectionsAndBodiesAreBounded_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("recorded");
        const qint64 limit = 2 * standin::ServiceStandIn::LoggedBodyBytes;
        const QByteArray post = "POST /Api/unknown.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        QTest::newRow("quiet connection") << QByteArray() << QByteArray() << 0;
        // clang-format off
        QTest::newRow("declared body over the limit") << post + "Content-Length: " + QByteArray::number(limit + 1) + "\r\n\r\n" << QByteArray("HTTP/1.1 413 ") << 0;
        // clang-format on
        QByteArray chunked = post + "Transfer-Encoding: chunked\r\n\r\n";
        for (qint64 sent = 0; sent <= limit + 64 * 1024; sent += 1024)
            chunked += "400\r\n" + QByteArray(1024, 'a') + "\r\n";
        QTest::newRow("chunked body over the limit") << chunked << QByteArray("HTTP/1.1 413 ") << 0;
        // clang-format off
        QTest::newRow("body at the limit, then quiet") << post + "Content-Length: " + QByteArray::number(limit) + "\r\n\r\n" + QByteArray(limit, 'a') << QByteArray("HTTP/1.1 404 ") << 1;
        // clang-format on
    }

    void connectionsAndBodiesAreBounded()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(int, recorded);
        test::ServiceFixture service;
        service.service().setMaxBodyBytes(2 * standin::ServiceStandIn::LoggedBodyBytes);
        service.service().setIdleTimeout(std::chrono::milliseconds(300));
        bool closed = false;
        const QByteArray reply = exchange(service.port(), request, closed);
        QVERIFY(closed);
        QVERIFY2(reply.startsWith(answer), reply.left(80).constData());
        QCOMPARE(service.requestCount(), recorded);
        // The log keeps the start of a long body only.
        QVERIFY(service.lastRequest().body.size() <= standin::ServiceStandIn::LoggedBodyBytes);
    }

    // The pictures, sounds and tunes beside the program.
    void pictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size"); // a size the file must hold
        const auto row = [](const QString& name, int width, int height) {
            QTest::newRow(qPrintable(name)) << name << QSize(width, height);
        };
        for (int i = 1; i <= 9; ++i)
            row(QStringLiteral("%1.ico").arg(i), 16, 16); // the tree
        for (int i = 1; i <= 6; ++i)
            row(QStringLiteral("%1.gif").arg(i), 96, 120); // the assistant
        for (const char* name : {"red.gif", "blue.gif", "sound.gif", "notice.png"})
            row(QLatin1String(name), 16, 16);
        for (const char* name :
             {"new", "edit", "done", "delete", "search", "feedback", "settings", "ring-off", "snooze"}) {
            row(QStringLiteral("button-%1.png").arg(QLatin1String(name)), 24, 24);
            row(QStringLiteral("button-%1@2x.png").arg(QLatin1String(name)), 48, 48);
        }
        for (const char* name : {"tray.ico", "tray-flash.ico"})
            row(QLatin1String(name), 22, 22);
        row(QStringLiteral("velmo.ico"), 32, 32);
        row(QStringLiteral("velmo.png"), 256, 256);
    }

    // Every picture opens, holds the size its user asks for, and is a real picture on a transparent
    // background (not blank, not a filled square).
    void pictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QImageReader reader(test::buildAssetFolder().filePath(QStringLiteral("images/") + name));
        QVERIFY2(reader.canRead(), qPrintable(name + QStringLiteral(": ") + reader.errorString()));
        int read = 0;
        bool sizeFound = false;
        for (QImage image = reader.read(); !image.isNull(); image = reader.read()) {
            ++read;
            sizeFound = sizeFound || image.size() == size;
            const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(qAlpha(argb.pixel(0, 0)), 0);
            int opaque = 0;
            for (int y = 0; y < argb.height(); ++y)
                for (int x = 0; x < argb.width(); ++x)
                    opaque += qAlpha(argb.pixel(x, y)) > 200;
            QVERIFY2(opaque * 8 > argb.width() * argb.height(), qPrintable(name + " is nearly blank"));
            if (!reader.jumpToNextImage() && reader.imageCount() <= read)
                break;
        }
        // The animations have at least four frames.
        QVERIFY2(read >= (name.endsWith(QLatin1String(".gif")) ? 4 : 1),
                 qPrintable(QStringLiteral("%1: %2 frames").arg(name).arg(read)));
        QVERIFY2(sizeFound, qPrintable(name + QStringLiteral(" lacks the expected size")));
    }

    // The action sounds are short WAV files whose header agrees with their data.
    void shortSounds()
    {
        for (const char* name : {"ok", "error", "del", "down"}) {
            const QByteArray data = readAsset(QStringLiteral("%1.wav").arg(QLatin1String(name)));
            QVERIFY2(data.size() > 44 && data.startsWith("RIFF") && data.mid(8, 8) == "WAVEfmt ", name);
            const qsizetype dataChunk = data.indexOf("data", 36);
            QVERIFY(dataChunk > 0 && dataChunk + 8 + le32(data, dataChunk + 4) <= data.size());
            const double seconds = double(le32(data, dataChunk + 4)) / le32(data, 28); // bytes a second
            QVERIFY2(seconds > 0.05 && seconds < 2.0, qPrintable(QString::number(seconds)));
        }
    }

    // The tune codes name these files, every entry both ways, and no others. MIDI tunes are well formed
    // with a tune's worth of notes; MP3 tunes start with a tag or a frame header. No two tunes are the
    // same.
    void tunes()
    {
        QCOMPARE(builtInTuneFileNames(), TuneNames);
        // Past the list, or in another letter case, a code names no tune.
        QVERIFY(tuneFileName("18.mp3").isEmpty() && tuneFileName("1.MID").isEmpty());
        QSet<QByteArray> contents;
        for (int i = 0; i < TuneNames.size(); ++i) {
            const QString& name = TuneNames[i];
            const QString code = QStringLiteral("%1.%2").arg(i + 1).arg(i < 9 ? "mid" : "mp3");
            QCOMPARE(tuneFileName(code), name);
            QCOMPARE(tuneCode(name), code);
            const QByteArray data = readAsset(name);
            QVERIFY2(!data.isEmpty(), qPrintable(name + QStringLiteral(" missing")));
            contents.insert(data);
            if (name.endsWith(QLatin1String(".mid")))
                QVERIFY2(midiNotes(data) >= 16, qPrintable(name));
            else
                QVERIFY2(data.startsWith("ID3") ||
                             (quint8(data[0]) == 0xFF && (quint8(data[1]) & 0xE0) == 0xE0),
                         qPrintable(name));
        }
        QCOMPARE(contents.size(), TuneNames.size());
    }
};

VELMO_TEST_MAIN(TestPlatform)
#include "TestPlatform.moc"
