#include "MemoState.h"

#include "store/Database.h"

namespace velmo {

StoreResult SetDone(Database& db, const QString& userId, MemoId id)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET Done=1, synnum=COALESCE(synnum, 0)+1, syn=0 "
                                  "WHERE id=? AND userid=? AND Done=0"),
                   {id, userId});
}

StoreResult SetUndo(Database& db, const QString& userId, MemoId id)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET Done=0, synnum=COALESCE(synnum, 0)+1, syn=0 "
                                  "WHERE id=? AND userid=? AND Done=1"),
                   {id, userId});
}

StoreResult SetDel(Database& db, const QString& userId, MemoId id)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET Del=1, syn=0 WHERE id=? AND userid=? AND Del=0"),
                   {id, userId});
}

StoreRead<std::vector<MemoId>> applyToMemos(Database& db, MemoSetter setter, const QString& userId,
                                            const std::vector<MemoId>& ids)
{
    Transaction transaction(db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    std::vector<MemoId> changed;
    for (const MemoId id : ids) {
        const StoreResult set = setter(db, userId, id);
        if (!set)
            return set;
        if (set.rowsAffected > 0)
            changed.push_back(id);
    }
    const StoreResult committed = transaction.commit();
    if (!committed)
        return committed;
    return {committed, std::move(changed)};
}

} // namespace velmo
