#include "SoakRun.h"

#include "controls/MessageBoxes.h"
#include "editor/MemoViews.h"
#include "editor/TunePreview.h"
#include "platform/Clock.h"
#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/MemoState.h"
#include "store/ReminderQueries.h"
#include "store/RunState.h"
#include "store/SyncRows.h"
#include "sync/ConflictWindows.h"
#include "sync/ServerRecord.h"
#include "sync/SyncSession.h"
#include "velmo-service/MemoStore.h"
#include "velmo-service/ServiceStandIn.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace velmo::soak {

namespace {

const QString User = QStringLiteral("demo");
const QString Password = QStringLiteral("soak-pass");

class QuietBoxes : public MessageBoxes
{
public:
    void warn(QWidget*, const QString&, const QString&, std::function<void()> closed) override
    {
        if (closed)
            QTimer::singleShot(0, std::move(closed));
    }
    void ask(QWidget*, const QString&, const QString&, std::function<void(bool)> answered) override
    {
        answered(false);
    }
    void choose(QWidget*, const QString&, const QString&, const QStringList& buttons,
                std::function<void(int)> answered) override
    {
        answered(static_cast<int>(buttons.size()) - 1);
    }
};

class NoViews : public MemoViews
{
public:
    void memosChanged(const MemoChange&) override {}
};

class SilentPreview : public TunePreview
{
public:
    Start play(const QString&) override { return Start::Playing; }
    void stop() override {}
};

// What the service keeps of a memo: nothing that is one computer's own.
MemoRecord shared(MemoRecord memo)
{
    memo.id = memo.NotebookServerId = 0;
    memo.synnum = memo.SyncedSynnum = 0;
    memo.syn = memo.Del = false;
    memo.AlertTimeTemp = memo.AlertTimeNongliTemp = std::nullopt;
    memo.content.replace(QLatin1Char('\n'), QLatin1String("<BR>"));
    return memo;
}

struct ServerCopy
{
    MemoRecord memo;
    bool deleted = false;

    friend bool operator==(const ServerCopy&, const ServerCopy&) = default;
};

struct Computer
{
    QString name;
    QTemporaryDir folder;
    Database db;
    RunState run;
    ServiceChannel channel;
    QuietBoxes boxes;
    NoViews views;
    std::unique_ptr<SyncSession> sync;
    std::unique_ptr<ConflictWindows> windows;
    bool offered = false;
    // By server id: the copy this computer last had in step, and the copies it was shown.
    QHash<qint64, MemoRecord> base;
    QHash<qint64, MemoRecord> shown;

    Computer(const QString& letter, quint32 seed)
        : name(letter)
        , db(QStringLiteral("soak-%1-%2").arg(seed).arg(letter))
    {
        run.DbPath = folder.filePath(QStringLiteral("data.db"));
        run.UserId = User;
        run.PassHash = MD5_16(Password);
    }
    bool open(const ServiceAddress& address)
    {
        if (!SaveDatabaseFile(run.DbPath) || !db.open(run.DbPath))
            return false;
        sync = std::make_unique<SyncSession>(db, run, channel);
        sync->setServiceAddress(address);
        EditorServices services{db, run, boxes, views};
        services.tunes = [] { return std::make_unique<SilentPreview>(); };
        windows = std::make_unique<ConflictWindows>(services, *sync);
        QObject::connect(sync.get(), &SyncSession::conflictFound, windows.get(), &ConflictWindows::open);
        QObject::connect(sync.get(), &SyncSession::conflictFound, [this] { offered = true; });
        return true;
    }
    std::vector<MemoRecord> rows() const
    {
        return readMemos(db, QStringLiteral("SELECT * FROM Notebook WHERE userid=? ORDER BY id"), {User})
            .value;
    }
};

class Sequence
{
public:
    explicit Sequence(quint32 seed)
        : m_seed(seed)
        , m_random(seed)
        , m_a(QStringLiteral("A"), seed)
        , m_b(QStringLiteral("B"), seed)
    {
    }

    Outcome run(int steps);

private:
    bool fail(const QString& text)
    {
        if (m_outcome.ok) {
            m_outcome.ok = false;
            m_outcome.failure = QStringLiteral("seed %1, step %2: %3").arg(m_seed).arg(m_step).arg(text);
        }
        return false;
    }
    int pick(int bound) { return static_cast<int>(m_random.bounded(bound)); }
    Computer& any() { return pick(2) == 0 ? m_a : m_b; }
    qint64 anyRow(Computer& c);
    MemoWrite randomWrite(const QString& title);
    void change(Computer& c);
    bool pass(Computer& c, bool settleAlways);
    bool settle(Computer& c, bool settleAlways);
    QHash<qint64, ServerCopy> serverCopies();
    bool checkEnd();

    quint32 m_seed;
    QRandomGenerator m_random;
    standin::ServiceStandIn m_service;
    Computer m_a;
    Computer m_b;
    Outcome m_outcome;
    int m_step = 0;
    int m_tags = 0;
    int m_edits = 0;
    QSet<QString> m_deletedTags;
};

qint64 Sequence::anyRow(Computer& c)
{
    std::vector<qint64> ids;
    for (const MemoRecord& memo : c.rows()) {
        if (!memo.Del)
            ids.push_back(memo.id);
    }
    return ids.empty() ? 0 : ids[size_t(pick(int(ids.size())))];
}

MemoWrite Sequence::randomWrite(const QString& title)
{
    static const char* const repeats[] = {"1", "N", "1tian", "1zhou", "1yue", "1nian", "1shi", "denglu"};
    const QDateTime when = Clock::currentDateTime().addSecs(qint64(pick(400000)) - 100000);
    MemoWrite write;
    write.type = 1 + pick(7);
    write.title = title;
    write.content = pick(3) == 0 ? QStringLiteral("第一行\n第二行 %1").arg(pick(100))
                                 : QStringLiteral("内容 %1").arg(pick(100));
    write.AlertPinLv = QString::fromLatin1(repeats[pick(8)]);
    write.ifAlert = write.AlertPinLv != QLatin1String("N");
    write.lifa = 1 + pick(2);
    write.mailTime = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (write.lifa == 1)
        write.AlertTime = write.mailTime;
    else // the 30th of a month that may have no solar twin
        write.AlertTimeNongli = QStringLiteral("2026-%1-%2 08:00:00")
                                    .arg(1 + pick(12), 2, 10, QLatin1Char('0'))
                                    .arg(28 + pick(3));
    write.mimi = pick(2);
    write.importance = pick(2);
    write.Mail = pick(2);
    write.sound = QStringLiteral("%1.mid").arg(1 + pick(9));
    return write;
}

void Sequence::change(Computer& c)
{
    const int kind = pick(100);
    if (kind < 20) {
        const QString tag = QStringLiteral("m%1").arg(++m_tags);
        addEditorMemo(c.db, User, randomWrite(tag), Clock::currentDateTime(), QString());
        return;
    }
    const qint64 id = anyRow(c);
    if (id == 0)
        return;
    const QString tag = readMemo(c.db, id).value_or(MemoRecord()).title.section(QLatin1Char(' '), 0, 0);
    if (kind < 55) {
        // As the edit window saves it: over the row it loaded just now.
        updateEditorMemo(c.db, id, User,
                         randomWrite(QStringLiteral("%1 %2%3").arg(tag, c.name).arg(++m_edits)),
                         Clock::currentDateTime(), readMemo(c.db, id).value_or(MemoRecord()).synnum);
    } else if (kind < 68) {
        // As the windows offer it: done for a memo in progress, in progress again for a done one.
        (readMemo(c.db, id)->Done ? SetUndo : SetDone)(c.db, User, id);
    } else if (kind < 80) {
        NextAlert next;
        next.moment =
            Clock::currentDateTime().addDays(1 + pick(30)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        next.repeatCode = QStringLiteral("1tian");
        storeNextAlert(c.db, User, id, next);
    } else if (kind < 88) {
        storeSnooze(c.db, User, id, false,
                    Clock::currentDateTime().addSecs(300).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                    QString());
    } else {
        SetDel(c.db, User, id);
        m_deletedTags.insert(tag);
    }
}

QHash<qint64, ServerCopy> Sequence::serverCopies()
{
    QHash<qint64, ServerCopy> copies;
    for (const standin::StoredMemo& stored : standin::MemoStore::of(m_service)->allMemos(User))
        copies.insert(
            stored.serverId,
            {shared(parseServerRecord(standin::MemoStore::recordText(stored)).value_or(MemoRecord())),
             stored.deleted});
    return copies;
}

bool Sequence::pass(Computer& c, bool settleAlways)
{
    QHash<qint64, MemoRecord> waiting;
    QHash<qint64, MemoRecord> had; // by server id: what this computer holds of the memo
    for (const MemoRecord& memo : c.rows()) {
        if (!memo.syn)
            waiting.insert(memo.id, memo);
        had.insert(memo.NotebookServerId, shared(memo));
    }
    const QHash<qint64, ServerCopy> before = serverCopies();
    c.offered = false;
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QObject::connect(c.sync.get(), &SyncSession::passFinished, &loop, &QEventLoop::quit);
    if (pick(3) == 0)
        c.sync->UploadData();
    else
        c.sync->SyncData();
    loop.exec();
    ++m_outcome.passes;
    if (c.offered) {
        ++m_outcome.conflicts;
        const auto data = parseConflictData(c.sync->ConflictData());
        if (!data)
            return fail(QStringLiteral("the conflict hand-off does not read"));
        c.shown.insert(data->serverId, shared(data->memo));
    }

    // A change waiting here leaves its row only through the windows or a deletion.
    for (const MemoRecord& old : waiting) {
        const std::optional<MemoRecord> now = readMemo(c.db, old.id);
        if (!now) {
            if (!old.Del)
                return fail(QStringLiteral("%1: a changed memo vanished").arg(c.name));
            continue;
        }
        if (shared(*now) == shared(old) && now->Del == old.Del)
            continue;
        const ServerCopy newer = before.value(old.NotebookServerId);
        // A deletion gives way to the service's copy once that copy's counter moved.
        const bool staleDeletion = old.Del && !now->Del && !newer.deleted && newer.memo == shared(*now);
        if (!staleDeletion)
            return fail(
                QStringLiteral("%1: the change waiting in \"%2\" was overwritten").arg(c.name, old.title));
    }
    // A copy on the service is replaced only by a computer that had it (in step, or holding the same)
    // or was shown it.
    const QHash<qint64, ServerCopy> after = serverCopies();
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.constEnd() || (old->memo == it->memo && old->deleted == it->deleted))
            continue;
        if (old->deleted || (c.base.value(it.key()) != old->memo && c.shown.value(it.key()) != old->memo &&
                             had.value(it.key()) != old->memo))
            return fail(
                QStringLiteral("%1 replaced \"%2\" on the service unseen").arg(c.name, old->memo.title));
    }
    for (const MemoRecord& memo : c.rows()) {
        if (memo.syn && memo.NotebookServerId > 0)
            c.base.insert(memo.NotebookServerId, shared(memo));
    }
    return !c.offered || settle(c, settleAlways);
}

bool Sequence::settle(Computer& c, bool settleAlways)
{
    const int choice = pick(settleAlways ? 2 : 3);
    ConflictWindow* window = choice == 0 ? static_cast<ConflictWindow*>(c.windows->localWindow())
                                         : static_cast<ConflictWindow*>(c.windows->serverWindow());
    if (!window)
        return fail(QStringLiteral("%1: the conflict windows did not open").arg(c.name));
    if (choice == 2) {
        c.windows->localWindow()->close(); // left for a later pass
        c.windows->serverWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }
    const MemoRecord kept = shared(choice == 0 ? *readByServerId(c.db, User, c.sync->ConflictServerId()).value
                                               : parseConflictData(c.sync->ConflictData())->memo);
    const qint64 id = readByServerId(c.db, User, c.sync->ConflictServerId()).value->id;
    window->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (shared(readMemo(c.db, id).value_or(MemoRecord())) != kept)
        return fail(QStringLiteral("%1: the kept copy was not stored as shown").arg(c.name));
    return true;
}

bool Sequence::checkEnd()
{
    QHash<qint64, MemoRecord> service;
    QSet<QString> tags;
    const QHash<qint64, ServerCopy> copies = serverCopies();
    for (auto it = copies.constBegin(); it != copies.constEnd(); ++it) {
        if (it->deleted)
            continue;
        service.insert(it.key(), it->memo);
        const QString tag = it->memo.title.section(QLatin1Char(' '), 0, 0);
        if (tags.contains(tag))
            return fail(QStringLiteral("memo %1 is on the service twice").arg(tag));
        tags.insert(tag);
    }
    for (Computer* c : {&m_a, &m_b}) {
        QHash<qint64, MemoRecord> local;
        for (const MemoRecord& memo : c->rows()) {
            if (!memo.syn || memo.Del || memo.NotebookServerId <= 0 || local.contains(memo.NotebookServerId))
                return fail(QStringLiteral("%1: \"%2\" is not in step after the final settling")
                                .arg(c->name, memo.title));
            local.insert(memo.NotebookServerId, shared(memo));
        }
        if (local != service) {
            QString detail;
            for (auto it = service.constBegin(); it != service.constEnd(); ++it) {
                if (local.value(it.key()) != *it) {
                    detail =
                        QStringLiteral(": %1 holds \"%2\", the service \"%3\"")
                            .arg(c->name, ServerRecordText(local.value(it.key())), ServerRecordText(*it));
                    break;
                }
            }
            return fail(QStringLiteral("%1 and the service hold different memos at the end").arg(c->name) +
                        detail);
        }
    }
    for (int tag = 1; tag <= m_tags; ++tag) {
        const QString name = QStringLiteral("m%1").arg(tag);
        if (!m_deletedTags.contains(name) && !tags.contains(name))
            return fail(QStringLiteral("memo %1 was lost").arg(name));
    }
    return true;
}

Outcome Sequence::run(int steps)
{
    m_service.accounts().addAccount(User, Password);
    m_service.setSignatureCheck(standin::SignatureCheck::Off);
    const quint16 port = m_service.start();
    const ServiceAddress address(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
    if (port == 0 || !m_a.open(address) || !m_b.open(address)) {
        fail(QStringLiteral("the stand-in or a data folder could not be set up"));
        return m_outcome;
    }
    for (m_step = 1; m_step <= steps && m_outcome.ok; ++m_step) {
        Computer& c = any();
        if (pick(100) < 35)
            pass(c, false);
        else
            change(c);
    }
    // Settle everything: passes on both until a round moves nothing.
    for (int round = 0; round < 12 && m_outcome.ok; ++round, ++m_step) {
        const int conflicts = m_outcome.conflicts;
        const QHash<qint64, ServerCopy> before = serverCopies();
        if (!pass(m_a, true) || !pass(m_b, true))
            break;
        const auto waiting = [](Computer& c) {
            for (const MemoRecord& memo : c.rows())
                if (!memo.syn)
                    return true;
            return false;
        };
        if (conflicts == m_outcome.conflicts && !waiting(m_a) && !waiting(m_b) && serverCopies() == before) {
            checkEnd();
            return m_outcome;
        }
    }
    if (m_outcome.ok)
        fail(QStringLiteral("the computers did not come into step"));
    return m_outcome;
}

} // namespace

Outcome runSequence(quint32 seed, int steps)
{
    return Sequence(seed).run(steps);
}

} // namespace velmo::soak
