#include "store/MemoCategory.h"

namespace velmo {

const QStringList& categoryNames()
{
    static const QStringList names{QStringLiteral("生活备忘"), QStringLiteral("工作任务"),
                                   QStringLiteral("学习计划"), QStringLiteral("生日提醒"),
                                   QStringLiteral("心情日记"), QStringLiteral("创意灵感"),
                                   QStringLiteral("其它备忘")};
    return names;
}

QString categoryName(MemoCategory category)
{
    return categoryNames().at(static_cast<int>(category) - 1);
}

std::optional<MemoCategory> categoryNamed(const QString& name)
{
    const qsizetype index = categoryNames().indexOf(name);
    if (index < 0)
        return std::nullopt;
    return static_cast<MemoCategory>(index + 1);
}

} // namespace velmo
