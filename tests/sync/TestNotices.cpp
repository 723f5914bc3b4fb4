#include "BoxRecorder.h"
#include "ServiceFixture.h"
#include "TestMain.h"
#include "TestStore.h"

#include "sync/NoticeBoard.h"
#include "sync/NoticeFormat.h"
#include "sync/VersionCheck.h"

#include <QSignalSpy>

using namespace velmo;

namespace {

// The notice board over a fresh data.db and the stand-in, with the pages it opens written down.
struct Rig
{
    test::TestStore store;
    test::ServiceFixture service;
    QList<QUrl> opened;
    NoticeBoard board{store.db(), service.address(), [this](const QUrl& url) { opened.append(url); }};

    void serve(const QStringList& lines) { service.service().online().noticeLines = lines; }
    // One download to its end; its outcome.
    bool download()
    {
        QSignalSpy done(&board, &NoticeBoard::downloadFinished);
        return board.DownNotice() && done.wait(10000) && done.first().first().toBool();
    }
    // Titles "t1".."tn" stored straight into the table, t1 the oldest.
    void storeNotices(const QStringList& titles, const QString& link = {})
    {
        QList<NoticeEntry> entries;
        for (const QString& title : titles)
            entries.append({entries.size() + 1, title, link});
        QVERIFY(NoticeRows(store.db()).addMissing(entries).ok);
        board.ReadNotice();
    }
    int rows() { return store.value(QStringLiteral("SELECT count(*) FROM Notice")).toInt(); }
};

void row(const char* name, const QString& first, const QString& second)
{
    QTest::newRow(name) << first << second;
}

QString unread(const QString& title)
{
    return QStringLiteral("公告(&G):") + title + QStringLiteral("[未读]");
}

} // namespace

class TestNotices : public QObject
{
    Q_OBJECT

private slots:
    void parseList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("ids"); // "none": not a notice list
        // A link of 255 characters fits, one of 256 does not; a title is cut to 100.
        const QString longLink =
            "4|t|http://x/" + QString(247, u'a') + "\n5|t|http://x/" + QString(246, u'a');
        // A title is cut to 100, never between the halves of a character outside the BMP.
        const QString longTitle = "8|" + QString(120, u'公') + "|\n9|" + QString(99, u'公') + "😀|";
        QString hundredOne;
        QStringList hundred;
        for (int id = 101; id >= 1; --id) {
            hundredOne += QStringLiteral("%1|t|\n").arg(id);
            if (id > 1)
                hundred << QString::number(id);
        }
        row("empty", QString(), QString());
        row("crlf", "3|c|http://x/3\r\n2|b|\r\n", "3,2");
        row("bars in title", "# list\n\n5| a|b |http://x\n", "5");
        row("bad lines", "x|t|u\n7|ok|\n8|no bars\n9||u", "7");
        row("html", "<html><body>Service Unavailable</body></html>", "none");
        row("ids range", "0|z|\n-1|n|\n+4|p|\n2147483648|big|\n2147483647|max|", "2147483647");
        row("long link", longLink, "5");
        row("a hundred of 101, the first", hundredOne, hundred.join(u','));
        row("long title", longTitle, "8,9");
    }
    void parseList()
    {
        QFETCH(QString, text);
        QFETCH(QString, ids);
        const std::optional<QList<NoticeEntry>> list = parseNoticeList(text);
        QStringList got;
        for (const NoticeEntry& entry : list.value_or(QList<NoticeEntry>{})) {
            got.append(QString::number(entry.noticeId));
            QVERIFY(!entry.title.isEmpty() && entry.title.size() <= NoticeRows::TitleLength);
            QVERIFY(!entry.title.back().isHighSurrogate());
        }
        QCOMPARE(list ? got.join(u',') : QStringLiteral("none"), ids);
    }

    void downloadStoresEachNoticeOnce()
    {
        Rig rig;
        rig.serve({"2|第二|/read.asp?id=2", "1|R&D|"});
        QVERIFY(rig.download());
        QCOMPARE(rig.service.lastRequest().queryValue("nowtime"), "20261261000");
        QCOMPARE(rig.rows(), 2);
        QCOMPARE(rig.board.caption(), unread("第二"));
        QVERIFY(rig.download());
        QCOMPARE(rig.rows(), 2);
        rig.serve({"3|第三|", "2|第二|", "1|R&D|"});
        QVERIFY(rig.download());
        QCOMPARE(rig.rows(), 3);
        QCOMPARE(rig.board.NoticeCount(), 3);
        QCOMPARE(rig.board.caption(), unread("第三"));
    }

    // An address in the settings that is no URL is not replaced by the default: neither the notices
    // nor the version check send anything.
    void nothingGoesToAnUnusableAddress()
    {
        test::TestStore store;
        const ServiceAddress unusable(QUrl(QStringLiteral("notaurl")));
        QVERIFY(!unusable.problem().isEmpty());
        NoticeBoard board{store.db(), unusable, [](const QUrl&) {}};
        QVERIFY(!board.DownNotice());
        test::BoxRecorder boxes;
        VersionCheck check{{unusable, QStringLiteral("1.8.3"), boxes, [](const QUrl&) {}, nullptr,
                            [] { return QString(); }}};
        QVERIFY(!check.CheckUpdate());
    }

    void failedDownloadChangesNothing_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("500") << int(standin::Fault::ServerError);
        QTest::newRow("no notice list") << int(standin::Fault::Garbage);
        QTest::newRow("table refuses") << int(standin::Fault::None);
    }
    void failedDownloadChangesNothing()
    {
        QFETCH(int, fault);
        Rig rig;
        rig.serve({"2|b|", "1|a|"});
        QVERIFY(rig.download());
        rig.board.rotate();
        rig.serve({"3|c|", "2|b|", "1|a|"});
        if (fault == standin::Fault::None)
            QVERIFY(rig.store.refuse(QStringLiteral("INSERT ON Notice")));
        else
            rig.service.failNext(standin::Fault::Kind(fault), 3); // a dropped request is sent again once
        QSignalSpy changed(&rig.board, &NoticeBoard::changed);
        QVERIFY(!rig.download());
        QCOMPARE(rig.rows(), 2);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(rig.board.caption(), unread("a"));
    }

    void rotation_data()
    {
        QTest::addColumn<QStringList>("titles"); // oldest first
        QTest::addColumn<QStringList>("captions");
        const QString a = unread("甲"), b = unread("R&&D"), c = unread("丙");
        QTest::newRow("one") << QStringList{"甲"} << QStringList{a, a, a};
        QTest::newRow("two") << QStringList{"甲", "R&D"} << QStringList{b, a, b, a};
        QTest::newRow("three") << QStringList{"甲", "R&D", "丙"} << QStringList{c, b, a, c, b};
        QTest::newRow("none") << QStringList{} << QStringList{"公告(&G):", "公告(&G):"};
        // The newest five of seven.
        // clang-format off
        QTest::newRow("seven") << QStringList{"1", "2", "3", "4", "5", "6", "7"} << QStringList{unread("7"), unread("6"), unread("5"), unread("4"), unread("3"), unread("7")};
        // clang-format on
    }
    void rotation()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, captions);
        Rig rig;
        rig.storeNotices(titles);
        QCOMPARE(rig.board.NoticeShown(), !titles.isEmpty());
        QStringList seen;
        for (int i = 0; i < captions.size(); ++i, rig.board.rotate())
            seen.append(rig.board.caption());
        QCOMPARE(seen, captions);
    }

    void openingMarksRead_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("page"); // empty: not opened
        row("http", "http://example.com/n?id=1", "http://example.com/n?id=1");
        row("https", "HTTPS://example.com/", "https://example.com/");
        row("service path", "/read.asp?id=5", "/read.asp?id=5");
        row("file", "file:///etc/passwd", "");
        row("script", "javascript:alert(1)", "");
        row("other scheme", "ftp://example.com/f", "");
        row("no scheme, other host", "//evil.example/x", "");
        row("user name", "http://127.0.0.1@evil.example/", "");
        row("empty", "", "");
    }

    void openingMarksRead()
    {
        QFETCH(QString, link);
        QFETCH(QString, page);
        Rig rig;
        rig.storeNotices({"a", "b"}, link);
        rig.board.rotate();
        rig.board.Menu_Gonggao_Click();
        QCOMPARE(rig.board.caption(), QStringLiteral("公告(&G):a"));
        const QString base = rig.service.baseUrl().toString();
        QCOMPARE(rig.opened, page.isEmpty() ? QList<QUrl>{}
                                            : QList<QUrl>{QUrl(page.startsWith(u'/') ? base + page : page)});
        rig.board.ReadNotice();
        QCOMPARE(rig.board.NoticeCount(), 1);
        QCOMPARE(rig.board.caption(), unread("b"));
    }

    // A read mark that cannot be stored is not shown either; a table that cannot be read leaves
    // what is on show.
    void failedReadMarkAndReadChangeNothing()
    {
        Rig rig;
        rig.storeNotices({"a"});
        QVERIFY(rig.store.refuse(QStringLiteral("UPDATE ON Notice")));
        rig.board.Menu_Gonggao_Click();
        QCOMPARE(rig.board.caption(), unread("a"));
        QVERIFY(rig.store.db().exec(QStringLiteral("ALTER TABLE Notice RENAME TO Gone")).ok);
        rig.board.ReadNotice();
        QCOMPARE(rig.board.caption(), unread("a"));
    }
};

VELMO_TEST_MAIN(TestNotices)
#include "TestNotices.moc"
