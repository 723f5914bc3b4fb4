#include "SyncRig.h"
#include "TestMain.h"

#include "platform/RequestSignature.h"
#include "velmo-service/MemoStore.h"

using namespace velmo;
using namespace velmo::test;

namespace {

const QString UnsupportedStatus = QStringLiteral("状态:服务器不支持本版本的同步,未同步");

// Everything the computer keeps, every table and row, as text: what a pass that changes nothing
// leaves as it was.
QString everything(Device& device)
{
    const Database& db = device.store.db();
    QStringList tables;
    db.forEachRow(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                                 "'sqlite%' ORDER BY name"),
                  {}, [&tables](const DbQuery& row) { tables << row.value(0).toString(); });
    QString text;
    for (const QString& table : tables) {
        QStringList columns;
        db.forEachRow(
            QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table},
            [&columns](const DbQuery& row) { columns << "quote(" + row.value(0).toString() + ")"; });
        text += table + QLatin1Char('\n');
        db.forEachRow(
            QStringLiteral("SELECT %1 FROM \"%2\"").arg(columns.join(QStringLiteral("||'|'||")), table), {},
            [&text](const DbQuery& row) { text += row.value(0).toString() + QLatin1Char('\n'); });
    }
    return text;
}

// The server ids each list request of the account asked its page after.
QStringList pagesAsked(const Rig& rig)
{
    QStringList after;
    for (const standin::StandInRequest& request : rig.service.requests()) {
        if (request.path == QLatin1String("/Api/id.asp"))
            after << request.queryValue(QStringLiteral("after"));
    }
    return after;
}

} // namespace

class TestServiceList : public QObject
{
    Q_OBJECT

private slots:
    void readInPages_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<bool>("laterPageFails");
        QTest::addColumn<QStringList>("pages"); // the server ids each page is asked after
        QTest::newRow("a memo a page") << 1 << false << QStringList{"0", "1", "2"};
        QTest::newRow("two a page") << 2 << false << QStringList{"0", "2"};
        QTest::newRow("one page just holds them") << 3 << false << QStringList{"0"};
        QTest::newRow("a later page fails") << 1 << true << QStringList{"0", "1"};
    }

    // B reads the whole list, page by page, before it changes anything: a page that fails ends the
    // pass with nothing downloaded, uploaded or written.
    void readInPages()
    {
        QFETCH(int, pageSize);
        QFETCH(bool, laterPageFails);
        QFETCH(QStringList, pages);
        Rig rig;
        rig.b.channel.setTimeout(60s); // a sanitizer build writes a page of 160,000 memos for seconds
        rig.service.setListPageSize(pageSize);
        qint64 onA[3] = {rig.a.add(QStringLiteral("one")), rig.a.add(QStringLiteral("two")),
                         rig.a.add(QStringLiteral("three"))};
        QVERIFY(rig.a.syncNow() && rig.b.syncNow());
        rig.a.change(onA[0], Device::Edit);
        rig.a.change(onA[1], Device::Delete);
        QVERIFY(rig.a.syncNow());
        rig.b.add(QStringLiteral("new on B"));
        const QString before = everything(rig.b);
        if (laterPageFails) {
            QObject::connect(&rig.service.service(), &standin::ServiceStandIn::requestReceived,
                             [&rig](const standin::StandInRequest& request) {
                                 if (request.queryValue(QStringLiteral("after")) == QLatin1String("1"))
                                     rig.service.failNext(Fault::ServerError, 1,
                                                          QStringLiteral("/Api/id.asp"));
                             });
        }
        rig.service.clearRequests();
        QVERIFY(rig.b.syncNow());
        QCOMPARE(pagesAsked(rig), pages);
        if (laterPageFails) {
            QVERIFY(rig.b.statuses.last().startsWith(QStringLiteral("状态:连接失败,下次同步")));
            QCOMPARE(everything(rig.b), before);
            QCOMPARE(rig.service.requestCount(), qsizetype(2));
            return;
        }
        QCOMPARE(rig.b.titles(), (QStringList{"new on B", "one+", "three"}));
        QVERIFY(rig.a.syncNow());
        QCOMPARE(rig.apart({&rig.a, &rig.b}), QString());
    }

    void longList_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("status");
        QTest::newRow("in pages") << standin::ListShape::DefaultPageSize << 8 << "状态:同步完成";
        QTest::newRow("one reply past the limit")
            << 200000 << 1 << "状态:服务器的应答太大(超过 4 MB),下次同步";
    }

    // A list longer than a reply may be is read in pages; a single reply past the limit is refused.
    void longList()
    {
        QFETCH(int, pageSize);
        QFETCH(int, requests);
        QFETCH(QString, status);
        Rig rig;
        rig.b.channel.setTimeout(60s); // a sanitizer build writes a page of 160,000 memos for seconds
        rig.service.setListPageSize(pageSize);
        // 160,000 memos deleted on the service: more than 4 MB of list, and nothing to download.
        standin::MemoStore::Backup saved;
        for (qint64 id = 1; id <= 160000; ++id)
            saved.memos.append({id, QStringLiteral("demo"), 2, 1, QStringLiteral(""),
                                QStringLiteral("a0b1c2d3"), QStringLiteral("0123456789abcdef")});
        QVERIFY(rig.memos().restore(saved));
        QVERIFY(rig.b.syncNow());
        QVERIFY2(rig.b.statuses.last().startsWith(status), qPrintable(rig.b.statuses.last()));
        QCOMPARE(rig.service.requestCount(), qsizetype(requests));
    }

    void unsupportedService_data()
    {
        QTest::addColumn<bool>("memosThere");
        QTest::newRow("memos on the service") << true;
        QTest::newRow("no memos on the service") << false;
    }

    // A service whose list names no tokens and digests (one of the previous version) is not
    // synchronised with: the pass changes nothing, and the user is told once a run.
    void unsupportedService()
    {
        QFETCH(bool, memosThere);
        Rig rig;
        const qint64 shared = rig.a.add(QStringLiteral("shared"));
        const qint64 gone = rig.a.add(QStringLiteral("gone"));
        if (memosThere)
            QVERIFY(rig.a.syncNow());
        rig.a.change(shared, Device::Edit);
        rig.a.change(gone, Device::Delete);
        rig.a.add(QStringLiteral("new"));
        rig.service.setPlainList(true);
        const QString before = everything(rig.a);
        const auto held = rig.memos().backup().memos;
        QSignalSpy told(&rig.a.sync, &SyncSession::serviceUnsupported);
        rig.service.clearRequests();
        for (int pass = 0; pass < 2; ++pass) {
            QVERIFY(rig.a.syncNow());
            QCOMPARE(rig.a.statuses.last(), UnsupportedStatus);
        }
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.first().first().toString(),
                 QStringLiteral("服务器不支持本版本的同步方式,为免备忘丢失或重复,"
                                "没有同步任何备忘。请使用支持本版本的服务器。"));
        QCOMPARE(pagesAsked(rig), (QStringList{"0", "0"}));
        QCOMPARE(rig.service.requestCount(), qsizetype(2));
        QCOMPARE(everything(rig.a), before);
        QCOMPARE(rig.memos().backup().memos, held);
    }

    void wrongList_data()
    {
        QTest::addColumn<QString>("list"); // %1: the memo's entry as listed, %2: its server id
        QTest::addColumn<QString>("status");
        const QString wrong = QStringLiteral("状态:服务器的备忘列表有误(%1),下次同步");
        QTest::newRow("its entry of the wrong shape") << "%2:1:a-b:c|0" << wrong.arg("第 1 项有误");
        QTest::newRow("a later entry of the wrong shape") << "%1,99999:x:t:d|0" << wrong.arg("第 2 项有误");
        QTest::newRow("ids not increasing") << "99999:1:t:d,%1|0" << wrong.arg("第 2 项有误");
        QTest::newRow("next page not where the page ends") << "%1|99999" << wrong.arg("分页不符");
        QTest::newRow("its entry without token and digest") << "%2:1|0" << UnsupportedStatus;
    }

    // A list that does not read is refused whole: the pass changes nothing, and says why. (A memo
    // whose entry were passed over would let its server id go and go up again: a second copy.)
    void wrongList()
    {
        QFETCH(QString, list);
        QFETCH(QString, status);
        Rig rig;
        qint64 onA = 0, onB = 0;
        QVERIFY(rig.shareOne(onA, onB, rig.a.store.sampleMemo(QStringLiteral("memo"))));
        rig.b.change(onB, Device::Edit);
        rig.b.add(QStringLiteral("new on B"));
        qint64 serverId = 0;
        QString entry;
        QVERIFY(rig.memos().eachListed(QStringLiteral("demo"), 0, 1,
                                       [&](const standin::MemoStore::Listed& listed) {
                                           serverId = listed.serverId;
                                           entry = QStringLiteral("%1:%2:%3:%4")
                                                       .arg(listed.serverId)
                                                       .arg(listed.synnum)
                                                       .arg(listed.token, listed.digest.left(8));
                                       }));
        rig.answer(QStringLiteral("/Api/id.asp"),
                   "ok|0|" + ServerProof(MD5_16(Password)) + "|2026-12-6 10:00:00|" +
                       QString(list).replace("%1", entry).replace("%2", QString::number(serverId)));
        const QString before = everything(rig.b);
        rig.service.clearRequests();
        QVERIFY(rig.b.syncNow());
        QCOMPARE(rig.b.statuses.last(), status);
        QCOMPARE(rig.service.requestCount(), qsizetype(1));
        QCOMPARE(everything(rig.b), before);
        QCOMPARE(rig.serverTitles(), QStringList{"memo"});
    }
};

VELMO_TEST_MAIN(TestServiceList)
#include "TestServiceList.moc"
