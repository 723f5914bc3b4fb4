#pragma once

// The values of a scroll gadget: its kind, arrow layout, look flags and the two value axes, with
// the acceptance rules that every property assignment and every load applies.

#include <QtGlobal>

namespace velmo::gadget {

// PropGadgetType is a class (value & kClassMask) plus axis bits.
inline constexpr int kClassMask = 112;
inline constexpr int kIndicatorClass = 16;
inline constexpr int kSliderClass = 32;
inline constexpr int kScrollBarClass = 64;
inline constexpr int kVerticalAxis = 1;
inline constexpr int kHorizontalAxis = 2;

// The seven meaningful kinds.
enum GadgetType : int
{
    VerticalIndicator = 17,
    HorizontalIndicator = 18,
    VerticalSlider = 33,
    HorizontalSlider = 34,
    VerticalScrollBar = 65,
    HorizontalScrollBar = 66,
    TwoAxisScrollBar = 67
};

// Arrow-button layouts (ScrollingArrows).
enum ArrowLayout : int
{
    NoArrows = 0,
    VerticalAtBothEnds = 1,
    VerticalAtTop = 2,
    VerticalAtBottom = 3,
    HorizontalAtBothEnds = 4,
    HorizontalAtLeft = 5,
    HorizontalAtRight = 6,
    FourSides = 7
};

// The largest value a range end may take.
inline constexpr int kLargestValue = 32767;

bool isKnownType(int type);
constexpr int classOf(int type)
{
    return type & kClassMask;
}

// Shift states as the step rules read them: 1 Shift, 2 Ctrl, 4 Alt.
inline constexpr int kShiftKey = 1;
inline constexpr int kCtrlKey = 2;
inline constexpr int kAltKey = 4;

// One axis: page and line steps, range, value, and the value last reported to the host.
class GadgetAxis
{
public:
    int largeChange() const { return m_largeChange; }
    int smallChange() const { return m_smallChange; }
    int max() const { return m_max; }
    int min() const { return m_min; }
    int value() const { return m_value; }
    int reported() const { return m_reported; }
    // Always positive: every way in keeps min < max.
    int range() const { return m_max - m_min; }

    // Each setter stores the value and returns true only when the value passes its check;
    // otherwise nothing changes.
    bool setLargeChange(int v);
    bool setSmallChange(int v);
    bool setMax(int v);
    bool setMin(int v);
    // A value the host assigns is one the host already knows, so it counts as reported.
    bool setValue(int v);

    // Takes stored values, replacing each one its property would refuse (see GadgetModel::load).
    void load(int largeChange, int smallChange, int max, int min, int value);

    // The value moved by delta, held within min..max.
    void add(qint64 delta);
    // The step for a shift state: Shift or Alt a page, Ctrl alone the whole range (which lands on
    // an end once clamped), otherwise a line.
    int stepFor(int shift) const;

    // Set by user input; the range check of setValue does not apply, the caller keeps it in range.
    void setValueFromInput(int v) { m_value = v; }
    void markReported() { m_reported = m_value; }
    bool changedSinceReport() const { return m_value != m_reported; }

private:
    int m_largeChange = 10;
    int m_smallChange = 1;
    int m_max = 100;
    int m_min = 0;
    int m_value = 50;
    int m_reported = 50;
};

// Everything a scroll gadget stores apart from its colours, font and enabled state.
class GadgetModel
{
public:
    int type() const { return m_type; }
    int scrollingArrows() const { return m_scrollingArrows; }
    bool borderless() const { return m_borderless; }
    bool showValue() const { return m_showValue; }
    int scaleSteps() const { return m_scaleSteps; }

    void setType(int type);
    void setScrollingArrows(int layout);
    void setBorderless(bool on) { m_borderless = on; }
    void setShowValue(bool on) { m_showValue = on; }
    bool setScaleSteps(int steps);

    GadgetAxis& vertical() { return m_vertical; }
    const GadgetAxis& vertical() const { return m_vertical; }
    GadgetAxis& horizontal() { return m_horizontal; }
    const GadgetAxis& horizontal() const { return m_horizontal; }

    // Values as a store hands them over, unchecked.
    struct Stored
    {
        int type = VerticalScrollBar;
        int scrollingArrows = VerticalAtBothEnds;
        bool borderless = false;
        bool showValue = false;
        int scaleSteps = 0;
        int vLargeChange = 10, vSmallChange = 1, vMax = 100, vMin = 0, vValue = 50;
        int hLargeChange = 10, hSmallChange = 1, hMax = 100, hMin = 0, hValue = 50;
    };
    // Loads stored values with the same rules the setters apply, so a damaged store can never
    // produce an empty range, a value outside it or an arrow layout the type does not have.
    void load(const Stored& stored);
    Stored stored() const;

    // Both axes' values count as known to the host.
    void markReported();
    bool changedSinceReport() const;

private:
    void fitArrowsToType();

    int m_type = VerticalScrollBar;
    int m_scrollingArrows = VerticalAtBothEnds;
    bool m_borderless = false;
    bool m_showValue = false;
    int m_scaleSteps = 0;
    GadgetAxis m_vertical;
    GadgetAxis m_horizontal;
};

} // namespace velmo::gadget
