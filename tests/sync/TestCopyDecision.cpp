#include "TestMain.h"

#include "platform/RequestSignature.h"
#include "sync/CopyDecision.h"
#include "sync/ListComparison.h"
#include "sync/ServerRecord.h"

#include <QTest>

using namespace velmo;

namespace {

// A copy of the memo whose title tells it apart, at a counter.
MemoRecord copyOf(const QString& title, int synnum = 1)
{
    MemoRecord memo;
    memo.type = 1;
    memo.userid = QStringLiteral("demo");
    memo.title = title;
    memo.content = title + QStringLiteral(" body");
    memo.AlertPinLv = QStringLiteral("1");
    memo.lifa = 1;
    memo.synnum = synnum;
    return memo;
}

// A copy as the service gives it, with the titles of the copies it held before it.
ServiceCopy serviceCopy(qint64 serverId, const QString& title, int synnum, const QStringList& before = {},
                        bool deleted = false)
{
    ServiceCopy copy;
    copy.serverId = serverId;
    copy.memo = copyOf(title, synnum);
    copy.deleted = deleted;
    copy.digest = wireDigest(copy.memo);
    int at = 1;
    for (const QString& earlier : before)
        copy.versions.push_back({at++, wireDigest(copyOf(earlier))});
    copy.versions.push_back({synnum, copy.digest});
    return copy;
}

SyncKey key(MemoId id, qint64 serverId, int synced, bool syn, const QString& token = {},
            const QString& digest = {})
{
    SyncKey k;
    k.id = id;
    k.serverId = serverId;
    k.synnum = synced + (syn ? 0 : 1);
    k.SyncedSynnum = synced;
    k.syn = syn;
    k.token = token;
    k.digest = digest;
    return k;
}

} // namespace

class TestCopyDecision : public QObject
{
    Q_OBJECT

private slots:
    void decideKnown_data()
    {
        QTest::addColumn<QString>("row");  // the row's title
        QTest::addColumn<bool>("syn");     // the row is in step
        QTest::addColumn<bool>("del");     // deleted here
        QTest::addColumn<QString>("base"); // its copy last in step; empty: none
        QTest::addColumn<QString>("post"); // its post the copy held; empty: none
        QTest::addColumn<bool>("changedSincePost");
        QTest::addColumn<QString>("copy");
        QTest::addColumn<bool>("deleted"); // the copy is deleted
        QTest::addColumn<int>("decision");
        const int take = int(CopyDecision::Take), inStep = int(CopyDecision::InStep),
                  keep = int(CopyDecision::KeepChange), own = int(CopyDecision::OwnPost),
                  conflict = int(CopyDecision::Conflict), goes = int(CopyDecision::DeleteRow),
                  up = int(CopyDecision::GoesUp);
        QTest::newRow("in step: takes it") << "a" << true << false << ""
                                           << "" << false << "b" << false << take;
        QTest::newRow("the same on both sides") << "b" << false << false << "a"
                                                << "" << false << "b" << false << inStep;
        QTest::newRow("the copy it changed: keeps its change") << "b" << false << false << "a"
                                                               << "" << false << "a" << false << keep;
        QTest::newRow("changes that came to nothing") << "a" << false << false << "a"
                                                      << "" << false << "b" << false << take;
        QTest::newRow("changed on both sides") << "b" << false << false << "a"
                                               << "" << false << "c" << false << conflict;
        QTest::newRow("no copy last in step known") << "b" << false << false << ""
                                                    << "" << false << "c" << false << conflict;
        QTest::newRow("deleted here, newer copy there") << "a" << false << true << "a"
                                                        << "" << false << "c" << false << take;
        QTest::newRow("its own post, changed here since") << "d" << false << false << "a"
                                                          << "b" << true << "b" << false << own;
        QTest::newRow("its post, changed there since") << "b" << false << false << "a"
                                                       << "b" << false << "c" << false << take;
        QTest::newRow("its post, changed on both sides since") << "d" << false << false << "a"
                                                               << "b" << true << "c" << false << conflict;
        QTest::newRow("its post, changed back here since") << "b" << false << false << "a"
                                                           << "b" << true << "c" << false << conflict;
        QTest::newRow("deleted elsewhere after its post") << "b" << false << false << "a"
                                                          << "b" << false << "b" << true << goes;
        QTest::newRow("deleted elsewhere, changed here since") << "d" << false << false << "a"
                                                               << "b" << true << "b" << true << up;
        QTest::newRow("deleted elsewhere, its post never arrived") << "b" << false << false << "a"
                                                                   << "" << false << "a" << true << up;
        QTest::newRow("deleted elsewhere, in step here") << "a" << true << false << ""
                                                         << "" << false << "a" << true << goes;
        QTest::newRow("deleted elsewhere, in step here after its posts")
            << "a" << true << false << ""
            << "b" << true << "a" << true << goes;
    }

    // What one copy of a memo means for the row that carries its server id.
    void decideKnown()
    {
        QFETCH(QString, row);
        QFETCH(bool, syn);
        QFETCH(bool, del);
        QFETCH(QString, base);
        QFETCH(QString, post);
        QFETCH(bool, changedSincePost);
        QFETCH(QString, copy);
        QFETCH(bool, deleted);
        QFETCH(int, decision);
        KnownRow known;
        known.row = copyOf(row, 5);
        known.row.syn = syn;
        known.row.Del = del;
        known.row.SyncedSynnum = 3;
        if (!base.isEmpty())
            known.base = copyOf(base);
        if (!post.isEmpty()) {
            OwnPost own;
            own.posted = copyOf(post, 2);
            own.sent.ReadSynnum = changedSincePost ? 4 : 5;
            own.heldAt = 2;
            known.post = own;
        }
        QCOMPARE(int(velmo::decideKnown(
                     known, serviceCopy(7, copy, 3, {base.isEmpty() ? "x" : base, post}, deleted))),
                 decision);
    }

    void matchDeleted_data()
    {
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QStringList>("before"); // what it said before, oldest first
        QTest::addColumn<bool>("deleted");       // its deletion goes up again
        QTest::newRow("as it was deleted") << "b" << QStringList{"a"} << true;
        QTest::newRow("as it was before") << "a" << QStringList{} << true;
        QTest::newRow("changed since") << "c" << QStringList{"a", "b"} << false;
        QTest::newRow("changed back since") << "a" << QStringList{"a", "b"} << false;
        QTest::newRow("a late copy of what it said before") << "a" << QStringList{"b"} << true;
    }

    // A copy of a memo deleted here (it said "b", and "a" before): as it was, it goes again; one that
    // held the deleted copy and changed since is a change the deletion had not seen.
    void matchDeleted()
    {
        QFETCH(QString, copy);
        QFETCH(QStringList, before);
        QFETCH(bool, deleted);
        SyncDeletion deletion;
        deletion.id = 1;
        deletion.Digest = wireDigest(copyOf(QStringLiteral("b")));
        deletion.Lineage = {wireDigest(copyOf(QStringLiteral("a")))};
        CopyMatcher matcher;
        matcher.addDeletion(deletion);
        const ServiceCopy listed = serviceCopy(9, copy, int(before.size()) + 1, before);
        const std::optional<CopyMatch> match = matcher.match(listed);
        QVERIFY(match);
        QCOMPARE(match->kind == CopyMatch::Kind::Deleted, deleted);
        QCOMPARE(matcher.deletedAs(listed), deleted);
    }

    void resolveCopies_data()
    {
        QTest::addColumn<bool>("gone");          // the row is gone (deleted here)
        QTest::addColumn<qint64>("held");        // the server id the row carries, 0: none
        QTest::addColumn<bool>("unchanged");     // and the service's copy of it is the row's
        QTest::addColumn<QStringList>("copies"); // "<server id>:<title>[:d]", each a copy of the row's memo
        QTest::addColumn<QString>("outcome");    // adopted, retracted, kept, deleteRow, retractHeld
        // The row says "a", its memo said "o" before; "c" is a change made elsewhere.
        QTest::newRow("new here: the lowest copy, one too many goes")
            << false << qint64(0) << false << QStringList{"9:a", "5:a"} << "adopt 5; retract 9";
        QTest::newRow("new here: a changed copy stays for later")
            << false << qint64(0) << false << QStringList{"5:a", "9:c"} << "adopt 5";
        QTest::newRow("carries a lower id: copies of it go")
            << false << qint64(3) << true << QStringList{"9:a", "5:o"} << "retract 5,9";
        QTest::newRow("carries a higher id: moves to the lower")
            << false << qint64(12) << true << QStringList{"9:a"} << "adopt 9; retract held";
        QTest::newRow("carries a higher id, changed there: stays")
            << false << qint64(12) << false << QStringList{"9:a"} << "";
        QTest::newRow("a copy changed elsewhere: moves to meet it")
            << false << qint64(3) << true << QStringList{"9:c"} << "adopt 9; retract held";
        QTest::newRow("deleted elsewhere as it was here")
            << false << qint64(0) << false << QStringList{"9:a:d"} << "delete row";
        QTest::newRow("deleted elsewhere, changed here since")
            << false << qint64(0) << false << QStringList{"9:o:d"} << "adopt 9";
        QTest::newRow("gone here: unchanged copies go, changed ones stay")
            << true << qint64(0) << false << QStringList{"9:a", "5:c"} << "retract 9; keep 5";
    }

    // The copies of one row's memo under server ids no row carries, and what becomes of them: the same
    // decision on every computer that can tell, so that two never delete each other's.
    void resolveCopies()
    {
        QFETCH(bool, gone);
        QFETCH(qint64, held);
        QFETCH(bool, unchanged);
        QFETCH(QStringList, copies);
        QFETCH(QString, outcome);
        RowView view;
        if (!gone)
            view.row = copyOf("a");
        view.known = {wireDigest(copyOf("a")), wireDigest(copyOf("o"))};
        view.inStep = wireDigest(copyOf(held > 0 ? "a" : "o"));
        std::vector<RowCandidate> candidates;
        for (const QString& spec : copies) {
            const QStringList part = spec.split(u':');
            const QString title = part[1];
            const bool deleted = part.size() > 2;
            RowCandidate candidate;
            candidate.copy = serviceCopy(part[0].toLongLong(), title, 4, {"o", "a"}, deleted);
            candidate.match.digest = wireDigest(copyOf(title == "c" ? "a" : title));
            candidates.push_back(candidate);
        }
        const RowCopies got = velmo::resolveCopies(
            view, held > 0 ? std::optional<HeldId>({held, unchanged}) : std::nullopt, candidates);
        QStringList parts;
        const auto ids = [](const std::vector<RowCandidate>& list) {
            QStringList out;
            for (const RowCandidate& c : list)
                out << QString::number(c.copy.serverId);
            out.sort();
            return out.join(u',');
        };
        if (got.adopt)
            parts << QStringLiteral("adopt %1").arg(got.adopt->copy.serverId);
        if (!got.retract.empty())
            parts << QStringLiteral("retract ") + ids(got.retract);
        if (!got.keep.empty())
            parts << QStringLiteral("keep ") + ids(got.keep);
        if (got.deleteRow)
            parts << QStringLiteral("delete row");
        if (got.retractHeld)
            parts << QStringLiteral("retract held");
        QCOMPARE(parts.join(QStringLiteral("; ")), outcome);
    }

    void compareList_data()
    {
        QTest::addColumn<QString>("listed"); // "<id>:<synnum>[:d]:<token>[:<digest>]"
        QTest::addColumn<int>("synced");     // the row's counter in step, for row 1 of server id 5
        QTest::addColumn<bool>("syn");
        QTest::addColumn<QString>("token"); // the row's token
        QTest::addColumn<QString>("plan");
        QTest::newRow("in step") << "5:3:t1:aaaa" << 3 << true << "t1"
                                 << "";
        QTest::newRow("newer there") << "5:4:t1" << 3 << true << "t1"
                                     << "download";
        QTest::newRow("same counter, another copy") << "5:3:t1:bbbb" << 3 << true << "t1"
                                                    << "download";
        QTest::newRow("went back") << "5:2:t1" << 3 << true << "t1"
                                   << "again";
        QTest::newRow("went back, change waiting") << "5:2:t1" << 3 << false << "t1"
                                                   << "";
        QTest::newRow("another memo under its id") << "5:3:t2" << 3 << true << "t1"
                                                   << "forgotten; download new";
        QTest::newRow("not listed") << "6:1:t2" << 3 << true << "t1"
                                    << "forgotten; download new";
        QTest::newRow("id from an answer") << "5:3:t1:aaaa" << 3 << true << "?"
                                           << "token";
        QTest::newRow("id from an answer, another copy listed") << "5:3:t1:bbbb" << 3 << true << "?"
                                                                << "confirm";
        QTest::newRow("token learned") << "5:3:t1:aaaa" << 3 << true << ""
                                       << "token";
        QTest::newRow("deleted elsewhere") << "5:4:d:t1" << 3 << true << "t1"
                                           << "gone";
        QTest::newRow("deleted elsewhere, change waiting") << "5:4:d:t1" << 3 << false << "t1"
                                                           << "";
        QTest::newRow("deleted, service went back") << "5:2:d:t1" << 3 << true << "t1"
                                                    << "again";
    }

    // What the service's list alone asks of this computer.
    void compareList()
    {
        QFETCH(QString, listed);
        QFETCH(int, synced);
        QFETCH(bool, syn);
        QFETCH(QString, token);
        QFETCH(QString, plan);
        const IdListReply reply = parseIdListReply(
            QStringLiteral("ok|0|%1|2026-12-6 10:00:00|%2").arg(ServerProof(QStringLiteral("pw")), listed),
            QStringLiteral("pw"));
        QCOMPARE(reply.entries.size(), size_t(1));
        ListInputs inputs;
        inputs.entries = reply.entries;
        inputs.local = {key(1, 5, synced, syn, token, QStringLiteral("aaaa0000"))};
        const ListPlan got = velmo::compareList(inputs);
        QStringList parts;
        if (!got.forgotten.empty())
            parts << QStringLiteral("forgotten");
        if (!got.sendAgain.empty())
            parts << QStringLiteral("again");
        if (!got.gone.empty())
            parts << QStringLiteral("gone");
        if (!got.tokens.empty())
            parts << QStringLiteral("token");
        for (const ListPlan::Download& download : got.downloads) {
            parts << (download.reason == ListPlan::Reason::Confirm ? QStringLiteral("confirm")
                      : download.local                             ? QStringLiteral("download")
                                                                   : QStringLiteral("download new"));
        }
        QCOMPARE(parts.join(QStringLiteral("; ")), plan);
    }

    void listInAnyOrder_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QList<int>>("rows"); // the server ids the rows carry, in the order given
        QTest::newRow("in order") << "2:1:t2:aaaa,4:2:t4:aaaa,5:1:d:t5,7:1:t7:aaaa,9:1:t9"
                                  << QList<int>{2, 4, 7, 8};
        QTest::newRow("out of order")
            << "9:1:t9,4:2:t4:aaaa,7:1:t7:aaaa,5:1:d:t5,2:1:t2:aaaa" << QList<int>{8, 7, 4, 2};
        QTest::newRow("an id listed deleted, then live")
            << "4:2:t4:aaaa,7:3:d:t7,2:1:t2:aaaa,5:1:d:t5,7:1:t7:aaaa,9:1:t9" << QList<int>{4, 2, 8, 7};
    }

    // The order of the list and of the rows changes nothing of what the list asks.
    void listInAnyOrder()
    {
        QFETCH(QString, listed);
        QFETCH(QList<int>, rows);
        ListInputs inputs;
        inputs.entries = parseIdListReply(QStringLiteral("ok|0|%1|2026-12-6 10:00:00|%2")
                                              .arg(ServerProof(QStringLiteral("pw")), listed),
                                          QStringLiteral("pw"))
                             .entries;
        for (const int serverId : rows)
            inputs.local.push_back(key(serverId, serverId, 1, true, QStringLiteral("t%1").arg(serverId),
                                       QStringLiteral("aaaa0000")));
        const ListPlan got = velmo::compareList(inputs);
        QStringList parts;
        for (const SyncKey& row : got.forgotten)
            parts << QStringLiteral("forgotten %1").arg(row.serverId);
        for (const ListPlan::Download& download : got.downloads)
            parts << QStringLiteral("%1 %2")
                         .arg(download.local ? "download" : "new")
                         .arg(download.entry.serverId);
        QCOMPARE(parts.join(QStringLiteral("; ")), QStringLiteral("forgotten 8; download 4; new 5; new 9"));
        QCOMPARE(got.live, (std::vector<qint64>{2, 4, 7, 9}));
    }
};

VELMO_TEST_MAIN(TestCopyDecision)
#include "TestCopyDecision.moc"
