#pragma once

// A memo as it travels to and from the web service: the fields of a memo row as wire text, the
// record the service sends (ServerRecord), the conflict hand-off text, and the form body of one
// upload.
//
//   const QString body = velmo::SynPostBody(memo);               // 25 pairs, "LocalId=...&del=False"
//   const QString record = velmo::ServerRecordText(memo);        // 22 fields joined by "(#f!g#)"
//   std::optional<velmo::MemoRecord> m = velmo::parseServerRecord(record);
//   const QString data = velmo::conflictDataText(record, 17);    // record, separator, server id

#include "store/Memo.h"
#include "store/WireText.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace velmo {

// The separator between the fields of a record.
inline const QString& RecordFieldSeparator = WireFieldSeparator;
// The number of fields of a ServerRecord.
inline constexpr int ServerRecordFieldCount = 22;

// A moment as the service reads and writes it: "2012-5-21 9:07:05" (no leading zeros in the date
// and the hour); a moment at exactly midnight is the date alone, "2012-5-21".
QString wireDateText(const QDateTime& moment);
// Reads a wire moment leniently: the date with "-" or "/", an optional time of day "H:m" or
// "H:m:s". An invalid QDateTime for anything else.
QDateTime parseWireDate(const QString& text);

// A lunar moment on the wire: its lunar numbers as a wire moment ("2026-2-30 8:00:00"), also for a
// day that no solar month has. Reading takes what parseWireDate takes, with lunar days up to 30.
QString wireLunarText(const LunarMoment& moment);
std::optional<LunarMoment> parseWireLunar(const QString& text);

// The 22 fields of the memo joined by RecordFieldSeparator, in the order type, userid, title,
// content, Done, addtime, AlertTime, AlertPinLv, mimi, ifAlert, importance, AddIp, click,
// AlertTimeNongli, mailTime, before, sound, Mail, editor, lifa, synnum, DiySound.
QString ServerRecordText(const MemoRecord& memo);

// The memo a record describes; none unless it has exactly 22 fields, its numbers are numbers and each
// moment is empty or reads as one (a lunar one with a month of 1 to 12 and a day of 1 to 30); yes/no
// reads "True", "true", "1" and "-1" as yes.
std::optional<MemoRecord> parseServerRecord(const QString& record);

// Whether two copies of a memo say the same on the wire, change counters aside: what the service
// keeps of one equals what it keeps of the other (a line feed goes up as "<BR>").
bool sameOnTheWire(const MemoRecord& a, const MemoRecord& b);

// What tells one copy of a memo from another: MD5_16 of its record as the service keeps it (a line
// feed as "<BR>"), with the counter's field left empty. Two copies with the same digest say the same.
QString wireDigest(const MemoRecord& memo);

// The conflict hand-off: the server's record, the separator, then its server id.
QString conflictDataText(const QString& serverRecord, qint64 serverId);

struct ConflictRecord
{
    qint64 serverId = 0;
    MemoRecord memo;
};
// Reads a hand-off (or one downloaded memo, which has the same layout); none unless the record
// reads and the server id is a number above 0.
std::optional<ConflictRecord> parseConflictData(const QString& data);

// The form body of the upload of one memo row: 25 pairs from "LocalId" to "del".
QString SynPostBody(const MemoRecord& memo);

} // namespace velmo
