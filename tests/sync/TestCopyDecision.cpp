#include "TestMain.h"

#include "sync/CopyDecision.h"
#include "sync/ListComparison.h"
#include "sync/ServerRecord.h"

#include <QTest>

using namespace velmo;

namespace {

// A list entry "<id>:<synnum>[:d][:<token>[:<digest>]]" as the comparison takes it: the comparison still
// reads an entry without its digest, and in any order (the list's reader refuses both).
ServerEntry listEntry(const QString& listed)
{
    QStringList fields = listed.split(u':');
    ServerEntry entry{fields[0].toLongLong(), fields[1].toInt(), fields.value(2) == u"d", {}, {}};
    fields = fields.mid(entry.deleted ? 3 : 2);
    entry.token = fields.value(0);
    entry.digest = fields.value(1);
    return entry;
}

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
        QTest::newRow("copy.inStep: in step, takes it") << "a" << true << false << ""
                                                        << "" << false << "b" << false << take;
        QTest::newRow("copy.same: the same on both sides") << "b" << false << false << "a"
                                                           << "" << false << "b" << false << inStep;
        QTest::newRow("copy.onBase: the copy it changed, keeps its change")
            << "b" << false << false << "a"
            << "" << false << "a" << false << keep;
        QTest::newRow("copy.cameToNothing: changes that came to nothing")
            << "a" << false << false << "a"
            << "" << false << "b" << false << take;
        QTest::newRow("copy.conflict: changed on both sides") << "b" << false << false << "a"
                                                              << "" << false << "c" << false << conflict;
        QTest::newRow("copy.conflict: no copy last in step known") << "b" << false << false << ""
                                                                   << "" << false << "c" << false << conflict;
        QTest::newRow("copy.rowDeleted: deleted here, newer copy there")
            << "a" << false << true << "a"
            << "" << false << "c" << false << take;
        QTest::newRow("copy.ownPost: its own post, changed here since") << "d" << false << false << "a"
                                                                        << "b" << true << "b" << false << own;
        QTest::newRow("copy.afterPost: its post, changed there since")
            << "b" << false << false << "a"
            << "b" << false << "c" << false << take;
        QTest::newRow("copy.afterPostChanged: its post, changed on both sides since")
            << "d" << false << false << "a"
            << "b" << true << "c" << false << conflict;
        QTest::newRow("copy.afterPostChanged: its post, changed back here since")
            << "b" << false << false << "a"
            << "b" << true << "c" << false << conflict;
        QTest::newRow("copy.deletedAfterPost: deleted elsewhere after its post")
            << "b" << false << false << "a"
            << "b" << false << "b" << true << goes;
        QTest::newRow("copy.deletedUnseen: deleted elsewhere, changed here since")
            << "d" << false << false << "a"
            << "b" << true << "b" << true << up;
        QTest::newRow("copy.deletedUnseen: deleted elsewhere, its post never arrived")
            << "b" << false << false << "a"
            << "" << false << "a" << true << up;
        QTest::newRow("copy.deletedSeen: deleted elsewhere, in step here")
            << "a" << true << false << ""
            << "" << false << "a" << true << goes;
        QTest::newRow("copy.deletedSeen: deleted elsewhere, in step here after its posts")
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

    void decideCarried_data()
    {
        QTest::addColumn<QString>("row"); // since the list: same, gone, moved (another id), stepped (counter)
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("knows");    // the row's memo said an earlier copy of it
        QTest::addColumn<QString>("token"); // the row's token as listed
        QTest::addColumn<QString>("outcome");
        QTest::newRow("copy.movedOn: gone") << "gone" << true << true << "t"
                                            << "moved on";
        QTest::newRow("copy.movedOn: another server id") << "moved" << true << true << "t"
                                                         << "moved on";
        QTest::newRow("copy.movedOn: in step another way") << "stepped" << false << true << ""
                                                           << "moved on";
        QTest::newRow("copy.confirm: a copy the row knows") << "same" << true << true << "?"
                                                            << "decide; token";
        QTest::newRow("copy.confirm: another memo's") << "same" << true << false << "?"
                                                      << "not the row's";
        QTest::newRow("list.token: learned") << "same" << false << false << ""
                                             << "decide; token";
        QTest::newRow("list.token: known") << "same" << false << false << "t"
                                           << "decide";
    }

    // Whether a copy downloaded for a row is still the row's to decide.
    void decideCarried()
    {
        QFETCH(QString, row);
        QFETCH(bool, confirm);
        QFETCH(bool, knows);
        QFETCH(QString, token);
        QFETCH(QString, outcome);
        CarrierRow carrier;
        carrier.listed = key(1, 5, 3, false, token);
        carrier.confirm = confirm;
        if (row != "gone") {
            carrier.row = copyOf("b", 4);
            carrier.row->NotebookServerId = row == "moved" ? 6 : 5;
            carrier.row->SyncedSynnum = row == "stepped" ? 4 : 3;
        }
        carrier.known = {wireDigest(copyOf("b")), wireDigest(copyOf(knows ? "a" : "x"))};
        ServiceCopy copy = serviceCopy(5, "c", 4, {"o", "a"});
        copy.token = QStringLiteral("t");
        const CarriedCopy got = velmo::decideCarried(carrier, copy);
        const QStringList steps{"moved on", "not the row's", "decide"};
        QCOMPARE(steps[int(got.step)] + (got.learnToken ? QStringLiteral("; token") : QString()), outcome);
    }

    void decideStored_data()
    {
        QTest::addColumn<bool>("ofThePost");
        QTest::addColumn<bool>("heldElsewhere");
        QTest::addColumn<bool>("listedLive");
        QTest::addColumn<int>("step");
        QTest::newRow("answer.stored: a new server id") << true << false << true << int(StoredStep::Stored);
        QTest::newRow("answer.storedTaken: given out again")
            << true << true << false << int(StoredStep::IdGiven);
        QTest::newRow("answer.storedTaken: listed live") << true << true << true << int(StoredStep::IdLive);
        QTest::newRow("answer.refused: naming another row, its id taken")
            << false << true << false << int(StoredStep::NotThePost);
    }

    // What follows when the service stores a post.
    void decideStored()
    {
        QFETCH(bool, ofThePost);
        QFETCH(bool, heldElsewhere);
        QFETCH(bool, listedLive);
        QFETCH(int, step);
        QCOMPARE(int(velmo::decideStored({ofThePost, heldElsewhere, listedLive})), step);
    }

    void decideAnswer_data()
    {
        QTest::addColumn<QString>("row");  // the row's title; empty: gone
        QTest::addColumn<bool>("del");     // deleted here
        QTest::addColumn<bool>("ours");    // the row carries the copy's server id
        QTest::addColumn<QString>("base"); // its copy last in step; empty: none
        QTest::addColumn<bool>("post");    // the copy is an earlier post of the row
        QTest::addColumn<QString>("copy");
        QTest::addColumn<int>("at"); // the copy's counter; the row is in step at 3
        QTest::addColumn<int>("step");
        const int gone = int(AnswerStep::RowGone), refused = int(AnswerStep::Refused),
                  own = int(AnswerStep::OwnPost), take = int(AnswerStep::Take),
                  onBase = int(AnswerStep::OnBase), conflict = int(AnswerStep::Conflict);
        QTest::newRow("answer.conflictGone: the row went meanwhile")
            << "" << false << true << "a" << true << "c" << 4 << gone;
        QTest::newRow("answer.conflictOwnPost: an earlier post of the row")
            << "b" << false << true << "a" << true << "c" << 4 << own;
        QTest::newRow("answer.conflictOwnPost: under another server id")
            << "b" << false << false << "a" << true << "c" << 4 << own;
        QTest::newRow("answer.refused: another memo's copy")
            << "b" << false << false << "a" << false << "c" << 4 << refused;
        QTest::newRow("answer.conflictResent: the row only sent again")
            << "a" << false << true << "a" << false << "c" << 4 << take;
        QTest::newRow("answer.conflictOnBase: the copy the change was made on")
            << "b" << false << true << "a" << false << "a" << 4 << onBase;
        QTest::newRow("answer.conflictOnBase: a deletion of the copy it says")
            << "a" << true << true << "" << false << "a" << 4 << onBase;
        QTest::newRow("answer.conflictOnBase: at the top of its range")
            << "b" << false << true << "a" << false << "a" << 3 << conflict;
        QTest::newRow("answer.conflictTake: a deletion that had not seen the copy")
            << "a" << true << true << "a" << false << "c" << 4 << take;
        QTest::newRow("answer.conflictTake: the same on both sides")
            << "c" << false << true << "a" << false << "c" << 4 << take;
        QTest::newRow("answer.conflict: changed on both sides")
            << "b" << false << true << "a" << false << "c" << 4 << conflict;
    }

    // What follows when the service refuses a post over the copy it holds.
    void decideAnswer()
    {
        QFETCH(QString, row);
        QFETCH(bool, del);
        QFETCH(bool, ours);
        QFETCH(QString, base);
        QFETCH(bool, post);
        QFETCH(QString, copy);
        QFETCH(int, at);
        QFETCH(int, step);
        RefusedPost answered;
        if (!row.isEmpty()) {
            answered.row = copyOf(row, 5);
            answered.row->Del = del;
            answered.row->SyncedSynnum = 3;
            answered.row->NotebookServerId = ours ? 7 : 8;
        }
        if (!base.isEmpty())
            answered.base = copyOf(base, 3);
        if (post)
            answered.post = OwnPost{SentUpload(), copyOf(copy, at), at};
        ServiceCopy refusedOver = serviceCopy(7, copy, at);
        refusedOver.versions = {{at, refusedOver.digest}};
        QCOMPARE(int(velmo::decideAnswer(answered, refusedOver)), step);
    }

    void matchDeleted_data()
    {
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QStringList>("before"); // what it said before, oldest first
        QTest::addColumn<bool>("deleted");       // its deletion goes up again
        QTest::newRow("copy.deletedHere: as it was deleted") << "b" << QStringList{"a"} << true;
        QTest::newRow("copy.deletedHere: as it was before") << "a" << QStringList{} << true;
        QTest::newRow("copy.revived: changed since") << "c" << QStringList{"a", "b"} << false;
        QTest::newRow("copy.revived: changed back since") << "a" << QStringList{"a", "b"} << false;
        QTest::newRow("copy.deletedHere: a late copy of what it said before")
            << "a" << QStringList{"b"} << true;
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

    void decideUnknown_data()
    {
        QTest::addColumn<QString>("match");       // what the matcher found: row, post, deleted, revived
        QTest::addColumn<QStringList>("knownBy"); // "<title>:<row>": a row whose memo held that copy
        QTest::addColumn<bool>("deleted");        // the copy is deleted
        QTest::addColumn<QString>("outcome");
        // The copy says "c" at 3; it said "o" at 1 and "a" at 2. The matcher's row is 1.
        QTest::newRow("copy.ofRow: before a row's lineage")
            << "row" << QStringList{"a:2"} << false << "row 1";
        QTest::newRow("copy.ofPost: before a row's lineage")
            << "post" << QStringList{"a:2"} << true << "row 1";
        QTest::newRow("copy.lineage: the newest copy a row's memo held")
            << "" << QStringList{"o:2", "a:3"} << false << "row 3 at 2, content not known";
        QTest::newRow("copy.lineage: before a deletion here")
            << "deleted" << QStringList{"o:2"} << false << "row 2 at 1, content not known";
        QTest::newRow("copy.lineage: deleted")
            << "revived" << QStringList{"o:2"} << true << "row 2 at 1, content not known";
        QTest::newRow("copy.deletedHere: live, goes again")
            << "deleted" << QStringList{} << false << "retract";
        QTest::newRow("copy.deletedHere: deleted, stays") << "deleted" << QStringList{} << true << "";
        QTest::newRow("copy.revived: comes down, the deletion let go")
            << "revived" << QStringList{} << false << "insert; forget";
        QTest::newRow("copy.revived: deleted there again, stays") << "revived" << QStringList{} << true << "";
        QTest::newRow("copy.deletedStranger: no memo of this computer's")
            << "" << QStringList{} << true << "";
        QTest::newRow("copy.new: live, no memo of this computer's")
            << "" << QStringList{} << false << "insert";
    }

    // What becomes of a copy of a memo no row carries.
    void decideUnknown()
    {
        QFETCH(QString, match);
        QFETCH(QStringList, knownBy);
        QFETCH(bool, deleted);
        QFETCH(QString, outcome);
        std::optional<CopyMatch> found;
        if (!match.isEmpty()) {
            const QStringList kinds{"row", "post", "deleted", "revived"};
            found = CopyMatch();
            found->kind = CopyMatch::Kind(kinds.indexOf(match));
            found->row = 1;
            if (found->kind == CopyMatch::Kind::Deleted || found->kind == CopyMatch::Kind::Revived)
                found->deletion = SyncDeletion();
        }
        QHash<QString, MemoId> rows;
        for (const QString& spec : knownBy)
            rows.insert(wireDigest(copyOf(spec.section(u':', 0, 0))), spec.section(u':', 1).toLongLong());
        const UnknownCopy got =
            velmo::decideUnknown(found, rows, serviceCopy(9, "c", 3, {"o", "a"}, deleted));
        QString said;
        switch (got.action) {
        case UnknownCopy::Action::Candidate:
            said = QStringLiteral("row %1").arg(got.match.row);
            if (!got.match.contentKnown)
                said += QStringLiteral(" at %1, content not known").arg(got.match.heldAt);
            break;
        case UnknownCopy::Action::Retract:
            said = QStringLiteral("retract");
            break;
        case UnknownCopy::Action::Insert:
            said = got.forget ? QStringLiteral("insert; forget") : QStringLiteral("insert");
            break;
        case UnknownCopy::Action::Nothing:
            break;
        }
        QCOMPARE(said, outcome);
    }

    void resolveCopies_data()
    {
        QTest::addColumn<bool>("gone");          // the row is gone (deleted here)
        QTest::addColumn<qint64>("held");        // the server id the row carries, 0: none
        QTest::addColumn<bool>("unchanged");     // and the service's copy of it is the row's
        QTest::addColumn<QStringList>("copies"); // "<server id>:<title>[:d]", each a copy of the row's memo
        QTest::addColumn<QString>("outcome");    // adopted, retracted, kept, deleteRow, retractHeld
        // The row says "a", its memo said "o" before; "c" is a change made elsewhere.
        QTest::newRow("copies.lowest: new here, the lowest copy, one too many goes")
            << false << qint64(0) << false << QStringList{"9:a", "5:a"} << "adopt 5; retract 9";
        QTest::newRow("copies.lowest: new here, a changed copy stays for later")
            << false << qint64(0) << false << QStringList{"5:a", "9:c"} << "adopt 5";
        QTest::newRow("copies.sameHigher: carries a lower id, copies of it go")
            << false << qint64(3) << true << QStringList{"9:a", "5:o"} << "retract 5,9";
        QTest::newRow("copies.moveTo: carries a higher id, moves to the lower")
            << false << qint64(12) << true << QStringList{"9:a"} << "adopt 9; retract held";
        QTest::newRow("copies.moveTo: carries a higher id, changed there, stays")
            << false << qint64(12) << false << QStringList{"9:a"} << "";
        QTest::newRow("copies.moveTo: a copy changed elsewhere, moves to meet it")
            << false << qint64(3) << true << QStringList{"9:c"} << "adopt 9; retract held";
        QTest::newRow("copies.deleted: deleted elsewhere as it was here")
            << false << qint64(0) << false << QStringList{"9:a:d"} << "delete row";
        QTest::newRow("copies.deleted: deleted elsewhere, changed here since")
            << false << qint64(0) << false << QStringList{"9:o:d"} << "adopt 9";
        QTest::newRow("copies.gone: gone here, unchanged copies go, changed ones stay")
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
        QTest::newRow("list.inStep: in step") << "5:3:t1:aaaa" << 3 << true << "t1"
                                              << "";
        QTest::newRow("list.changed: newer there") << "5:4:t1" << 3 << true << "t1"
                                                   << "download";
        QTest::newRow("list.changed: same counter, another copy") << "5:3:t1:bbbb" << 3 << true << "t1"
                                                                  << "download";
        QTest::newRow("list.behind: went back") << "5:2:t1" << 3 << true << "t1"
                                                << "again";
        QTest::newRow("list.behind: went back, change waiting") << "5:2:t1" << 3 << false << "t1"
                                                                << "";
        QTest::newRow("list.missing: another memo under its id") << "5:3:t2" << 3 << true << "t1"
                                                                 << "forgotten; download new";
        QTest::newRow("list.missing: not listed") << "6:1:t2" << 3 << true << "t1"
                                                  << "forgotten; download new";
        QTest::newRow("list.token: id from an answer, the copy posted listed")
            << "5:3:t1:aaaa" << 3 << true << "?"
            << "token";
        QTest::newRow("list.unconfirmed: id from an answer, another copy listed")
            << "5:3:t1:bbbb" << 3 << true << "?"
            << "confirm";
        QTest::newRow("list.token: token learned") << "5:3:t1:aaaa" << 3 << true << ""
                                                   << "token";
        QTest::newRow("list.deletedSeen: deleted elsewhere") << "5:4:d:t1" << 3 << true << "t1"
                                                             << "gone";
        QTest::newRow("list.deletedChanged: deleted elsewhere, change waiting")
            << "5:4:d:t1" << 3 << false << "t1"
            << "";
        QTest::newRow("list.behind: deleted, service went back") << "5:2:d:t1" << 3 << true << "t1"
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
        ListInputs inputs;
        inputs.entries = {listEntry(listed)};
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
        for (const QString& item : listed.split(u','))
            inputs.entries.push_back(listEntry(item));
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
