// The banded gradient face: a short top band and a taller bottom band, each a vertical two-colour
// gradient, inside a one-pixel frame derived from BackColor.

#include "controls/gdi/ColorMath.h"
#include "controls/kvbutton/KvButtonRenderer.h"

namespace velmo {

using namespace gdi;

void KvButtonRenderer::drawStyle8(int state)
{
    const KvButtonProperties& props = m_model->props;
    const int W = m_width;
    const int H = m_height;
    const ColorRef b = base();
    const ColorRef frameColor = shiftColor(b, -0.34f);
    const int top = roundHalfEven(H / 2.7);
    const int bottom = roundHalfEven(H - H / 2.7);
    auto bands = [&](ColorRef t1, ColorRef t2, ColorRef b1, ColorRef b2) {
        gradient(0, 0, W, top, t1, t2);
        gradient(0, top, W, bottom, b1, b2);
    };

    if (props.mode != KvPush && props.value) {
        bands(0xA9D9FF, 0x6FC0FF, 0x3FABFF, 0x75E1FF);
        frame(0, 0, W, H, frameColor);
        if (m_model->run.mouseOver) {
            bands(0x58C1FF, 0x51AFFF, 0x468FFF, 0x5FD3FF);
            frame(0, 0, W, H, frameColor);
        }
        drawPictureAndCaption();
        return;
    }
    switch (state) {
    case KvNormal:
        m_painter->fillRect(m_buttonRect, b);
        bands(averageColors(shiftColor(b, 0.09f), 0xFFFFFF), averageColors(shiftColor(b, 0.07f), b), b,
              shiftColor(b, 0.03f));
        break;
    case KvHot:
        bands(0xE1FFFF, 0xACEAFF, 0x67D7FF, 0x99E4FF);
        break;
    case KvDown:
        bands(0x58C1FF, 0x51AFFF, 0x468FFF, 0x5FD3FF);
        break;
    default:
        return;
    }
    drawPictureAndCaption();
    frame(0, 0, W, H, frameColor);
}

} // namespace velmo
