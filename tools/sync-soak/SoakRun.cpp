#include "SoakRun.h"

#include "controls/MessageBoxes.h"
#include "controls/PlainTextBox.h"
#include "editor/MemoViews.h"
#include "editor/TunePreview.h"
#include "platform/Clock.h"
#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/MemoListQueries.h"
#include "store/MemoState.h"
#include "store/ReminderQueries.h"
#include "store/RunState.h"
#include "store/SentUploads.h"
#include "store/SyncRows.h"
#include "store/WireText.h"
#include "sync/ConflictWindows.h"
#include "sync/ServerRecord.h"
#include "sync/SyncSession.h"
#include "velmo-service/MemoStore.h"
#include "velmo-service/ServiceStandIn.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace velmo::soak {

namespace {

const QString MainUser = QStringLiteral("demo");
const QString OtherUser = QStringLiteral("other");
const QString Password = QStringLiteral("soak-pass");
constexpr int SoakListPage = 2;
// How a pass against a service of the previous version ends.
const QString RefusedStatus = QStringLiteral("状态:服务器不支持本版本的同步,未同步");
// The one request such a pass may make.
const QString ListPath = QStringLiteral("/Api/id.asp");

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

// Every memo's title begins with the tag it was added with ("m3", "o1").
QString tagOf(const QString& title)
{
    return title.section(QLatin1Char(' '), 0, 0);
}

struct ServerCopy
{
    MemoRecord memo;
    bool deleted = false;
    int synnum = 0;
    QString token;

    friend bool operator==(const ServerCopy&, const ServerCopy&) = default;
};

// Time as the computers see it: a second on at every reading, and weeks at once when the sequence
// says so.
class SoakClock : public Clock
{
public:
    SoakClock()
        : m_previous(Clock::instance())
        , m_now(Clock::currentDateTime())
    {
        Clock::setInstance(this);
    }
    ~SoakClock() override { Clock::setInstance(m_previous); }
    void jumpDays(int days) { m_now = m_now.addDays(days); }

protected:
    QDateTime now() const override { return m_now = m_now.addSecs(1); }

private:
    Clock* m_previous;
    mutable QDateTime m_now;
};

// What an edit now and then adds to a memo: more than the service takes.
constexpr qsizetype kOversize = 700000;

// A memo larger than the service takes: it waits on its computer.
bool tooLarge(const MemoRecord& memo)
{
    return !fitsUpload(uploadedTextBytes(memo.title, memo.content, memo.DiySound));
}

// What can happen to one pass of a computer.
enum class Fault
{
    None,
    LostAnswers,  // the service takes every upload, the answers never arrive
    FailingWrite, // a write of the pass fails
    Killed,       // the program is killed once its first request is out
    Quit,         // the program is asked to quit once its first upload is out
    ChangeMidway, // the user changes a memo while the pass runs
    SlowAnswers,  // the uploads reach the service later, after the computer gave up (releaseHeld)
};
const char* const FaultNames[] = {"",       ", answers lost",    ", a write fails", ", killed",
                                  ", quit", ", a change midway", ", answers slow"};

// How a pass ran.
enum class PassEnd
{
    Ended,
    CutShort, // its program was killed or quit in the middle of it, as its fault meant
    Hung,     // it did not end
};

struct Computer
{
    QString name;
    QString user;
    QTemporaryDir folder;
    Database db;
    RunState run;
    ServiceChannel channel;
    QuietBoxes boxes;
    NoViews views;
    ServiceAddress address;
    std::unique_ptr<SyncSession> sync;
    std::unique_ptr<ConflictWindows> windows;
    bool offered = false;
    QString status;          // the last one the synchronisation showed
    int toldUnsupported = 0; // times this run of the program told the user the service is too old
    size_t service = 0;      // the service its address names
    // By server id: the copy this computer last had in step (with its counter and token), and the
    // copies it was shown; every copy it ever had in step or was shown.
    struct Base
    {
        MemoRecord memo;
        int synnum = 0;
        QString token;
    };
    QHash<qint64, Base> base;
    QHash<MemoId, MemoRecord> baseOfRow; // the same by local row, kept when the service loses its id
    QHash<qint64, MemoRecord> shown;
    QSet<QString> everHad;
    QSet<QString> deleted; // what its user deleted

    Computer(const QString& letter, const QString& account, quint32 seed)
        : name(letter)
        , user(account)
        , db(QStringLiteral("soak-%1-%2").arg(seed).arg(letter))
    {
        run.DbPath = folder.filePath(QStringLiteral("data.db"));
        run.UserId = account;
        run.PassHash = MD5_16(Password);
    }
    bool open(const ServiceAddress& where)
    {
        address = where;
        if (!SaveDatabaseFile(run.DbPath) || !db.open(run.DbPath))
            return false;
        start();
        return true;
    }
    // The program starts (again) over its data file: whatever the last run kept only in memory is gone.
    void start()
    {
        windows.reset();
        sync.reset();
        run.Exiting = false;
        offered = false;
        sync = std::make_unique<SyncSession>(db, run, channel);
        sync->setServiceAddress(address);
        EditorServices services{db, run, boxes, views};
        services.tunes = [] { return std::make_unique<SilentPreview>(); };
        windows = std::make_unique<ConflictWindows>(services, *sync);
        QObject::connect(sync.get(), &SyncSession::conflictFound, windows.get(), &ConflictWindows::open);
        QObject::connect(sync.get(), &SyncSession::conflictFound, [this] { offered = true; });
        QObject::connect(sync.get(), &SyncSession::statusText,
                         [this](const QString& text) { status = text; });
        toldUnsupported = 0;
        QObject::connect(sync.get(), &SyncSession::serviceUnsupported, [this] { ++toldUnsupported; });
    }
    void moveTo(size_t index, const ServiceAddress& where)
    {
        service = index;
        address = where;
        sync->setServiceAddress(where);
    }
    QString tokenOf(MemoId id) const
    {
        return db.selectValue(QStringLiteral("SELECT ServerToken FROM Notebook WHERE id=?"), {id}).toString();
    }
    std::vector<MemoRecord> rows() const
    {
        return readMemos(db, QStringLiteral("SELECT * FROM Notebook WHERE userid=? ORDER BY id"), {user})
            .value;
    }
    // Everything in its data file that a pass may write, row by row: the memos and what the
    // synchronisation keeps.
    QStringList tables() const
    {
        QStringList all;
        for (const char* table : {"Notebook", "SentUploads", "SyncBase", "SyncLineage", "SyncDeletions"}) {
            QStringList rows;
            const StoreResult read = db.forEachRow(
                QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table)), {},
                [&rows](const DbQuery& row) {
                    const QSqlRecord record = row.record();
                    QStringList fields;
                    for (int i = 0; i < record.count(); ++i)
                        fields << (record.isNull(i) ? QStringLiteral("<null>") : record.value(i).toString());
                    rows << fields.join(u'|');
                });
            if (!read)
                rows = {QStringLiteral("unreadable: ") + read.error};
            for (const QString& row : std::as_const(rows))
                all << QLatin1String(table) + QLatin1String(": ") + row;
        }
        all.sort();
        return all;
    }
    // The copies this computer posted and still keeps in mind.
    QList<MemoRecord> posted() const
    {
        QList<MemoRecord> copies;
        for (const SentUpload& sent : readSentUploads(db, user).value)
            copies << sharedFields(parseServerRecord(sent.Record).value_or(MemoRecord()));
        return copies;
    }
};

class Sequence
{
public:
    Sequence(quint32 seed, const RunOptions& options);

    Outcome run(int steps);

private:
    bool fail(const QString& text)
    {
        if (m_outcome.ok) {
            m_outcome.ok = false;
            m_outcome.failure = QStringLiteral("seed %1, step %2: %3\n  after: %4")
                                    .arg(m_seed)
                                    .arg(m_step)
                                    .arg(text, m_log.mid(std::max<qsizetype>(0, m_log.size() - 400))
                                                   .join(QStringLiteral("\n         ")));
        }
        return false;
    }
    void log(const QString& text) { m_log << QStringLiteral("%1 %2").arg(m_step).arg(text); }
    int pick(int bound) { return static_cast<int>(m_random.bounded(bound)); }
    Computer& any() { return *m_computers[size_t(pick(int(m_computers.size())))]; }
    std::vector<Computer*> ofAccount(const QString& user);
    qint64 anyRow(Computer& c);
    MemoWrite randomWrite(const QString& title);
    void add(Computer& c);
    void change(Computer& c);
    bool pass(Computer& c, Fault fault, bool settleAlways);
    PassEnd runPass(Computer& c, Fault fault);
    void history();
    bool plainPass(Computer& c, Fault fault);
    bool plainRace();
    std::optional<std::pair<Computer*, Computer*>> racePair();
    QList<QHash<qint64, ServerCopy>> allCopies();
    bool checkUntouched(Computer& c, const QStringList& tables, PassEnd end);
    bool checkServicesUntouched(const QList<QHash<qint64, ServerCopy>>& before);
    void trace(const Computer& c);
    bool checkPass(Computer& c, const QHash<qint64, MemoRecord>& waiting,
                   const QHash<qint64, MemoRecord>& had, const QList<MemoRecord>& posted,
                   const QHash<qint64, ServerCopy>& before);
    bool race();
    bool settle(Computer& c, bool settleAlways);
    void noteDeletions(Computer& c, const QHash<qint64, ServerCopy>& before);
    static void noteInStep(Computer& c);
    QHash<qint64, ServerCopy> serverCopies(const Computer& c);
    QHash<qint64, ServerCopy> copiesOf(size_t service, const QString& user);
    standin::ServiceStandIn& serviceOf(const Computer& c) { return *m_services[c.service]; }
    standin::MemoStore& storeOf(size_t service) { return *standin::MemoStore::of(*m_services[service]); }
    bool addService();
    void moveComputer(Computer& c, size_t service);
    void backUp();
    void restoreBackup();
    void resetService();
    void forgetStaleBases(size_t service);
    bool checkEnd();
    bool madeFrom(const QString& newer, const QString& older) const;
    bool surelyMadeFrom(const QString& newer, const QString& older) const;
    void noteShown(const Computer& c, const ConflictRecord& server);

    quint32 m_seed;
    RunOptions m_options;
    QRandomGenerator m_random;
    SoakClock m_clock;
    std::vector<std::unique_ptr<standin::ServiceStandIn>> m_services;
    std::vector<ServiceAddress> m_addresses;
    std::vector<std::unique_ptr<Computer>> m_computers;
    std::optional<std::pair<size_t, standin::MemoStore::Backup>> m_backup;
    Outcome m_outcome;
    int m_step = 0;
    int m_tags = 0;
    int m_edits = 0;
    // Memos added, and those someone deleted: these may be missing at the end.
    QSet<QString> m_addedTags;
    QSet<QString> m_deletedTags;
    // Memos deleted on the service while no computer had a change of them waiting and no copy of
    // them was left: they stay deleted unless someone changes them afterwards.
    QSet<QString> m_goneForGood;
    QStringList m_log;                      // what each step did, for the report of a broken rule
    QMultiHash<QString, QString> m_parents; // a memo's copy, and the copy each change made it from
    QSet<QString> m_shownAll;   // copies some computer's conflict windows showed: a choice was made over them
    bool m_serviceLost = false; // a service started over, was put back from a backup, or a computer moved
    // A change made in the middle of a pass: the computer's tables as the change found and left them.
    std::optional<std::pair<QStringList, QStringList>> m_midway;
    bool m_plain = false; // the services answer as the previous version did (from the first step on)
};

Sequence::Sequence(quint32 seed, const RunOptions& options)
    : m_seed(seed)
    , m_options(options)
    , m_random(seed)
{
    addService();
    for (const char* name : {"A", "B", "C"})
        m_computers.push_back(std::make_unique<Computer>(QString::fromLatin1(name), MainUser, seed));
    m_computers.push_back(std::make_unique<Computer>(QStringLiteral("D"), OtherUser, seed));
}

std::vector<Computer*> Sequence::ofAccount(const QString& user)
{
    std::vector<Computer*> computers;
    for (const auto& c : m_computers) {
        if (c->user == user)
            computers.push_back(c.get());
    }
    return computers;
}

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
    static const char* const repeats[] = {"1",     "N",    "1tian", "1zhou", "1yue",  "3yue",
                                          "1nian", "5fen", "1shi",  "12shi", "denglu"};
    const QDateTime when = Clock::currentDateTime().addSecs(qint64(pick(400000)) - 100000);
    MemoWrite write;
    write.type = 1 + pick(7);
    write.title = title;
    write.content = pick(3) == 0 ? QStringLiteral("第一行\n第二行 %1").arg(pick(100))
                                 : QStringLiteral("内容 %1").arg(pick(100));
    // Now and then more than the service takes (as a file of an earlier version may hold): it waits.
    if (pick(40) == 0)
        write.content = *write.content + QString(kOversize, QChar(0x5B57));
    write.AlertPinLv = QString::fromLatin1(repeats[pick(int(std::size(repeats)))]);
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

void Sequence::add(Computer& c)
{
    const QChar account = c.user == MainUser ? QLatin1Char('m') : QLatin1Char('o');
    const QString tag = QStringLiteral("%1%2").arg(account).arg(++m_tags);
    if (addEditorMemo(c.db, c.user, randomWrite(tag), Clock::currentDateTime(), QString()))
        m_addedTags.insert(tag);
    log(QStringLiteral("%1 adds %2").arg(c.name, tag));
}

void Sequence::change(Computer& c)
{
    const int kind = pick(100);
    if (kind < 18) {
        add(c);
        return;
    }
    if (kind < 21) {
        // 清空该类备忘 on one node of the tree.
        const bool done = pick(2) == 1;
        const int category = pick(8);
        for (const MemoRecord& memo : c.rows()) {
            if (!memo.Del && memo.Done == done && (category == 0 || memo.type == category)) {
                m_deletedTags.insert(tagOf(memo.title));
                c.deleted.insert(ServerRecordText(sharedFields(memo)));
            }
        }
        MemoListQueries(c.db, c.user).clearNode(done, category);
        log(QStringLiteral("%1 clears category %2 (done %3)").arg(c.name).arg(category).arg(done));
        return;
    }
    const qint64 id = anyRow(c);
    if (id == 0)
        return;
    const MemoRecord memo = readMemo(c.db, id).value_or(MemoRecord());
    const QString tag = tagOf(memo.title);
    m_goneForGood.remove(tag);
    static const char* const kinds[] = {"edits", "marks done or in progress", "stops the ringing of",
                                        "snoozes", "deletes"};
    log(QStringLiteral("%1 %2 %3 (row %4)")
            .arg(c.name,
                 QLatin1String(kinds[kind < 55   ? 0
                                     : kind < 68 ? 1
                                     : kind < 80 ? 2
                                     : kind < 88 ? 3
                                                 : 4]),
                 memo.title)
            .arg(id));
    if (kind < 55) {
        // As the edit window saves it: over the row it loaded just now.
        updateEditorMemo(c.db, id, c.user,
                         randomWrite(QStringLiteral("%1 %2%3").arg(tag, c.name).arg(++m_edits)),
                         Clock::currentDateTime(), memo.synnum);
    } else if (kind < 68) {
        // As the windows offer it: done for a memo in progress, in progress again for a done one.
        (memo.Done ? SetUndo : SetDone)(c.db, c.user, id);
    } else if (kind < 80) {
        NextAlert next;
        next.moment =
            Clock::currentDateTime().addDays(1 + pick(30)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        next.repeatCode = pick(2) == 0 ? QStringLiteral("1tian") : QStringLiteral("1zhou");
        storeNextAlert(c.db, c.user, id, next);
    } else if (kind < 88) {
        storeSnooze(c.db, c.user, id, false,
                    Clock::currentDateTime().addSecs(300).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                    QString());
    } else {
        SetDel(c.db, c.user, id);
        m_deletedTags.insert(tag);
        c.deleted.insert(ServerRecordText(sharedFields(memo)));
    }
    // What the memo says now was made from what it said.
    if (const std::optional<MemoRecord> now = readMemo(c.db, id)) {
        const QString made = ServerRecordText(sharedFields(*now));
        const QString from = ServerRecordText(sharedFields(memo));
        if (made != from)
            m_parents.insert(made, from);
        c.everHad.insert(made); // what a computer's user made, it has seen
    }
}

// Both copies the conflict windows show: the service's and the computer's own.
void Sequence::noteShown(const Computer& c, const ConflictRecord& server)
{
    m_shownAll.insert(ServerRecordText(sharedFields(server.memo)));
    if (const std::optional<MemoRecord> local = readByServerId(c.db, c.user, server.serverId).value)
        m_shownAll.insert(ServerRecordText(sharedFields(*local)));
}

// Whether `older` is a copy the memo said before it said `newer`, by the changes that made it.
bool Sequence::madeFrom(const QString& newer, const QString& older) const
{
    QSet<QString> seen{newer};
    QStringList next{newer};
    while (!next.isEmpty()) {
        const QString text = next.takeLast();
        for (auto it = m_parents.constFind(text); it != m_parents.constEnd() && it.key() == text; ++it) {
            if (*it == older)
                return true;
            if (!seen.contains(*it)) {
                seen.insert(*it);
                next << *it;
            }
        }
    }
    return false;
}

// Whether `newer` was surely made from the copy that says `older`. Copies are known here by what they say:
// a change and its undoing (marked done, then in progress again) make a text both the parent and the child
// of the copy between. Another computer's change that brings that text back (marking the copy between
// done) is a sibling of what was made from the copy between, not its ancestor: after a service lost memos
// the two come back as two memos like any copies changed apart (README), and nothing here tells that copy
// from the text's first time.
bool Sequence::surelyMadeFrom(const QString& newer, const QString& older) const
{
    if (!madeFrom(newer, older))
        return false;
    for (auto it = m_parents.constBegin(); it != m_parents.constEnd(); ++it) {
        const QString& between = it.key();
        if (between != older && madeFrom(between, older) && madeFrom(older, between) &&
            madeFrom(newer, between))
            return false;
    }
    return true;
}

QHash<qint64, ServerCopy> Sequence::copiesOf(size_t service, const QString& user)
{
    QHash<qint64, ServerCopy> copies;
    for (const standin::StoredMemo& stored : storeOf(service).allMemos(user))
        copies.insert(
            stored.serverId,
            {sharedFields(parseServerRecord(standin::MemoStore::recordText(stored)).value_or(MemoRecord())),
             stored.deleted, stored.synnum, stored.token});
    return copies;
}

QHash<qint64, ServerCopy> Sequence::serverCopies(const Computer& c)
{
    return copiesOf(c.service, c.user);
}

bool Sequence::addService()
{
    auto service = std::make_unique<standin::ServiceStandIn>();
    service->accounts().addAccount(MainUser, Password);
    service->accounts().addAccount(OtherUser, Password);
    service->setSignatureCheck(standin::SignatureCheck::Off);
    // Pages of two memos: an account's list comes in several of them.
    service->listShape().pageSize = SoakListPage;
    service->listShape().plain = m_plain;
    const quint16 port = service->start();
    m_addresses.emplace_back(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
    m_services.push_back(std::move(service));
    return port != 0;
}

void Sequence::moveComputer(Computer& c, size_t service)
{
    m_serviceLost = true;
    log(QStringLiteral("%1's address is changed to service %2").arg(c.name).arg(service));
    c.moveTo(service, m_addresses[service]);
}

// The service of a computer of the first account is copied aside, to be put back later.
void Sequence::backUp()
{
    const size_t service = ofAccount(MainUser)[size_t(pick(3))]->service;
    log(QStringLiteral("service %1 is backed up").arg(service));
    m_backup.emplace(service, storeOf(service).backup());
}

// The service is put back as the backup had it: what it took since is lost, server ids it gave since
// are given again.
void Sequence::restoreBackup()
{
    if (!m_backup)
        return;
    m_serviceLost = true;
    const size_t service = m_backup->first;
    log(QStringLiteral("service %1 is put back from its backup").arg(service));
    const QHash<qint64, ServerCopy> before = copiesOf(service, MainUser);
    storeOf(service).restore(m_backup->second);
    // A memo deleted after the backup whose copy in the backup is not its last: nobody can tell that
    // copy from one changed after the deletion, so it may come back.
    const QHash<qint64, ServerCopy> after = copiesOf(service, MainUser);
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const ServerCopy gone = before.value(it.key());
        if (!it->deleted && gone.deleted && gone.token == it->token && gone.memo != it->memo)
            m_goneForGood.remove(tagOf(it->memo.title));
    }
    forgetStaleBases(service);
}

// The service starts over on an empty store.
void Sequence::resetService()
{
    m_serviceLost = true;
    const size_t service = ofAccount(MainUser)[size_t(pick(3))]->service;
    log(QStringLiteral("service %1 starts over empty").arg(service));
    storeOf(service).reset();
    forgetStaleBases(service);
}

// What computers remember of copies the service no longer holds under the same server id and token.
void Sequence::forgetStaleBases(size_t service)
{
    for (const auto& c : m_computers) {
        if (c->service != service)
            continue;
        const QHash<qint64, ServerCopy> now = copiesOf(service, c->user);
        for (auto it = c->base.begin(); it != c->base.end();) {
            if (now.value(it.key()).token != it->token)
                it = c->base.erase(it);
            else
                ++it;
        }
        c->shown.clear();
    }
}

// Runs one pass of c with the fault.
PassEnd Sequence::runPass(Computer& c, Fault fault)
{
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    bool ended = false;
    auto finished = QObject::connect(c.sync.get(), &SyncSession::passFinished, &loop, [&ended, &loop] {
        ended = true;
        loop.quit();
    });
    bool struck = false;
    standin::ServiceStandIn& service = serviceOf(c);
    auto strike = QObject::connect(&service, &standin::ServiceStandIn::requestReceived, &loop,
                                   [&](const standin::StandInRequest& request) {
                                       const bool upload = request.method == "POST";
                                       // Against the previous version's service, no upload goes out: the
                                       // program quits once the list is asked for.
                                       if (struck || request.queryValue(QStringLiteral("userid")) != c.user ||
                                           (fault == Fault::Quit && !upload && !m_plain))
                                           return;
                                       struck = true;
                                       if (fault == Fault::ChangeMidway) {
                                           if (m_plain)
                                               m_midway.emplace(c.tables(), QStringList());
                                           change(c);
                                           if (m_midway)
                                               m_midway->second = c.tables();
                                       } else if (fault == Fault::Killed) {
                                           // Gone at once: its answers are not heard, its memory is lost; its
                                           // request goes on.
                                           QTimer::singleShot(0, &loop, [&c, &loop] {
                                               c.start();
                                               loop.quit();
                                           });
                                       } else if (fault == Fault::Quit) {
                                           c.run.Exiting = true;
                                           c.sync->finishBeforeQuit(
                                               [&loop] { QTimer::singleShot(0, &loop, &QEventLoop::quit); });
                                       }
                                   });
    if (fault == Fault::LostAnswers) {
        standin::Fault dropped;
        dropped.kind = standin::Fault::DropAnswer;
        dropped.path = QStringLiteral("/api/Syn.asp");
        service.setFault(dropped);
    }
    if (fault == Fault::SlowAnswers) {
        // The uploads reach the service only later, long after the computer gave up waiting for them.
        standin::Fault slow;
        slow.kind = standin::Fault::HoldRequest;
        slow.path = QStringLiteral("/api/Syn.asp");
        service.setFault(slow);
    }
    if (fault == Fault::FailingWrite) {
        static const char* const events[] = {"INSERT ON Notebook", "UPDATE ON Notebook", "DELETE ON Notebook",
                                             "INSERT ON SentUploads", "DELETE ON SentUploads"};
        c.db.execOnce(
            QStringLiteral("CREATE TRIGGER soakFault BEFORE %1 BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                .arg(QLatin1String(events[pick(int(std::size(events)))])));
    }
    c.offered = false;
    if (pick(3) == 0)
        c.sync->UploadData();
    else
        c.sync->SyncData();
    loop.exec();
    QObject::disconnect(strike);
    QObject::disconnect(finished);
    service.clearFault();
    c.db.execOnce(QStringLiteral("DROP TRIGGER IF EXISTS soakFault"));
    ++m_outcome.passes;
    if (fault == Fault::Quit && struck)
        c.start();
    if (struck && (fault == Fault::Killed || fault == Fault::Quit))
        return PassEnd::CutShort;
    return ended ? PassEnd::Ended : PassEnd::Hung;
}

// The first row of `rows` that `other` lacks, cut short.
QString firstOnlyIn(const QStringList& rows, const QStringList& other)
{
    for (const QString& row : rows) {
        if (!other.contains(row))
            return row.left(300);
    }
    return QStringLiteral("(nothing)");
}

// Before the run against services of the previous version: the computers were in step with the first
// service as one of this version, and have changes waiting since (deletions among them), one a post
// whose answer it never heard. Then every service goes back to the previous version.
void Sequence::history()
{
    for (const auto& c : m_computers) {
        add(*c);
        add(*c);
        runPass(*c, Fault::None);
    }
    for (const auto& c : m_computers) {
        for (int i = 0; i < 3; ++i)
            change(*c);
        log(QStringLiteral("%1 passes").arg(c->name));
        runPass(*c, Fault::None);
    }
    for (const auto& c : m_computers) {
        change(*c);
        change(*c);
    }
    Computer& lost = any();
    log(QStringLiteral("%1 passes, answers lost").arg(lost.name));
    runPass(lost, Fault::LostAnswers);
    for (const auto& c : m_computers)
        change(*c);
    log(QStringLiteral("the services go back to the previous version"));
    m_plain = true;
    for (const auto& service : m_services)
        service->listShape().plain = true;
}

QList<QHash<qint64, ServerCopy>> Sequence::allCopies()
{
    QList<QHash<qint64, ServerCopy>> all;
    for (size_t service = 0; service < m_services.size(); ++service) {
        for (const QString& user : {MainUser, OtherUser})
            all << copiesOf(service, user);
    }
    return all;
}

// A pass the service refused left the computer's data file as it found it (`tables`), ended telling
// so, and the user was told once in this run of the program.
bool Sequence::checkUntouched(Computer& c, const QStringList& tables, PassEnd end)
{
    if (end == PassEnd::Hung)
        return fail(QStringLiteral("%1's pass did not end").arg(c.name));
    const QStringList now = c.tables();
    if (now != tables)
        return fail(
            QStringLiteral("%1: a pass the service refused changed the data file:\n  was %2\n  now %3")
                .arg(c.name, firstOnlyIn(tables, now), firstOnlyIn(now, tables)));
    if (end == PassEnd::Ended && c.status != RefusedStatus)
        return fail(QStringLiteral("%1's pass ended with \"%2\"").arg(c.name, c.status));
    if (c.toldUnsupported > 1 || (end == PassEnd::Ended && c.toldUnsupported == 0))
        return fail(QStringLiteral("%1 told its user %2 times in this run that the service is too old")
                        .arg(c.name)
                        .arg(c.toldUnsupported));
    return true;
}

// Nothing but the list was asked of the services, and their memos are as they were.
bool Sequence::checkServicesUntouched(const QList<QHash<qint64, ServerCopy>>& before)
{
    for (size_t i = 0; i < m_services.size(); ++i) {
        for (const standin::StandInRequest& request : m_services[i]->requests()) {
            if (request.path.compare(ListPath, Qt::CaseInsensitive) != 0)
                return fail(QStringLiteral("%1 of %2 reached service %3")
                                .arg(request.path, request.queryValue(QStringLiteral("userid")))
                                .arg(i));
        }
    }
    if (allCopies() != before)
        return fail(QStringLiteral("the services' memos changed in a pass they refused"));
    return true;
}

bool Sequence::plainPass(Computer& c, Fault fault)
{
    log(QStringLiteral("%1 passes%2").arg(c.name, QLatin1String(FaultNames[int(fault)])));
    QStringList found = c.tables();
    const QList<QHash<qint64, ServerCopy>> copies = allCopies();
    for (const auto& service : m_services)
        service->clearRequests();
    c.status.clear();
    m_midway.reset();
    const PassEnd end = runPass(c, fault);
    log(QStringLiteral("  %1").arg(c.status));
    if (fault != Fault::None)
        ++m_outcome.faults;
    if (m_midway) {
        // Up to the user's change, the pass changed nothing either.
        if (m_midway->first != found)
            return fail(
                QStringLiteral("%1: the pass changed the data file before the user's change:\n  was "
                               "%2\n  now %3")
                    .arg(c.name, firstOnlyIn(found, m_midway->first), firstOnlyIn(m_midway->first, found)));
        found = m_midway->second;
        m_midway.reset();
    }
    if (!checkServicesUntouched(copies) || !checkUntouched(c, found, end))
        return false;
    return fault == Fault::None || pick(2) == 0 || plainPass(c, Fault::None);
}

// Two computers of the first account on one service, when there are two.
std::optional<std::pair<Computer*, Computer*>> Sequence::racePair()
{
    const std::vector<Computer*> all = ofAccount(MainUser);
    Computer* first = all[size_t(pick(int(all.size())))];
    std::vector<Computer*> computers; // the others on the same service
    for (Computer* c : all) {
        if (c != first && c->service == first->service)
            computers.push_back(c);
    }
    if (computers.empty())
        return std::nullopt;
    return std::pair{first, computers[size_t(pick(int(computers.size())))]};
}

// Two computers at once against the previous version's service: the first one's list is answered
// late, while the second one runs a whole pass.
bool Sequence::plainRace()
{
    const std::optional<std::pair<Computer*, Computer*>> pair = racePair();
    if (!pair)
        return true;
    Computer& first = *pair->first;
    Computer& second = *pair->second;
    standin::ServiceStandIn& service = serviceOf(first);
    const QStringList firstTables = first.tables();
    const QStringList secondTables = second.tables();
    const QList<QHash<qint64, ServerCopy>> copies = allCopies();
    for (const auto& each : m_services)
        each->clearRequests();
    first.status.clear();
    second.status.clear();
    standin::Fault held;
    held.path = ListPath;
    held.count = 1;
    held.delayMs = 150;
    service.setFault(held);
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    int running = 1;
    bool firstEnded = false;
    bool secondEnded = false;
    const auto ended = [&running, &loop](bool& which) {
        which = true;
        if (--running == 0)
            loop.quit();
    };
    QObject::connect(first.sync.get(), &SyncSession::passFinished, &loop, [&] { ended(firstEnded); });
    QObject::connect(second.sync.get(), &SyncSession::passFinished, &loop, [&] { ended(secondEnded); });
    bool started = false;
    QObject::connect(&service, &standin::ServiceStandIn::requestReceived, &loop, [&] {
        if (started)
            return;
        started = true;
        ++running;
        second.sync->SyncData();
    });
    log(QStringLiteral("%1 uploads while %2 passes").arg(first.name, second.name));
    first.sync->UploadData();
    loop.exec();
    service.clearFault();
    m_outcome.passes += started ? 2 : 1;
    log(QStringLiteral("  %1; %2").arg(first.status, second.status));
    return checkUntouched(first, firstTables, firstEnded ? PassEnd::Ended : PassEnd::Hung) &&
           (!started || checkUntouched(second, secondTables, secondEnded ? PassEnd::Ended : PassEnd::Hung)) &&
           checkServicesUntouched(copies);
}

bool Sequence::pass(Computer& c, Fault fault, bool settleAlways)
{
    if (m_plain)
        return plainPass(c, fault);
    QHash<qint64, MemoRecord> waiting;
    QHash<qint64, MemoRecord> had; // by server id: what this computer holds of the memo
    for (const MemoRecord& memo : c.rows()) {
        if (!memo.syn)
            waiting.insert(memo.id, memo);
        had.insert(memo.NotebookServerId, sharedFields(memo));
    }
    const QList<MemoRecord> posted = c.posted();
    const QHash<qint64, ServerCopy> before = serverCopies(c);
    log(QStringLiteral("%1 passes%2").arg(c.name, QLatin1String(FaultNames[int(fault)])));
    serviceOf(c).clearRequests();
    runPass(c, fault);
    for (const standin::StandInRequest& request : serviceOf(c).requests()) {
        if (request.method == "POST")
            log(QStringLiteral("  posts id=%1 LocalId=%2 synnum=%3 del=%4 \"%5\" to service %6")
                    .arg(
                        request.formValue(QStringLiteral("id")), request.formValue(QStringLiteral("LocalId")),
                        request.formValue(QStringLiteral("synnum")), request.formValue(QStringLiteral("del")),
                        request.formValue(QStringLiteral("title")).left(20))
                    .arg(c.service));
    }
    log(QStringLiteral("  %1%2").arg(c.status, c.offered ? QStringLiteral(", conflict windows") : QString()));
    if (qEnvironmentVariableIsSet("SOAK_TRACE"))
        trace(c);
    if (fault != Fault::None)
        ++m_outcome.faults;
    if (c.offered) {
        ++m_outcome.conflicts;
        const auto data = parseConflictData(c.sync->ConflictData());
        if (!data)
            return fail(QStringLiteral("the conflict hand-off does not read"));
        c.shown.insert(data->serverId, sharedFields(data->memo));
        c.everHad.insert(ServerRecordText(sharedFields(data->memo)));
        noteShown(c, *data);
    }
    // A change made while the pass ran is no change the pass may have overwritten.
    if (fault != Fault::ChangeMidway && !checkPass(c, waiting, had, posted, before))
        return false;
    noteDeletions(c, before);
    noteInStep(c);
    if (c.offered && !settle(c, settleAlways))
        return false;
    // The pass after a fault comes at once, or after whatever the other computers do meanwhile.
    return fault == Fault::None || pick(2) == 0 || pass(c, Fault::None, settleAlways);
}

void Sequence::trace(const Computer& c)
{
    QStringList memos;
    for (const standin::StoredMemo& memo : storeOf(c.service).allMemos(c.user))
        memos << QStringLiteral("%1:%2%3@%4")
                     .arg(memo.serverId)
                     .arg(memo.fields.value(2), memo.deleted ? QStringLiteral(":d") : QString())
                     .arg(memo.synnum);
    QStringList rows;
    for (const MemoRecord& row : c.rows())
        rows << QStringLiteral("%1>%2:%3%4%5")
                    .arg(row.id)
                    .arg(row.NotebookServerId)
                    .arg(row.title, row.Del ? QStringLiteral(":D") : QString(),
                         row.syn ? QString() : QStringLiteral("*"));
    log(QStringLiteral("  service ") + memos.join(u' '));
    log(QStringLiteral("  rows ") + rows.join(u' '));
}

bool Sequence::checkPass(Computer& c, const QHash<qint64, MemoRecord>& waiting,
                         const QHash<qint64, MemoRecord>& had, const QList<MemoRecord>& posted,
                         const QHash<qint64, ServerCopy>& before)
{
    // A change waiting here leaves its row only through the windows or a deletion; a deletion gives
    // way to the service's copy; a memo deleted elsewhere after its copy from here arrived goes.
    const QHash<qint64, ServerCopy> after = serverCopies(c);
    const auto deletedThere = [&after](const MemoRecord& memo) {
        for (const ServerCopy& copy : after) {
            if (copy.deleted && copy.memo == memo)
                return true;
        }
        return false;
    };
    for (const MemoRecord& old : waiting) {
        const std::optional<MemoRecord> now = readMemo(c.db, old.id);
        if (!now) {
            // Changes that came to nothing (done and back) are no change a deletion gives way to: the
            // row says what the copy it was in step with said, and the memo was deleted on the service.
            const bool cameToNothing = c.base.value(old.NotebookServerId).memo == sharedFields(old) ||
                                       c.baseOfRow.value(old.id) == sharedFields(old);
            if (!old.Del && !deletedThere(sharedFields(old)) &&
                !(cameToNothing && after.value(old.NotebookServerId).deleted))
                return fail(QStringLiteral("%1: a changed memo vanished").arg(c.name));
            continue;
        }
        if (sharedFields(*now) == sharedFields(old) && now->Del == old.Del)
            continue;
        // Changes that came to nothing (done and back) are no change to keep; nor one the conflict
        // windows of some computer showed, whose user chose the other copy.
        if (!old.Del && (c.base.value(old.NotebookServerId).memo == sharedFields(old) ||
                         c.baseOfRow.value(old.id) == sharedFields(old) ||
                         m_shownAll.contains(ServerRecordText(sharedFields(old)))))
            continue;
        const ServerCopy copy = after.value(now->NotebookServerId);
        const auto held = [&](qint64 serverId, const MemoRecord& memo) {
            return std::ranges::any_of(
                storeOf(c.service).versions(c.user, serverId),
                [said = wireDigest(sharedFields(memo))](const standin::MemoStore::Version& v) {
                    return v.digest == said;
                });
        };
        // A change the service took while its answer was lost is no longer waiting: the row may take a
        // newer copy of it, and then move on with it to another copy of its memo.
        if (!old.Del && !copy.deleted && copy.memo == sharedFields(*now) && held(now->NotebookServerId, old))
            continue;
        if (!old.Del && !now->Del && now->NotebookServerId != old.NotebookServerId &&
            held(old.NotebookServerId, old) && held(old.NotebookServerId, *now))
            continue;
        // A deletion made without having seen the copy its server id held gives way to that copy, and
        // the row, in step with it as any row that never changed, moves on with it to another copy of
        // its memo changed elsewhere (a post taken twice, a memo sent again after the service lost
        // it): the copy it gave way to waits in the row to meet that one in the conflict windows.
        if (old.Del && !now->Del && !now->syn && now->NotebookServerId != old.NotebookServerId &&
            before.contains(old.NotebookServerId) && !before.value(old.NotebookServerId).deleted &&
            before.value(old.NotebookServerId).memo == sharedFields(*now))
            continue;
        if (!old.Del || now->Del || copy.deleted || copy.memo != sharedFields(*now))
            return fail(
                QStringLiteral("%1: the change waiting in \"%2\" was overwritten").arg(c.name, old.title));
    }
    // A copy on the service is replaced only by a computer that had it (in step, as it posted it, or
    // holding the same), was shown it, or (a deleted memo) had a change of it waiting; or by one that
    // had a newer copy of it in step than the service, which went back to an older one.
    QSet<QString> held; // what it holds, at the start of the pass and at its end
    for (const MemoRecord& memo : had)
        held.insert(ServerRecordText(memo));
    for (const MemoRecord& memo : c.rows()) {
        if (!memo.Del)
            held.insert(ServerRecordText(sharedFields(memo)));
    }
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.constEnd() || *old == *it)
            continue;
        // A change of the memo waiting here (under this server id, or under none since the service
        // lost it).
        bool changeWaiting = false;
        for (const MemoRecord& row : waiting)
            changeWaiting = changeWaiting || row.NotebookServerId == it.key() ||
                            (!row.Del && tagOf(row.title) == tagOf(old->memo.title));
        const QString was = ServerRecordText(old->memo);
        const Computer::Base base = c.base.value(it.key());
        const bool wentBack = base.token == old->token && old->synnum < base.synnum;
        // Or a copy older than one it holds, which it no longer needs (one too many of the memo).
        // Or a copy of a memo its user deleted (as it was then, or older): the deletion goes up again.
        bool older = false;
        for (const QString& newer : held)
            older = older || madeFrom(newer, was);
        bool deletedHere = false;
        for (const QString& gone : std::as_const(c.deleted))
            deletedHere = deletedHere || gone == was || madeFrom(gone, was);
        // Or a copy older than one it had of a memo another computer's user deleted over that copy:
        // the deletion came down here with the copies the memo held, and it stands against a copy that
        // comes up again as it was before (a post held on the way that arrives after the service
        // started over).
        for (const QString& mine : std::as_const(c.everHad)) {
            if (deletedHere || !madeFrom(mine, was))
                continue;
            for (const Computer* other : ofAccount(c.user)) {
                for (const QString& gone : std::as_const(other->deleted))
                    deletedHere = deletedHere || gone == mine || madeFrom(gone, mine);
            }
        }
        const bool seen = c.everHad.contains(was) || held.contains(was) || posted.contains(old->memo) ||
                          wentBack || older || deletedHere;
        // A deleted copy comes back with a change its deletion had not seen: one held here that the
        // deleted copy was not made from; or one a change made back from a copy that the deleted copy
        // was made from too (done, and back): it says what the older copy said, so the texts alone do
        // not tell the change from that copy, though the deletion never saw it.
        const auto besideDeleted = [&](const QString& mine) {
            for (auto p = m_parents.constFind(mine); p != m_parents.constEnd() && p.key() == mine; ++p) {
                if ((*p == was || madeFrom(was, *p)) && madeFrom(*p, mine))
                    return true;
            }
            return false;
        };
        bool unseenChange = false;
        for (const QString& mine : held) {
            unseenChange =
                unseenChange || (tagOf(mine.section(RecordFieldSeparator, 2, 2)) == tagOf(old->memo.title) &&
                                 mine != was && (!madeFrom(was, mine) || besideDeleted(mine)));
        }
        if (old->deleted ? !(changeWaiting || posted.contains(old->memo) || wentBack || older || unseenChange)
                         : !seen)
            return fail(QStringLiteral(
                            "%1 replaced \"%2\" (%3) on the service unseen:\n  was %4\n  now %5\n  base %6")
                            .arg(c.name, old->memo.title)
                            .arg(it.key())
                            .arg(was, ServerRecordText(it->memo), ServerRecordText(base.memo)));
    }
    return true;
}

// What the computer has in step now, with the counter and the token of the service's copy.
void Sequence::noteInStep(Computer& c)
{
    for (const MemoRecord& memo : c.rows()) {
        if (memo.syn && memo.NotebookServerId > 0) {
            const MemoRecord shared = sharedFields(memo);
            c.base.insert(memo.NotebookServerId, {shared, memo.SyncedSynnum, c.tokenOf(memo.id)});
            c.baseOfRow.insert(memo.id, shared);
            c.everHad.insert(ServerRecordText(shared));
        }
    }
}

// Memos the pass deleted on the service with no change of them waiting anywhere and no other copy of
// them left stay deleted from now on, unless someone changes them.
void Sequence::noteDeletions(Computer& by, const QHash<qint64, ServerCopy>& before)
{
    const QHash<qint64, ServerCopy> after = serverCopies(by);
    QSet<QString> live;
    for (const ServerCopy& copy : after) {
        if (!copy.deleted)
            live.insert(tagOf(copy.memo.title));
    }
    // What the computers hold of each memo, changed or not: a copy the deletion was not made over is a
    // change it had not seen, which may bring the memo back; so is any change waiting that differs from
    // the copy deleted, though it says what an older copy said (done, and back).
    QMultiHash<QString, std::pair<QString, bool>> held;
    for (Computer* c : ofAccount(by.user)) {
        for (const MemoRecord& memo : c->rows()) {
            if (!memo.Del)
                held.insert(tagOf(memo.title), {ServerRecordText(sharedFields(memo)), !memo.syn});
        }
    }
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const QString tag = tagOf(it->memo.title);
        if (!it->deleted || before.value(it.key()).deleted || live.contains(tag))
            continue;
        const QString gone = ServerRecordText(it->memo);
        bool unseen = false;
        for (auto mine = held.constFind(tag); mine != held.constEnd() && mine.key() == tag; ++mine)
            unseen = unseen || (mine->first != gone && (mine->second || !madeFrom(gone, mine->first)));
        if (!unseen)
            m_goneForGood.insert(tag);
    }
}

// Two computers at once: the first one's upload is held on the way while the second one runs a
// whole pass.
bool Sequence::race()
{
    const std::optional<std::pair<Computer*, Computer*>> pair = racePair();
    if (!pair)
        return true;
    Computer& first = *pair->first;
    Computer& second = *pair->second;
    standin::ServiceStandIn& service = serviceOf(first);
    const QHash<qint64, ServerCopy> before = serverCopies(first);
    standin::Fault held;
    held.path = QStringLiteral("/api/Syn.asp");
    held.count = 1;
    held.delayMs = 150;
    service.setFault(held);
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    int running = 1;
    const auto ended = [&running, &loop] {
        if (--running == 0)
            loop.quit();
    };
    QObject::connect(first.sync.get(), &SyncSession::passFinished, &loop, ended);
    QObject::connect(second.sync.get(), &SyncSession::passFinished, &loop, ended);
    bool started = false;
    QObject::connect(&service, &standin::ServiceStandIn::requestReceived, &loop,
                     [&](const standin::StandInRequest& request) {
                         if (started || request.method != "POST")
                             return;
                         started = true;
                         ++running;
                         second.sync->SyncData();
                     });
    first.offered = second.offered = false;
    log(QStringLiteral("%1 uploads while %2 passes").arg(first.name, second.name));
    first.sync->UploadData();
    loop.exec();
    service.clearFault();
    m_outcome.passes += started ? 2 : 1;
    noteDeletions(first, before);
    for (Computer* c : {&first, &second}) {
        noteInStep(*c);
        if (!c->offered)
            continue;
        ++m_outcome.conflicts;
        if (const auto data = parseConflictData(c->sync->ConflictData())) {
            c->shown.insert(data->serverId, sharedFields(data->memo));
            c->everHad.insert(ServerRecordText(sharedFields(data->memo)));
            noteShown(*c, *data);
        }
        if (!settle(*c, false))
            return false;
    }
    return true;
}

bool Sequence::settle(Computer& c, bool settleAlways)
{
    const int choice = pick(settleAlways ? 2 : 3);
    static const char* const choices[] = {"keeps its own copy", "keeps the service's copy",
                                          "closes the windows"};
    log(QStringLiteral("%1 %2").arg(c.name, QLatin1String(choices[choice])));
    if (choice == 2) {
        if (!c.windows->localWindow() || !c.windows->serverWindow())
            return fail(QStringLiteral("%1: the conflict windows did not open").arg(c.name));
        c.windows->localWindow()->close(); // left for a later pass
        c.windows->serverWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }
    ConflictWindow* window = choice == 0 ? static_cast<ConflictWindow*>(c.windows->localWindow())
                                         : static_cast<ConflictWindow*>(c.windows->serverWindow());
    if (!window)
        return fail(QStringLiteral("%1: the conflict windows did not open").arg(c.name));
    const std::optional<MemoRecord> local = readByServerId(c.db, c.user, c.sync->ConflictServerId()).value;
    if (!local)
        return fail(QStringLiteral("%1: the memo in conflict is gone").arg(c.name));
    MemoRecord kept = sharedFields(choice == 0 ? *local : parseConflictData(c.sync->ConflictData())->memo);
    if (pick(4) == 0) {
        // Edited in the window before it is kept.
        kept.title = QStringLiteral("%1 %2w%3").arg(tagOf(kept.title), c.name).arg(++m_edits);
        window->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(kept.title);
    }
    if (settleAlways && tooLarge(kept)) {
        // At the end the user does what the refusal asks: shortens the memo, then keeps it.
        kept.content = kept.content.left(kept.content.size() - kOversize);
        window->findChild<PlainTextBox*>(QStringLiteral("Text2"))->setPlainText(kept.content);
        log(QStringLiteral("%1 shortens its copy").arg(c.name));
    }
    window->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // As shown, written now like every save.
    MemoRecord stored = sharedFields(readMemo(c.db, local->id).value_or(MemoRecord()));
    kept.click = 1;
    kept.before = 7;
    kept.editor = false;
    kept.addtime = stored.addtime;
    if (tooLarge(kept)) {
        // Refused for its size: the windows stay open with what the user typed, the row as it was.
        if (!window->isVisible() || stored != sharedFields(*local))
            return fail(QStringLiteral("%1: a kept copy too large to go up was stored").arg(c.name));
        c.windows->localWindow()->close();
        c.windows->serverWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }
    if (stored != kept)
        return fail(QStringLiteral("%1: the kept copy was not stored as shown").arg(c.name));
    m_goneForGood.remove(tagOf(kept.title));
    // The kept copy comes after both copies the windows showed: the user chose over them.
    const QString keptText = ServerRecordText(kept);
    c.everHad.insert(keptText);
    for (const MemoRecord& over :
         {sharedFields(*local), sharedFields(parseConflictData(c.sync->ConflictData())->memo)}) {
        if (ServerRecordText(over) != keptText)
            m_parents.insert(keptText, ServerRecordText(over));
    }
    // The row's change is now what was kept over the service's copy the windows showed.
    const ConflictRecord server = *parseConflictData(c.sync->ConflictData());
    c.base.insert(server.serverId, {sharedFields(server.memo), server.memo.synnum,
                                    serverCopies(c).value(server.serverId).token});
    return true;
}

bool Sequence::checkEnd()
{
    for (const QString& user : {MainUser, OtherUser}) {
        const QChar account = user == MainUser ? QLatin1Char('m') : QLatin1Char('o');
        QHash<qint64, MemoRecord> service;
        QSet<QString> tags;
        const QHash<qint64, ServerCopy> copies = copiesOf(ofAccount(user).front()->service, user);
        for (auto it = copies.constBegin(); it != copies.constEnd(); ++it) {
            if (it->deleted)
                continue;
            service.insert(it.key(), it->memo);
            const QString tag = tagOf(it->memo.title);
            if (!tag.startsWith(account))
                return fail(QStringLiteral("memo %1 reached the account %2").arg(tag, user));
            if (tags.contains(tag)) {
                QStringList both;
                for (auto other = copies.constBegin(); other != copies.constEnd(); ++other) {
                    if (!other->deleted && tagOf(other->memo.title) == tag)
                        both << ServerRecordText(other->memo);
                }
                // After the service lost memos, copies changed apart on two computers since the last copy
                // both knew come back as two memos: nothing tells them for one (README). Any other pair
                // (the same, or one surely made from the other) is one memo twice.
                bool apart = m_serviceLost && both.size() == 2;
                for (int i = 0; apart && i < both.size(); ++i) {
                    for (int j = 0; apart && j < both.size(); ++j)
                        apart = i == j || (both[i] != both[j] && !surelyMadeFrom(both[i], both[j]));
                }
                if (!apart)
                    return fail(
                        QStringLiteral("memo %1 is on the service twice:\n  %2").arg(tag, both.join(u'\n')));
                ++m_outcome.apartAfterLoss;
                continue;
            }
            if (m_goneForGood.contains(tag)) {
                // A memo deleted after a backup may come back when the backup is put back (README).
                if (!m_serviceLost)
                    return fail(QStringLiteral("memo %1 came back after its deletion").arg(tag));
                ++m_outcome.backAfterLoss;
            }
            tags.insert(tag);
        }
        QSet<QString> waitingForGood; // memos too large for the service stay where they are
        for (Computer* c : ofAccount(user)) {
            QHash<qint64, MemoRecord> local;
            for (const MemoRecord& memo : c->rows()) {
                if (tooLarge(memo) && !memo.syn) {
                    waitingForGood.insert(tagOf(memo.title));
                    continue;
                }
                if (!memo.syn || memo.Del || memo.NotebookServerId <= 0 ||
                    local.contains(memo.NotebookServerId))
                    return fail(QStringLiteral("%1: \"%2\" is not in step after the final settling")
                                    .arg(c->name, memo.title));
                local.insert(memo.NotebookServerId, sharedFields(memo));
            }
            for (auto it = service.constBegin(); it != service.constEnd(); ++it) {
                if (local.value(it.key()) != *it && !waitingForGood.contains(tagOf(it->title)))
                    return fail(
                        QStringLiteral("%1 and the service hold different memos at the end: %1 holds "
                                       "\"%2\", the service \"%3\"")
                            .arg(c->name, ServerRecordText(local.value(it.key())), ServerRecordText(*it)));
            }
            for (auto it = local.constBegin(); it != local.constEnd(); ++it) {
                if (!service.contains(it.key()))
                    return fail(QStringLiteral("%1 holds \"%2\", which the service does not")
                                    .arg(c->name, it->title));
            }
        }
        for (const QString& tag : std::as_const(m_addedTags)) {
            if (tag.startsWith(account) && !m_deletedTags.contains(tag) && !tags.contains(tag) &&
                !waitingForGood.contains(tag))
                return fail(QStringLiteral("memo %1 was lost").arg(tag));
        }
    }
    return true;
}

Outcome Sequence::run(int steps)
{
    bool opened = m_addresses.front().problem().isEmpty();
    for (const auto& c : m_computers)
        opened = opened && c->open(m_addresses.front());
    if (!opened) {
        fail(QStringLiteral("the stand-in or a data folder could not be set up"));
        return m_outcome;
    }
    if (m_options.plainService)
        history();
    static const Fault faults[] = {Fault::LostAnswers, Fault::FailingWrite, Fault::Killed,
                                   Fault::Quit,        Fault::ChangeMidway, Fault::SlowAnswers};
    // No upload goes out to the previous version's service: none to lose an answer of or to hold.
    static const Fault plainFaults[] = {Fault::FailingWrite, Fault::Killed, Fault::Quit, Fault::ChangeMidway};
    const std::vector<Computer*> main = ofAccount(MainUser);
    for (m_step = 1; m_step <= steps && m_outcome.ok; ++m_step) {
        const int kind = pick(1000);
        Computer& c = any();
        if (kind < 220) {
            pass(c, Fault::None, false);
        } else if (kind < 340) {
            pass(c,
                 m_plain ? plainFaults[pick(int(std::size(plainFaults)))]
                         : faults[pick(int(std::size(faults)))],
                 false);
        } else if (kind < 380) {
            m_plain ? plainRace() : race();
        } else if (kind < 400) {
            log(QStringLiteral("%1 restarts").arg(c.name));
            c.start(); // a restart between passes
        } else if (kind < 405) {
            log(QStringLiteral("uploads held on the way reach the services"));
            for (const auto& service : m_services)
                service->releaseHeld();
        } else if (kind < 410) {
            // A request on its way arrives within the hour, not weeks later.
            const int days = 7 * (1 + pick(6));
            log(QStringLiteral("uploads held on the way reach the services; %1 days pass").arg(days));
            for (const auto& service : m_services)
                service->releaseHeld();
            m_clock.jumpDays(days);
        } else if (kind < 425) {
            backUp();
        } else if (kind < 435) {
            restoreBackup();
        } else if (kind < 440) {
            resetService();
        } else if (kind < 446) {
            // The address of one computer of the first account is changed to another service.
            Computer& moving = *main[size_t(pick(int(main.size())))];
            if (moving.service + 1 == m_services.size() && m_services.size() < 3 && !addService())
                return fail(QStringLiteral("another stand-in could not be started")), m_outcome;
            moveComputer(moving, std::min(moving.service + 1, m_services.size() - 1));
        } else {
            change(c);
        }
    }
    // Whatever is still on the way arrives; every computer of the first account ends with the address
    // the last of them has.
    for (const auto& service : m_services)
        service->releaseHeld();
    size_t last = 0;
    for (Computer* c : main)
        last = std::max(last, c->service);
    for (Computer* c : main) {
        if (c->service != last)
            moveComputer(*c, last);
    }
    if (m_plain) {
        // Nothing to settle: a last pass each, against the service it ends with.
        for (const auto& c : m_computers) {
            if (!plainPass(*c, Fault::None))
                break;
        }
        return m_outcome;
    }
    // Settle everything: passes on every computer until a round moves nothing.
    for (int round = 0; round < 12 && m_outcome.ok; ++round, ++m_step) {
        const int conflicts = m_outcome.conflicts;
        const QHash<qint64, ServerCopy> before = copiesOf(last, MainUser);
        bool ran = true;
        for (const auto& c : m_computers)
            ran = ran && pass(*c, Fault::None, true);
        if (!ran)
            break;
        const auto waiting = [this] {
            for (const auto& c : m_computers) {
                for (const MemoRecord& memo : c->rows())
                    if (!memo.syn && !tooLarge(memo))
                        return true;
            }
            return false;
        };
        if (conflicts == m_outcome.conflicts && !waiting() && copiesOf(last, MainUser) == before) {
            checkEnd();
            return m_outcome;
        }
    }
    if (m_outcome.ok)
        fail(QStringLiteral("the computers did not come into step"));
    return m_outcome;
}

} // namespace

MemoRecord sharedFields(MemoRecord memo)
{
    memo.id = memo.NotebookServerId = 0;
    memo.synnum = memo.SyncedSynnum = 0;
    memo.syn = memo.Del = false;
    memo.AlertTimeTemp = memo.AlertTimeNongliTemp = std::nullopt;
    memo.content.replace(QLatin1Char('\n'), QLatin1String("<BR>"));
    return memo;
}

Outcome runSequence(quint32 seed, int steps, const RunOptions& options)
{
    return Sequence(seed, options).run(steps);
}

} // namespace velmo::soak
