#include "TestMain.h"

#include "platform/Clock.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/UrlEncoders.h"
#include "velmo-service/CommandLine.h"
#include "velmo-service/Endpoints.h"
#include "velmo-service/MemoStore.h"
#include "velmo-service/ServiceStandIn.h"
#include "velmo-service/SyncEndpoints.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace velmo;
using namespace velmo::standin;

namespace {

// The stand-in with two accounts, its memos in a file of its own.
struct StandIn
{
    QTemporaryDir folder;
    std::unique_ptr<ServiceStandIn> service;

    StandIn() { start(); }
    bool start()
    {
        service = std::make_unique<ServiceStandIn>();
        service->setSignatureCheck(SignatureCheck::Off);
        for (const char* name : {"alice", "bob"})
            service->accounts().addAccount(QString::fromLatin1(name), QStringLiteral("pw"));
        return store().open(folder.filePath(QStringLiteral("memos.db")), nullptr);
    }
    MemoStore& store() { return *MemoStore::of(*service); }
    // Runs a statement on a connection of its own to the store's file, as another program would.
    bool other(const QString& sql)
    {
        bool ran = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(folder.filePath(QStringLiteral("memos.db")));
            ran = db.open() && QSqlQuery(db).exec(sql);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        return ran;
    }

    static StandInRequest request(const QString& query, const QString& body = {})
    {
        StandInRequest request;
        request.rawQuery = query.toLatin1();
        request.body = body.toLatin1();
        return request;
    }
    // One upload; id 0 for a new memo.
    QString post(const QString& user, qint64 id, int synnum, const QString& title, bool del = false,
                 bool yibu = false)
    {
        return synReply(*service, store(),
                        request(QStringLiteral("userid=%1&yibu=%2").arg(user, yibu ? "True" : "False"),
                                QStringLiteral("LocalId=1&id=%1&userid=mallory&title=%2&synnum=%3&del=%4")
                                    .arg(id ? QString::number(id) : QString(), URLEncode(title))
                                    .arg(synnum)
                                    .arg(del ? "True" : "False")))
            .text;
    }
    qint64 add(const QString& user, const QString& title)
    {
        return post(user, 0, 1, title).section(QLatin1Char('|'), 2, 2).toLongLong();
    }
    // The list and what follows it: "<list>|<next>" for a page (from the memo above `after`), the list
    // alone for a list in the previous version's way.
    QString page(const QString& user, qint64 after, bool withTokens = false)
    {
        const QString reply = idListReply(*service, store(),
                                          request("userid=" + user + "&pass=" + MD5_16(u"pw") +
                                                  "&after=" + QString::number(after)))
                                  .text;
        return withTokens ? reply.section('|', 4) : tokensLeftOut(reply.section('|', 4));
    }
    // The list as the service gives it (withTokens), or without the memos' tokens.
    QString list(const QString& user, const QString& pass = MD5_16(QStringLiteral("pw")),
                 bool withTokens = false)
    {
        const QString reply =
            idListReply(*service, store(), request("userid=" + user + "&pass=" + pass)).text;
        if (!reply.startsWith(QLatin1String("ok|")))
            return reply;
        return withTokens ? reply.section('|', 4, 4) : tokensLeftOut(reply.section('|', 4, 4));
    }
    static QString tokensLeftOut(QString items)
    {
        return items.remove(QRegularExpression(QStringLiteral(":[0-9a-f]{8}:[0-9a-f]{8}(?=,|\\||$)")));
    }
    QString download(const QString& user, qint64 id)
    {
        return downloadReply(*service, store(), request(QStringLiteral("id=%1&userid=%2").arg(id).arg(user)))
            .text;
    }
    QString title(qint64 id)
    {
        return store().memo(QStringLiteral("alice"), id).value_or(StoredMemo()).fields.value(2);
    }
};

} // namespace

class TestSyncEndpoints : public QObject
{
    Q_OBJECT

private slots:
    void counters_data()
    {
        QTest::addColumn<int>("synnum"); // posted against a stored 3
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("del");
        QTest::addColumn<bool>("yibu");
        QTest::addColumn<QString>("answer"); // head of the reply
        QTest::addColumn<QString>("listed");
        QTest::newRow("above") << 4 << "new" << false << false << "#adok#|ok"
                               << "4";
        QTest::newRow("equal, same copy") << 3 << "old" << false << false << "#adok#|ok"
                                          << "3";
        QTest::newRow("equal, other copy") << 3 << "new" << false << false << "#adok#|error"
                                           << "3";
        QTest::newRow("below") << 2 << "new" << false << false << "#adok#|error"
                               << "3";
        QTest::newRow("below, settled") << 2 << "new" << false << true << "#adok#|ok"
                                        << "3";
        QTest::newRow("deletion above") << 4 << "old" << true << false << "#delo#|ok"
                                        << "4:d";
        // A deletion names the copy it deletes: one of another copy arrived late, or under a server id
        // given again.
        QTest::newRow("deletion above, of another copy") << 4 << "new" << true << false << "#adok#|error"
                                                         << "3";
        QTest::newRow("deletion, same counter") << 3 << "old" << true << false << "#adok#|error"
                                                << "3";
        QTest::newRow("deletion below, settled") << 2 << "old" << true << true << "#delo#|ok"
                                                 << "3:d";
    }

    // A post whose counter is not above the stored one did not see the stored copy: refused with that
    // copy, unless it carries that very copy or settles a conflict.
    void counters()
    {
        QFETCH(int, synnum);
        QFETCH(QString, title);
        QFETCH(bool, del);
        QFETCH(bool, yibu);
        QFETCH(QString, listed);
        StandIn standIn;
        const qint64 id = standIn.add("alice", "old");
        QVERIFY(standIn.post("alice", id, 3, "old").startsWith("#adok#|ok"));
        const QString answer = standIn.post("alice", id, synnum, title, del, yibu);
        QTEST(answer.section('|', 0, 1), "answer");
        if (answer.startsWith("#adok#|error"))
            QVERIFY(answer.contains("(#f!g#)old(#f!g#)"));
        QCOMPARE(standIn.list("alice"), QStringLiteral("%1:%2").arg(id).arg(listed));
        QCOMPARE(standIn.title(id), answer.startsWith("#adok#|ok") ? title : QStringLiteral("old"));
    }

    // One account can neither read nor change nor delete another's memos; a post naming another's
    // id is kept as a new memo of the poster, whoever the body names as the owner.
    void accountsAreApart()
    {
        StandIn standIn;
        const qint64 id = standIn.add("alice", "alice's");
        QCOMPARE(standIn.list("bob"), QString());
        QCOMPARE(standIn.list("alice", MD5_16(QStringLiteral("px"))), QStringLiteral("error"));
        QCOMPARE(standIn.list("alice", QString()), QStringLiteral("error"));
        // Query keys are matched without letter case.
        QVERIFY(idListReply(*standIn.service, standIn.store(),
                            StandIn::request("USERID=alice&Pass=" + MD5_16(u"pw")))
                    .text.startsWith(QLatin1String("ok|")));
        QCOMPARE(standIn.download("alice", id).section(MemoStore::FieldSeparator, 1, 1),
                 QStringLiteral("alice"));
        QCOMPARE(standIn.download("bob", id), QStringLiteral("ok|"));
        QCOMPARE(standIn.download("mallory", id), QStringLiteral("error"));
        QVERIFY(standIn.download("alice", id)
                    .section(MemoStore::FieldSeparator, 22)
                    .startsWith(QString::number(id)));
        QCOMPARE(standIn.post("bob", id, 9, "bob's", true), QStringLiteral("#delo#|ok|0"));
        const qint64 bobs = standIn.post("bob", id, 9, "bob's").section('|', 2, 2).toLongLong();
        QVERIFY(bobs > id);
        QCOMPARE(standIn.list("alice"), QStringLiteral("%1:1").arg(id));
        QCOMPARE(standIn.title(id), QStringLiteral("alice's"));
    }

    void accountNamesIgnoreAsciiCase_data()
    {
        QTest::addColumn<QString>("owner"); // the account, as it was added
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("found");
        QTest::newRow("capitals") << "alice"
                                  << "ALICE" << true;
        QTest::newRow("mixed") << "alice"
                               << "aLiCe" << true;
        QTest::newRow("full-width capitals") << "alice"
                                             << "ＡＬＩＣＥ" << false;
        QTest::newRow("trailing blank") << "alice"
                                        << "alice " << false;
        QTest::newRow("Cyrillic, other case") << "Иван"
                                              << "иван" << false;
        QTest::newRow("Cyrillic, as added") << "Иван"
                                            << "Иван" << true;
    }

    // A name is one account whatever the letter case of its ASCII letters: the sign-in, the list, the
    // download and the upload find it, and its memos stay under the spelling it was added with, each record
    // naming its owner as posted.
    void accountNamesIgnoreAsciiCase()
    {
        QFETCH(QString, owner);
        QFETCH(QString, typed);
        QFETCH(bool, found);
        StandIn standIn;
        standIn.service->accounts().addAccount(QStringLiteral("Иван"), QStringLiteral("pw"));
        const qint64 id = standIn.add(URLEncode(owner), "own");
        const QString pass = MD5_16(QStringLiteral("pw"));
        const QString query = "user=" + URLEncode(typed) + "&pass=" + pass;
        QCOMPARE(loginReply(*standIn.service, StandIn::request(query)).text.startsWith(QLatin1String("ok|")),
                 found);
        QCOMPARE(standIn.list(URLEncode(typed)), found ? QStringLiteral("%1:1").arg(id) : "error");
        const QString downloaded = standIn.download(URLEncode(typed), id);
        QCOMPARE(downloaded.section(MemoStore::FieldSeparator, 1, 1), found ? owner : QString());
        QCOMPARE(standIn.post(URLEncode(typed), id, 2, "changed").startsWith(QLatin1String("#adok#|ok")),
                 found);
        const QString added = standIn.post(URLEncode(typed), 0, 1, "added");
        QCOMPARE(standIn.store().liveMemos(owner).size(), found ? 2 : 1);
        if (found) {
            const qint64 addedId = added.section(u'|', 2, 2).toLongLong();
            // The record names its owner as the posting computer spelt it: its digest is what was posted.
            QCOMPARE(standIn.store().memo(owner, addedId).value_or(StoredMemo()).fields.value(1), typed);
        }
    }

    // A deleted memo stays a mark at the deletion's counter; a change made on its last copy brings it
    // back under its own id, above that counter; one made on an older copy arrived late and is
    // refused. A restart forgets nothing and never gives a server id again, not even the deleted
    // last one.
    void deletionsAndRestart()
    {
        StandIn standIn;
        const qint64 kept = standIn.add("alice", "kept");
        const qint64 gone = standIn.add("alice", "gone");
        QVERIFY(standIn.post("alice", gone, 2, "gone", true).startsWith("#delo#|ok"));
        // A deleted memo comes down with its last copy and the mark.
        QCOMPARE(standIn.download("alice", gone).section(MemoStore::FieldSeparator, 2, 2),
                 QStringLiteral("gone"));
        QCOMPARE(standIn.download("alice", gone).section(MemoStore::FieldSeparator, 23, 23),
                 QStringLiteral("d"));
        QVERIFY(standIn.start());
        QCOMPARE(standIn.list("alice"), QStringLiteral("%1:1,%2:2:d").arg(kept).arg(gone));
        QVERIFY(standIn.post("alice", gone, 1, "late").startsWith("#adok#|error"));
        QCOMPARE(standIn.list("alice"), QStringLiteral("%1:1,%2:2:d").arg(kept).arg(gone));
        QCOMPARE(standIn.post("alice", gone, 2, "edited"), QStringLiteral("#adok#|ok|%1|1").arg(gone));
        QCOMPARE(standIn.list("alice"), QStringLiteral("%1:1,%2:3").arg(kept).arg(gone));
        QCOMPARE(standIn.title(gone), QStringLiteral("edited"));
        const qint64 fresh = standIn.add("alice", "fresh");
        QVERIFY(fresh > gone);
    }

    // A memo changed ten thousand times keeps its first copy (what its post said) and the latest, and
    // downloads like one changed sixty times.
    void copiesKeptPerMemo()
    {
        StandIn standIn;
        const qint64 id = standIn.add("alice", "first");
        const qint64 other = standIn.add("alice", "other");
        std::optional<StoredMemo> memo = standIn.store().memo("alice", id);
        QVERIFY(memo);
        const QString first = MemoStore::digest(memo->fields);
        for (int synnum = 2; synnum <= 10000; ++synnum) {
            memo->synnum = synnum;
            memo->fields[2] = QString::number(synnum);
            QVERIFY(standIn.store().update(*memo));
        }
        const std::vector<MemoStore::Version> kept = standIn.store().versions("alice", id);
        QCOMPARE(int(kept.size()), MemoStore::KeptCopies);
        QCOMPARE(kept.front().digest, first);
        QCOMPARE(kept[1].synnum, 10000 - MemoStore::KeptCopies + 2);
        QCOMPARE(kept.back().synnum, 10000);
        QCOMPARE(kept.back().digest, MemoStore::digest(memo->fields));
        QCOMPARE(standIn.store().versions("alice", other).size(), size_t(1)); // another memo's stay
        QVERIFY(standIn.download("alice", id).size() < 2000);
    }

    void listPages_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<qint64>("after");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QString>("listed"); // memos 1 to 5, memo 4 deleted
        QTest::newRow("first page") << 2 << qint64(0) << false << "1:1,2:1|2";
        QTest::newRow("next page") << 2 << qint64(2) << false << "3:1,4:2:d|4";
        QTest::newRow("last page") << 2 << qint64(4) << false << "5:1|0";
        QTest::newRow("after a memo not listed") << 2 << qint64(3) << false << "4:2:d,5:1|0";
        QTest::newRow("one page just holds it") << 5 << qint64(0) << false << "1:1,2:1,3:1,4:2:d,5:1|0";
        QTest::newRow("past the end") << 2 << qint64(5) << false << "|0";
        QTest::newRow("the previous version's way") << 2 << qint64(2) << true << "1:1,2:1,3:1,4:2:d,5:1";
    }

    // The list comes in pages of increasing server ids, each telling where the next starts; a service
    // of the previous version's way lists every memo at once, without tokens, digests or pages.
    void listPages()
    {
        QFETCH(int, pageSize);
        QFETCH(qint64, after);
        QFETCH(bool, plain);
        StandIn standIn;
        for (int i = 1; i <= 5; ++i)
            standIn.add("alice", QStringLiteral("memo %1").arg(i));
        QVERIFY(standIn.post("alice", 4, 2, "memo 4", true).startsWith("#delo#|ok"));
        standIn.add("bob", "bob's");
        standIn.service->listShape() = {pageSize, plain};
        QTEST(standIn.page("alice", after, plain), "listed");
    }

    void aListNotReadIsNoList_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::newRow("pages") << false;
        QTest::newRow("the previous version's way") << true;
    }

    // A list the store could not read is answered as a failure, never as a list without memos: a
    // computer would let its memos go.
    void aListNotReadIsNoList()
    {
        QFETCH(bool, plain);
        StandIn standIn;
        standIn.add("alice", "memo");
        standIn.service->listShape().plain = plain;
        QVERIFY(standIn.list("alice").startsWith("1:1"));
        QVERIFY(standIn.other("DROP TABLE memos"));
        const StandInReply reply =
            idListReply(*standIn.service, standIn.store(),
                        StandIn::request("userid=alice&pass=" + MD5_16(QStringLiteral("pw")) + "&after=0"));
        QCOMPARE(reply.status, 500);
    }

    void aPostNotKeptWhollyIsNotKept_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::newRow("a new memo") << qint64(0);
        QTest::newRow("a change") << qint64(1);
    }

    // A post answered with a failure leaves the memo as it was: the computer posts it again.
    void aPostNotKeptWhollyIsNotKept()
    {
        QFETCH(qint64, id);
        StandIn standIn;
        standIn.add("alice", "memo");
        QVERIFY(standIn.other(
            "CREATE TRIGGER noCopies BEFORE INSERT ON versions BEGIN SELECT RAISE(ABORT, 'full'); END"));
        const StandInReply reply =
            synReply(*standIn.service, standIn.store(),
                     StandIn::request(QStringLiteral("userid=alice"),
                                      QStringLiteral("LocalId=1&id=%1&title=changed&synnum=2")
                                          .arg(id ? QString::number(id) : QString())));
        QCOMPARE(reply.status, 500);
        QCOMPARE(standIn.list("alice"), QStringLiteral("1:1"));
        QCOMPARE(standIn.title(1), QStringLiteral("memo"));
    }

    void limits_data()
    {
        QTest::addColumn<int>("offset"); // seconds from the service's clock of the moment signed
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("taken");
        QTest::newRow("ahead, at the limits") << 300 << "65535" << true;
        QTest::newRow("ahead, one past") << 301 << "65536" << false;
        QTest::newRow("behind, at the limits") << -300 << "0" << true;
        QTest::newRow("behind, one past") << -301 << "-1" << false;
    }

    // The lenient signature check takes a moment up to five minutes either side of the service's
    // clock, whatever moment was sent beside it; ports run from 0 to 65535.
    void limits()
    {
        QFETCH(int, offset);
        QFETCH(QString, port);
        QFETCH(bool, taken);
        StandIn standIn;
        standIn.service->setSignatureCheck(SignatureCheck::Lenient);
        const QString signedAt = NowNumberText(Clock::currentDateTime().addSecs(offset));
        QCOMPARE(standIn.service->signatureAccepted(
                     StandIn::request("md5=" + RequestSignature(signedAt) + "&nowtime=1")),
                 taken);
        ListenOptions listen;
        QString error;
        QCOMPARE(applyCommandLine(*standIn.service, {"velmo-service", "--port", port}, &listen, &error),
                 taken);
        QCOMPARE(listen.port, taken ? port.toInt() : 0);
    }
};

VELMO_TEST_MAIN(TestSyncEndpoints)
#include "TestSyncEndpoints.moc"
