#include "MemoNode.h"

#include "store/MemoCategory.h"

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
    return isCategoryCode(category) ? velmo::categoryName(static_cast<MemoCategory>(category)) : QString();
}

int MemoNode::categoryOfKind(const QString& kind)
{
    const QString four = kind.left(4);
    if (four == inProgressRootKind || four == doneRootKind)
        return 0;
    return static_cast<int>(categoryNamed(four).value_or(MemoCategory::Other));
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
