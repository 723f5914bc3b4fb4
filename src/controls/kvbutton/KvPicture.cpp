#include "controls/kvbutton/KvPicture.h"

#include <QPixmap>

namespace velmo {

KvPicture KvPicture::fromBitmap(const QImage& image)
{
    if (image.isNull())
        return {};
    if (image.hasAlphaChannel())
        return KvPicture(Bitmap, image.convertToFormat(QImage::Format_ARGB32));
    return fromBitmap24(image);
}

KvPicture KvPicture::fromBitmap24(const QImage& image)
{
    if (image.isNull())
        return {};
    return KvPicture(Bitmap, image.convertToFormat(QImage::Format_RGB32));
}

KvPicture KvPicture::fromIcon(const QImage& image)
{
    if (image.isNull())
        return {};
    return KvPicture(Icon, image.convertToFormat(QImage::Format_ARGB32));
}

KvPicture KvPicture::fromIcon(const QIcon& icon, const QSize& size)
{
    if (icon.isNull())
        return {};
    return fromIcon(icon.pixmap(size).toImage().scaled(size));
}

KvPicture KvPicture::fromVariant(const QVariant& value)
{
    if (value.canConvert<KvPicture>() && value.metaType() == QMetaType::fromType<KvPicture>())
        return value.value<KvPicture>();
    switch (value.typeId()) {
    case QMetaType::QImage:
        return fromBitmap(value.value<QImage>());
    case QMetaType::QPixmap:
        return fromBitmap(value.value<QPixmap>().toImage());
    case QMetaType::QIcon: {
        const QIcon icon = value.value<QIcon>();
        const QList<QSize> sizes = icon.availableSizes();
        return fromIcon(icon, sizes.isEmpty() ? QSize(32, 32) : sizes.constFirst());
    }
    default:
        return {};
    }
}

} // namespace velmo
