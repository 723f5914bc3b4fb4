#pragma once

// Where every part of a scroll gadget lies for a given surface size, and the conversions between
// values and knob positions that drawing and dragging share. Pure arithmetic, no drawing.

#include "controls/gadget/GadgetModel.h"
#include "controls/gdi/ColorMath.h"
#include "controls/gdi/GdiPainter.h"

#include <array>
#include <optional>

namespace velmo::gadget {

using gdi::GdiRect;

// Depth of an arrow button along its axis, in pixels.
inline constexpr int kArrowDepth = 12;
// Smallest knob length, in pixels.
inline constexpr int kMinKnobLength = 13;
// Room kept for the scale ticks beside the track.
inline constexpr int kScaleRoom = 4;

enum Arrow : int
{
    UpArrow = 0,
    DownArrow = 1,
    LeftArrow = 2,
    RightArrow = 3
};

struct GadgetLayout
{
    GdiRect inner;
    // The arrow buttons that the layout has; the others are absent.
    std::array<std::optional<GdiRect>, 4> arrows;
    GdiRect track;
    // The knob, or the level bar of an indicator; absent for types that have neither.
    std::optional<GdiRect> knob;
    int vKnobLength = 0;
    int hKnobLength = 0;
    // The level bar's offset (indicator types): the bar is this plus 2 pixels long.
    int levelOffset = 0;

    bool hasArrow(Arrow a) const { return arrows[a].has_value(); }
};

// Knob length and offset along one axis of a track (scroll bar and slider classes). The knob
// never comes out longer than the track, so the offset never goes negative.
struct KnobPlacement
{
    int length = 0;
    int offset = 0;
};
KnobPlacement placeKnob(const GadgetAxis& axis, int trackLength);

// The level bar's offset of an indicator: ((value - min) * (len - 2)) / range.
int levelOffset(const GadgetAxis& axis, int trackLength);

// The value whose knob has its leading edge at pos (an absolute coordinate along the axis, with
// the track starting at trackStart). Positions outside the knob's travel give the range's ends;
// a knob that fills its track cannot move, so the value stays as it is.
int positionToValue(const GadgetAxis& axis, int pos, int trackStart, int trackLength, int knobLength);

// Lays out the whole gadget on a surface of width x height pixels.
GadgetLayout layOut(const GadgetModel& model, int width, int height);

// Inclusive hit test: every edge of the rectangle counts as inside.
bool hitTest(const GdiRect& rect, double x, double y);

// Positions of the scale ticks along one axis: steps + 1 of them, from the track's start to the
// knob's farthest leading-edge position.
int scaleTickPosition(int trackStart, int trackLength, int knobLength, int step, int steps);

// Whole pixels and values from fractions: nearest, a half to the even neighbour.
using gdi::roundHalfEven;

} // namespace velmo::gadget
