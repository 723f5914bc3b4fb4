#include "controls/gdi/ColorMath.h"

#include <algorithm>
#include <cmath>

namespace velmo::gdi {

int roundHalfEven(double value)
{
    // nearbyint follows the default rounding mode, which is to the nearest with ties to even.
    return int(std::nearbyint(value));
}

ColorRef shiftColor(ColorRef color, float amount)
{
    const double delta = double(amount) * 255.0;
    // A positive amount can only overflow 255 and a negative one only fall below 0, so one clamp
    // covers both caps.
    auto shift = [&](int channel) { return std::clamp(roundHalfEven(channel + delta), 0, 255); };
    return rgb(shift(redOf(color)), shift(greenOf(color)), shift(blueOf(color)));
}

ColorRef averageColors(ColorRef color1, ColorRef color2)
{
    return rgb(roundHalfEven((redOf(color1) + redOf(color2)) / 2.0),
               roundHalfEven((greenOf(color1) + greenOf(color2)) / 2.0),
               roundHalfEven((blueOf(color1) + blueOf(color2)) / 2.0));
}

} // namespace velmo::gdi
