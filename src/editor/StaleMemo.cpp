#include "StaleMemo.h"

#include "editor/MemoCodes.h"
#include "platform/Html.h"
#include "platform/TuneCodes.h"
#include "store/DbText.h"

namespace velmo {

namespace {

constexpr qsizetype kContentShown = 40;

QString reminderText(const MemoRecord& memo)
{
    if (!memo.ifAlert)
        return QStringLiteral("不提醒");
    if (memo.lifa == 1)
        return QStringLiteral("公历 ") + (memo.AlertTime ? toDbText(*memo.AlertTime) : QString());
    return QStringLiteral("农历 ") + (memo.AlertTimeNongli ? memo.AlertTimeNongli->storageText() : QString());
}

QString optionsText(const MemoRecord& memo)
{
    QStringList on;
    if (memo.mimi)
        on << QStringLiteral("秘密备忘");
    if (memo.importance)
        on << QStringLiteral("重要备忘");
    if (memo.Mail)
        on << QStringLiteral("短信邮件提醒");
    return on.isEmpty() ? QStringLiteral("无") : on.join(QStringLiteral("、"));
}

QString tuneText(const MemoRecord& memo)
{
    return memo.DiySound.isEmpty() ? tuneFileName(memo.sound) : memo.DiySound;
}

QString contentText(const MemoRecord& memo)
{
    const QString plain = RemoveHtml(memo.content).simplified();
    return plain.size() > kContentShown ? plain.left(kContentShown) + QStringLiteral("…") : plain;
}

} // namespace

QStringList changesMeanwhile(const MemoRecord& loaded, const MemoRecord& now)
{
    QStringList lines;
    const auto compare = [&lines, &loaded, &now](const char16_t* field, auto text) {
        const QString before = text(loaded);
        const QString after = text(now);
        if (before != after)
            lines << QString::fromUtf16(field) + u':' + after;
    };
    compare(u"标题", [](const MemoRecord& m) { return m.title; });
    compare(u"备忘类型", [](const MemoRecord& m) { return MemoCodes::categoryLabel(m.type); });
    compare(u"状态",
            [](const MemoRecord& m) { return m.Done ? QStringLiteral("已完成") : QStringLiteral("进行中"); });
    compare(u"提醒频率",
            [](const MemoRecord& m) { return MemoCodes::repeatLabel(m.AlertPinLv).value_or(m.AlertPinLv); });
    compare(u"提醒时间", reminderText);
    // The body as the window shows it, cut short in the line.
    if (RemoveHtml(loaded.content) != RemoveHtml(now.content))
        lines << QStringLiteral("内容:") + contentText(now);
    compare(u"其他选项", optionsText);
    compare(u"提醒铃声", tuneText);
    if (lines.isEmpty())
        lines << QStringLiteral("(改动的是窗口中不显示的内容)");
    return lines;
}

} // namespace velmo
