#include "controls/gadget/GadgetModel.h"

#include <algorithm>

namespace velmo::gadget {

bool isKnownType(int type)
{
    switch (type) {
    case VerticalIndicator:
    case HorizontalIndicator:
    case VerticalSlider:
    case HorizontalSlider:
    case VerticalScrollBar:
    case HorizontalScrollBar:
    case TwoAxisScrollBar:
        return true;
    default:
        return false;
    }
}

bool GadgetAxis::setLargeChange(int v)
{
    if (v <= 0 || v >= range() || v <= m_smallChange)
        return false;
    m_largeChange = v;
    return true;
}

bool GadgetAxis::setSmallChange(int v)
{
    if (v <= 0 || v >= m_largeChange)
        return false;
    m_smallChange = v;
    return true;
}

bool GadgetAxis::setMax(int v)
{
    if (v <= m_min || v > kLargestValue)
        return false;
    m_max = v;
    return true;
}

bool GadgetAxis::setMin(int v)
{
    if (v < 0 || v >= m_max)
        return false;
    m_min = v;
    return true;
}

bool GadgetAxis::setValue(int v)
{
    if (v < m_min || v > m_max)
        return false;
    m_value = v;
    m_reported = v;
    return true;
}

void GadgetAxis::load(int largeChange, int smallChange, int max, int min, int value)
{
    *this = GadgetAxis();
    // The range first, since every other check depends on it; the maximum before the minimum,
    // because the default minimum (0) admits any sound maximum.
    setMax(max);
    setMin(min);
    setLargeChange(largeChange);
    setSmallChange(smallChange);
    if (!setValue(value))
        setValue(std::clamp(GadgetAxis().value(), m_min, m_max));
}

void GadgetAxis::add(qint64 delta)
{
    const qint64 moved = std::clamp<qint64>(qint64(m_value) + delta, m_min, m_max);
    m_value = int(moved);
}

int GadgetAxis::stepFor(int shift) const
{
    if (shift & (kShiftKey | kAltKey))
        return m_largeChange;
    if (shift & kCtrlKey)
        return m_max;
    return m_smallChange;
}

void GadgetModel::setType(int type)
{
    m_type = type;
    fitArrowsToType();
}

void GadgetModel::setScrollingArrows(int layout)
{
    m_scrollingArrows = layout;
    fitArrowsToType();
}

bool GadgetModel::setScaleSteps(int steps)
{
    if (steps < 0 || steps > kLargestValue)
        return false;
    m_scaleSteps = steps;
    return true;
}

void GadgetModel::fitArrowsToType()
{
    int& a = m_scrollingArrows;
    switch (m_type) {
    case VerticalIndicator:
    case HorizontalIndicator:
    case VerticalSlider:
    case HorizontalSlider:
        a = NoArrows;
        break;
    case VerticalScrollBar:
        if (a >= HorizontalAtBothEnds && a <= FourSides)
            a = VerticalAtBothEnds;
        break;
    case HorizontalScrollBar:
        if ((a >= VerticalAtBothEnds && a <= VerticalAtBottom) || a == FourSides)
            a = HorizontalAtBothEnds;
        break;
    case TwoAxisScrollBar:
        if (a != NoArrows && a != FourSides)
            a = FourSides;
        break;
    default:
        break;
    }
}

void GadgetModel::load(const Stored& s)
{
    m_type = s.type;
    m_scrollingArrows = s.scrollingArrows;
    fitArrowsToType();
    m_borderless = s.borderless;
    m_showValue = s.showValue;
    m_scaleSteps = 0;
    setScaleSteps(s.scaleSteps);
    m_vertical.load(s.vLargeChange, s.vSmallChange, s.vMax, s.vMin, s.vValue);
    m_horizontal.load(s.hLargeChange, s.hSmallChange, s.hMax, s.hMin, s.hValue);
}

GadgetModel::Stored GadgetModel::stored() const
{
    Stored s;
    s.type = m_type;
    s.scrollingArrows = m_scrollingArrows;
    s.borderless = m_borderless;
    s.showValue = m_showValue;
    s.scaleSteps = m_scaleSteps;
    s.vLargeChange = m_vertical.largeChange();
    s.vSmallChange = m_vertical.smallChange();
    s.vMax = m_vertical.max();
    s.vMin = m_vertical.min();
    s.vValue = m_vertical.value();
    s.hLargeChange = m_horizontal.largeChange();
    s.hSmallChange = m_horizontal.smallChange();
    s.hMax = m_horizontal.max();
    s.hMin = m_horizontal.min();
    s.hValue = m_horizontal.value();
    return s;
}

void GadgetModel::markReported()
{
    m_vertical.markReported();
    m_horizontal.markReported();
}

bool GadgetModel::changedSinceReport() const
{
    return m_vertical.changedSinceReport() || m_horizontal.changedSinceReport();
}

} // namespace velmo::gadget
