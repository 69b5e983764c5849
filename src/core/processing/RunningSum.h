#pragma once
// A sliding-window sum in double with compensation: each value entering or leaving the window
// is added with an error-free two-sum, the rounding errors gathered in a second double. The
// pair holds the window's sum far closer than one rounding of a double, so after thousands of
// updates it still agrees with the sum added afresh (in double, in order) to well within one
// ulp of a float. Non-finite values are not summed this way: callers re-add the window then.
#include <cmath>

namespace vistrel {

class RunningSum {
public:
    // Starts from a sum computed afresh (its compensation is zero).
    void Reset(double sum) {
        m_sum = sum;
        m_error = 0.0;
    }
    void Add(double x) {
        // Knuth's two-sum: t + e equals m_sum + x exactly.
        const double t = m_sum + x;
        const double z = t - m_sum;
        m_error += (m_sum - (t - z)) + (x - z);
        m_sum = t;
    }
    // The window moves by one: `in` enters, `out` leaves.
    void Replace(double in, double out) {
        Add(in);
        Add(-out);
    }
    double Value() const { return m_sum + m_error; }

private:
    double m_sum = 0.0;
    double m_error = 0.0;
};

} // namespace vistrel
