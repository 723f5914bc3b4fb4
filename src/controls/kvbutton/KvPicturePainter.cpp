#include "controls/kvbutton/KvPicturePainter.h"

#include "controls/gdi/ColorMath.h"

#include <QPainter>

#include <algorithm>

namespace velmo {

using namespace gdi;

namespace {

std::array<quint8, 256> makeTable(int factor, bool cap)
{
    std::array<quint8, 256> table{};
    for (int x = 0; x < 256; ++x) {
        const int v = x * factor / 255;
        table[std::size_t(x)] = quint8(cap && v > 255 ? 255 : v);
    }
    return table;
}

} // namespace

const std::array<quint8, 256> KvPicturePainter::kLighten = makeTable(293, true);
const std::array<quint8, 256> KvPicturePainter::kDarken = makeTable(217, false);

KvPictureBlend KvPicturePainter::blendFor(const KvButtonProperties& props, int buttonState, bool alphaBitmap)
{
    KvPictureBlend blend;
    if (buttonState == KvHot)
        blend.effect = props.pictureEffectOnOver;
    else if (buttonState == KvDown)
        blend.effect = props.pictureEffectOnDown;
    int disabledOpacity = 0;
    if (!props.enabled) {
        if (props.disabledPictureMode == 0) {
            disabledOpacity = 52;
        } else if (props.disabledPictureMode == 1) {
            disabledOpacity = roundHalfEven(props.pictureOpacity * 0.75);
            blend.greyscale = true;
        }
    }
    if (alphaBitmap)
        blend.opacity = !props.enabled
                            ? disabledOpacity
                            : (buttonState == KvHot ? props.pictureOpacityOnOver : props.pictureOpacity);
    else
        blend.opacity = buttonState == KvHot ? props.pictureOpacityOnOver
                                             : (props.enabled ? props.pictureOpacity : disabledOpacity);
    return blend;
}

const QImage& KvPicturePainter::iconOverMask(const KvPicture& icon, int width, int height, ColorRef mask)
{
    const qint64 key = icon.image().cacheKey();
    if (m_iconCacheKey != key || m_iconCacheMask != mask || m_iconCache.size() != QSize(width, height)) {
        m_iconCache = QImage(width, height, QImage::Format_RGB32);
        m_iconCache.fill(toQColor(mask));
        QPainter p(&m_iconCache);
        p.drawImage(QRect(0, 0, width, height), icon.image());
        m_iconCacheKey = key;
        m_iconCacheMask = mask;
    }
    return m_iconCache;
}

void KvPicturePainter::paint(QImage& target, int x, int y, int width, int height, const KvPicture& picture,
                             ColorRef mask, bool maskTransparent, ColorRef fillColor,
                             const KvPictureBlend& blend)
{
    if (width <= 0 || height <= 0 || picture.isNull())
        return;
    const bool alpha = picture.isAlphaBitmap();
    const QImage& source =
        picture.type() == KvPicture::Icon ? iconOverMask(picture, width, height, mask) : picture.image();
    const bool fill = fillColor != kNoColor;
    const int fillRgb[3] = {redOf(fillColor), greenOf(fillColor), blueOf(fillColor)};
    const std::array<quint8, 256>* table = blend.effect == 1   ? &kLighten
                                           : blend.effect == 2 ? &kDarken
                                                               : nullptr;
    const QRgb maskRgb = mask == kNoColor ? 0 : (toQRgb(mask) & 0x00FFFFFFu);
    const bool masked = !alpha && maskTransparent && mask != kNoColor;

    // Only the part of the picture that lands inside the target is visited.
    const int rows = std::min({height, source.height(), target.height() - y});
    const int cols = std::min({width, source.width(), target.width() - x});
    const int firstRow = std::max(0, -y);
    const int firstCol = std::max(0, -x);
    uchar* const targetBits = target.bits();
    const qsizetype targetStride = target.bytesPerLine();
    const uchar* const sourceBits = source.constBits();
    const qsizetype sourceStride = source.bytesPerLine();
    for (int row = firstRow; row < rows; ++row) {
        const QRgb* src = reinterpret_cast<const QRgb*>(sourceBits + row * sourceStride);
        QRgb* dst = reinterpret_cast<QRgb*>(targetBits + (y + row) * targetStride) + x;
        for (int col = firstCol; col < cols; ++col) {
            const QRgb s = src[col];
            if (masked && (s & 0x00FFFFFFu) == maskRgb)
                continue;
            const int a = alpha ? qAlpha(s) * blend.opacity / 255 : blend.opacity;
            if (a <= 0)
                continue;
            const int n = 255 - a;
            const QRgb d = dst[col];
            const int dc[3] = {qRed(d), qGreen(d), qBlue(d)};
            int out[3];
            if (fill) {
                for (int i = 0; i < 3; ++i)
                    out[i] = a >= 255 ? fillRgb[i] : (fillRgb[i] * a + dc[i] * n) / 256;
            } else if (blend.greyscale) {
                const int g =
                    roundHalfEven(roundHalfEven(qRed(s) * 0.3) + qGreen(s) * 0.59 + qBlue(s) * 0.11);
                for (int i = 0; i < 3; ++i)
                    out[i] = a >= 255 ? g : (dc[i] * n + a * g) / 256;
            } else {
                const int sc[3] = {qRed(s), qGreen(s), qBlue(s)};
                for (int i = 0; i < 3; ++i) {
                    const int t = table ? (*table)[std::size_t(sc[i])] : sc[i];
                    out[i] = a >= 255 ? t : (t * a + dc[i] * n) / 256;
                }
            }
            dst[col] = qRgb(out[0], out[1], out[2]);
        }
    }
}

} // namespace velmo
