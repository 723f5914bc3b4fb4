#include "controls/gdi/GdiPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QVarLengthArray>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace velmo::gdi {

GdiPainter::GdiPainter(QImage& target)
    : m_image(&target)
    , m_width(target.width())
    , m_height(target.height())
    , m_bits(target.bits())
    , m_stride(target.bytesPerLine())
{
    // An empty image (a control of no size) takes nothing, so every call clips to nothing.
    Q_ASSERT(target.isNull() || target.format() == QImage::Format_RGB32 ||
             target.format() == QImage::Format_ARGB32);
}

ColorRef GdiPainter::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return kNoColor;
    return fromQRgb(reinterpret_cast<const QRgb*>(m_bits + y * m_stride)[x]);
}

void GdiPainter::setPixel(int x, int y, ColorRef color)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    row(y)[x] = toQRgb(color);
}

void GdiPainter::hspan(int x1, int x2, int y, QRgb px)
{
    if (y < 0 || y >= m_height)
        return;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, m_width);
    if (x1 >= x2)
        return;
    std::fill(row(y) + x1, row(y) + x2, px);
}

void GdiPainter::clear(ColorRef color)
{
    fillRect({0, 0, m_width, m_height}, color);
}

void GdiPainter::fillRect(const GdiRect& rect, ColorRef color)
{
    if (rect.isEmpty())
        return;
    const QRgb px = toQRgb(color);
    const int top = std::max(rect.top, 0);
    const int bottom = std::min(rect.bottom, m_height);
    for (int y = top; y < bottom; ++y)
        hspan(rect.left, rect.right, y, px);
}

void GdiPainter::frameRect(const GdiRect& rect, ColorRef color)
{
    if (rect.isEmpty())
        return;
    fillRect({rect.left, rect.top, rect.right, rect.top + 1}, color);
    fillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
    fillRect({rect.left, rect.top, rect.left + 1, rect.bottom}, color);
    fillRect({rect.right - 1, rect.top, rect.right, rect.bottom}, color);
}

void GdiPainter::line(int x1, int y1, int x2, int y2, ColorRef color)
{
    const QRgb px = toQRgb(color);
    if (y1 == y2) {
        if (x1 < x2)
            hspan(x1, x2, y1, px);
        else if (x1 > x2)
            hspan(x2 + 1, x1 + 1, y1, px);
        return;
    }
    if (x1 == x2) {
        const int from = y1 < y2 ? y1 : y2 + 1;
        const int to = y1 < y2 ? y2 : y1 + 1;
        if (x1 < 0 || x1 >= m_width)
            return;
        for (int y = std::max(from, 0); y < std::min(to, m_height); ++y)
            row(y)[x1] = px;
        return;
    }
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        setPixel(x, y, color);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void GdiPainter::ellipse(const GdiRect& box, ColorRef pen, ColorRef brush)
{
    if (box.isEmpty())
        return;
    const double cx = (box.left + box.right) / 2.0;
    const double cy = (box.top + box.bottom) / 2.0;
    const double rx = box.width() / 2.0;
    const double ry = box.height() / 2.0;
    // Per row of the box, the columns whose pixel centres lie inside the ellipse.
    const int rows = box.height();
    QVarLengthArray<int, 64> first(rows);
    QVarLengthArray<int, 64> last(rows);
    for (int i = 0; i < rows; ++i) {
        const double v = (box.top + i + 0.5 - cy) / ry;
        first[i] = 0;
        last[i] = -1;
        if (v * v > 1.0)
            continue;
        const double half = rx * std::sqrt(1.0 - v * v);
        first[i] = int(std::ceil(cx - half - 0.5));
        last[i] = int(std::floor(cx + half - 0.5));
    }
    auto inside = [&](int x, int i) { return i >= 0 && i < rows && x >= first[i] && x <= last[i]; };
    for (int i = 0; i < rows; ++i) {
        const int y = box.top + i;
        for (int x = first[i]; x <= last[i]; ++x) {
            const bool edge =
                !inside(x - 1, i) || !inside(x + 1, i) || !inside(x, i - 1) || !inside(x, i + 1);
            if (edge && pen != kNoColor)
                setPixel(x, y, pen);
            else if (!edge && brush != kNoColor)
                setPixel(x, y, brush);
        }
    }
}

void GdiPainter::patternFill(const GdiRect& rect, const quint8 rows[8], ColorRef zeroColor, ColorRef oneColor)
{
    if (rect.isEmpty())
        return;
    const QRgb zero = toQRgb(zeroColor);
    const QRgb one = toQRgb(oneColor);
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, m_height); ++y) {
        QRgb* line = row(y);
        const quint8 bits = rows[y & 7];
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, m_width); ++x)
            line[x] = (bits & (0x80 >> (x & 7))) ? one : zero;
    }
}

GdiRect GdiPainter::drawEdge(const GdiRect& rect, int edge, int sides, const QPalette& palette)
{
    GdiRect r = rect;
    // Top-left and bottom-right colours of one border ring.
    auto ring = [&](int topLeftIndex, int bottomRightIndex) {
        const ColorRef topLeft = sysColor(topLeftIndex, palette);
        const ColorRef bottomRight = sysColor(bottomRightIndex, palette);
        if (r.isEmpty())
            return;
        // The bottom and right lines run the full length and so own the two far corners.
        if (sides & EdgeTop)
            fillRect({r.left, r.top, r.right, r.top + 1}, topLeft);
        if (sides & EdgeLeft)
            fillRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
        if (sides & EdgeBottom)
            fillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        if (sides & EdgeRight)
            fillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        r = {r.left + ((sides & EdgeLeft) ? 1 : 0), r.top + ((sides & EdgeTop) ? 1 : 0),
             r.right - ((sides & EdgeRight) ? 1 : 0), r.bottom - ((sides & EdgeBottom) ? 1 : 0)};
    };
    const int outer = edge & (RaisedOuter | SunkenOuter);
    const int inner = edge & (RaisedInner | SunkenInner);
    if (outer == RaisedOuter)
        ring(Light3D, DarkShadow3D);
    else if (outer == SunkenOuter)
        ring(ButtonShadow, ButtonHighlight);
    if (inner == RaisedInner)
        ring(ButtonHighlight, ButtonShadow);
    else if (inner == SunkenInner)
        ring(DarkShadow3D, Light3D);
    if (sides & EdgeMiddle)
        fillRect(r, sysColor(ButtonFace, palette));
    return r;
}

void GdiPainter::drawFocusRect(const GdiRect& rect)
{
    if (rect.isEmpty())
        return;
    auto invert = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || ((x + y) & 1))
            return;
        row(y)[x] ^= 0x00FFFFFFu;
    };
    for (int x = rect.left; x < rect.right; ++x) {
        invert(x, rect.top);
        if (rect.bottom - 1 != rect.top)
            invert(x, rect.bottom - 1);
    }
    for (int y = rect.top + 1; y < rect.bottom - 1; ++y) {
        invert(rect.left, y);
        if (rect.right - 1 != rect.left)
            invert(rect.right - 1, y);
    }
}

void GdiPainter::gradient(int x, int y, int width, int height, ColorRef color1, ColorRef color2,
                          int direction)
{
    if (width < 1 || height < 1)
        return;
    const int r1 = redOf(color1);
    const int g1 = greenOf(color1);
    const int b1 = blueOf(color1);
    const int dr = redOf(color2) - r1;
    const int dg = greenOf(color2) - g1;
    const int db = blueOf(color2) - b1;
    const int n = direction == Horizontal ? width - 1
                  : direction == Vertical ? height - 1
                                          : width + height - 2;
    QVarLengthArray<QRgb, 512> colors(n + 1);
    if (n > 0) {
        for (int i = 0; i <= n; ++i)
            colors[i] = qRgb(r1 + dr * i / n, g1 + dg * i / n, b1 + db * i / n);
    } else {
        colors[0] =
            qRgb(r1 / 2 + redOf(color2) / 2, g1 / 2 + greenOf(color2) / 2, b1 / 2 + blueOf(color2) / 2);
    }
    const int left = std::max(x, 0);
    const int right = std::min(x + width, m_width);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + height, m_height);
    for (int py = top; py < bottom; ++py) {
        QRgb* line = row(py);
        const int j = py - y;
        switch (direction) {
        case Horizontal:
            for (int px = left; px < right; ++px)
                line[px] = colors[px - x];
            break;
        case Vertical:
            if (left < right)
                std::fill(line + left, line + right, colors[j]);
            break;
        case DiagonalDown:
            for (int px = left; px < right; ++px)
                line[px] = colors[px - x + j];
            break;
        case DiagonalUp:
            for (int px = left; px < right; ++px)
                line[px] = colors[px - x + (height - 1 - j)];
            break;
        default:
            for (int px = left; px < right; ++px)
                line[px] = qRgb(0, 0, 0);
            break;
        }
    }
}

int GdiPainter::qtTextFlags(int flags)
{
    int qtFlags = 0;
    if (flags & TextCenter)
        qtFlags |= Qt::AlignHCenter;
    else if (flags & TextRight)
        qtFlags |= Qt::AlignRight;
    else
        qtFlags |= Qt::AlignLeft;
    if (flags & TextSingleLine) {
        qtFlags |= Qt::TextSingleLine;
        if (flags & TextVCenter)
            qtFlags |= Qt::AlignVCenter;
        else if (flags & TextBottom)
            qtFlags |= Qt::AlignBottom;
        else
            qtFlags |= Qt::AlignTop;
    } else {
        qtFlags |= Qt::AlignTop;
        if (flags & TextWordBreak)
            qtFlags |= Qt::TextWordWrap;
    }
    if (!(flags & TextNoPrefix))
        qtFlags |= Qt::TextShowMnemonic;
    return qtFlags;
}

void GdiPainter::blendMask(const QImage& mask, int x, int y, ColorRef color)
{
    if (mask.format() != QImage::Format_Alpha8)
        return;
    const int r = redOf(color);
    const int g = greenOf(color);
    const int b = blueOf(color);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + mask.height(), m_height);
    const int left = std::max(x, 0);
    const int right = std::min(x + mask.width(), m_width);
    for (int py = top; py < bottom; ++py) {
        const uchar* coverage = mask.constScanLine(py - y);
        QRgb* line = row(py);
        for (int px = left; px < right; ++px) {
            const int c = coverage[px - x];
            if (c == 0)
                continue;
            const QRgb d = line[px];
            const int n = 255 - c;
            // v / 255 rounded, without a division: exact for every v up to 255 * 255.
            auto div255 = [](int v) { return (v + 128 + ((v + 128) >> 8)) >> 8; };
            line[px] = qRgb(div255(r * c + qRed(d) * n), div255(g * c + qGreen(d) * n),
                            div255(b * c + qBlue(d) * n));
        }
    }
}

int GdiPainter::drawText(GdiRect& rect, const QString& text, int flags, const QFont& font, ColorRef color)
{
    const int qtFlags = qtTextFlags(flags);
    if (flags & TextCalcRect) {
        const QFontMetrics metrics(font, m_image);
        const int width =
            (flags & TextWordBreak) && !(flags & TextSingleLine) ? std::max(rect.width(), 1) : INT_MAX / 4;
        const QRect need = metrics.boundingRect(QRect(0, 0, width, INT_MAX / 4), qtFlags, text);
        const int lineHeight = metrics.height();
        rect.right = rect.left + (text.isEmpty() ? 0 : need.width());
        rect.bottom = rect.top + std::max(need.height(), lineHeight);
        return rect.height();
    }
    if (text.isEmpty() || rect.isEmpty())
        return 0;
    QPainter painter(m_image);
    painter.setFont(font);
    painter.setPen(toQColor(color));
    painter.setLayoutDirection((flags & TextRtlReading) ? Qt::RightToLeft : Qt::LeftToRight);
    if (!(flags & TextNoClip))
        painter.setClipRect(rect.toQRect());
    QRect drawn;
    painter.drawText(rect.toQRect(), qtFlags, text, &drawn);
    return drawn.height();
}

} // namespace velmo::gdi
