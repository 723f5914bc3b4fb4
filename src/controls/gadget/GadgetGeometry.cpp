#include "controls/gadget/GadgetGeometry.h"

#include <algorithm>

namespace velmo::gadget {

namespace {

// The value as drawn: one left outside a narrowed range is shown at the nearer end.
qint64 shownOffset(const GadgetAxis& axis)
{
    return qint64(std::clamp(axis.value(), axis.min(), axis.max())) - axis.min();
}

void layOutArrows(GadgetLayout& g, int layout, int type, const GdiRect& r)
{
    const int l = r.left;
    const int t = r.top;
    const int rt = r.right;
    const int b = r.bottom;
    auto vertical = [&](int upTop, int downTop, int downBottom, int trackTop, int trackBottom) {
        g.arrows[UpArrow] = GdiRect{l, upTop, rt, upTop + kArrowDepth};
        g.arrows[DownArrow] = GdiRect{l, downTop, rt, downBottom};
        g.track = {l, trackTop, rt, trackBottom};
    };
    auto horizontal = [&](int leftLeft, int rightLeft, int rightRight, int trackLeft, int trackRight) {
        g.arrows[LeftArrow] = GdiRect{leftLeft, t, leftLeft + kArrowDepth, b};
        g.arrows[RightArrow] = GdiRect{rightLeft, t, rightRight, b};
        g.track = {trackLeft, t, trackRight, b};
    };
    g.track = r;
    if (type == VerticalScrollBar) {
        if (layout == VerticalAtBothEnds)
            vertical(t, b - kArrowDepth, b, t + 13, b - 13);
        else if (layout == VerticalAtTop)
            vertical(t, t + 12, t + 24, t + 25, b);
        else if (layout == VerticalAtBottom)
            vertical(b - 25, b - 12, b, t, b - 26);
    } else if (type == HorizontalScrollBar) {
        if (layout == HorizontalAtBothEnds)
            horizontal(l, rt - kArrowDepth, rt, l + 13, rt - 13);
        else if (layout == HorizontalAtLeft)
            horizontal(l, l + 13, l + 24, l + 25, rt);
        else if (layout == HorizontalAtRight)
            horizontal(rt - 25, rt - 12, rt, l, rt - 26);
    } else if (type == TwoAxisScrollBar && layout == FourSides) {
        g.arrows[UpArrow] = GdiRect{l + 12, t, rt - 12, t + 12};
        g.arrows[DownArrow] = GdiRect{l + 12, b - 12, rt - 12, b};
        g.arrows[LeftArrow] = GdiRect{l, t + 12, l + 12, b - 12};
        g.arrows[RightArrow] = GdiRect{rt - 12, t + 12, rt, b - 12};
        g.track = {l + 13, t + 13, rt - 13, b - 13};
    }
}

} // namespace

KnobPlacement placeKnob(const GadgetAxis& axis, int trackLength)
{
    KnobPlacement k;
    k.length = std::max(2 * (trackLength / axis.range()) + 1, kMinKnobLength);
    k.length = std::min(k.length, std::max(trackLength, 0));
    const qint64 travel = std::max(trackLength - k.length, 0);
    k.offset = int(shownOffset(axis) * travel / axis.range());
    return k;
}

int levelOffset(const GadgetAxis& axis, int trackLength)
{
    return int(shownOffset(axis) * (trackLength - 2) / axis.range());
}

int positionToValue(const GadgetAxis& axis, int pos, int trackStart, int trackLength, int knobLength)
{
    const int travel = trackLength - knobLength;
    if (travel <= 0)
        return axis.value();
    pos = std::clamp(pos, trackStart, trackStart + travel);
    const qint64 product = qint64(pos - trackStart) * axis.range();
    return roundHalfEven(double(product) / double(travel) + axis.min());
}

GadgetLayout layOut(const GadgetModel& model, int width, int height)
{
    GadgetLayout g;
    const int type = model.type();
    GdiRect r{0, 0, width, height};
    if (model.scaleSteps() != 0) {
        if (type & kVerticalAxis)
            r.right -= kScaleRoom;
        if (type & kHorizontalAxis)
            r.bottom -= kScaleRoom;
    }
    if (!model.borderless())
        r = r.inflated(-2, -2);
    g.inner = r;
    layOutArrows(g, model.scrollingArrows(), type, r);

    const GdiRect& t = g.track;
    const GadgetAxis& v = model.vertical();
    const GadgetAxis& h = model.horizontal();
    switch (type) {
    case VerticalSlider: {
        const KnobPlacement k = placeKnob(v, t.height());
        g.vKnobLength = k.length;
        g.knob = GdiRect{t.left, t.bottom - (k.length + k.offset), t.right, t.bottom - k.offset};
        break;
    }
    case HorizontalSlider:
    case HorizontalScrollBar: {
        const KnobPlacement k = placeKnob(h, t.width());
        g.hKnobLength = k.length;
        g.knob = GdiRect{t.left + k.offset, t.top, t.left + k.offset + k.length, t.bottom};
        break;
    }
    case VerticalScrollBar: {
        const KnobPlacement k = placeKnob(v, t.height());
        g.vKnobLength = k.length;
        g.knob = GdiRect{t.left, t.top + k.offset, t.right, t.top + k.offset + k.length};
        break;
    }
    case TwoAxisScrollBar: {
        const KnobPlacement kh = placeKnob(h, t.width());
        const KnobPlacement kv = placeKnob(v, t.height());
        g.hKnobLength = kh.length;
        g.vKnobLength = kv.length;
        g.knob = GdiRect{t.left + kh.offset, t.top + kv.offset, t.left + kh.offset + kh.length,
                         t.top + kv.offset + kv.length};
        break;
    }
    case VerticalIndicator:
        g.levelOffset = levelOffset(v, t.height());
        g.knob = GdiRect{t.left, t.bottom - (g.levelOffset + 2), t.right, t.bottom};
        break;
    case HorizontalIndicator:
        g.levelOffset = levelOffset(h, t.width());
        g.knob = GdiRect{t.left, t.top, t.left + g.levelOffset + 2, t.bottom};
        break;
    default:
        break;
    }
    return g;
}

bool hitTest(const GdiRect& rect, double x, double y)
{
    return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

int scaleTickPosition(int trackStart, int trackLength, int knobLength, int step, int steps)
{
    return trackStart + int(qint64(trackLength - knobLength) * step / steps);
}

} // namespace velmo::gadget
