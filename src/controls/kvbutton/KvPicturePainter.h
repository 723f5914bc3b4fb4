#pragma once

// Blends a button picture into the face pixel by pixel: mask colour, opacity, lighten or darken
// effect, greyscale for the disabled look, and a one-colour silhouette for shadows.

#include "controls/gdi/SystemColors.h"
#include "controls/kvbutton/KvButtonModel.h"
#include "controls/kvbutton/KvPicture.h"

#include <QImage>

#include <array>

namespace velmo {

// How one paint of a picture is blended.
struct KvPictureBlend
{
    int effect = 0;    // 1 lighten, 2 darken, anything else none
    int opacity = 255; // 0..255
    bool greyscale = false;
};

class KvPicturePainter
{
public:
    // Silver: the colour behind an icon, and its mask.
    static constexpr gdi::ColorRef kIconMask = 0xC0C0C0;

    // x * 293 / 255 capped at 255, and x * 217 / 255.
    static quint8 lighten(int x) { return kLighten[std::size_t(x & 0xFF)]; }
    static quint8 darken(int x) { return kDarken[std::size_t(x & 0xFF)]; }

    // The blend for the button's state: the hot or down effect, the opacity for the state, and
    // the disabled look chosen by DisabledPictureMode. An alpha bitmap takes the disabled
    // opacity whenever the button is disabled; other pictures take the hover opacity whenever
    // the state is hot.
    static KvPictureBlend blendFor(const KvButtonProperties& props, int buttonState, bool alphaBitmap);

    // Paints the picture into target at (x, y), width x height, blended with what is there.
    // fillColor kNoColor paints the picture; any other colour its silhouette in that colour.
    // An icon is first painted over the mask colour. With maskTransparent, picture pixels of the
    // mask colour leave the target as it was; alpha bitmaps have no mask and use their own alpha.
    void paint(QImage& target, int x, int y, int width, int height, const KvPicture& picture,
               gdi::ColorRef mask, bool maskTransparent, gdi::ColorRef fillColor,
               const KvPictureBlend& blend);

private:
    static const std::array<quint8, 256> kLighten;
    static const std::array<quint8, 256> kDarken;

    // The icon painted over its mask colour, kept while the same icon is painted.
    const QImage& iconOverMask(const KvPicture& icon, int width, int height, gdi::ColorRef mask);

    QImage m_iconCache;
    qint64 m_iconCacheKey = 0;
    gdi::ColorRef m_iconCacheMask = gdi::kNoColor;
};

} // namespace velmo
