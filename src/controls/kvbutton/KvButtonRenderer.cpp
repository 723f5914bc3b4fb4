#include "controls/kvbutton/KvButtonRenderer.h"

#include "controls/gdi/ColorMath.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>

namespace velmo {

using namespace gdi;

namespace {

bool styleIn(int style, std::initializer_list<int> styles)
{
    for (int s : styles)
        if (s == style)
            return true;
    return false;
}

// Spaces trimmed from both ends, as the caption test of the picture layout needs.
QString trimSpaces(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

// A rectangle with rounded corners: every pixel of the w x h box except those of the four corners
// that fall outside an ellipse of ew x eh pixels.
QRegion roundedRegion(int width, int height, int ellipse)
{
    QRegion region(0, 0, width, height);
    const double c = (ellipse - 1) / 2.0;
    // Only the quarter of the ellipse up to its centre line shapes a corner.
    for (int y = 0; 2 * y < ellipse; ++y) {
        for (int x = 0; 2 * x < ellipse; ++x) {
            const double u = (x - c) / c;
            const double v = (y - c) / c;
            if (u * u + v * v <= 1.0)
                continue;
            region -= QRegion(x, y, 1, 1);
            region -= QRegion(width - 1 - x, y, 1, 1);
            region -= QRegion(x, height - 1 - y, 1, 1);
            region -= QRegion(width - 1 - x, height - 1 - y, 1, 1);
        }
    }
    return region;
}

} // namespace

void KvButtonRenderer::redraw(KvButtonModel& model, QImage& image, int width, int height,
                              const KvRenderEnvironment& env)
{
    if (image.size() != QSize(width, height) || image.format() != QImage::Format_RGB32)
        image = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    GdiPainter painter(image);
    m_model = &model;
    m_painter = &painter;
    m_image = &image;
    m_env = &env;

    m_drawnCaption = captionForPaint(model.props.caption, env.unicodeText);
    painter.clear(translate(model.run.surfaceBackColor));
    m_width = width;
    m_height = height;
    m_buttonRect = {0, 0, width, height};

    KvButtonProperties& props = model.props;
    if (props.mode != KvPush && props.buttonStyle != 0 && props.buttonStyle != 6 && props.value)
        model.run.buttonState = KvDown;
    const int state = model.run.buttonState;

    switch (props.buttonStyle) {
    case 0:
    case 1:
    case 11:
    case 12:
        drawStandardStyle(state);
        break;
    case 2:
        drawStyle2(state);
        break;
    case 3:
        drawStyle3(state);
        break;
    case 4:
        drawStyle4(state);
        break;
    case 5:
        drawStyle5(state);
        break;
    case 6:
        drawStyle6(state);
        break;
    case 7:
        drawStyle7(state);
        break;
    case 8:
        drawStyle8(state);
        break;
    case 9:
        drawStyle9(state);
        break;
    case 10:
        drawStyle10(state);
        break;
    case 13:
        if (env.themed) {
            drawThemedButton(state);
        } else {
            // Without visual styles the button turns into a style 2 button for good.
            props.buttonStyle = 2;
            props.colorScheme = 0;
            applyDefaultBackColor(props, env.palette);
            drawStyle2(state);
        }
        break;
    default:
        break;
    }
    m_painter = nullptr;
    m_image = nullptr;
    m_env = nullptr;
    m_model = nullptr;
}

std::optional<QRegion> KvButtonRenderer::takeRegion()
{
    std::optional<QRegion> region;
    region.swap(m_region);
    return region;
}

QRegion KvButtonRenderer::buttonRegion(int buttonStyle, int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    switch (buttonStyle) {
    case 2:
    case 3:
    case 7:
    case 9:
        return roundedRegion(width, height, 3);
    case 6:
    case 10:
        return roundedRegion(width, height, 4);
    default:
        return {};
    }
}

void KvButtonRenderer::createButtonRegion()
{
    m_region = buttonRegion(m_model->props.buttonStyle, m_width, m_height);
}

QString KvButtonRenderer::captionForPaint(const QString& caption, bool unicodeText)
{
    if (unicodeText)
        return caption;
    // Without Unicode text calls the caption goes through the ANSI code page: characters that
    // it lacks come out as question marks.
    QStringEncoder encoder("GBK");
    QStringDecoder decoder("GBK");
    const QByteArray bytes = encoder.encode(caption);
    return decoder.decode(bytes);
}

ColorRef KvButtonRenderer::translate(OleColor color) const
{
    return translateColor(color, m_env->palette);
}

ColorRef KvButtonRenderer::base() const
{
    return translate(m_model->props.backColor);
}

void KvButtonRenderer::gradient(int x, int y, int width, int height, ColorRef c1, ColorRef c2, int direction)
{
    m_painter->gradient(x, y, width, height, c1, c2, direction);
}

void KvButtonRenderer::frame(int x, int y, int width, int height, ColorRef color)
{
    m_painter->frameRect(GdiRect::fromSize(x, y, width, height), color);
}

void KvButtonRenderer::lineTo(int x1, int y1, int x2, int y2, ColorRef color)
{
    m_painter->line(x1, y1, x2, y2, color);
}

void KvButtonRenderer::fillAll(ColorRef color)
{
    m_painter->fillRect({0, 0, m_width, m_height}, color);
}

void KvButtonRenderer::setPixelColor(ColorRef color)
{
    m_painter->setPixel(1, 1, color);
    m_painter->setPixel(1, m_height - 2, color);
    m_painter->setPixel(m_width - 2, 1, color);
    m_painter->setPixel(m_width - 2, m_height - 2, color);
}

bool KvButtonRenderer::hasDropDownPart() const
{
    return m_model->props.dropDownSeparator || m_model->props.dropDownSymbol != 0;
}

const KvPicture& KvButtonRenderer::currentPicture() const
{
    const KvButtonProperties& props = m_model->props;
    const int state = m_model->run.buttonState;
    if (state == KvDown || (props.mode != KvPush && props.value)) {
        if (!props.pictureDown.isNull())
            return props.pictureDown;
        if (!props.pictureHot.isNull())
            return props.pictureHot;
        return props.pictureNormal;
    }
    if (state == KvHot && !props.pictureHot.isNull())
        return props.pictureHot;
    return props.pictureNormal;
}

void KvButtonRenderer::drawPictureAndCaption()
{
    const KvButtonProperties& props = m_model->props;
    const int state = m_model->run.buttonState;
    const int W = m_width;
    const int H = m_height;
    const KvPicture& picture = currentPicture();
    const int pw = picture.isNull() ? 0 : picture.width();
    const int ph = picture.isNull() ? 0 : picture.height();
    const bool dropDown = hasDropDownPart();
    const bool pictureAtSide = props.pictureAlign == 2 || props.pictureAlign == 3;

    // Measure the caption in the space the drop-down parts leave.
    const int measureWidth = dropDown ? (pictureAtSide ? W - 24 : W - 16) : W - 8;
    GdiRect r = m_captionText.measure(*m_painter, {0, 0, measureWidth, H}, m_drawnCaption,
                                      TextWordBreak | (props.rightToLeft ? TextRtlReading : 0), props.font);

    switch (props.captionAlign) {
    case 0:
        r = r.offset(2, (H - r.bottom) / 2);
        break;
    case 1:
        r = r.offset((W - r.right + pw) / 2, (H - r.bottom) / 2);
        if (dropDown)
            r = r.offset(-8, 0);
        if (props.pictureAlign >= 5 && props.pictureAlign <= 8)
            r = r.offset(-(pw / 2), 0);
        break;
    case 2:
        r = r.offset(W - r.right - 4, (H - r.bottom) / 2);
        break;
    default:
        break;
    }

    if (!props.pictureNormal.isNull()) {
        switch (props.pictureAlign) {
        case 0:
        case 1:
            if (props.captionAlign != 1 && r.left < pw + 4) {
                r.left = pw + 4;
                r.right = r.right + pw + 4;
            }
            break;
        case 2:
        case 3:
            if (r.right > W - pw - 4) {
                r.right = W - pw - 4;
                r.left = r.left - pw - 4;
            }
            if (props.captionAlign == 1)
                r = r.offset(-12, 0);
            break;
        case 4:
            if (props.captionAlign == 1)
                r = r.offset(-16, 0);
            break;
        case 5:
        case 6:
            r = r.offset(0, ph / 2);
            break;
        case 7:
        case 8:
            r = r.offset(0, -(ph / 2));
            break;
        default:
            break;
        }
    }
    if (props.captionAlign == 2 && dropDown)
        r = r.offset(-16, 0);
    if (props.buttonStyle == 13) {
        r.left = std::max(r.left, 4);
        r.top = std::max(r.top, 4);
        r.right = std::min(r.right, W - 4);
        r.bottom = std::min(r.bottom, H - 4);
    }
    m_captionRect = r;
    placePicture(pw, ph);

    if (props.dropDownSymbol != 0)
        m_dropDownRect = {W - 15, roundHalfEven(H / 2.0 - 7), W, roundHalfEven(H / 2.0 + 8)};

    if (props.dropDownSeparator && W - 8 > m_captionRect.right) {
        const ColorRef face = m_painter->pixel(7, 7);
        lineTo(W - 16, 3, W - 16, H - 3, shiftColor(face, -0.1f));
        lineTo(W - 15, 3, W - 15, H - 3, shiftColor(m_painter->pixel(7, 7), 0.1f));
    }

    if (state == KvDown && styleIn(props.buttonStyle, {0, 1, 5, 6, 7, 10, 11, 12})) {
        m_captionRect = m_captionRect.offset(1, 1);
        m_pictureRect = m_pictureRect.offset(1, 1);
        m_dropDownRect = m_dropDownRect.offset(1, 1);
    }

    const bool pushedUp = props.picturePushOnHover && state == KvHot;
    if (!pushedUp) {
        drawPicture(m_pictureRect, kNoColor);
    } else {
        drawPicture(m_pictureRect, translate(0xC0C0C0));
        drawPicture(m_pictureRect.offset(-2, -2), kNoColor);
    }
    if (props.pictureShadow && !pushedUp)
        drawShadowedPicture();
    if (props.captionEffects != 0)
        drawCaption();

    ColorRef captionColor;
    if (!props.enabled)
        captionColor = sysColor(GrayText, m_env->palette);
    else if (state == KvHot)
        captionColor = translate(props.foreColorHover);
    else
        captionColor = translate(props.foreColor);
    drawCaptionText(m_captionRect, captionColor, 0, 0);

    if (props.dropDownSymbol == 0)
        return;
    if (state == KvDown && styleIn(props.buttonStyle, {0, 1, 6, 7, 11, 12}))
        m_dropDownRect = m_dropDownRect.offset(1, 1);
    m_model->run.textColor = props.enabled ? translate(props.foreColor) : sysColor(GrayText, m_env->palette);
    drawDropDownSymbol(props.dropDownSymbol);
}

void KvButtonRenderer::placePicture(int pw, int ph)
{
    const KvButtonProperties& props = m_model->props;
    if (props.pictureNormal.isNull())
        return;
    const int W = m_width;
    const int H = m_height;
    const bool dropDown = hasDropDownPart();
    int left = 0;
    int top = 0;
    if (!trimSpaces(props.caption).isEmpty() && props.pictureAlign != 4) {
        switch (props.pictureAlign) {
        case 0:
            left = 3;
            top = (H - ph) / 2;
            break;
        case 1:
            left = m_captionRect.left - pw - 4;
            top = (H - ph) / 2;
            break;
        case 2:
        case 3:
            left = props.pictureAlign == 2 ? W - pw - 3 : m_captionRect.right + 4;
            top = (H - ph) / 2;
            if (dropDown)
                left -= 16;
            left = std::max(left, m_captionRect.right + 2);
            break;
        case 5:
            left = (W - pw) / 2;
            top = 4;
            break;
        case 6:
            left = (W - pw) / 2;
            top = m_captionRect.top - ph - 2;
            break;
        case 7:
            left = (W - pw) / 2;
            top = H - ph - 4;
            break;
        case 8:
            left = (W - pw) / 2;
            top = m_captionRect.bottom + 2;
            break;
        default:
            break;
        }
        if (props.pictureAlign >= 5 && props.pictureAlign <= 8 && dropDown)
            left -= 8;
    } else {
        left = (W - pw) / 2;
        top = (H - ph) / 2;
        if (dropDown)
            left -= 8;
    }
    m_pictureRect = {left, top, left + pw, top + ph};
}

void KvButtonRenderer::drawPicture(const GdiRect& at, ColorRef fillColor)
{
    const KvButtonProperties& props = m_model->props;
    const KvPicture& picture = currentPicture();
    if (picture.isNull())
        return;
    const ColorRef mask =
        picture.type() == KvPicture::Icon ? KvPicturePainter::kIconMask : translate(props.maskColor);
    const KvPictureBlend blend =
        KvPicturePainter::blendFor(props, m_model->run.buttonState, picture.isAlphaBitmap());
    m_pictures.paint(*m_image, at.left, at.top, picture.width(), picture.height(), picture, mask,
                     props.useMaskColor, fillColor, blend);
}

void KvButtonRenderer::drawShadowedPicture()
{
    const ColorRef shadowBase = averageColors(translate(0x808080), base());
    drawPicture(m_pictureRect.offset(2, 2), shiftColor(shadowBase, 0.05f));
    drawPicture(m_pictureRect.offset(1, 1), shiftColor(shadowBase, -0.1f));
    drawPicture(m_pictureRect, kNoColor);
}

void KvButtonRenderer::drawCaption()
{
    const KvButtonProperties& props = m_model->props;
    const ColorRef b = base();
    static constexpr int kDiagonals[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    switch (props.captionEffects) {
    case 1:
        drawCaptionText(m_captionRect, shiftColor(b, 0.14f), -1, -1);
        break;
    case 2:
        drawCaptionText(m_captionRect, shiftColor(b, 0.14f), 1, 1);
        break;
    case 3:
        drawCaptionText(m_captionRect, translate(0xC0C0C0), 1, 1);
        break;
    case 4:
    case 5:
        for (const auto& d : kDiagonals)
            drawCaptionText(m_captionRect, shiftColor(b, props.captionEffects == 4 ? 0.1f : -0.1f), d[0],
                            d[1]);
        break;
    default:
        break;
    }
    drawCaptionText(m_captionRect,
                    props.enabled ? translate(props.foreColor) : sysColor(GrayText, m_env->palette), 0, 0);
}

void KvButtonRenderer::drawCaptionText(const GdiRect& rect, ColorRef color, int dx, int dy)
{
    const KvButtonProperties& props = m_model->props;
    m_captionText.draw(*m_painter, rect.offset(dx, dy), m_drawnCaption,
                       TextCenter | TextWordBreak | (props.rightToLeft ? TextRtlReading : 0), props.font,
                       color);
}

void KvButtonRenderer::drawDropDownSymbol(int symbolCode)
{
    // The symbol is the first character of the code written in decimal, drawn from the top-left
    // of the drop-down rectangle in a 14-pixel symbol cell.
    const QChar symbol = QString::number(symbolCode).at(0);
    const ColorRef color = m_model->run.textColor;
    const int cx = m_dropDownRect.left + 7;
    const int cy = m_dropDownRect.top + 7;
    switch (symbol.unicode()) {
    case '0': // minimise: a bar at the foot of the cell
        m_painter->fillRect({cx - 4, cy + 3, cx + 3, cy + 5}, color);
        break;
    case '1': // maximise: a box with a heavy top
        m_painter->frameRect({cx - 5, cy - 5, cx + 5, cy + 4}, color);
        m_painter->fillRect({cx - 5, cy - 4, cx + 5, cy - 3}, color);
        break;
    case '2': // restore: two overlapping boxes
        m_painter->frameRect({cx - 3, cy - 5, cx + 5, cy + 1}, color);
        m_painter->fillRect({cx - 5, cy - 2, cx + 3, cy + 4}, translate(m_model->run.surfaceBackColor));
        m_painter->frameRect({cx - 5, cy - 2, cx + 3, cy + 4}, color);
        break;
    case '3': // arrow left
        for (int i = 0; i < 4; ++i)
            m_painter->fillRect({cx - 2 + i, cy - i, cx - 1 + i, cy + i + 1}, color);
        break;
    case '4': // arrow right
        for (int i = 0; i < 4; ++i)
            m_painter->fillRect({cx + 1 - i, cy - i, cx + 2 - i, cy + i + 1}, color);
        break;
    case '5': // arrow up
        for (int i = 0; i < 4; ++i)
            m_painter->fillRect({cx - i, cy - 2 + i, cx + i + 1, cy - 1 + i}, color);
        break;
    case '6': // arrow down
        for (int i = 0; i < 4; ++i)
            m_painter->fillRect({cx - 3 + i, cy - 2 + i, cx + 4 - i, cy - 1 + i}, color);
        break;
    default: {
        GdiRect at = m_dropDownRect;
        m_painter->drawText(at, QString(symbol), TextWordBreak | TextNoPrefix, m_model->props.font, color);
        break;
    }
    }
}

} // namespace velmo
