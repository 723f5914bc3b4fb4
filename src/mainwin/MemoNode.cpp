#include "MemoNode.h"

namespace velmo {

namespace {

const QString inProgressRootKind = QStringLiteral("进行中备");
const QString doneRootKind = QStringLiteral("已完成备");

std::optional<bool> rootDoneFlag(const QString& text)
{
    if (text.startsWith(QStringLiteral("进行中")))
        return false;
    if (text.startsWith(QStringLiteral("已完成")))
        return true;
    return std::nullopt;
}

} // namespace

QString MemoNode::categoryName(int category)
{
    switch (category) {
    case 1:
        return QStringLiteral("生活备忘");
    case 2:
        return QStringLiteral("工作任务");
    case 3:
        return QStringLiteral("学习计划");
    case 4:
        return QStringLiteral("生日提醒");
    case 5:
        return QStringLiteral("心情日记");
    case 6:
        return QStringLiteral("创意灵感");
    case 7:
        return QStringLiteral("其它备忘");
    default:
        return QString();
    }
}

int MemoNode::categoryOfKind(const QString& kind)
{
    const QString four = kind.left(4);
    if (four == inProgressRootKind || four == doneRootKind)
        return 0;
    for (int category = 1; category <= 6; ++category) {
        if (four == categoryName(category))
            return category;
    }
    return 7;
}

std::optional<MemoNode> MemoNode::fromCaption(const QString& text, const QString& parentText)
{
    if (const auto done = rootDoneFlag(text))
        return MemoNode{*done, 0};
    const auto done = rootDoneFlag(parentText);
    if (!done)
        return std::nullopt;
    return MemoNode{*done, categoryOfKind(text)};
}

QString MemoNode::caption(const MemoNode& node, qint64 count)
{
    QString name;
    if (node.isRoot())
        name = node.done ? QStringLiteral("已完成备忘") : QStringLiteral("进行中备忘");
    else
        name = categoryName(node.category);
    return name + u'(' + QString::number(count) + u')';
}

} // namespace velmo
