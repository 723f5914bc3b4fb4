#include "MainDesign.h"

#include "controls/kvbutton/KvButtonDesign.h"

namespace velmo::MainDesign {

namespace {

constexpr KvButtonDesign buttons[ToolbarButtonCount] = {
    {u"新建备忘录", "button-new", 0},    {u"编辑选中", "button-edit", 0},
    {u"标记为完成", "button-done", 4},   {u"删除选中", "button-delete", 0},
    {u"备忘搜索", "button-search", 0},   {u"错误反馈", "button-feedback", 0},
    {u"程序设置", "button-settings", 0},
};

} // namespace

QString toolbarCaption(int index)
{
    if (index < 0 || index >= ToolbarButtonCount)
        return QString();
    return QString::fromUtf16(buttons[index].caption);
}

PropertyBag toolbarButton(int index, const AssetFolder& assets)
{
    if (index < 0 || index >= ToolbarButtonCount)
        return {};
    return programButton(buttons[index], assets);
}

PropertyBag dueScroller()
{
    return PropertyBag{
        {QStringLiteral("BackColor"), 0x00FAE0ABu},
        {QStringLiteral("VMax"), 10},
        {QStringLiteral("VValue"), 0},
    };
}

} // namespace velmo::MainDesign
