#pragma once

#include "store/MemoId.h"
#include "store/StoreResult.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <optional>
#include <vector>

namespace velmo {

class Database;

// The stored fields of one memo that the memo list shows; a null QVariant stands for an empty field.
struct MemoListRow
{
    MemoId id = 0;
    QVariant type;
    QVariant title;
    QVariant content; // already stripped of markup
    bool done = false;
    QVariant lifa;
    QVariant alertTime;       // "yyyy-MM-dd HH:mm:ss", solar
    QVariant alertTimeNongli; // "yyyy-MM-dd HH:mm:ss" holding lunar numbers
    QVariant mailTime;        // the solar moment of the lunar reminder: tells a leap month apart
    QVariant alertPinLv;
    QVariant addTime;
};

// The rows of one read, or why it failed: a failed read is never an empty list.
using MemoListRead = StoreRead<std::vector<MemoListRow>>;

// The ids of the memos a list shows, in the list's order, or why the read failed.
using MemoIdsRead = StoreRead<std::vector<MemoId>>;

// One key the memo list is ordered by. The caller works it out from a row's fields (content only
// when readsContent; the other fields always); keys compare byte by byte, one that begins a longer
// one first. A row without a key goes after every row with one, in either direction.
struct MemoListSortKey
{
    std::function<std::optional<QByteArray>(const MemoListRow&)> key;
    bool descending = false;
    bool readsContent = false;
};

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

    // Which memos a list shows: those of one tree node, or those holding a keyword.
    struct Filter
    {
        static Filter node(bool done, int category) { return {false, done, category, {}, {}}; }
        static Filter search(const QString& keyword, SearchZone zone)
        {
            return {true, false, 0, keyword, zone};
        }

        bool isSearch = false;
        bool done = false;
        int category = 0;
        QString keyword;
        SearchZone zone = SearchZone::TitleAndContent;
    };

    MemoListQueries(Database& db, QString userId);

    // The user's memos in progress or done, of one category (1 to 7) or of all (0), that are not
    // marked deleted, newest first.
    MemoListRead nodeRows(bool done, int category) const;

    // The user's memos not marked deleted whose title or content (as the zone says) contain the
    // keyword literally, newest first.
    MemoListRead searchRows(const QString& keyword, SearchZone zone) const;

    // The ids of the memos the filter selects, ordered by the keys in turn and then newest first.
    MemoIdsRead orderedIds(const Filter& filter, const std::vector<MemoListSortKey>& keys = {}) const;

    // The rows of these ids that the filter selects, in the order of ids; the others are left out.
    MemoListRead rowsOf(const Filter& filter, const std::vector<MemoId>& ids) const;

    // Marks deleted every memo of the user in progress or done, of one category or of all (0),
    // those marked before included, as one change: all of them or, when a step fails, none.
    StoreResult clearNode(bool done, int category);

private:
    MemoListRead rows(const QString& condition, const QVariantList& values) const;
    // The WHERE condition of a filter, with its values appended to values.
    QString condition(const Filter& filter, QVariantList& values) const;

    Database& m_db;
    QString m_userId;
};

} // namespace velmo
