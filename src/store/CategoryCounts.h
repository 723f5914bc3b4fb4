#pragma once

#include "store/MemoCategory.h"
#include "store/StoreResult.h"

#include <QString>

#include <array>

namespace velmo {

class Database;

// How many memos the signed-in user has in progress and done, in total and per category code 1
// to 7: the rows the lists show, so rows marked deleted are left out. A root's total also holds the
// memos whose category lies outside 1 to 7.
class CategoryCounts
{
public:
    qint64 total(bool done) const { return done ? m_doneTotal : m_undoTotal; }
    // Category 1 to 7; 0 for any other code.
    qint32 ofCategory(bool done, int category) const;

    // Recounts from the file in one grouped query. On failure the counts keep their previous values.
    StoreResult read(const Database& db, const QString& userId);

private:
    qint64 m_undoTotal = 0;
    qint64 m_doneTotal = 0;
    std::array<qint32, kCategoryCount> m_undoByType{};
    std::array<qint32, kCategoryCount> m_doneByType{};
};

} // namespace velmo
