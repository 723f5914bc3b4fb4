#pragma once

// Integer drawing primitives on a QImage with the pixel rules of the classic Windows GDI.
//
// Usage:
//   QImage image(105, 39, QImage::Format_RGB32);
//   velmo::gdi::GdiPainter p(image);
//   p.fillRect({0, 0, 105, 39}, rgb(224, 236, 253));     // half-open: columns 0..104
//   p.line(0, 5, 10, 5, 0);                             // paints x 0..9, never the end point
//   p.frameRect(GdiRect::fromSize(0, 0, 105, 39), c);   // one-pixel outline inside the box
//   p.gradient(0, 0, 105, 14, c1, c2, GdiPainter::Vertical);
//   p.drawEdge({0, 0, 105, 39}, EdgeRaised, EdgeRect, palette);
//   p.drawFocusRect({2, 2, 103, 37});                    // inverts every other frame pixel
//
// Rules kept everywhere: rectangles are (left, top, right, bottom) with right and bottom one past
// the last pixel; a rectangle with right <= left or bottom <= top paints nothing; a line leaves
// out its end point, so a zero-length line paints nothing; everything outside the image is
// clipped. Colours are resolved ColorRefs (see SystemColors.h); nothing here looks at alpha.

#include "controls/gdi/SystemColors.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

namespace velmo::gdi {

// A rectangle as GDI keeps it: right and bottom are exclusive.
struct GdiRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr GdiRect fromSize(int x, int y, int width, int height)
    {
        return {x, y, x + width, y + height};
    }
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr GdiRect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // Grows (or, with negative amounts, shrinks) every side, as InflateRect does.
    constexpr GdiRect inflated(int dx, int dy) const
    {
        return {left - dx, top - dy, right + dx, bottom + dy};
    }
    QRect toQRect() const { return QRect(left, top, width(), height()); }
    friend constexpr bool operator==(const GdiRect&, const GdiRect&) = default;
};

// Border kinds of drawEdge(); combine one outer and one inner kind.
enum EdgeBorder : int
{
    RaisedOuter = 0x1,
    SunkenOuter = 0x2,
    RaisedInner = 0x4,
    SunkenInner = 0x8,
    EdgeRaised = RaisedOuter | RaisedInner,
    EdgeSunken = SunkenOuter | SunkenInner,
    EdgeEtched = SunkenOuter | RaisedInner,
    EdgeBump = RaisedOuter | SunkenInner
};

// Sides and options of drawEdge().
enum EdgeSides : int
{
    EdgeLeft = 0x1,
    EdgeTop = 0x2,
    EdgeRight = 0x4,
    EdgeBottom = 0x8,
    EdgeRect = 0xF,
    EdgeMiddle = 0x800 // also fill the inside with the button face colour
};

// Layout flags of drawText() / measureText().
enum TextFlags : int
{
    TextLeft = 0x0,
    TextTop = 0x0,
    TextCenter = 0x1,
    TextRight = 0x2,
    TextVCenter = 0x4,
    TextBottom = 0x8,
    TextWordBreak = 0x10,
    TextSingleLine = 0x20,
    TextNoClip = 0x100,
    TextCalcRect = 0x400,
    TextNoPrefix = 0x800,
    TextRtlReading = 0x20000
};

class GdiPainter
{
public:
    enum GradientDirection : int
    {
        Horizontal = 0,
        Vertical = 1,
        DiagonalDown = 2,
        DiagonalUp = 3
    };

    // The image must be Format_RGB32 or Format_ARGB32 (or null); pixels are written fully opaque.
    explicit GdiPainter(QImage& target);

    QImage& image() { return *m_image; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    // GetPixel / SetPixel; a pixel outside the image reads kNoColor and is not written.
    ColorRef pixel(int x, int y) const;
    void setPixel(int x, int y, ColorRef color);

    // The whole image in one colour (the control's clear).
    void clear(ColorRef color);
    void fillRect(const GdiRect& rect, ColorRef color);
    // A one-pixel outline on the outermost pixels of the rectangle.
    void frameRect(const GdiRect& rect, ColorRef color);
    // A one-pixel solid line from (x1, y1) towards (x2, y2), the end point left out.
    void line(int x1, int y1, int x2, int y2, ColorRef color);
    // The ellipse inscribed in the box (right and bottom exclusive): outline in the pen colour,
    // inside in the brush colour; kNoColor for either leaves it out.
    void ellipse(const GdiRect& box, ColorRef pen, ColorRef brush = kNoColor);
    // Fills with an 8 x 8 monochrome pattern fixed to the image origin: bit 7 of rows[y % 8] is
    // column 0; a 0 bit paints zeroColor, a 1 bit paints oneColor.
    void patternFill(const GdiRect& rect, const quint8 rows[8], ColorRef zeroColor, ColorRef oneColor);

    // Three-dimensional border in the system colours of the palette (button highlight, 3-D light,
    // button shadow, 3-D dark shadow); returns the rectangle left inside the border.
    GdiRect drawEdge(const GdiRect& rect, int edge, int sides, const QPalette& palette);
    // The dotted focus frame: inverts every other pixel of the rectangle's outline (a checkerboard
    // fixed to the image origin, so drawing it twice restores the image).
    void drawFocusRect(const GdiRect& rect);

    // Two-colour gradient over (x, y, width, height): one line of colours is computed
    // (channel = c1 + (c2 - c1) * i / n, truncated) and copied; direction 0 runs left to right,
    // 1 top to bottom, 2 top-left to bottom-right, 3 bottom-left to top-right, other values paint
    // black. Nothing is painted when width or height is below 1.
    void gradient(int x, int y, int width, int height, ColorRef color1, ColorRef color2, int direction);

    // Text in the given font. With TextCalcRect nothing is painted and rect receives the size the
    // text needs (left and top kept; wrapped to the rectangle's width with TextWordBreak). An "&"
    // underlines the next character and "&&" shows one ampersand, unless TextNoPrefix. Returns the
    // height of the text.
    int drawText(GdiRect& rect, const QString& text, int flags, const QFont& font, ColorRef color);
    // The Qt text flags that carry the layout flags above.
    static int qtTextFlags(int flags);

    // Paints colour through a coverage mask (Format_Alpha8) placed at (x, y); 0 leaves a pixel,
    // 255 paints it fully.
    void blendMask(const QImage& mask, int x, int y, ColorRef color);

private:
    // The pixels are taken once when the painter is made (the image is detached then); nothing
    // may share the image while the painter is in use, or writes would reach the copy too.
    QRgb* row(int y)
    {
        Q_ASSERT(m_image->constBits() == m_bits);
        return reinterpret_cast<QRgb*>(m_bits + y * m_stride);
    }
    void hspan(int x1, int x2, int y, QRgb px); // x1 <= x < x2, clipped

    QImage* m_image;
    int m_width;
    int m_height;
    uchar* m_bits;
    qsizetype m_stride;
};

} // namespace velmo::gdi
