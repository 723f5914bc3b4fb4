#include "lunar/RepeatRule.h"

#include <QHash>

#include <array>

namespace velmo {

namespace {

constexpr qint64 kMinute = 60;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;

using Step = RepeatRule::Step;

constexpr std::array<RepeatRule, 18> kRules{{
    {"1", "只提醒一次", "提醒一次", Step::Once, 0},
    {"N", "不需要提醒", "不提醒", Step::Never, 0},
    {"1tian", "每天提醒", "每天", Step::Seconds, kDay},
    {"1zhou", "每周提醒", "每周", Step::Seconds, 7 * kDay},
    {"1yue", "每月提醒", "每月", Step::Months, 1},
    {"3yue", "每季度提醒", "每季度", Step::Months, 3},
    {"6yue", "每半年提醒", "每半年", Step::Months, 6},
    {"1nian", "每年提醒", "每年", Step::Months, 12},
    {"1fen", "每1分钟", "每1分钟", Step::Seconds, kMinute},
    {"5fen", "每5分钟", "每5分钟", Step::Seconds, 5 * kMinute},
    {"10fen", "每10分钟", "每10分钟", Step::Seconds, 10 * kMinute},
    {"30fen", "每30分钟", "每30分钟", Step::Seconds, 30 * kMinute},
    {"1shi", "每小时一次", "每小时", Step::Seconds, kHour},
    {"2shi", "每2小时一次", "每2小时", Step::Seconds, 2 * kHour},
    {"3shi", "每3小时一次", "每3小时", Step::Seconds, 3 * kHour},
    {"6shi", "每6小时一次", "每6小时", Step::Seconds, 6 * kHour},
    {"12shi", "每12小时一次", "每12小时", Step::Seconds, 12 * kHour},
    {"denglu", "每次登陆", "每次登陆", Step::SignIn, 0},
}};

} // namespace

std::span<const RepeatRule> repeatRules()
{
    return kRules;
}

const RepeatRule* repeatRuleOfCode(const QString& code)
{
    // Looked up once per row of the memo list: by hash, not by a walk through the table.
    static const QHash<QString, const RepeatRule*> byCode = [] {
        QHash<QString, const RepeatRule*> rules;
        for (const RepeatRule& rule : kRules)
            rules.insert(rule.codeText(), &rule);
        return rules;
    }();
    return byCode.value(code);
}

const RepeatRule* repeatRuleOfLabel(const QString& label)
{
    for (const RepeatRule& rule : kRules) {
        if (label == rule.labelText())
            return &rule;
    }
    return nullptr;
}

bool isSignInCode(const QString& code)
{
    for (const RepeatRule& rule : kRules) {
        if (rule.step == Step::SignIn && code.compare(QLatin1String(rule.code), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace velmo
