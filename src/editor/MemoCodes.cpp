#include "MemoCodes.h"

#include "lunar/RepeatRule.h"
#include "store/MemoCategory.h"

namespace velmo::MemoCodes {

const QStringList& categoryLabels()
{
    return categoryNames();
}

int categoryCode(const QString& label)
{
    const auto category = categoryNamed(label);
    return category ? static_cast<int>(*category) : 0;
}

QString categoryLabel(int code)
{
    return categoryName(categoryOrOther(code));
}

const QStringList& repeatLabels()
{
    static const QStringList labels = [] {
        QStringList list;
        for (const RepeatRule& rule : repeatRules())
            list << rule.labelText();
        return list;
    }();
    return labels;
}

QString repeatCode(const QString& label)
{
    const RepeatRule* rule = repeatRuleOfLabel(label);
    return rule ? rule->codeText() : QString();
}

std::optional<QString> repeatLabel(const QString& code)
{
    const RepeatRule* rule = repeatRuleOfCode(code);
    if (!rule)
        return std::nullopt;
    return rule->labelText();
}

QString noReminderLabel()
{
    for (const RepeatRule& rule : repeatRules()) {
        if (rule.step == RepeatRule::Step::Never)
            return rule.labelText();
    }
    return QString();
}

} // namespace velmo::MemoCodes
