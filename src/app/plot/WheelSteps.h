#pragma once
// Turns wheel angle deltas into whole scroll steps. High-resolution wheels and touchpads send
// many small deltas; one step is taken per 120 units (one notch of a classic wheel).

namespace vistrel {

class WheelSteps {
public:
    static constexpr int kNotch = 120;

    // Adds a delta (positive away from the user) and returns the number of whole steps it
    // completes, signed like the delta. A turn in the other direction drops what was left over.
    int Add(int delta) {
        if (delta == 0) return 0;
        if ((delta > 0) != (m_rest > 0) && m_rest != 0) m_rest = 0;
        m_rest += delta;
        const int steps = m_rest / kNotch;
        m_rest -= steps * kNotch;
        return steps;
    }
    int Rest() const { return m_rest; }

private:
    int m_rest = 0;
};

} // namespace vistrel
