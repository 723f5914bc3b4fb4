#pragma once

// The seven categories of a memo (the `type` column) and the names the windows show for them.

#include <QString>
#include <QStringList>

#include <optional>

namespace velmo {

enum class MemoCategory
{
    Life = 1, // 生活备忘
    Work,     // 工作任务
    Study,    // 学习计划
    Birthday, // 生日提醒
    Mood,     // 心情日记
    Idea,     // 创意灵感
    Other     // 其它备忘
};

inline constexpr int kCategoryCount = 7;

// Whether a stored type is one of the seven categories (1 to 7).
constexpr bool isCategoryCode(int type)
{
    return type >= static_cast<int>(MemoCategory::Life) && type <= static_cast<int>(MemoCategory::Other);
}

// The category a stored type is shown as: any type outside the seven reads as Other.
constexpr MemoCategory categoryOrOther(int type)
{
    return isCategoryCode(type) ? static_cast<MemoCategory>(type) : MemoCategory::Other;
}

// "生活备忘" … "其它备忘", in code order.
const QStringList& categoryNames();

QString categoryName(MemoCategory category);

// The category a name stands for, compared exactly; none for any other text.
std::optional<MemoCategory> categoryNamed(const QString& name);

} // namespace velmo
