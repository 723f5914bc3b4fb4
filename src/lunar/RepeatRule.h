#pragma once

// The repeat rules a memo's reminder may carry: the code stored in the memo row and sent to the
// service, the editors' label, the list's short label and how a passed reminder moves on.

#include <QString>

#include <span>

namespace velmo {

struct RepeatRule
{
    enum class Step
    {
        Once,    // rings one time, then is switched off
        Never,   // no reminder
        Seconds, // a fixed span: days, weeks, hours, minutes
        Months,  // calendar months, the day kept or cut to the month's end
        SignIn   // at every sign-in
    };

    const char* code;       // "1", "1tian", ... (Latin-1)
    const char* label;      // "只提醒一次", ... (UTF-8), as the editors list it
    const char* shortLabel; // "提醒一次", ... (UTF-8), as the memo list shows it
    Step step;
    qint64 amount; // seconds for Step::Seconds, months for Step::Months, 0 otherwise

    QString codeText() const { return QString::fromLatin1(code); }
    QString labelText() const { return QString::fromUtf8(label); }
    QString shortLabelText() const { return QString::fromUtf8(shortLabel); }
};

// The eighteen rules in the order the editors list them.
std::span<const RepeatRule> repeatRules();

// The rule of a stored code, compared exactly (letter case included); none for any other text.
const RepeatRule* repeatRuleOfCode(const QString& code);

// The rule an editor label names, compared exactly; none for any other text.
const RepeatRule* repeatRuleOfLabel(const QString& label);

// Whether a stored code is the sign-in rule. Letter case is ignored here: the due scan has always
// let a sign-in memo written in other case ring once per run, and rows already stored may hold one.
bool isSignInCode(const QString& code);

} // namespace velmo
