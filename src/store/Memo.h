#pragma once

#include "lunar/LunarMoment.h"
#include "store/MemoId.h"
#include "store/StoreResult.h"

#include <QDateTime>
#include <QString>

#include <QVariantList>

#include <optional>
#include <vector>

class QSqlRecord;

namespace velmo {

class Database;

// One memo row of table Notebook, with the table's defaults. A date that is not set is NULL in
// the row; an empty content is stored as NULL (no body).
struct MemoRecord
{
    // The longest texts the table takes, in characters.
    static constexpr qsizetype TitleLength = 255;
    static constexpr qsizetype SoundLength = 255;
    static constexpr qsizetype AlertPinLvLength = 50;
    static constexpr qsizetype AddIpLength = 50;

    MemoId id = 0; // given by the database on insert
    qint64 NotebookServerId = 0;
    int type = 0;
    QString userid;
    QString title;
    QString content;
    bool Done = false;
    std::optional<QDateTime> addtime; // unset on insert: the moment of insertion
    std::optional<QDateTime> AlertTime;
    QString AlertPinLv;
    bool mimi = false;
    bool ifAlert = false;
    bool importance = false;
    QString AddIp;
    int click = 0;
    // Lunar numbers: the 30th of a month has no solar date of the same numbers.
    std::optional<LunarMoment> AlertTimeNongli;
    std::optional<QDateTime> mailTime;
    int before = 7;
    QString sound;
    QString DiySound;
    bool Mail = false;
    bool editor = false;
    int lifa = 0;
    int synnum = 1;
    bool syn = false;
    bool Del = false;
    std::optional<QDateTime> AlertTimeTemp;
    std::optional<QDateTime> AlertTimeNongliTemp;
    // The service's change counter when the row was last in step with it; 0 before the first.
    int SyncedSynnum = 0;

    friend bool operator==(const MemoRecord&, const MemoRecord&) = default;
};

// What is bound for an optional moment of a memo: its stored text, or NULL when unset.
QVariant dateValue(const std::optional<QDateTime>& moment);
QVariant lunarValue(const std::optional<LunarMoment>& moment);

// The columns a memo also has on the web service (all but its ids, owner, counters and local flags),
// quoted for SQL, and the values bound for them, in the same order.
const QStringList& syncedColumns();
QVariantList syncedValues(const MemoRecord& memo);

// Adds the memo as a new row (its id is ignored) and returns the new id in insertId. An unset
// addtime is filled with the current moment of the program's clock. Fails, storing nothing,
// when a set date is invalid or a text is longer than its column allows.
StoreResult insertMemo(Database& db, const MemoRecord& memo);

// The memo with this local id, whoever owns it; none when there is no such row.
std::optional<MemoRecord> readMemo(const Database& db, MemoId id);

// The memos a SELECT * FROM Notebook ... returns, in its order (columns the statement leaves out
// read as empty).
StoreRead<std::vector<MemoRecord>> readMemos(const Database& db, const QString& sql,
                                             const QVariantList& values = {});

// A memo from a row read with SELECT * FROM Notebook.
MemoRecord memoFromRecord(const QSqlRecord& record);

// What a memo editor writes into a memo row. Moments are stored texts ("yyyy-MM-dd HH:mm:ss"): a
// lunar reminder time may name a day that no solar month has (the 30th of the second month).
struct MemoWrite
{
    int type = 0;
    QString title;
    // Edit: nullopt keeps the stored body. New memo: nullopt or empty stores no body.
    std::optional<QString> content;
    QString AlertPinLv;
    bool mimi = false;
    bool ifAlert = false;
    bool importance = false;
    bool Mail = false;
    // Empty: the column is not written.
    QString AlertTime;
    QString AlertTimeNongli;
    QString mailTime;
    // nullopt: not written (a custom tune keeps the stored code; a new memo has none).
    std::optional<QString> sound;
    // The custom tune's path; empty with a built-in tune (a new memo then stores none).
    QString DiySound;
    int lifa = 0;
};

// A new memo of the user, in progress, changed at `now`, to be uploaded; with it the settings row
// remembers customTune as the next new memo's custom tune (none: the settings row is left as it
// is). Both are stored or, on a failure, neither. insertId gives the memo's id.
StoreResult addEditorMemo(Database& db, const QString& userId, const MemoWrite& memo, const QDateTime& now,
                          const std::optional<QString>& customTune);

// Stores an edited memo of the user: in progress again, changed at `now`, its change counter up by
// one, to be uploaded. Only the row as the editor loaded it is written: rowsAffected is 0 (nothing
// stored) when the user has no such memo, it is marked deleted, or its change counter is no longer
// loadedSynnum (a synchronisation, a reminder action or another window changed it meanwhile). A
// snooze stays unless the reminder time, its calendar, its repeat code or its switch change.
StoreResult updateEditorMemo(Database& db, MemoId id, const QString& userId, const MemoWrite& memo,
                             const QDateTime& now, int loadedSynnum);

// A memo as an editor shows it, with its lunar reminder time read from the stored text (which may
// name a day no solar month has).
struct EditorMemo
{
    MemoRecord memo;
    std::optional<LunarMoment> lunarAlert;
};
// None: the user has no such memo, or it is marked deleted.
using EditorMemoRead = StoreRead<std::optional<EditorMemo>>;
EditorMemoRead readEditorMemo(const Database& db, MemoId id, const QString& userId);

} // namespace velmo
