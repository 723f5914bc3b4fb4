#include "MainDesign.h"

#include "controls/kvbutton/KvPicture.h"

#include <QFont>
#include <QIcon>

namespace velmo::MainDesign {

namespace {

struct ButtonDesign
{
    const char16_t* caption;
    const char* picture;
};

constexpr ButtonDesign buttons[ToolbarButtonCount] = {
    {u"新建备忘录", "button-new"},    {u"编辑选中", "button-edit"},   {u"标记为完成", "button-done"},
    {u"删除选中", "button-delete"},   {u"备忘搜索", "button-search"}, {u"错误反馈", "button-feedback"},
    {u"程序设置", "button-settings"},
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
    const QIcon picture(
        assets.filePath(QStringLiteral("images/%1.png").arg(QLatin1String(buttons[index].picture))));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    PropertyBag set{
        {QStringLiteral("Caption"), toolbarCaption(index)},
        {QStringLiteral("ButtonStyle"), 8},
        {QStringLiteral("Mode"), 2},
        {QStringLiteral("PictureAlign"), 0},
        {QStringLiteral("PictureShadow"), -1},
        {QStringLiteral("Font"), font},
        {QStringLiteral("BackColor"), 0x00FDECE0u},
        {QStringLiteral("PictureNormal"), QVariant::fromValue(KvPicture::fromIcon(picture, QSize(24, 24)))},
    };
    // "标记为完成" stands out: four lighter copies behind its caption, and no mask colour.
    if (index == 2) {
        set.write(QStringLiteral("CaptionEffects"), 4);
        set.write(QStringLiteral("MaskColor"), -1);
    }
    return set;
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
