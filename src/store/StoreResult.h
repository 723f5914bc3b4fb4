#pragma once

#include <QString>

#include <utility>

namespace velmo {

// The outcome of one write to the store or to a data file: success, or the reason it failed.
struct StoreResult
{
    bool ok = true;
    QString error;
    // Rows changed by an UPDATE or DELETE, rows added by an INSERT.
    int rowsAffected = 0;
    // The id given to the row an INSERT added (0 otherwise).
    qint64 insertId = 0;

    explicit operator bool() const { return ok; }

    static StoreResult success() { return {}; }
    static StoreResult failure(QString reason)
    {
        StoreResult result;
        result.ok = false;
        result.error = std::move(reason);
        return result;
    }
};

// The outcome of one read: what was read, or the reason it failed. Nothing is read until it
// succeeds, so a failed read is never an empty result in disguise.
template <typename T>
struct StoreRead : StoreResult
{
    T value{};

    StoreRead() { ok = false; }
    StoreRead(StoreResult outcome, T read = T{})
        : StoreResult(std::move(outcome))
        , value(std::move(read))
    {
    }
};

} // namespace velmo
