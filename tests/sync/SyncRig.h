#pragma once

// Computers of one account against the service stand-in, for the synchronisation's tests: each with
// its own data folder, channel, synchronisation and conflict windows.

#include "BoxRecorder.h"
#include "FixedClock.h"
#include "ServiceFixture.h"
#include "TestStore.h"
#include "editor/EditorTestKit.h"

#include "platform/Clock.h"
#include "platform/Md5.h"
#include "platform/ServiceChannel.h"
#include "store/DbText.h"
#include "store/MemoState.h"
#include "store/ReminderQueries.h"
#include "store/SyncRows.h"
#include "sync-soak/SoakRun.h"
#include "sync/ConflictWindows.h"
#include "sync/ServerRecord.h"
#include "sync/SyncSession.h"
#include "velmo-service/MemoStore.h"

#include <QSignalSpy>
#include <QTest>

namespace velmo::test {

using namespace std::chrono_literals;
using standin::Fault;

const QString Password = QStringLiteral("velmo123");

// One computer of the user: its own data folder, channel and synchronisation.
struct Device
{
    TestStore store;
    ServiceChannel channel;
    SyncSession sync{store.db(), store.runState(), channel};
    ViewsRecorder views;
    BoxRecorder boxes;
    QStringList previews;
    QString mark = QStringLiteral("+"); // what an edit adds to the title
    std::unique_ptr<ConflictWindows> windows;
    QStringList statuses;
    int conflicts = 0;

    Device(const ServiceAddress& address, const QString& user = QStringLiteral("demo"))
        : store(user)
    {
        store.runState().PassHash = MD5_16(Password);
        sync.setServiceAddress(address);
        channel.setTimeout(1500ms);
        QObject::connect(&sync, &SyncSession::statusText, [this](const QString& text) { statuses << text; });
        QObject::connect(&sync, &SyncSession::conflictFound, [this] { ++conflicts; });
        EditorServices services{store.db(), store.runState(), boxes, views};
        services.tunes = [this] { return std::make_unique<PreviewRecorder>(previews); };
        windows = std::make_unique<ConflictWindows>(services, sync);
        QObject::connect(&sync, &SyncSession::conflictFound, windows.get(), &ConflictWindows::open);
    }
    ~Device() { windows.reset(); }

    template <typename T>
    static T* child(QWidget* window, const char* name)
    {
        return window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }
    bool windowsGone() const { return !windows->localWindow() && !windows->serverWindow(); }

    // Runs a pass to its end (a sanitizer build under load takes seconds over a memo of megabytes).
    bool run(void (SyncSession::*pass)())
    {
        QSignalSpy finished(&sync, &SyncSession::passFinished);
        (sync.*pass)();
        return !finished.isEmpty() || finished.wait(30000);
    }
    bool syncNow() { return run(&SyncSession::SyncData); }
    bool uploadNow() { return run(&SyncSession::UploadData); }

    qint64 add(const QString& title, const QString& owner = {})
    {
        MemoRecord memo = store.sampleMemo(title);
        memo.content = title + QStringLiteral(" | body");
        if (!owner.isEmpty())
            memo.userid = owner;
        return store.addMemo(memo);
    }
    enum Change
    {
        Edit,
        Write, // the body alone
        Done,  // marked done, or back in progress when done already (a command on a memo in its
               // state changes nothing)
        StopRinging,
        Delete,
    };
    // A change as the program's windows make it.
    void change(qint64 id, int kind, int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            NextAlert next;
            next.moment = toDbText(defaultTestMoment().addDays(3 + i));
            next.repeatCode = QStringLiteral("1tian");
            const QString user = store.runState().UserId;
            QVERIFY(kind == Edit || kind == Write
                        ? store.db()
                              .exec(QStringLiteral(
                                        "UPDATE Notebook SET %1=%1||?, synnum=synnum+1, syn=0 WHERE id=?")
                                        .arg(kind == Edit ? "title" : "content"),
                                    {mark, id})
                              .ok
                    : kind == Done
                        ? (row(id).Done ? SetUndo : SetDone)(store.db(), user, id).rowsAffected == 1
                    : kind == Delete ? SetDel(store.db(), user, id).ok
                                     : storeNextAlert(store.db(), user, id, next).ok);
        }
    }
    MemoRecord row(qint64 id) const { return store.memo(id).value_or(MemoRecord()); }
    // The row's fields as the service keeps them: nothing that is this computer's own.
    static MemoRecord shared(const MemoRecord& memo) { return soak::sharedFields(memo); }
    // A copy as keeping it in the conflict windows stores it: written now, like every save.
    static MemoRecord settled(MemoRecord memo)
    {
        memo.addtime = Clock::currentDateTime().addMSecs(-Clock::currentDateTime().time().msec());
        memo.click = 1;
        memo.before = 7;
        memo.editor = false;
        return memo;
    }
    // The program starts again over the same data file (what it kept in memory is gone) and runs a
    // sync pass to its end.
    bool syncAfterRestart(const ServiceAddress& address)
    {
        ServiceChannel fresh;
        SyncSession restarted(store.db(), store.runState(), fresh);
        restarted.setServiceAddress(address);
        QSignalSpy finished(&restarted, &SyncSession::passFinished);
        restarted.SyncData();
        return finished.wait(30000);
    }
    qint64 unsynced() const
    {
        return store.value(QStringLiteral("SELECT count(*) FROM Notebook WHERE syn=0")).toLongLong();
    }
    QStringList titles()
    {
        QStringList list;
        for (const MemoRecord& memo :
             readMemos(store.db(), QStringLiteral("SELECT * FROM Notebook WHERE Del=0 ORDER BY title")).value)
            list << memo.title;
        return list;
    }
};

struct Rig
{
    ServiceFixture service;
    Device a{service.address()};
    Device b{service.address()};

    Rig()
    {
        service.addAccount(QStringLiteral("demo"), Password);
        b.mark = QStringLiteral("-");
    }
    // One memo on both computers, in step; false when a pass failed.
    bool shareOne(qint64& onA, qint64& onB, const MemoRecord& memo)
    {
        onA = a.store.addMemo(memo);
        if (!a.syncNow() || !b.syncNow())
            return false;
        onB =
            readByServerId(b.store.db(), "demo", a.row(onA).NotebookServerId).value.value_or(MemoRecord()).id;
        return onB > 0;
    }
    // The service's copy, as the client reads it.
    MemoRecord serverCopy(qint64 serverId)
    {
        const auto stored = memos().memo(QStringLiteral("demo"), serverId);
        return stored ? parseServerRecord(standin::MemoStore::recordText(*stored)).value_or(MemoRecord())
                      : MemoRecord();
    }
    standin::MemoStore& memos() { return *standin::MemoStore::of(service.service()); }
    // The service answers requests to path with this text instead (count times; -1: every time).
    void answer(const QString& path, const QString& text, int count = -1)
    {
        Fault fault;
        fault.kind = Fault::Garbage;
        fault.path = path;
        fault.count = count;
        fault.garbageText = text;
        service.setFault(fault);
    }
    QStringList serverTitles()
    {
        QStringList list;
        for (const standin::StoredMemo& memo : memos().liveMemos(QStringLiteral("demo")))
            list << memo.fields.value(2);
        list.sort();
        return list;
    }
    // Runs a pass of the device whose upload answers are all lost after the service took them (the
    // network layer sends a post again when its connection breaks: the service then holds it more
    // than once).
    bool passLosingAnswers(Device& device)
    {
        service.failNext(Fault::DropAnswer, -1, QStringLiteral("/api/Syn.asp"));
        const bool ran = device.syncNow();
        service.clearFault();
        return ran && device.sync.lastTransferFailed();
    }
    // Empty when every computer holds the service's live memos, each once and whole, and nothing
    // waits; else what is apart.
    QString apart(std::initializer_list<Device*> devices)
    {
        QHash<qint64, MemoRecord> live;
        for (const standin::StoredMemo& stored : memos().liveMemos(QStringLiteral("demo")))
            live.insert(stored.serverId, Device::shared(serverCopy(stored.serverId)));
        for (Device* device : devices) {
            QHash<qint64, MemoRecord> local;
            for (const MemoRecord& memo :
                 readMemos(device->store.db(), QStringLiteral("SELECT * FROM Notebook")).value) {
                if (!memo.syn || memo.Del || local.contains(memo.NotebookServerId))
                    return QStringLiteral("\"%1\" is not in step").arg(memo.title);
                local.insert(memo.NotebookServerId, Device::shared(memo));
            }
            if (local != live)
                return QStringLiteral("a computer holds %1 memos, the service %2")
                    .arg(local.size())
                    .arg(live.size());
        }
        return {};
    }
    QList<standin::StandInRequest> uploads() const
    {
        QList<standin::StandInRequest> posts;
        for (const auto& request : service.requests())
            if (request.method == "POST")
                posts << request;
        return posts;
    }
};

// A clock that moves on a second at every reading.
class TickingClock : public Clock
{
protected:
    QDateTime now() const override { return m_now = m_now.addSecs(1); }

private:
    mutable QDateTime m_now = defaultTestMoment();
};

} // namespace velmo::test
