#pragma once

// The save of the memo editors: reads what the window holds, checks it in a fixed order, rolls a
// passed reminder forward, writes the memo row and brings the main window's views up to date. It
// needs no window: the editors hand it their controls' values and show what it answers.

#include "lunar/LunarCalendar.h"
#include "store/Memo.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace velmo {

class Database;
class MemoViews;
struct RunState;

// What an editor window holds when the user saves.
struct EditorInput
{
    QString category;   // Combo1
    QString repeat;     // Combo2
    bool solar = true;  // Option1 "公历"
    bool lunar = false; // Option2 "农历"
    QDate date;         // DT1, the solar date
    QTime time;         // DT2
    // The lunar date picker: lunar year, month and day numbers.
    LunarDate lunarDate;
    // The edit window: the lunar date stored in the memo it loaded, and the solar moment stored
    // beside it (mailTime), which tells a leap month apart. A lunar date left as loaded is kept.
    std::optional<LunarDate> loadedLunarDate;
    QDateTime loadedLunarHint;
    QString title;
    QString content;
    // The edit window writes the body back only when the user changed it: a stored body with markup
    // is shown without it, and an unchanged box must not strip it.
    bool contentChanged = true;
    bool mimi = false;
    bool importance = false;
    bool mail = false;
    bool customTune = false;
    QString tunePath;  // Text3
    QString tuneLabel; // Combo3

    friend bool operator==(const EditorInput&, const EditorInput&) = default;
};

// A one-time reminder entered in the past: it was switched off, and the user is told so.
struct MissedReminder
{
    QString alertText; // the moment entered, as general date text (lunar numbers for a lunar memo)
    bool lunar = false;
    QString nowText; // the moment of the save: solar, or the lunar date text
    // "提醒时间:<alertText> < <now><nowText>,提醒功能未生效"
    QString text(const QString& now) const;
};

struct SaveOutcome
{
    enum class Result
    {
        Saved,   // stored and the views refreshed: the window closes
        Refused, // a check failed: nothing written, the window stays open with its input
        Failed,  // the write failed or the memo is gone: nothing written, the window stays open
        Changed, // the memo changed since the window loaded it: nothing written
    };
    Result result = Result::Refused;
    // The refusal or failure to show; empty when saved.
    QString message;
    // A refusal of the title: the title box takes the focus.
    bool focusTitle = false;
    // Shown after a save when not empty: a one-time reminder that had passed was switched off.
    QString notice;
    std::optional<MissedReminder> missed; // what the notice tells
    MemoId memoId = 0;
    // A failure of the edit window: the memo it shows is deleted or no longer the user's.
    bool memoGone = false;

    bool saved() const { return result == Result::Saved; }
};

class MemoSave
{
public:
    MemoSave(Database& db, const RunState& run, MemoViews& views);

    // The new-memo window: adds the memo and remembers its custom tune for the next new memo.
    SaveOutcome saveNew(const EditorInput& input);
    // The edit window whose memo is gone: what it holds is added as a new memo (the custom tune
    // offered to the next new memo stays as it is).
    SaveOutcome saveAsNew(const EditorInput& input);
    // The edit window: stores the user's memo with that id, as long as it is still the row the
    // window loaded (its change counter is loadedSynnum); a snooze alone does not change it.
    SaveOutcome saveEdit(MemoId id, const EditorInput& input, int loadedSynnum);
    // Checks and composes the row without writing it; a refusal when something is wrong.
    SaveOutcome prepare(const EditorInput& input, bool editing, MemoWrite& write) const;

    // The refusals, in the order they are checked.
    static QString lunarDay31Text() { return QStringLiteral("农历有木有31啊？"); }
    static QString emptyTitleText() { return QStringLiteral("标题为空"); }
    static QString lunarDateText() { return QStringLiteral("该农历日期无法换算为公历,请重新选择日期"); }
    // "农历2025年二月没有三十,请重新选择日期"
    static QString lunarDayMissingText(const LunarDate& date);
    static QString invalidTimeText() { return QStringLiteral("该提醒时间在本地时间中不存在,请重新选择时间"); }
    static QString noTunePathText() { return QStringLiteral("请点击“浏览”按钮选择您的自定义铃声"); }
    static QString tuneMissingText() { return QStringLiteral("自定义铃声文件不存在,请浏览选择"); }
    // The failures.
    static QString writeFailedText() { return QStringLiteral("备忘保存失败,请检查数据文件后重试。"); }
    static QString memoGoneText() { return QStringLiteral("该备忘已被删除或不属于当前用户,无法保存。"); }
    // The edit window offers to keep the typing of a memo that is gone, and its buttons.
    static QString keepAsNewText()
    {
        return memoGoneText() + QStringLiteral("\n是否把您输入的内容另存为一条新备忘?");
    }
    static QStringList keepAsNewButtons()
    {
        return {QStringLiteral("另存为新备忘"), QStringLiteral("不保存"), QStringLiteral("取消")};
    }
    // The edit window says what changed after it.
    static QString changedMeanwhileText()
    {
        return QStringLiteral("该备忘在您编辑期间已被修改(同步、提醒操作或其他窗口),您的修改还没有保存。"
                              "新的内容:");
    }

private:
    // Adds the memo; the custom tune goes to the settings row for the next new memo when remembered.
    SaveOutcome add(const EditorInput& input, bool rememberTune);

    Database& m_db;
    const RunState& m_run;
    MemoViews& m_views;
};

} // namespace velmo
