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

constexpr std::array<Pair, 17> kTunes{{
    {"天空之城.mid", "1.mid"},
    {"致爱丽丝.mid", "2.mid"},
    {"赛马.mid", "3.mid"},
    {"sound of silence.mid", "4.mid"},
    {"婚礼进行曲.mid", "5.mid"},
    {"魂斗罗.mid", "6.mid"},
    {"骑士精神.mid", "7.mid"},
    {"生日快乐.mid", "8.mid"},
    {"遇见.mid", "9.mid"},
    {"动感超人.mp3", "10.mp3"},
    {"CHAMPION.mp3", "11.mp3"},
    {"传奇.mp3", "12.mp3"},
    {"交警铃声.mp3", "13.mp3"},
    {"可爱短信音.mp3", "14.mp3"},
    {"铃声007.mp3", "15.mp3"},
    {"诺基亚.mp3", "16.mp3"},
    {"死了都要爱.mp3", "17.mp3"},
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

const QStringList& tuneLabels()
{
    static const QStringList labels = labelsOf(kTunes);
    return labels;
}

QString tuneCode(const QString& label)
{
    return codeOf(kTunes, label);
}

std::optional<QString> tuneLabel(const QString& code)
{
    return labelOf(kTunes, code);
}

} // namespace velmo::MemoCodes
