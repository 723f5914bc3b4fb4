#include "MemoState.h"

#include "store/Database.h"

namespace velmo {

StoreResult SetDone(Database& db, const QString& userId, MemoId id)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET Done=1, synnum=COALESCE(synnum, 0)+1, syn=0 "
                                  "WHERE id=? AND userid=?"),
                   {id, userId});
}

StoreResult SetUndo(Database& db, const QString& userId, MemoId id)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET Done=0, synnum=COALESCE(synnum, 0)+1, syn=0 "
                                  "WHERE id=? AND userid=?"),
                   {id, userId});
}

StoreResult SetDel(Database& db, const QString& userId, MemoId id)
{
    return db.exec(QStringLiteral("UPDATE Notebook SET Del=1, syn=0 WHERE id=? AND userid=?"), {id, userId});
}

StoreResult applyToMemos(Database& db, MemoSetter setter, const QString& userId,
                         const std::vector<MemoId>& ids)
{
    Transaction transaction(db);
    if (!transaction.isActive())
        return StoreResult::failure(transaction.error());
    for (const MemoId id : ids) {
        const StoreResult changed = setter(db, userId, id);
        if (!changed)
            return changed;
    }
    return transaction.commit();
}

} // namespace velmo
