#pragma once

#include "TempDataFolder.h"

#include "store/Database.h"
#include "store/Memo.h"
#include "store/RunState.h"

#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace velmo::test {

// A fresh data.db in a temporary data folder of its own, opened on a connection of its own, with
// a run state that points at it and a signed-in user.
class TestStore
{
public:
    explicit TestStore(const QString& userId = QStringLiteral("tester"));

    // The database was created and opened; error() says why not.
    bool isValid() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    Database& db() { return *m_db; }
    RunState& runState() { return m_state; }
    const TempDataFolder& folder() const { return m_folder; }
    DataFolder dataFolder() const { return m_folder.dataFolder(); }
    QString dbPath() const { return m_state.DbPath; }

    // A memo of the signed-in user as the new-memo window saves it: in progress, solar reminder
    // one day after the test clock, once, tune "1.mid".
    MemoRecord sampleMemo(const QString& title = QStringLiteral("memo")) const;

    // A memo of the signed-in user in which every column holds a value of its own: no two flags,
    // dates, numbers or texts share a value, so a swap of two columns cannot go unseen. Each variant
    // (0 to 2) sets the flags in another pattern (every pair of flags differs in one of them) and
    // moves every other value; variant 2 is a lunar memo. syn and Del stay clear.
    MemoRecord distinctMemo(int variant = 0) const;

    // Inserts a memo; returns its id, or 0 when the insert failed (see lastError()).
    qint64 addMemo(const MemoRecord& memo);
    qint64 addMemo(const QString& title = QStringLiteral("memo")) { return addMemo(sampleMemo(title)); }
    std::optional<MemoRecord> memo(qint64 id) const { return readMemo(*m_db, id); }
    // Every column of every memo row (see memoColumns), to tell that nothing changed.
    QStringList allMemoColumns() const;

    // Adds an account row as a sign-in stores it; false when the insert failed (see lastError()).
    bool addAccount(const QString& userId, const QString& passHash, int passLength,
                    bool mobileMailActive = false);

    // The first column of the first row of a query (invalid when there is none).
    QVariant value(const QString& sql, const QVariantList& values = {}) const
    {
        return m_db->selectValue(sql, values);
    }
    const QString& lastError() const { return m_lastError; }
    // From now on the writes an event names ("UPDATE ON Config", "INSERT ON Notice WHEN ...") fail
    // with "disk full"; false when that could not be arranged.
    bool refuse(const QString& event)
    {
        const QString sql =
            QStringLiteral("CREATE TRIGGER refuse BEFORE %1 BEGIN SELECT RAISE(ABORT, 'disk full'); END");
        return m_db->exec(sql.arg(event)).ok;
    }

private:
    TempDataFolder m_folder;
    std::unique_ptr<Database> m_db;
    RunState m_state;
    QString m_error;
    QString m_lastError;
};

// A connection name no other open Database uses.
QString uniqueConnectionName();

// Every column of a memo as "name=value" in table order (moments as stored, "-" when unset), so
// that a QCOMPARE of two lists names the first column that differs.
QStringList memoColumns(const MemoRecord& memo);
// The column list with the entries of the given "name=value" texts replaced.
QStringList withColumns(QStringList columns, const QStringList& changes);

} // namespace velmo::test
