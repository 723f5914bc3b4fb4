#pragma once

// Colour arithmetic shared by the control renderers: rounding, channel shifts and averages.
//
// Usage:
//   ColorRef frame = shiftColor(base, -0.34f);     // every channel - 86.7, rounded, clamped
//   ColorRef mid = averageColors(c1, c2);          // per-channel mean, a half to the even side
//   int px = roundHalfEven(39 / 2.7);              // 14
//
// Amounts are single-precision numbers as the renderers store them; the arithmetic itself runs
// in double, so 0.3f, a shade above 0.3, moves a channel by a shade more than 76.5.

#include "controls/gdi/SystemColors.h"

namespace velmo::gdi {

// Nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
int roundHalfEven(double value);

// Each channel moved by amount * 255 and rounded; capped at 255 when amount > 0, else at 0.
ColorRef shiftColor(ColorRef color, float amount);

// Per-channel mean of two colours, each rounded with a half to the even neighbour.
ColorRef averageColors(ColorRef color1, ColorRef color2);

} // namespace velmo::gdi
