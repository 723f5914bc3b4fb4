// Faces of ButtonStyle 0, 1, 11 and 12 (flat face in BackColor inside the system's 3-D edges)
// and of ButtonStyle 2 (gradient face with shading lines, an orange hot frame and a focus border
// coloured by ColorScheme).

#include "controls/gdi/ColorMath.h"
#include "controls/kvbutton/KvButtonRenderer.h"

namespace velmo {

using namespace gdi;

void KvButtonRenderer::drawStandardStyle(int state)
{
    const KvButtonProperties& props = m_model->props;
    const KvButtonRuntime& run = m_model->run;
    const int style = props.buttonStyle;
    const int W = m_width;
    const int H = m_height;
    const ColorRef b = base();
    const QPalette& palette = m_env->palette;
    m_buttonRect = {0, 0, W, H};
    auto edge = [&](int kind) { m_painter->drawEdge(m_buttonRect, kind, EdgeRect, palette); };

    if (!props.enabled) {
        if (style == 0)
            edge(EdgeRaised);
        else if (style == 1)
            edge(RaisedInner);
        drawPictureAndCaption();
        return;
    }
    if (props.mode != KvPush && props.value) {
        fillAll(shiftColor(b, 0.02f));
        drawPictureAndCaption();
        if (style == 12)
            return;
        edge(EdgeSunken);
        if (style == 0 && props.showFocusRect && run.hasFocus)
            frame(4, 4, W - 7, H - 7, translate(systemColor(AppWorkspace)));
        return;
    }
    switch (state) {
    case KvNormal:
        createButtonRegion();
        fillAll(b);
        drawPictureAndCaption();
        if (style == 0)
            edge(EdgeRaised);
        else if (style == 1)
            edge(RaisedInner);
        break;
    case KvHot:
        fillAll(b);
        drawPictureAndCaption();
        edge(style == 0 || style == 11 ? EdgeRaised : RaisedInner);
        break;
    case KvDown:
        fillAll(b);
        drawPictureAndCaption();
        if (style == 0) {
            frame(1, 1, W - 2, H - 2, translate(0x99A8AC));
            frame(0, 0, W, H, 0);
        } else if (style == 11) {
            edge(EdgeSunken);
        } else {
            frame(0, 0, W, H, 0xFFFFFF);
            frame(0, 0, W + 1, H + 1, translate(systemColor(GrayText)));
        }
        break;
    default:
        return;
    }

    if (!run.hasFocus && !run.displayAsDefault)
        return;
    if (m_env->userMode && props.showFocusRect && run.parentActive) {
        if (style == 0 || style == 11)
            m_painter->drawFocusRect({4, 4, W - 4, H - 4});
        else
            m_painter->drawFocusRect({3, 3, W - 3, H - 3});
    }
    if (style == 0 && state != KvDown) {
        m_painter->drawEdge({0, 0, W - 1, H - 1}, EdgeRaised, EdgeRect, palette);
        frame(0, 0, W - 1, H - 1, translate(systemColor(AppWorkspace)));
        frame(0, 0, W, H, 0);
    }
}

void KvButtonRenderer::drawStyle2(int state)
{
    const KvButtonProperties& props = m_model->props;
    const KvButtonRuntime& run = m_model->run;
    const int W = m_width;
    const int H = m_height;
    const int half = roundHalfEven(H / 2.0);
    const int scheme = props.colorScheme;
    const ColorRef white = 0xFFFFFF;
    const ColorRef b = base();
    auto S = [&](float amount) { return shiftColor(b, amount); };
    m_buttonRect = {0, 0, W, H};

    if (!props.enabled) {
        createButtonRegion();
        fillAll(averageColors(sysColor(ButtonFace, m_env->palette), S(0.1f)));
        drawPictureAndCaption();
        frame(0, 0, W, H, S(-0.1f));
        setPixelColor(S(-0.1f));
        return;
    }

    // Both gradients of the normal face, then picture and caption.
    auto normalFace = [&] {
        if (scheme == 2) {
            gradient(0, 0, W, half, S(0.22f), b);
            gradient(0, half, W, half, S(-0.01f), S(-0.15f));
        } else {
            gradient(0, 0, W, H, S(0.07f), b);
            gradient(0, 0, W, 4, S(0.1f), S(0.08f));
        }
        drawPictureAndCaption();
    };

    switch (state) {
    case KvNormal:
        createButtonRegion();
        normalFace();
        if (scheme == 2) {
            lineTo(W - 2, 2, W - 2, H - 2, white);
            lineTo(1, 1, 1, H - 2, white);
        } else {
            lineTo(1, H - 2, W - 2, H - 2, S(-0.09f));
            lineTo(1, H - 3, W - 2, H - 3, S(-0.05f));
            lineTo(1, H - 4, W - 2, H - 4, S(-0.01f));
            lineTo(W - 2, 2, W - 2, H - 2, S(-0.08f));
            lineTo(1, 1, 1, H - 2, averageColors(white, b));
        }
        break;
    case KvHot:
        normalFace();
        lineTo(1, 2, W - 2, 2, translate(0x89D8FD));
        lineTo(1, 1, W - 2, 1, translate(0xCFF0FF));
        lineTo(1, 1, 1, H - 2, translate(0x49BDF9));
        lineTo(W - 2, 2, W - 2, H - 2, translate(0x49BDF9));
        lineTo(2, 2, 2, H - 3, translate(0x7AD2FC));
        lineTo(W - 3, 3, W - 3, H - 3, translate(0x7AD2FC));
        lineTo(2, H - 3, W - 2, H - 3, translate(0x30B3F8));
        lineTo(2, H - 2, W - 2, H - 2, translate(0x0097E5));
        break;
    case KvDown:
        if (scheme == 2) {
            gradient(0, 0, W, H - 6, S(-0.2f), S(0.05f));
            gradient(0, H - 6, W, H - 1, S(0.08f), white);
            drawPictureAndCaption();
            frame(1, 1, W - 2, H - 2, white);
        } else {
            fillAll(S(-0.05f));
            drawPictureAndCaption();
            lineTo(1, 1, W - 2, 1, S(-0.16f));
            lineTo(1, 2, W - 2, 2, S(-0.1f));
            lineTo(1, H - 2, W - 2, H - 2, S(0.01f));
            lineTo(1, 1, 1, H - 2, S(-0.16f));
            lineTo(2, 2, 2, H - 2, S(-0.1f));
            lineTo(W - 2, 2, W - 2, H - 2, S(0.04f));
        }
        break;
    default:
        break;
    }

    if (run.parentActive && (run.hasFocus || run.displayAsDefault) && state != KvHot && state != KvDown) {
        // Colours of the eight border lines for schemes 0 and 3, 1, and 2.
        static constexpr ColorRef kBorder[3][8] = {
            {0xF6D4BC, 0xFFE7CE, 0xE6AF8E, 0xE6AF8E, 0xF4D1B8, 0xF4D1B8, 0xE4AD89, 0xEE8269},
            {0x8FD1C2, 0x80CBB1, 0x68C8A0, 0x68C8A0, 0x68C8A0, 0x68C8A0, 0x68C8A0, 0x66A7A8},
            {0xF6D4BC, 0xFFE7CE, 0xE6AF8E, 0xE6AF8E, 0xFFFFFF, 0xFFFFFF, 0xE4AD89, 0xEE8269},
        };
        const ColorRef* c = kBorder[scheme == 1 ? 1 : scheme == 2 ? 2 : 0];
        lineTo(1, 2, W - 2, 2, translate(c[0]));
        lineTo(1, 1, W - 2, 1, translate(c[1]));
        lineTo(1, 1, 1, H - 2, translate(c[2]));
        lineTo(W - 2, 2, W - 2, H - 2, translate(c[3]));
        lineTo(2, 2, 2, H - 3, translate(c[4]));
        lineTo(W - 3, 3, W - 3, H - 3, translate(c[5]));
        lineTo(2, H - 3, W - 2, H - 3, translate(c[6]));
        lineTo(2, H - 2, W - 2, H - 2, translate(c[7]));
    }
    if (run.parentActive && props.showFocusRect && (run.hasFocus || run.displayAsDefault))
        m_painter->drawFocusRect({2, 2, W - 2, H - 2});
    const ColorRef outer = scheme == 1 ? ColorRef(0x066237) : translate(0x743C00);
    frame(0, 0, W, H, outer);
    setPixelColor(shiftColor(outer, 0.3f));
}

} // namespace velmo
