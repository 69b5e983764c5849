#include "core/view/CursorMath.h"

#include <algorithm>
#include <cmath>

#include "core/view/TraceDecimation.h"

namespace vistrel {

namespace {
int ToColumn(double x) {
    if (!(x == x)) return 0;
    return static_cast<int>(std::clamp(x, -1.0e9, 1.0e9));
}
} // namespace

uint64_t CursorGeometry::SampleAt(int x) const {
    const int W = Width();
    if (W == 0) return S0 > 0.0 ? static_cast<uint64_t>(S0) : 0;
    const double s = S0 + (S1 - S0) * (x - left) / W;
    return s > 0.0 ? static_cast<uint64_t>(s) : 0;
}

int CursorGeometry::ColumnOf(uint64_t s) const {
    if (S1 == S0) return left;
    return ToColumn((static_cast<double>(s) - S0) * Width() / (S1 - S0) + left);
}

int CursorGeometry::RowOf(double v) const {
    // A level cursor keeps its value as a float; read back, the value of row y may fall a
    // hair short of y, and the cursor would creep by a pixel on the next paint. Values within
    // a twentieth of a pixel of a row therefore keep that row.
    if (T == B || !(v == v)) return ValueRow(v, bottom, Height(), T, B);
    const double d = (v - B) * Height() / (T - B);
    const double r = std::round(d);
    if (std::fabs(d - r) < 0.05 && std::fabs(r) < 1.0e7) return bottom - static_cast<int>(r);
    return ValueRow(v, bottom, Height(), T, B);
}

double CursorGeometry::ValueAt(int y) const {
    const int Hp = Height();
    if (Hp == 0) return B;
    return B + static_cast<double>(bottom - y) / Hp * (T - B);
}

uint64_t CursorGeometry::LimitSample(uint64_t s) const {
    const uint64_t lo = S0 > 0.0 ? static_cast<uint64_t>(S0) : 0;
    const uint64_t hi = S1 > 0.0 ? static_cast<uint64_t>(S1) : 0;
    if (s > hi) s = hi;
    if (s < lo) s = lo;
    if (s > lastSample) s = lastSample;
    return s;
}

void CursorGeometry::ClampPoint(int& x, int& y) const {
    x = std::max(left, std::min(x, right - 1));
    y = std::max(top + 1, std::min(y, bottom - 1));
}

void CursorGeometry::SnapDrop(int x, int& outX, uint64_t& outSample) const {
    const uint64_t s0 = SampleAt(x);
    while (x < right && SampleAt(x) == s0) ++x;
    outX = x;
    outSample = LimitSample(s0 + 1);
}

} // namespace vistrel
