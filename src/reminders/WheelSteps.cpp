#include "WheelSteps.h"

namespace velmo {

int WheelSteps::add(int delta)
{
    if ((delta > 0 && m_remainder < 0) || (delta < 0 && m_remainder > 0))
        m_remainder = 0;
    m_remainder += delta;
    const int notches = m_remainder / DeltaPerNotch;
    m_remainder -= notches * DeltaPerNotch;
    return notches;
}

} // namespace velmo
