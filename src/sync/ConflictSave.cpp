#include "ConflictSave.h"

#include "editor/MemoCodes.h"
#include "platform/Clock.h"
#include "store/DbText.h"

namespace velmo {

namespace {

bool reminderChanged(const EditorInput& shown, const EditorInput& saved)
{
    // A lunar date is entered on a picker of its own.
    return shown.repeat != saved.repeat || shown.solar != saved.solar || shown.lunar != saved.lunar ||
           shown.date != saved.date || shown.lunarDate != saved.lunarDate || shown.time != saved.time;
}

bool tuneChanged(const EditorInput& shown, const EditorInput& saved)
{
    return shown.customTune != saved.customTune || shown.tunePath != saved.tunePath ||
           shown.tuneLabel != saved.tuneLabel;
}

std::optional<QDateTime> storedMoment(const QString& text)
{
    const QDateTime moment = fromDbText(text);
    return moment.isValid() ? std::optional<QDateTime>(moment) : std::nullopt;
}

} // namespace

KeptCopy keptCopy(const MemoSave& save, const MemoRecord& kept, const EditorInput& shown,
                  const EditorInput& saved)
{
    const bool reminder = reminderChanged(shown, saved);
    const bool tune = tuneChanged(shown, saved);
    // The editors' checks and roll-forward apply to what the user changed; a part left as shown is
    // kept as it came, so it is checked as a reminder-less solar memo with a built-in tune.
    EditorInput checked = saved;
    if (!reminder) {
        checked.repeat = MemoCodes::noReminderLabel();
        checked.solar = true;
        checked.lunar = false;
        checked.date = QDate(2000, 1, 1);
    }
    if (!tune)
        checked.customTune = false;
    KeptCopy copy;
    MemoWrite write;
    copy.outcome = save.prepare(checked, true, write);
    if (!copy.outcome.saved())
        return copy;
    copy.memo = kept;
    MemoRecord& memo = copy.memo;
    if (saved.title != shown.title)
        memo.title = write.title;
    if (saved.content != shown.content)
        memo.content = saved.content;
    if (saved.category != shown.category)
        memo.type = write.type;
    if (saved.mimi != shown.mimi)
        memo.mimi = write.mimi;
    if (saved.importance != shown.importance)
        memo.importance = write.importance;
    if (saved.mail != shown.mail)
        memo.Mail = write.Mail;
    if (tune) {
        if (write.sound)
            memo.sound = *write.sound;
        memo.DiySound = write.DiySound;
    }
    if (reminder) {
        memo.lifa = write.lifa;
        memo.AlertPinLv = write.AlertPinLv;
        memo.ifAlert = write.ifAlert;
        memo.mailTime = storedMoment(write.mailTime);
        if (!write.AlertTime.isEmpty())
            memo.AlertTime = storedMoment(write.AlertTime);
        if (!write.AlertTimeNongli.isEmpty())
            memo.AlertTimeNongli = LunarMoment::fromText(write.AlertTimeNongli);
    }
    // Kept like any save in an editor: written now, read once, mailed a week ahead, no editor's mark.
    // Whether the memo is done stays as the window showed it.
    const QDateTime now = Clock::currentDateTime();
    memo.addtime = now.addMSecs(-now.time().msec());
    memo.click = 1;
    memo.before = 7;
    memo.editor = false;
    // Told only of a once-only reminder the user set in the past (one kept as it came was checked
    // as none), against the solar moment or the lunar date of now.
    const std::optional<MissedReminder>& missed = copy.outcome.missed;
    copy.outcome.notice =
        missed ? missed->text(missed->lunar ? QStringLiteral("当前农历") : QStringLiteral("当前时间"))
               : QString();
    return copy;
}

} // namespace velmo
