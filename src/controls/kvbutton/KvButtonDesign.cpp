#include "KvButtonDesign.h"

#include "controls/kvbutton/KvPicture.h"

#include <QFont>
#include <QIcon>

namespace velmo {

PropertyBag programButton(const KvButtonDesign& design, const AssetFolder& assets)
{
    const QIcon picture(assets.filePath(QStringLiteral("images/%1.png").arg(QLatin1String(design.picture))));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    return PropertyBag{
        {QStringLiteral("Caption"), QString::fromUtf16(design.caption)},
        {QStringLiteral("ButtonStyle"), 8},
        {QStringLiteral("Mode"), 2},
        {QStringLiteral("PictureAlign"), 0},
        {QStringLiteral("PictureShadow"), -1},
        {QStringLiteral("Font"), font},
        {QStringLiteral("BackColor"), 0x00FDECE0u},
        {QStringLiteral("MaskColor"), -1},
        {QStringLiteral("CaptionEffects"), design.captionEffects},
        {QStringLiteral("PictureNormal"), QVariant::fromValue(KvPicture::fromIcon(picture, QSize(24, 24)))},
    };
}

} // namespace velmo
