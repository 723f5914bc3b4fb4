#pragma once

#include "mainwin/MemoCells.h"
#include "mainwin/MemoNode.h"
#include "store/StoreResult.h"

#include <QString>
#include <QVariantList>

#include <optional>
#include <vector>

namespace velmo {

class Database;

// Reads the rows of the memo list from the file and clears whole categories, always within the
// memos of one user.
class MemoListQueries
{
public:
    // Where a search looks for its keyword.
    enum class SearchZone
    {
        TitleAndContent = 1,
        Title = 2,
        Content = 3
    };
    static std::optional<SearchZone> zoneFromNumber(int zone);

    MemoListQueries(Database& db, QString userId);

    // Days left are counted from the program clock's today, solar or lunar.

    // The user's memos of a tree node that are not marked deleted, newest first. An empty list
    // when the query fails.
    std::vector<MemoCells::RowTexts> nodeRows(const MemoNode& node) const;

    // The user's memos not marked deleted whose title or content (as the zone says) contain the
    // keyword literally, newest first.
    std::vector<MemoCells::RowTexts> searchRows(const QString& keyword, SearchZone zone) const;

    // Marks deleted every memo of the user in the node, those marked before included, as one
    // change: all of them or, when a step fails, none.
    StoreResult clearNode(const MemoNode& node);

private:
    std::vector<MemoCells::RowTexts> rows(const QString& condition, const QVariantList& values) const;

    Database& m_db;
    QString m_userId;
};

} // namespace velmo
