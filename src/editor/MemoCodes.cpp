#include "MemoCodes.h"

#include <array>
#include <utility>

namespace velmo::MemoCodes {

namespace {

using Pair = std::pair<const char*, const char*>; // label, code

constexpr std::array<Pair, 18> kRepeats{{
    {"只提醒一次", "1"},
    {"不需要提醒", "N"},
    {"每天提醒", "1tian"},
    {"每周提醒", "1zhou"},
    {"每月提醒", "1yue"},
    {"每季度提醒", "3yue"},
    {"每半年提醒", "6yue"},
    {"每年提醒", "1nian"},
    {"每1分钟", "1fen"},
    {"每5分钟", "5fen"},
    {"每10分钟", "10fen"},
    {"每30分钟", "30fen"},
    {"每小时一次", "1shi"},
    {"每2小时一次", "2shi"},
    {"每3小时一次", "3shi"},
    {"每6小时一次", "6shi"},
    {"每12小时一次", "12shi"},
    {"每次登陆", "denglu"},
}};

template <size_t N>
QStringList labelsOf(const std::array<Pair, N>& table)
{
    QStringList labels;
    for (const Pair& pair : table)
        labels << QString::fromUtf8(pair.first);
    return labels;
}

template <size_t N>
QString codeOf(const std::array<Pair, N>& table, const QString& label)
{
    for (const Pair& pair : table) {
        if (label == QString::fromUtf8(pair.first))
            return QString::fromUtf8(pair.second);
    }
    return QString();
}

template <size_t N>
std::optional<QString> labelOf(const std::array<Pair, N>& table, const QString& code)
{
    for (const Pair& pair : table) {
        if (code == QLatin1String(pair.second))
            return QString::fromUtf8(pair.first);
    }
    return std::nullopt;
}

} // namespace

const QStringList& categoryLabels()
{
    static const QStringList labels{QStringLiteral("生活备忘"), QStringLiteral("工作任务"),
                                    QStringLiteral("学习计划"), QStringLiteral("生日提醒"),
                                    QStringLiteral("心情日记"), QStringLiteral("创意灵感"),
                                    QStringLiteral("其它备忘")};
    return labels;
}

int categoryCode(const QString& label)
{
    return static_cast<int>(categoryLabels().indexOf(label)) + 1;
}

QString categoryLabel(int code)
{
    return code >= 1 && code <= 6 ? categoryLabels().at(code - 1) : categoryLabels().last();
}

const QStringList& repeatLabels()
{
    static const QStringList labels = labelsOf(kRepeats);
    return labels;
}

QString repeatCode(const QString& label)
{
    return codeOf(kRepeats, label);
}

std::optional<QString> repeatLabel(const QString& code)
{
    return labelOf(kRepeats, code);
}

QString noReminderLabel()
{
    return QStringLiteral("不需要提醒");
}

} // namespace velmo::MemoCodes
