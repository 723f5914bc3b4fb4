#pragma once

// Colour values as the controls store them, and the system colour table read from a QPalette.
//
// Usage:
//   using namespace velmo::gdi;
//   ColorRef c = rgb(224, 236, 253);                   // 0x00BBGGRR, red in the low byte
//   ColorRef face = translateColor(systemColor(ButtonFace), widget->palette());
//   if (face == kNoColor) ...                          // an invalid system colour index
//   QRgb px = toQRgb(face);                            // for writing into a QImage
//
// A stored property colour is either a plain colour (0x00BBGGRR) or a reference to a system
// colour (0x80000000 + index). translateColor() resolves both; every drawing routine works on
// the resolved value only. The mapping from index to palette role lives in SystemColors.cpp and
// nowhere else.

#include <QColor>
#include <QPalette>
#include <QRgb>
#include <QtGlobal>

namespace velmo::gdi {

// A resolved colour: red in bits 0-7, green 8-15, blue 16-23.
using ColorRef = quint32;
// A colour as stored in a property: a ColorRef, or kSystemColorFlag + index.
using OleColor = quint32;

// "No colour": the result of a failed translation; no pixel ever compares equal to it.
inline constexpr ColorRef kNoColor = 0xFFFFFFFFu;
inline constexpr OleColor kSystemColorFlag = 0x80000000u;

enum SystemColorIndex : int
{
    ScrollBar = 0,
    Desktop = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    ButtonFace = 15,
    ButtonShadow = 16,
    GrayText = 17,
    ButtonText = 18,
    InactiveCaptionText = 19,
    ButtonHighlight = 20,
    DarkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBackground = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
    LastSystemColor = 30
};

constexpr ColorRef rgb(int red, int green, int blue)
{
    return ColorRef(red & 0xFF) | (ColorRef(green & 0xFF) << 8) | (ColorRef(blue & 0xFF) << 16);
}

// Channels are taken as the stored arithmetic does it: the value as a signed 32-bit number,
// divided with truncation. For every real colour this is the plain byte; kNoColor decodes as
// (255, 0, 0), the same as the value -1 always has.
constexpr int redOf(ColorRef c)
{
    return int(c & 0xFF);
}
constexpr int greenOf(ColorRef c)
{
    return (qint32(c) / 256) & 0xFF;
}
constexpr int blueOf(ColorRef c)
{
    return (qint32(c) / 65536) & 0xFF;
}

constexpr OleColor systemColor(int index)
{
    return kSystemColorFlag + OleColor(index);
}
constexpr bool isSystemColor(OleColor c)
{
    return (c & 0xFF000000u) == kSystemColorFlag;
}

constexpr QRgb toQRgb(ColorRef c)
{
    return 0xFF000000u | (QRgb(redOf(c)) << 16) | (QRgb(greenOf(c)) << 8) | QRgb(blueOf(c));
}
constexpr ColorRef fromQRgb(QRgb px)
{
    return rgb(int((px >> 16) & 0xFF), int((px >> 8) & 0xFF), int(px & 0xFF));
}
QColor toQColor(ColorRef c);
ColorRef fromQColor(const QColor& c);

// The system colour of an index (0..30), taken from the palette; 0 (black) for an unknown index.
ColorRef sysColor(int index, const QPalette& palette);

// Resolves a stored colour: a plain colour is returned as it is (a palette-relative colour,
// 0x02BBGGRR, loses its flag byte); a system colour reference gives that system colour; any
// other value, or a reference to an unknown index, gives kNoColor.
ColorRef translateColor(OleColor color, const QPalette& palette);

} // namespace velmo::gdi
