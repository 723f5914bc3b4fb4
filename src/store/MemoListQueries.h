#pragma once

#include "store/MemoId.h"
#include "store/StoreResult.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

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
struct MemoListRead
{
    bool ok = false;
    QString error;
    std::vector<MemoListRow> rows;
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

    MemoListQueries(Database& db, QString userId);

    // The user's memos in progress or done, of one category (1 to 7) or of all (0), that are not
    // marked deleted, newest first.
    MemoListRead nodeRows(bool done, int category) const;

    // The user's memos not marked deleted whose title or content (as the zone says) contain the
    // keyword literally, newest first.
    MemoListRead searchRows(const QString& keyword, SearchZone zone) const;

    // Marks deleted every memo of the user in progress or done, of one category or of all (0),
    // those marked before included, as one change: all of them or, when a step fails, none.
    StoreResult clearNode(bool done, int category);

private:
    MemoListRead rows(const QString& condition, const QVariantList& values) const;

    Database& m_db;
    QString m_userId;
};

} // namespace velmo
