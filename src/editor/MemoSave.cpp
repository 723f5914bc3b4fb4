#include "MemoSave.h"

#include "editor/MemoCodes.h"
#include "editor/MemoViews.h"
#include "lunar/Nongli.h"
#include "lunar/RollAlertForward.h"
#include "lunar/hlxNongLiGongLi.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "platform/TuneCodes.h"
#include "store/Database.h"
#include "store/DbText.h"
#include "store/RunState.h"
#include "store/WireText.h"

namespace velmo {

namespace {

SaveOutcome refusal(const QString& text, bool focusTitle = false)
{
    SaveOutcome outcome;
    outcome.result = SaveOutcome::Result::Refused;
    outcome.message = text;
    outcome.focusTitle = focusTitle;
    return outcome;
}

SaveOutcome failure(const QString& text, const QString& error = {})
{
    SaveOutcome outcome;
    outcome.result = SaveOutcome::Result::Failed;
    outcome.message = error.isEmpty() ? text : text + u'\n' + error;
    return outcome;
}

// The general date-time text of a moment given by its numbers: the date alone at midnight.
QString generalText(int year, int month, int day, QTime time)
{
    QString text = QStringLiteral("%1/%2/%3").arg(year).arg(month).arg(day);
    if (time != QTime(0, 0))
        text += QLatin1Char(' ') + time.toString(QStringLiteral("H:mm:ss"));
    return text;
}

// Told after the save when a one-time reminder was entered in the past and so will never ring.
void tellMissedReminder(SaveOutcome& outcome, const MissedReminder& missed)
{
    outcome.missed = missed;
    outcome.notice = missed.text(missed.lunar ? QStringLiteral("当前农历:") : QStringLiteral("当前公历:"));
}

QDateTime wholeSecondNow()
{
    const QDateTime now = Clock::currentDateTime();
    return now.addMSecs(-now.time().msec());
}

} // namespace

QString MissedReminder::text(const QString& now) const
{
    return QStringLiteral("提醒时间:") + alertText + QStringLiteral(" < ") + now + nowText +
           QStringLiteral(",提醒功能未生效");
}

MemoSave::MemoSave(Database& db, const RunState& run, MemoViews& views)
    : m_db(db)
    , m_run(run)
    , m_views(views)
{
}

SaveOutcome MemoSave::prepare(const EditorInput& input, bool editing, MemoWrite& write) const
{
    write.type = MemoCodes::categoryCode(input.category);
    bool alertOn = input.repeat != MemoCodes::noReminderLabel();
    QString repeatCode = MemoCodes::repeatCode(input.repeat);
    write.lifa = input.solar ? 1 : input.lunar ? 2 : 0;

    if (write.lifa == 2 && input.lunarDate.day == 31)
        return refusal(lunarDay31Text());
    if (input.title.isEmpty())
        return refusal(emptyTitleText(), true);

    SaveOutcome outcome;
    const QDateTime now = wholeSecondNow();
    const QTime time = QTime(input.time.hour(), input.time.minute(), input.time.second());
    if (write.lifa == 1) {
        // A solar memo without reminder is solar all the same: its mail moment is the date entered.
        const AlertRoll roll = RollAlertForward(repeatCode, QDateTime(input.date, time), alertOn, now);
        repeatCode = roll.repeatCode;
        alertOn = roll.alertOn;
        if (roll.missedOnce) {
            // The add window has always written the current moment in full, the edit window as
            // the general text.
            const QString nowText =
                editing ? generalText(now.date().year(), now.date().month(), now.date().day(), now.time())
                        : now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            const QDate day = roll.solarTime.date();
            tellMissedReminder(
                outcome,
                {generalText(day.year(), day.month(), day.day(), roll.solarTime.time()), false, nowText});
        }
        if (!roll.solarTime.isValid())
            return refusal(invalidTimeText());
        write.mailTime = toDbText(roll.solarTime);
        if (alertOn)
            write.AlertTime = write.mailTime;
    } else {
        const LunarMoment entered = LunarMoment::of(input.lunarDate, time);
        // A date left as loaded keeps its stored numbers, and its stored solar moment says which
        // month of a number with a leap month it is; a date entered anew must be a day of its month.
        const bool dateKept = input.loadedLunarDate && input.loadedLunarDate->year == entered.year &&
                              input.loadedLunarDate->month == entered.month &&
                              input.loadedLunarDate->day == entered.day;
        if (!hlxNongLiGongLi::nongToGong(entered.date()))
            return refusal(lunarDateText());
        if (!dateKept && !entered.isRealDay(now))
            return refusal(lunarDayMissingText(input.lunarDate));
        const AlertRoll roll = RollAlertForward(repeatCode, entered, alertOn, now,
                                                dateKept ? input.loadedLunarHint : QDateTime());
        repeatCode = roll.repeatCode;
        alertOn = roll.alertOn;
        if (roll.missedOnce)
            tellMissedReminder(outcome,
                               {generalText(entered.year, entered.month, entered.day, entered.time()), true,
                                LunarText(now)});
        const LunarMoment lunar = roll.lunarTime.value_or(entered);
        // The service mails at the solar moment; a lunar date that does not convert is never stored.
        const auto solarDate = hlxNongLiGongLi::nongToGong(lunar.date());
        if (!solarDate)
            return refusal(lunarDateText());
        // The roll knows the occurrence's true solar moment (a leap month included); every reader of
        // the lunar numbers tells the leap month apart by it.
        write.mailTime =
            toDbText(roll.solarTime.isValid() ? roll.solarTime : QDateTime(*solarDate, lunar.time()));
        if (write.mailTime.isEmpty())
            return refusal(lunarDateText());
        if (alertOn)
            write.AlertTimeNongli = lunar.storageText();
    }
    write.AlertPinLv = repeatCode;
    write.ifAlert = alertOn;
    write.mimi = input.mimi;
    write.importance = input.importance;
    write.Mail = input.mail;

    if (input.customTune) {
        if (input.tunePath.isEmpty())
            return refusal(noTunePathText());
        if (!FileExists(input.tunePath))
            return refusal(tuneMissingText());
        write.DiySound = input.tunePath;
    } else {
        write.sound = tuneCode(input.tuneLabel);
    }
    write.title = input.title;
    if (!editing || input.contentChanged)
        write.content = input.content;
    for (const QString& text : {write.title, write.content.value_or(QString()), write.DiySound}) {
        if (const QString part = untravellablePart(text); !part.isEmpty())
            return refusal(untravellableMessage(part));
    }
    // The whole memo as it will travel, its stored body included when the edit left it as it was.
    if (const qint64 bytes = uploadedTextBytes(write.title, input.content, write.DiySound);
        !fitsUpload(bytes))
        return refusal(tooLargeMessage(bytes));
    outcome.result = SaveOutcome::Result::Saved;
    return outcome;
}

QString MemoSave::lunarDayMissingText(const LunarDate& date)
{
    return QStringLiteral("农历%1年%2月没有%3,请重新选择日期")
        .arg(date.year)
        .arg(lunarMonthName(date.month), lunarDayName(date.day));
}

SaveOutcome MemoSave::saveNew(const EditorInput& input)
{
    return add(input, true);
}

SaveOutcome MemoSave::saveAsNew(const EditorInput& input)
{
    return add(input, false);
}

SaveOutcome MemoSave::add(const EditorInput& input, bool rememberTune)
{
    MemoWrite write;
    SaveOutcome outcome = prepare(input, false, write);
    if (!outcome.saved())
        return outcome;
    std::optional<QString> tune;
    if (rememberTune)
        tune = input.customTune ? write.DiySound : QString();
    const StoreResult added = addEditorMemo(m_db, m_run.UserId, write, wholeSecondNow(), tune);
    if (!added)
        return failure(writeFailedText(), added.error);
    outcome.memoId = added.insertId;
    m_views.memosChanged({MemoChange::Kind::Added, {outcome.memoId}});
    return outcome;
}

SaveOutcome MemoSave::saveEdit(MemoId id, const EditorInput& input, int loadedSynnum)
{
    MemoWrite write;
    SaveOutcome outcome = prepare(input, true, write);
    if (!outcome.saved())
        return outcome;
    const StoreResult updated =
        updateEditorMemo(m_db, id, m_run.UserId, write, wholeSecondNow(), loadedSynnum);
    if (!updated)
        return failure(writeFailedText(), updated.error);
    if (updated.rowsAffected == 0) {
        // Nothing was written: the memo is gone, or it is no longer the one the window shows.
        const EditorMemoRead now = readEditorMemo(m_db, id, m_run.UserId);
        if (!now.ok)
            return failure(writeFailedText(), now.error);
        if (!now.value) {
            SaveOutcome gone = failure(memoGoneText());
            gone.memoGone = true;
            return gone;
        }
        SaveOutcome changed = failure(changedMeanwhileText());
        changed.result = SaveOutcome::Result::Changed;
        return changed;
    }
    outcome.memoId = id;
    m_views.memosChanged({MemoChange::Kind::Edited, {id}});
    return outcome;
}

} // namespace velmo
