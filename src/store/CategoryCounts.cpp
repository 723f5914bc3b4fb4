#include "CategoryCounts.h"

#include "store/Database.h"
#include "store/MemoCategory.h"

namespace velmo {

qint32 CategoryCounts::ofCategory(bool done, int category) const
{
    if (!isCategoryCode(category))
        return 0;
    const auto& byType = done ? m_doneByType : m_undoByType;
    return byType[static_cast<size_t>(category - 1)];
}

StoreResult CategoryCounts::read(const Database& db, const QString& userId)
{
    CategoryCounts fresh;
    const StoreResult ran = db.forEachRow(
        QStringLiteral(
            "SELECT Done, type, COUNT(*) FROM Notebook WHERE userid = ? AND Del = 0 GROUP BY Done, type"),
        {userId}, [&fresh](const DbQuery& query) {
            const bool done = query.value(0).toInt() != 0;
            const QVariant type = query.value(1);
            const qint64 count = query.value(2).toLongLong();
            (done ? fresh.m_doneTotal : fresh.m_undoTotal) += count;
            const int category = type.isNull() ? 0 : type.toInt();
            if (isCategoryCode(category)) {
                auto& byType = done ? fresh.m_doneByType : fresh.m_undoByType;
                byType[static_cast<size_t>(category - 1)] = static_cast<qint32>(count);
            }
        });
    if (ran.ok)
        *this = fresh;
    return ran;
}

} // namespace velmo
