#pragma once

// A picture property of the image button: a bitmap (24 or 32 bits per pixel) or an icon.
//
// Usage:
//   KvPicture icon = KvPicture::fromIcon(QIcon(":/images/new.ico"), QSize(24, 24));
//   KvPicture photo = KvPicture::fromBitmap(QImage(":/images/face.png"));   // 32 bits if it has alpha
//   bag.write("PictureNormal", QVariant::fromValue(icon));
//
// An icon is painted over the mask colour silver (0xC0C0C0), whose pixels then count as
// transparent; a 32-bit bitmap is blended by its own alpha; a 24-bit bitmap is masked by the
// button's MaskColor.

#include <QIcon>
#include <QImage>
#include <QMetaType>
#include <QVariant>

namespace velmo {

class KvPicture
{
public:
    enum Type
    {
        None = 0,
        Bitmap = 1,
        Icon = 3
    };

    KvPicture() = default;
    // A bitmap; it keeps 32 bits per pixel (and its alpha) only when the image has an alpha channel.
    static KvPicture fromBitmap(const QImage& image);
    // A 24-bit bitmap whatever the image holds.
    static KvPicture fromBitmap24(const QImage& image);
    static KvPicture fromIcon(const QImage& image);
    static KvPicture fromIcon(const QIcon& icon, const QSize& size);
    // Accepts a KvPicture, or a QImage / QPixmap (bitmap) or QIcon (icon) as a property set may
    // hold it; anything else is no picture.
    static KvPicture fromVariant(const QVariant& value);

    Type type() const { return m_type; }
    bool isNull() const { return m_type == None || m_image.isNull(); }
    // A bitmap of 32 bits per pixel, painted with per-pixel alpha.
    bool isAlphaBitmap() const { return m_type == Bitmap && m_image.format() == QImage::Format_ARGB32; }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    // Format_RGB32 for a 24-bit bitmap, Format_ARGB32 (not premultiplied) otherwise.
    const QImage& image() const { return m_image; }

    friend bool operator==(const KvPicture& a, const KvPicture& b)
    {
        return a.m_type == b.m_type && a.m_image == b.m_image;
    }

private:
    KvPicture(Type type, QImage image)
        : m_type(type)
        , m_image(std::move(image))
    {
    }

    Type m_type = None;
    QImage m_image;
};

} // namespace velmo

Q_DECLARE_METATYPE(velmo::KvPicture)
