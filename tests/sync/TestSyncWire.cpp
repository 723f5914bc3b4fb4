#include "TestMain.h"
#include "TestStore.h"

#include "platform/RequestSignature.h"
#include "sync/ServerRecord.h"
#include "sync/SyncReplies.h"

using namespace velmo;

namespace {

const QString Hash = QStringLiteral("b17f74250bf96634");

// A memo with a value of its own in every field, "|" in its texts, a body longer than the 5120
// characters the original read of a reply, a negative number and a lunar day no solar month has.
MemoRecord sampleMemo()
{
    MemoRecord memo = test::TestStore(QStringLiteral("张三")).distinctMemo(2);
    memo.title = QStringLiteral("a|b&c+d%e");
    memo.content = QStringLiteral("first|line\n") + QString(6000, QLatin1Char('x')) + QStringLiteral("|end");
    memo.click = -3;
    memo.AlertTimeNongli = LunarMoment{2012, 2, 30, 0, 0, 0};
    return memo;
}

} // namespace

class TestSyncWire : public QObject
{
    Q_OBJECT

private slots:
    void storedCodeAgainstAListedOne_data()
    {
        QTest::addColumn<QString>("stored"); // as a row holds it
        QTest::addColumn<QString>("listed"); // as a list names it
        QTest::addColumn<bool>("same");
        QTest::addColumn<bool>("startsWith");
        QTest::newRow("equal") << "a0b1c2d3"
                               << "a0b1c2d3" << true << true;
        QTest::newRow("a digest and the list's start of it") << "a0b1c2d3e4f5a6b7"
                                                             << "a0b1c2d3" << false << true;
        QTest::newRow("another") << "a0b1c2d3"
                                 << "a0b1c2d4" << false << false;
        QTest::newRow("longer than a code, beginning alike") << "a0b1c2d3e4f5a6b7c"
                                                             << "a0b1c2d3e4f5a6b7" << false << false;
        QTest::newRow("not ASCII") << QStringLiteral("a0b1c2d\u00e9") << "a0b1c2d" << false << false;
        QTest::newRow("a NUL in it") << QStringLiteral("a0b1") + QChar(0) << "a0b1" << false << false;
    }

    // A text in the file that cannot be a code (only a damaged file holds one) matches no code a list
    // names, whatever it begins with.
    void storedCodeAgainstAListedOne()
    {
        QFETCH(QString, stored);
        QFETCH(QString, listed);
        QFETCH(bool, same);
        QFETCH(bool, startsWith);
        const ShortCode row(stored);
        QCOMPARE(row == ShortCode(listed), same);
        QCOMPARE(row.startsWith(ShortCode(listed)), startsWith);
        if (same)
            QCOMPARE(row.toString(), listed);
    }

    // A record is read whole and gives back every synchronised field, "|" and length included.
    void recordRoundTrip()
    {
        const MemoRecord memo = sampleMemo();
        const QString data = conflictDataText(ServerRecordText(memo), 17);
        QVERIFY(data.size() > 5120);
        const std::optional<ConflictRecord> back = parseConflictData(data);
        QVERIFY(back);
        QCOMPARE(back->serverId, 17);
        QCOMPARE(back->memo, memo);

        // Yes is "True" in any letter case, "1" or "-1"; anything else is no.
        QStringList fields = ServerRecordText(memo).split(RecordFieldSeparator);
        for (const auto& [text, yes] : {std::pair{"true", true},
                                        {"TRUE", true},
                                        {"1", true},
                                        {"-1", true},
                                        {"0", false},
                                        {"yes", false},
                                        {"", false}}) {
            fields[4] = QString::fromLatin1(text);
            QCOMPARE(parseServerRecord(fields.join(RecordFieldSeparator)).value().Done, yes);
        }

        const SynReply conflict =
            parseSynReply(QStringLiteral("#adok#|error|17|") + ServerRecordText(memo) + "\r\n");
        QCOMPARE(conflict.kind, SynReply::Kind::Conflict);
        QCOMPARE(parseServerRecord(conflict.serverRecord)->content, memo.content);
    }

    void synReply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("serverId");
        QTest::addColumn<qint64>("localId");
        const int stored = int(SynReply::Kind::Stored), deleted = int(SynReply::Kind::Deleted),
                  unknown = int(SynReply::Kind::Unknown);
        QTest::newRow("stored") << "#adok#|ok|12|7" << stored << qint64(12) << qint64(7);
        QTest::newRow("line break after") << "#adok#|ok|12|7\r\n" << stored << qint64(12) << qint64(7);
        QTest::newRow("server id 0") << "#adok#|ok|0|7" << unknown << qint64(0) << qint64(0);
        QTest::newRow("negative id") << "#adok#|ok|-4|7" << unknown << qint64(0) << qint64(0);
        QTest::newRow("id with SQL") << "#adok#|ok|12 or 1=1|7" << unknown << qint64(0) << qint64(0);
        QTest::newRow("no local id") << "#adok#|ok|12|" << unknown << qint64(0) << qint64(0);
        QTest::newRow("local id 0") << "#adok#|ok|12|0" << unknown << qint64(0) << qint64(0);
        QTest::newRow("deleted") << "#delo#|ok|9" << deleted << qint64(9) << qint64(0);
        QTest::newRow("deleted, never uploaded") << "#delo#|ok|0" << deleted << qint64(0) << qint64(0);
        QTest::newRow("deleted, no number") << "#delo#|ok|x" << unknown << qint64(0) << qint64(0);
        QTest::newRow("deleted, negative id") << "#delo#|ok|-1" << unknown << qint64(0) << qint64(0);
        QTest::newRow("conflict without record")
            << "#adok#|error|12|garbage" << unknown << qint64(0) << qint64(0);
        QTest::newRow("html page") << "<html><body>Service Unavailable</body></html>" << unknown << qint64(0)
                                   << qint64(0);
        QTest::newRow("letter case") << "#ADOK#|OK|12|7" << unknown << qint64(0) << qint64(0);
    }

    // Ids are numbers above 0 or the reply is not taken; a reply is split on its first separators.
    void synReply()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(qint64, serverId);
        QFETCH(qint64, localId);
        const SynReply reply = parseSynReply(text);
        QCOMPARE(int(reply.kind), kind);
        QCOMPARE(reply.serverId, serverId);
        QCOMPARE(reply.localId, localId);
    }

    void idList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("after"); // the server id the page was asked after
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<qint64>("detail"); // the next page's start; for a page refused, its bad entry
        const QString head = "ok|0|" + ServerProof(Hash) + "|2026-12-6 10:00:00|";
        const int accepted = int(IdListReply::Kind::Accepted), malformed = int(IdListReply::Kind::Malformed),
                  unsupported = int(IdListReply::Kind::Unsupported);
        QTest::newRow("list") << head +
                                     "3:1:a0b1c2d3:5f2e9c01,4:2:d:ffff0000:77aa1b2c, 9:12:1234:c0\r\n|0\r\n"
                              << qint64(0) << accepted
                              << "3:1@a0b1c2d3/5f2e9c01 4:2:d@ffff0000/77aa1b2c 9:12@1234/c0" << qint64(0);
        QTest::newRow("empty list") << "ok|1|" + ServerProof(Hash) + "|2026-12-6 10:00:00||0" << qint64(0)
                                    << accepted << "" << qint64(0);
        QTest::newRow("a page, more follow")
            << head + "12:1:t:d,15:1:t:d|15" << qint64(10) << accepted << "12:1@t/d 15:1@t/d" << qint64(15);
        QTest::newRow("counter at the bottom")
            << head + "8:-2147483648:t:d|0" << qint64(0) << accepted << "8:-2147483648@t/d" << qint64(0);
        QTest::newRow("counter at the top")
            << head + "8:2147483647:t:d|0" << qint64(0) << accepted << "8:2147483647@t/d" << qint64(0);
        // A service that names no tokens and digests, or pages: this program cannot synchronise with it.
        QTest::newRow("the previous version's list")
            << head + "3:1,4:2:d,9:12" << qint64(0) << unsupported << "" << qint64(0);
        QTest::newRow("previous version, no memos") << head << qint64(0) << unsupported << "" << qint64(0);
        QTest::newRow("tokens, no pages") << head + "3:1:t:d" << qint64(0) << unsupported << "" << qint64(0);
        QTest::newRow("entries without tokens")
            << head + "3:1:t:d,4:2:d|0" << qint64(0) << unsupported << "" << qint64(2);
        QTest::newRow("tokens without digests")
            << head + "3:1:a0b1c2d3,4:2:d:ffff0000|0" << qint64(0) << unsupported << "" << qint64(1);
        // Any other entry that does not read refuses the page, naming the entry.
        const char* wrong[] = {"0:1:t:d",
                               "-2:1:t:d",
                               "5:x:t:d",
                               "5 or 1=1:2:t:d",
                               "7:2:d:x:y:z",
                               "7:2:a-b:d",
                               "7:2::",
                               "7:2:t:",
                               "0:1:d:t:d",
                               "9:2147483648:t:d",
                               "7",
                               "7:2:t:d:e:f",
                               "7:2:t:01234567890123456",
                               "9223372036854775808:1:t:d",
                               "7:-2147483649:t:d",
                               "7:+:t:d"};
        for (const char* entry : wrong) {
            QTest::addRow("wrong entry %s", entry)
                << head + "3:1:t:d," + entry + ",99:1:t:d|0" << qint64(0) << malformed << "" << qint64(2);
        }
        QTest::newRow("ids not increasing")
            << head + "3:1:t:d,3:2:t:d|0" << qint64(0) << malformed << "" << qint64(2);
        QTest::newRow("id not above the page's start")
            << head + "10:1:t:d|0" << qint64(10) << malformed << "" << qint64(1);
        QTest::newRow("next not the last id")
            << head + "12:1:t:d,15:1:t:d|14" << qint64(10) << malformed << "" << qint64(0);
        QTest::newRow("next after an empty page")
            << head + "|15" << qint64(10) << malformed << "" << qint64(0);
        QTest::newRow("next not a number")
            << head + "12:1:t:d|x" << qint64(10) << malformed << "" << qint64(0);
        QTest::newRow("next below 0") << head + "12:1:t:d|-1" << qint64(10) << malformed << "" << qint64(0);
        QTest::newRow("refused") << "error" << qint64(0) << int(IdListReply::Kind::Refused) << ""
                                 << qint64(0);
        QTest::newRow("wrong proof") << "ok|0|0123456789abcdef|2026-12-6|3:1:t:d|0" << qint64(0)
                                     << int(IdListReply::Kind::Failed) << "" << qint64(0);
    }

    void idList()
    {
        QFETCH(QString, text);
        QFETCH(qint64, after);
        QFETCH(int, kind);
        QFETCH(QString, entries);
        QFETCH(qint64, detail);
        const IdListReply reply = parseIdListReply(text, Hash, after);
        QCOMPARE(int(reply.kind), kind);
        QStringList got;
        for (const ServerEntry& entry : reply.entries)
            got << QStringLiteral("%1:%2%3@%4/%5")
                       .arg(entry.serverId)
                       .arg(entry.synnum)
                       .arg(entry.deleted ? ":d" : "", entry.token.toString(), entry.digest.toString());
        QCOMPARE(got.join(QLatin1Char(' ')), entries);
        QCOMPARE(reply.kind == IdListReply::Kind::Accepted ? reply.next : qint64(reply.badEntry), detail);
    }

    void downloadReply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        const QString good = conflictDataText(ServerRecordText(sampleMemo()), 4);
        const int memo = int(DownloadReply::Kind::Memo), unreadable = int(DownloadReply::Kind::Unreadable);
        QTest::newRow("memo") << "ok|" + good + "\r\n" << memo;
        // Each text the memo table bounds (owner, title, repeat code, address, tune), at its limit and
        // one past it; the counter at the top of its range and one past it.
        const std::tuple<const char*, int, QString, QString> limits[] = {
            {"owner", 1, QString(50, u'u'), QString(51, u'u')},
            {"title", 2, QString(255, u't'), QString(256, u't')},
            {"repeat", 7, QString(50, u'r'), QString(51, u'r')},
            {"address", 11, QString(50, u'a'), QString(51, u'a')},
            {"tune", 16, QString(255, u's'), QString(256, u's')},
            {"counter", 20, QStringLiteral("2147483647"), QStringLiteral("2147483648")},
        };
        for (const auto& [name, field, atLimit, pastLimit] : limits) {
            for (const QString& value : {atLimit, pastLimit}) {
                QStringList fields = ServerRecordText(sampleMemo()).split(RecordFieldSeparator);
                fields[field] = value;
                QTest::addRow("%s %s", name, value == atLimit ? "at the limit" : "one past")
                    << "ok|" + conflictDataText(fields.join(RecordFieldSeparator), 4)
                    << (value == atLimit ? memo : unreadable);
            }
        }
        // A moment that does not read is refused with its record, not stored blank.
        for (const auto& [name, field, value] :
             {std::tuple{"lunar 13th month, 31st day", 13, "2026-13-31 8:00:00"},
              std::tuple{"30th of February", 6, "2026-2-30 8:00:00"},
              std::tuple{"mail moment in words", 14, "tomorrow"}}) {
            QStringList fields = ServerRecordText(sampleMemo()).split(RecordFieldSeparator);
            fields[field] = QString::fromLatin1(value);
            QTest::newRow(name) << "ok|" + conflictDataText(fields.join(RecordFieldSeparator), 4)
                                << unreadable;
        }
        QTest::newRow("deleted, with its token and copies")
            << "ok|" + good + "(#f!g#)d(#f!g#)a1b2c3d4(#f!g#)1:0123456789abcdef,2:fedcba9876543210" << memo;
        QTest::newRow("a mark that is none") << "ok|" + good + "(#f!g#)x(#f!g#)a1b2c3d4(#f!g#)" << unreadable;
        QTest::newRow("separator in the title")
            << "ok|" + conflictDataText(ServerRecordText(sampleMemo()).replace("a|b", "a(#f!g#)b"), 4)
            << unreadable;
        QTest::newRow("server id 0") << "ok|" + conflictDataText(ServerRecordText(sampleMemo()), 0)
                                     << unreadable;
        QTest::newRow("no such memo") << "ok|" << int(DownloadReply::Kind::Missing);
        QTest::newRow("unknown account") << "error" << int(DownloadReply::Kind::Refused);
        QTest::newRow("html page") << "<html>ok|1|</html>" << int(DownloadReply::Kind::Failed);
        QTest::newRow("signerror") << "signerror" << int(DownloadReply::Kind::Failed);
    }

    // One memo a reply; a record that does not read or fit affects that memo alone.
    void downloadReply()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        const DownloadReply reply = parseDownloadReply(text);
        QCOMPARE(int(reply.kind), kind);
        QCOMPARE(reply.memo.has_value(), kind == int(DownloadReply::Kind::Memo));
        if (reply.memo) {
            QCOMPARE(reply.memo->serverId, 4);
            QCOMPARE(reply.memo->memo.AlertTimeNongli, sampleMemo().AlertTimeNongli);
            QCOMPARE(reply.deleted, text.contains("(#f!g#)d(#f!g#)"));
            QCOMPARE(reply.versions.size(), size_t(reply.deleted ? 2 : 0));
        }
    }

    void wireMoment_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lunar");
        QTest::addColumn<QString>("stored"); // empty: not read
        const auto row = [](const char* name, const char* text, bool lunar, const char* stored) {
            QTest::newRow(name) << QString::fromLatin1(text) << lunar << QString::fromLatin1(stored);
        };
        row("service form", "2012-5-21 9:07:05", false, "2012-05-21 09:07:05");
        row("slashes, no seconds", "2012/05/21 09:07", false, "2012-05-21 09:07:00");
        row("midnight", "2012-5-21", false, "2012-05-21 00:00:00");
        row("no such day", "2012-2-30 1:00:00", false, "");
        row("bad time", "2012-2-3 25:00:00", false, "");
        row("words", "yesterday", false, "");
        row("lunar 30th of the 2nd month", "2026-2-30 8:00:00", true, "2026-02-30 08:00:00");
        row("lunar midnight", "2026-12-30", true, "2026-12-30 00:00:00");
        row("lunar, slashes, no seconds", "2026/04/01 09:07", true, "2026-04-01 09:07:00");
        row("lunar 31st", "2026-1-31 8:00:00", true, "");
        row("lunar 13th month", "2026-13-1 8:00:00", true, "");
        row("lunar day 0", "2026-3-0 8:00:00", true, "");
        row("lunar bad time", "2026-3-1 24:00:00", true, "");
        row("lunar year too short", "999-3-1", true, "");
        row("lunar empty", "", true, "");
    }

    // A moment travels as its numbers, a lunar one also on a day no solar month has, and comes back
    // as it went.
    void wireMoment()
    {
        QFETCH(QString, text);
        QFETCH(bool, lunar);
        QFETCH(QString, stored);
        if (lunar) {
            const std::optional<LunarMoment> moment = parseWireLunar(text);
            QCOMPARE(moment ? moment->storageText() : QString(), stored);
            if (moment)
                QCOMPARE(parseWireLunar(wireLunarText(*moment)), moment);
        } else {
            const QDateTime moment = parseWireDate(text);
            QCOMPARE(moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), stored);
            if (moment.isValid())
                QCOMPARE(parseWireDate(wireDateText(moment)), moment);
        }
    }

    void untravellablePart_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        QTest::newRow("Chinese, signs and line breaks") << "中文 a|b&c%+<BR>\r\n(#f!g#"
                                                        << "";
        QTest::newRow("separator") << "x(#f!g#)y"
                                   << "(#f!g#)";
        QTest::newRow("emoji") << QString::fromUtf8("x\U0001F600") << QString::fromUtf8("\U0001F600");
        QTest::newRow("unpaired surrogate") << QString(QChar(0xD800)) + "x" << QString(QChar(0xD800));
        QTest::newRow("euro sign") << QString::fromUtf8("€") << "";
        QTest::newRow("NUL") << "a" + QString(QChar(0)) + "b" << QString(QChar(0));
    }

    void untravellablePart()
    {
        QFETCH(QString, text);
        QTEST(velmo::untravellablePart(text), "part");
    }
};

VELMO_TEST_MAIN(TestSyncWire)
#include "TestSyncWire.moc"
