#pragma once

namespace velmo {

// Turns wheel deltas into whole notches (120 each). Touchpads report a notch in several small
// deltas; the remainder is kept until it makes up a notch, and dropped when the direction turns.
class WheelSteps
{
public:
    static constexpr int DeltaPerNotch = 120;

    // Adds one delta (positive away from the user) and returns the whole notches it completes.
    int add(int delta);
    void reset() { m_remainder = 0; }
    int remainder() const { return m_remainder; }

private:
    int m_remainder = 0;
};

} // namespace velmo
