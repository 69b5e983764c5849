#pragma once
// Turning samples into trace polylines: one value per pixel column (column pass), the
// min-max view in groups of three columns, the column cache that spares the recording from
// being read again while the view stays, and the polyline vertices with their smoothing.

#include <cmath>
#include <cstdint>
#include <memory>

#include "core/view/SampleSource.h"

namespace vistrel {

constexpr int kCacheColumns = 4096;
constexpr int kMaxChannels = 256;

// Linear congruential generator of the trace painter. Reseeded with 0 before every pass so
// that the same view always shows the same samples.
class CTraceRandom {
public:
    explicit CTraceRandom(uint32_t seed = 0) : m_state(seed) {}
    void Seed(uint32_t seed) { m_state = seed; }
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }
    // The generator of the calling thread.
    static CTraceRandom& ForThread();

private:
    uint32_t m_state;
};

// The part of a plot's state that the passes read.
struct TraceView {
    int x0 = 0, y1 = 0, x1 = 0, y2 = 0;  // plot rectangle, window pixels
    double F = 0.0, L = 0.0;             // visible start and end in samples
    const int32_t* shown = nullptr;      // one flag per channel (256); null: all shown
    int channels = 0;                    // channels of the recording

    double Width() const { return static_cast<double>(x1 - x0); }
    double Span() const { return L - F; }
};

// Columns a cache of `columns` columns can hold for a plot whose right edge is x1 (absolute
// window x).
inline int CacheRightLimit(int x1, int columns = kCacheColumns) {
    if (x1 > 0x0FFFFFFF || x1 < 0) return 0;
    return x1 < columns ? x1 : columns;
}

// First sample of column c.
inline double ColumnSample(const TraceView& v, int c) {
    return std::trunc(v.F + static_cast<double>(c - v.x0) * v.Span() * (1.0 / v.Width()));
}

// One value per window column and channel. It holds kCacheColumns columns until it is sized
// to a wider plot (Resize, done when the window is resized: never while painting).
struct CColumnCache {
    int32_t* flags = nullptr;                 // [Columns()]
    float (*values)[kMaxChannels] = nullptr;  // [Columns()][kMaxChannels]
    double viewW = -1.0, viewF = -1.0, viewL = -1.0;  // view of the last computation
    int rightLimit = 0;                               // columns below it may hold values
    bool minMax = false;                              // the values are min-max groups
    int groupStart = 0;                               // first column of the first group
    uint8_t held[kMaxChannels];                       // channels the last computation read
    // The samples just outside the view on either side (column pass only): their values and
    // their columns, which lie left of viewX0 and at or right of viewX1. The trace is drawn
    // towards them up to the plot's edge.
    int viewX0 = 0, viewX1 = 0;
    bool hasBefore = false, hasAfter = false;
    double beforeX = 0.0, afterX = 0.0;
    float before[kMaxChannels];
    float after[kMaxChannels];

    explicit CColumnCache(int columns = kCacheColumns) { Resize(columns); }
    CColumnCache(const CColumnCache&) = delete;
    CColumnCache& operator=(const CColumnCache&) = delete;
    int Columns() const { return m_columns; }
    // Makes room for `columns` columns (at least one) and forgets the cached view.
    void Resize(int columns);
    void ClearFlags();
    void Invalidate();  // forget the cached view (next paint recomputes)
    bool Holds(double W, double F, double L) const { return W == viewW && F == viewF && L == viewL; }
    // Whether every channel shown in v was read by the last computation (a channel shown
    // since then has no values yet).
    bool HoldsChannels(const TraceView& v) const;
    void SetHeld(const int* channels, int count);
    void SetView(const TraceView& v) { viewW = v.Width(); viewF = v.F; viewL = v.L; }

private:
    int m_columns = 0;
    std::unique_ptr<int32_t[]> m_flags;
    std::unique_ptr<float[][kMaxChannels]> m_values;
};

// Fills `out` with the indices of the shown channels; returns their number.
int ShownChannels(const TraceView& v, int channels, int* out);

// One value per column: a reproducible random sample of the column's samples when zoomed
// out, the first column of each sample when zoomed in (the first column of the view always
// gets one). Stops at the end of the data. Also reads the samples just outside the view.
void ColumnPass(CColumnCache& cache, const TraceView& v, const ISampleSource& src);

// Min-max view, computed in slices so that the window stays responsive: every group of
// three columns gets a random sample, the minimum and the maximum of its samples.
class CMinMaxPass {
public:
    // Starts a pass for view v; clears the cache's flags and marks the view as cached.
    void Begin(CColumnCache& cache, const TraceView& v, const ISampleSource& src);
    // Computes up to maxGroups groups; true once the pass is complete.
    bool Step(CColumnCache& cache, const ISampleSource& src, int maxGroups);
    bool Active() const { return m_active; }
    bool IsFor(const TraceView& v) const {
        return m_active && m_W == v.Width() && m_F == v.F && m_L == v.L && m_x0 == v.x0;
    }
    void Cancel() { m_active = false; }
    // Runs a whole pass at once.
    static void Run(CColumnCache& cache, const TraceView& v, const ISampleSource& src);

private:
    TraceView m_view;
    double m_W = 0, m_F = 0, m_L = 0;
    int m_x0 = 0;
    int m_next = 0;          // first column of the next group
    uint64_t m_perColumn = 0;
    CTraceRandom m_random;
    int m_channels[kMaxChannels];
    int m_count = 0;
    bool m_active = false;
};

// Pixel row of value v on a scale whose top edge shows `top` and bottom edge `bottom`.
// Values far outside the scale are held at a finite distance from the plot.
inline int ValueRow(double v, int y2, int Hh, double top, double bottom) {
    double d = (v - bottom) * Hh / (top - bottom);
    if (!(d == d)) d = 0.0;  // NaN
    const double lim = 1.0e7;
    if (d > lim) d = lim;
    if (d < -lim) d = -lim;
    return y2 - static_cast<int>(d);
}

namespace detail {
// Row where the segment from (xa, ya) to (xb, yb) crosses column x.
inline int RowAtColumn(double xa, int ya, double xb, int yb, int x) {
    if (xb == xa) return ya;
    return static_cast<int>(ya + (static_cast<double>(yb) - ya) * (x - xa) / (xb - xa));
}
} // namespace detail

// Vertices of channel `ch` from the flagged columns x0 .. cache.rightLimit - 1. Unless
// `smooth` is false (spectra), each column vertex k - 1 with k >= 4 and k % 3 == 1 is moved to
// the midpoint of its neighbours. Where the column pass found samples outside the view, the
// trace goes on towards them and ends at the plot's edge (x0 and x1). Returns the number of
// vertices (at most cache.Columns() + 2).
template <class P>
int BuildPolyline(const CColumnCache& cache, int ch, int x0, int y2, int Hh, double top,
                  double bottom, bool smooth, P* out) {
    const int start = x0 < 0 ? 0 : x0;
    const int right = cache.rightLimit < cache.Columns() ? cache.rightLimit : cache.Columns();
    int first = start;
    while (first < right && !cache.flags[first]) ++first;
    const bool after = cache.hasAfter && cache.rightLimit == cache.viewX1;
    const bool before = cache.hasBefore && cache.viewX0 >= start;
    int n = 0;
    if (first >= right) {
        // No sample inside the view: the segment between the two outside it crosses the plot.
        if (!before || !after) return 0;
        const int yb = ValueRow(cache.before[ch], y2, Hh, top, bottom);
        const int ya = ValueRow(cache.after[ch], y2, Hh, top, bottom);
        out[n++] = P(cache.viewX0, detail::RowAtColumn(cache.beforeX, yb, cache.afterX, ya, cache.viewX0));
        out[n++] = P(cache.viewX1, detail::RowAtColumn(cache.beforeX, yb, cache.afterX, ya, cache.viewX1));
        return n;
    }
    if (before && first > cache.viewX0) {
        const int yi = ValueRow(cache.values[first][ch], y2, Hh, top, bottom);
        const int yd = ValueRow(cache.before[ch], y2, Hh, top, bottom);
        out[n++] = P(cache.viewX0, detail::RowAtColumn(first, yi, cache.beforeX, yd, cache.viewX0));
    }
    int k = 0;                        // column vertices so far
    int yLast = 0, yPrev = 0, xLast = 0;  // rows of column vertices k - 1 and k - 2, column of k - 1
    for (int c = first; c < right; ++c) {
        if (!cache.flags[c]) continue;
        const int y = ValueRow(cache.values[c][ch], y2, Hh, top, bottom);
        if (smooth && k >= 4 && k % 3 == 1) {
            yLast = (yPrev + y) / 2;
            out[n - 1] = P(xLast, yLast);
        }
        out[n++] = P(c, y);
        yPrev = yLast;
        yLast = y;
        xLast = c;
        ++k;
    }
    if (after && cache.afterX > xLast) {
        const int yd = ValueRow(cache.after[ch], y2, Hh, top, bottom);
        const int edge = cache.viewX1;
        out[n++] = P(edge, cache.afterX <= edge ? yd : detail::RowAtColumn(xLast, yLast, cache.afterX, yd, edge));
    }
    return n;
}

// One vertical bar of the min-max envelope: columns x .. x + width - 1, rows yTop .. yBottom.
// A link bar joins a group to the previous one where their extents do not meet.
struct EnvelopeBar {
    int x = 0, width = 0, yTop = 0, yBottom = 0;
    bool link = false;
};

// Bars of channel `ch` from a cache filled by the min-max pass: each computed group's extent
// (the least and greatest of its values) over every column of the group, joined to the previous
// group. Returns the number of bars (at most MaxEnvelopeBars(cache.Columns())).
int BuildEnvelope(const CColumnCache& cache, int ch, int y2, int Hh, double top, double bottom,
                  EnvelopeBar* out);
constexpr int MaxEnvelopeBars(int columns) { return 2 * columns / 3 + 2; }
constexpr int kMaxEnvelopeBars = MaxEnvelopeBars(kCacheColumns);

} // namespace vistrel
