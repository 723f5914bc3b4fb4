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
//
// The connection keeps the counts of every user in a table of its own (a temporary one: it lives
// with the connection and is never written to the file), made by one grouped read the first time
// and kept right by triggers on each later change of a memo through that connection, so a read
// after a change costs a few rows, not a count of every memo.
class CategoryCounts
{
public:
    qint64 total(bool done) const { return done ? m_doneTotal : m_undoTotal; }
    // Category 1 to 7; 0 for any other code.
    qint32 ofCategory(bool done, int category) const;

    // The user's counts. On failure the counts keep their previous values.
    StoreResult read(Database& db, const QString& userId);

    // Makes the connection's kept counts now, when it has none yet, so that the first read need not.
    static StoreResult keep(Database& db);

private:
    qint64 m_undoTotal = 0;
    qint64 m_doneTotal = 0;
    std::array<qint32, kCategoryCount> m_undoByType{};
    std::array<qint32, kCategoryCount> m_doneByType{};
};

} // namespace velmo
