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

bool CategoryCounts::read(const Database& db, const QString& userId, QString* error)
{
    DbQuery query = db.select(QStringLiteral("SELECT Done, type, COUNT(*) FROM Notebook WHERE userid = ? "
                                             "AND Del = 0 GROUP BY Done, type"),
                              {userId});
    if (!query.ok()) {
        if (error)
            *error = query.error();
        return false;
    }
    CategoryCounts fresh;
    while (query.next()) {
        const bool done = query.value(0).toInt() != 0;
        const QVariant type = query.value(1);
        const qint64 count = query.value(2).toLongLong();
        (done ? fresh.m_doneTotal : fresh.m_undoTotal) += count;
        const int category = type.isNull() ? 0 : type.toInt();
        if (isCategoryCode(category)) {
            auto& byType = done ? fresh.m_doneByType : fresh.m_undoByType;
            byType[static_cast<size_t>(category - 1)] = static_cast<qint32>(count);
        }
    }
    *this = fresh;
    return true;
}

} // namespace velmo
