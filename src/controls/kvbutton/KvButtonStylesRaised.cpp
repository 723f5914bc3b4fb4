// Faces of ButtonStyle 3 (raised with shading strips), 5 (flat halves, warm when active),
// 7 (flat, pale blue when active) and 13 (the platform's own push button).

#include "controls/gdi/ColorMath.h"
#include "controls/kvbutton/KvButtonRenderer.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace velmo {

using namespace gdi;

void KvButtonRenderer::drawStyle3(int state)
{
    const KvButtonProperties& props = m_model->props;
    const KvButtonRuntime& run = m_model->run;
    const int W = m_width;
    const int H = m_height;
    const ColorRef b = base();
    const ColorRef light = shiftColor(b, 0.05f);

    if (!props.enabled) {
        createButtonRegion();
        m_painter->fillRect({0, 0, W, H}, shiftColor(b, 0.03f));
        drawPictureAndCaption();
        frame(0, 0, W, H, shiftColor(b, -0.25f));
        frame(1, 1, W - 2, H - 2, shiftColor(b, 0.25f));
        setPixelColor(shiftColor(b, -0.03f));
        return;
    }

    // Shading strips along the left and right edges of the hot and down faces, each darker at
    // the outer edge.
    auto strips = [&](ColorRef lu1, ColorRef lu2, ColorRef ll1, ColorRef ll2, ColorRef ru1, ColorRef ru2,
                      ColorRef rl1, ColorRef rl2) {
        const int upperHeight = roundHalfEven(H / 2.0 - 2);
        const int lowerTop = roundHalfEven(H / 2.0);
        const int lowerHeight = roundHalfEven(H - H / 2.0 - 1);
        gradient(1, 3, 5, upperHeight, lu1, lu2, 0);
        gradient(1, lowerTop, 5, lowerHeight, ll1, ll2, 0);
        gradient(W - 6, 3, 5, upperHeight, ru1, ru2, 0);
        gradient(W - 6, lowerTop, 5, lowerHeight, rl1, rl2, 0);
    };

    switch (state) {
    case KvNormal:
        createButtonRegion();
        gradient(1, 1, W - 1, H, light, b);
        gradient(1, roundHalfEven(H / 2.0), W - 2, H - 2, shiftColor(b, -0.02f), shiftColor(b, -0.15f));
        drawPictureAndCaption();
        frame(0, 0, W, H, 0x707070);
        frame(1, 1, W - 2, H - 2, 0xFFFFFF);
        break;
    case KvHot:
        gradient(1, 1, W - 2, roundHalfEven(H / 2.0), 0xFFF7E4, 0xFFF3DA);
        gradient(1, roundHalfEven(H / 2.0), W - 2, H - 2, 0xFFE9C1, 0xFDE1AE);
        strips(0xFFEECD, 0xFFF7E4, 0xFAD68F, shiftColor(0xFDE1AC, 0.01f), 0xFFF7E4, 0xFFEECD,
               shiftColor(0xFDE1AC, 0.01f), 0xFAD68F);
        drawPictureAndCaption();
        frame(0, 0, W, H, 0xA77532);
        frame(1, 1, W - 2, H - 2, 0xFFFFFF);
        break;
    case KvDown:
        gradient(1, 1, W - 1, H, 0xF6E4C2, 0xF6E4C2);
        gradient(1, roundHalfEven(H / 2.0), W - 2, H - 2, 0xF0D29A, 0xF0D29A);
        frame(0, 0, W, H, 0x5C411D);
        lineTo(1, 1, W - 1, 1, 0xB39C71);
        lineTo(1, 2, W - 1, 2, 0xD6C6A9);
        lineTo(1, 3, W - 1, 3, 0xECD9B9);
        lineTo(1, 1, 1, roundHalfEven(H / 2.0 - 1), 0xCFB073);
        strips(shiftColor(0xE6C891, 0.02f), shiftColor(0xF6E4C2, -0.01f), shiftColor(0xDCAB4E, 0.02f),
               shiftColor(0xF0D29A, -0.01f), shiftColor(0xF6E4C2, -0.01f), shiftColor(0xE6C891, 0.02f),
               shiftColor(0xF0D29A, -0.01f), shiftColor(0xDCAB4E, 0.02f));
        drawPictureAndCaption();
        break;
    default:
        break;
    }

    if (run.parentActive) {
        if (state == KvNormal && (run.hasFocus || run.displayAsDefault)) {
            frame(0, 0, W, H, 0xA77532);
            frame(1, 1, W - 2, H - 2, 0xFBD848);
        }
        if (props.showFocusRect && run.hasFocus)
            m_painter->drawFocusRect({2, 2, W - 2, H - 2});
    }
    setPixelColor(0xBE965F);
}

void KvButtonRenderer::drawStyle5(int state)
{
    const KvButtonProperties& props = m_model->props;
    const int W = m_width;
    const int H = m_height;
    const ColorRef b = base();
    m_buttonRect = {0, 0, W, H};

    if (props.mode != KvPush && props.value) {
        if (m_model->run.mouseOver)
            gradient(0, 0, W, H, 0x4E91FE, 0x8ED3FF);
        else
            gradient(0, 0, W, H, 0x8CD5FF, 0x55ADFF);
        drawPictureAndCaption();
        frame(0, 0, W, H, 0x800000);
        return;
    }
    switch (state) {
    case KvDown:
        gradient(0, 0, W, H, 0x4E91FE, 0x8ED3FF);
        drawPictureAndCaption();
        frame(0, 0, W, H, 0x800000);
        break;
    case KvHot:
        gradient(0, 0, W, H, 0xCCF4FF, 0x91D0FF);
        drawPictureAndCaption();
        frame(0, 0, W, H, 0x800000);
        break;
    case KvNormal:
        createButtonRegion();
        gradient(0, 0, W, roundHalfEven(H / 2.0), averageColors(0xFFFFFF, shiftColor(b, 0.08f)), b);
        // The lower half runs one row past the control; its last row is clipped.
        gradient(0, roundHalfEven(H / 2.0), W, roundHalfEven(H / 2.0 + 1), b, shiftColor(b, -0.15f));
        drawPictureAndCaption();
        break;
    default:
        break;
    }
}

void KvButtonRenderer::drawStyle7(int state)
{
    const KvButtonProperties& props = m_model->props;
    const int W = m_width;
    const int H = m_height;
    const ColorRef b = base();

    if (!props.enabled) {
        m_painter->fillRect(m_buttonRect, b);
        drawPictureAndCaption();
        setPixelColor(b);
        return;
    }
    switch (state) {
    case KvNormal:
        createButtonRegion();
        m_painter->fillRect({0, 0, W, H}, b);
        drawPictureAndCaption();
        break;
    case KvHot:
        gradient(1, 1, W - 2, H - 2, 0xFDF9F1, 0xF8ECD0);
        m_painter->fillRect(GdiRect::fromSize(1, roundHalfEven(H / 1.7), W - 2, H - 2), 0xF8ECD0);
        drawPictureAndCaption();
        frame(0, 0, W, H, 0xCA9E61);
        frame(1, 1, W - 2, H - 2, 0xFFFFFF);
        setPixelColor(shiftColor(0xCA9E61, 0.3f));
        break;
    case KvDown:
        gradient(1, 1, W - 2, H - 2, 0xF1DEB0, 0xF9F1DB);
        drawPictureAndCaption();
        frame(0, 0, W, H, 0xCA9E61);
        frame(1, 1, W - 2, H - 2, 0xFFFFFF);
        setPixelColor(shiftColor(0xCA9E61, 0.3f));
        break;
    default:
        break;
    }
}

void KvButtonRenderer::drawThemedButton(int state)
{
    const KvButtonProperties& props = m_model->props;
    const KvButtonRuntime& run = m_model->run;
    m_model->run.surfaceBackColor = sysColor(ButtonFace, m_env->palette);

    QStyleOptionButton option;
    option.rect = m_buttonRect.toQRect();
    option.palette = m_env->palette;
    option.direction = props.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
    option.state = QStyle::State_Raised;
    if (props.enabled) {
        option.state |= QStyle::State_Enabled;
        if (run.parentActive)
            option.state |= QStyle::State_Active;
        if (state == KvHot)
            option.state |= QStyle::State_MouseOver;
        else if (state == KvDown)
            option.state = (option.state & ~QStyle::State_Raised) | QStyle::State_Sunken;
        else if (run.buttonState == KvNormal && (run.hasFocus || run.displayAsDefault) && run.parentActive)
            option.features |= QStyleOptionButton::DefaultButton;
    } else {
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }

    // The platform button fills the whole face, so the window region is the plain rectangle.
    m_region = QRegion();
    QStyle* style = m_env->style ? m_env->style : QApplication::style();
    {
        QPainter painter(m_image);
        painter.setClipRect(option.rect);
        style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, m_env->widget);
    }
    drawPictureAndCaption();
}

} // namespace velmo
