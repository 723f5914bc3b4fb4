// Faces of ButtonStyle 4 (flat, tinted by ColorScheme when active), 6 (fixed light greys),
// 9 (white upper half) and 10 (two bands inside a dark frame).

#include "controls/gdi/ColorMath.h"
#include "controls/kvbutton/KvButtonRenderer.h"

namespace velmo {

using namespace gdi;

void KvButtonRenderer::drawStyle4(int state)
{
    const KvButtonProperties& props = m_model->props;
    const int W = m_width;
    const int H = m_height;
    const ColorRef b = base();
    ColorRef face;
    ColorRef border;
    switch (props.colorScheme) {
    case 0:
        face = translate(0xEED2C1);
        border = translate(0xC56A31);
        break;
    case 1:
        face = translate(0xBAD6D4);
        border = translate(0x70A093);
        break;
    case 2:
        face = translate(0xE3DFE0);
        border = translate(0xBFB4B2);
        break;
    default:
        face = b;
        border = shiftColor(b, -0.12f);
        break;
    }

    if (props.mode != KvPush && props.value) {
        fillAll(shiftColor(face, m_model->run.mouseOver ? -0.01f : -0.05f));
        frame(0, 0, W, H, border);
        drawPictureAndCaption();
        return;
    }
    if (state == KvNormal)
        fillAll(b);
    else if (state == KvHot)
        fillAll(shiftColor(face, 0.03f));
    else if (state == KvDown)
        fillAll(shiftColor(face, -0.08f));
    drawPictureAndCaption();
    if (m_model->run.buttonState != KvNormal)
        frame(0, 0, W, H, border);
}

void KvButtonRenderer::drawStyle6(int state)
{
    KvButtonProperties& props = m_model->props;
    const int W = m_width;
    const int H = m_height;
    const int half = roundHalfEven(H / 2.0);
    const ColorRef b = base();
    const ColorRef buttonText = translate(systemColor(ButtonText));
    props.foreColor = state == KvDown ? translate(0xFFFFFF) : buttonText;

    int p = state;
    if (props.mode != KvPush && props.value && m_model->run.isPressed)
        p = KvDown;

    if (props.mode != KvPush && props.value && p != KvDown) {
        fillAll(translate(0xFEFEFE));
        props.foreColor = buttonText;
        drawPictureAndCaption();
        frame(0, 0, W, H, translate(0xAF987A));
        setPixelColor(shiftColor(translate(0xC1B3A0), -0.2f));
        if (p == KvHot) {
            lineTo(W - 2, 2, W - 2, H - 2, translate(0xEDF0F2));
            lineTo(2, H - 2, W - 2, H - 2, translate(0xD8DEE4));
            lineTo(1, H - 3, W - 1, H - 3, translate(0xE8ECEF));
            lineTo(1, H - 4, W - 1, H - 4, translate(0xF8F9FA));
        }
        return;
    }
    switch (p) {
    case KvNormal:
        createButtonRegion();
        fillAll(b);
        drawPictureAndCaption();
        break;
    case KvHot:
        gradient(0, 0, W, half, translate(0xFDFEFE), translate(0xEEF4F4));
        gradient(0, half, W, half, translate(0xEEF4F4), translate(0xEAF1F1));
        drawPictureAndCaption();
        lineTo(W - 2, 2, W - 2, H - 2, translate(0xE0E7EA));
        lineTo(W - 3, 2, W - 3, H - 2, translate(0xEAF0F0));
        lineTo(0, H - 4, W, H - 4, translate(0xE5EDEE));
        lineTo(0, H - 3, W, H - 3, translate(0xD6E1E4));
        lineTo(0, H - 2, W, H - 2, translate(0xC6D2D7));
        frame(0, 0, W, H, translate(0xC3CECE));
        setPixelColor(shiftColor(translate(0xC9D4D4), -0.05f));
        break;
    case KvDown:
        fillAll(translate(0xDDE4E5));
        drawPictureAndCaption();
        lineTo(1, 1, W - 2, 1, shiftColor(translate(0xD1DADC), -0.02f));
        lineTo(1, 2, W - 2, 2, shiftColor(translate(0xDAE1E3), -0.02f));
        lineTo(1, H - 3, W - 2, H - 3, shiftColor(translate(0xDEE5E6), 0.02f));
        lineTo(1, H - 2, W - 2, H - 2, shiftColor(translate(0xE5EAEB), 0.02f));
        frame(0, 0, W, H, translate(0x929D9D));
        setPixelColor(shiftColor(translate(0xABB4B5), -0.2f));
        break;
    default:
        break;
    }
}

void KvButtonRenderer::drawStyle9(int state)
{
    const KvButtonProperties& props = m_model->props;
    const KvButtonRuntime& run = m_model->run;
    const int W = m_width;
    const int H = m_height;
    const int half = roundHalfEven(H / 2.0);
    const ColorRef b = base();
    auto S = [&](float amount) { return shiftColor(b, amount); };
    const int working = props.enabled ? state : KvNormal;

    if (working == KvNormal || working == KvHot) {
        if (working == KvNormal) {
            createButtonRegion();
            m_buttonRect = {0, 0, W, H};
        }
        gradient(0, 0, W, half, 0xFFFFFF, b);
        gradient(0, half, W, H, b, b);
        drawPictureAndCaption();
        frame(1, 1, W - 2, H, 0xFFFFFF);
        frame(0, 0, W, H, S(-0.2f));
        lineTo(2, H - 1, W - 2, H - 1, S(-0.25f));
    } else if (working == KvDown) {
        gradient(0, 0, W, half, 0xFFFFFF, S(-0.1f));
        gradient(0, half, W, H, S(-0.1f), S(-0.05f));
        drawPictureAndCaption();
        frame(1, 1, W - 2, H, 0xFFFFFF);
        frame(0, 0, W, H, S(-0.23f));
        lineTo(2, H - 1, W - 2, H - 1, S(-0.4f));
    }
    setPixelColor(S(0.05f));
    if (run.parentActive && props.showFocusRect && (run.hasFocus || run.displayAsDefault))
        m_painter->drawFocusRect({3, 3, W - 3, H - 3});
}

void KvButtonRenderer::drawStyle10(int state)
{
    const KvButtonProperties& props = m_model->props;
    const int W = m_width;
    const int H = m_height;
    const ColorRef b = base();
    auto S = [&](float amount) { return shiftColor(b, amount); };
    auto L = [&](float amount) { return shiftColor(averageColors(b, 0xFFFFFF), amount); };
    auto K = [&](float amount) { return averageColors(0xFFFFFF, S(amount)); };
    // Fill, top band, body, frame and corner colours of one face.
    auto face = [&](ColorRef fill, ColorRef band, ColorRef body1, ColorRef body2, ColorRef frameColor,
                    ColorRef corners) {
        fillAll(fill);
        gradient(0, 0, W, 5, band, b);
        gradient(0, 6, W, H - 1, body1, body2);
        drawPictureAndCaption();
        frame(0, 0, W, H, frameColor);
        setPixelColor(corners);
    };

    if (!props.enabled) {
        face(b, L(0.05f), S(-0.02f), K(0.08f), S(-0.2f), S(-0.23f));
        return;
    }
    switch (state) {
    case KvNormal:
        createButtonRegion();
        face(S(-0.03f), L(0.1f), S(-0.05f), K(0.1f), S(-0.33f), S(-0.36f));
        break;
    case KvHot:
        face(S(-0.03f), L(0.15f), S(-0.05f), K(0.2f), S(-0.28f), S(-0.36f));
        break;
    case KvDown:
        face(S(-0.03f), L(0.1f), S(-0.08f), K(0.05f), S(-0.36f), S(-0.36f));
        break;
    default:
        setPixelColor(S(-0.36f));
        break;
    }
}

} // namespace velmo
