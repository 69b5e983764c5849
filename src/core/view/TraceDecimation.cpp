#include "core/view/TraceDecimation.h"

#include <algorithm>
#include <cstring>

namespace vistrel {

CTraceRandom& CTraceRandom::ForThread() {
    thread_local CTraceRandom generator;
    return generator;
}

void CColumnCache::Resize(int columns) {
    columns = std::max(columns, 1);
    if (columns != m_columns || !m_flags) {
        m_flags = std::make_unique<int32_t[]>(static_cast<size_t>(columns));
        m_values = std::make_unique<float[][kMaxChannels]>(static_cast<size_t>(columns));
        m_columns = columns;
        flags = m_flags.get();
        values = m_values.get();
    }
    Invalidate();
}

void CColumnCache::ClearFlags() {
    std::memset(flags, 0, sizeof(int32_t) * static_cast<size_t>(m_columns));
    hasBefore = hasAfter = false;
}

void CColumnCache::Invalidate() {
    ClearFlags();
    std::memset(held, 0, sizeof held);
    viewW = viewF = viewL = -1.0;
    rightLimit = 0;
    minMax = false;
}

bool CColumnCache::HoldsChannels(const TraceView& v) const {
    const int n = std::min(v.channels, kMaxChannels);
    for (int j = 0; j < n; ++j)
        if ((!v.shown || v.shown[j]) && !held[j]) return false;
    return true;
}

void CColumnCache::SetHeld(const int* channels, int count) {
    std::memset(held, 0, sizeof held);
    for (int i = 0; i < count; ++i) held[channels[i]] = 1;
}

int ShownChannels(const TraceView& v, int channels, int* out) {
    const int n = std::min({v.channels, channels, kMaxChannels});
    int count = 0;
    for (int j = 0; j < n; ++j)
        if (!v.shown || v.shown[j]) out[count++] = j;
    return count;
}

namespace {

uint64_t SamplesPerColumn(const TraceView& v) {
    const double t = std::floor(v.Span() / v.Width());
    return t > 0.0 ? static_cast<uint64_t>(t) : 0;
}

uint64_t ToSample(double s) { return s > 0.0 ? static_cast<uint64_t>(s) : 0; }

} // namespace

void ColumnPass(CColumnCache& cache, const TraceView& v, const ISampleSource& src) {
    cache.ClearFlags();
    cache.SetView(v);
    cache.minMax = false;
    cache.viewX0 = v.x0;
    cache.viewX1 = v.x1;
    int right = CacheRightLimit(v.x1, cache.Columns());
    const double W = v.Width();
    if (W <= 0.0 || !(v.Span() > 0.0)) {
        cache.rightLimit = 0;
        return;
    }
    int channels[kMaxChannels];
    const int count = ShownChannels(v, src.Channels(), channels);
    cache.SetHeld(channels, count);
    const uint64_t N = src.Samples();
    const uint64_t t = SamplesPerColumn(v);
    const bool zoomedOut = W < v.Span();
    // Column of sample position s, as a fraction (zoomed in, a sample's own position).
    auto columnOf = [&](double s) { return v.x0 + (s - v.F) * W / v.Span(); };
    auto read = [&](uint64_t s, float* row) {
        for (int i = 0; i < count; ++i) row[channels[i]] = static_cast<float>(src.Value(s, channels[i]));
    };
    CTraceRandom& random = CTraceRandom::ForThread();
    random.Seed(0);
    const int start = std::max(v.x0, 0);
    bool havePrevious = false;
    uint64_t previous = 0;
    bool ended = false;
    for (int c = start; c < right; ++c) {
        uint64_t s = ToSample(ColumnSample(v, c));
        if (havePrevious && s == previous) continue;
        if (zoomedOut) {
            uint64_t r = static_cast<uint64_t>(random.Next());
            if (t > 32767) r *= t / 32767;
            s += r % t;
        }
        if (s >= N) {
            right = c;
            ended = true;
            break;
        }
        havePrevious = true;
        previous = s;
        if (!zoomedOut && c == v.x0 && columnOf(static_cast<double>(s)) < v.x0 - 0.5) {
            // The view starts between two samples: the first lies left of the plot, and the
            // trace runs from it to the next one, cut at the plot's left edge.
            cache.hasBefore = true;
            cache.beforeX = columnOf(static_cast<double>(s));
            read(s, cache.before);
            continue;
        }
        cache.flags[c] = 1;
        read(s, cache.values[c]);
    }
    cache.rightLimit = right;
    // The sample after the last one shown, where the plot reaches its right edge: the trace
    // runs towards it and is cut at the edge.
    if (!ended && right == v.x1 && havePrevious) {
        const uint64_t edge = ToSample(ColumnSample(v, v.x1));
        const uint64_t next = edge > previous ? edge : previous + 1;
        if (next < N && next > previous) {
            cache.hasAfter = true;
            cache.afterX = zoomedOut ? v.x1 : std::max(columnOf(static_cast<double>(next)), static_cast<double>(v.x1));
            read(next, cache.after);
        }
    }
}

void CMinMaxPass::Begin(CColumnCache& cache, const TraceView& v, const ISampleSource& src) {
    m_view = v;
    m_W = v.Width();
    m_F = v.F;
    m_L = v.L;
    m_x0 = v.x0;
    m_count = ShownChannels(v, src.Channels(), m_channels);
    cache.SetHeld(m_channels, m_count);
    cache.ClearFlags();
    cache.SetView(v);
    cache.rightLimit = m_W > 0.0 ? CacheRightLimit(v.x1, cache.Columns()) : 0;
    m_next = std::max(v.x0, 0);
    cache.minMax = true;
    cache.groupStart = m_next;
    m_perColumn = m_W > 0.0 ? SamplesPerColumn(v) : 0;
    m_random.Seed(0);
    m_active = true;
}

bool CMinMaxPass::Step(CColumnCache& cache, const ISampleSource& src, int maxGroups) {
    if (!m_active) return true;
    const uint64_t N = src.Samples();
    const uint64_t mod = m_perColumn % 32767;
    uint64_t minPos[kMaxChannels], maxPos[kMaxChannels];
    for (int done = 0; done < maxGroups && m_next < cache.rightLimit; ++done) {
        const int c = m_next;
        m_next += 3;
        const int right = cache.rightLimit;
        const uint64_t a = ToSample(ColumnSample(m_view, c));
        const uint64_t b = std::min(ToSample(ColumnSample(m_view, std::min(c + 3, right))), N);
        if (b == 0) continue;
        const uint64_t r = static_cast<uint64_t>(m_random.Next());
        const uint64_t p = a + (mod ? r % mod : 0);
        if (p >= N) {
            cache.rightLimit = c;
            break;
        }
        cache.flags[c] = 1;
        for (int i = 0; i < m_count; ++i)
            cache.values[c][m_channels[i]] = static_cast<float>(src.Value(p, m_channels[i]));
        if (a < b) {
            src.FindExtremes(m_channels, m_count, a, b, minPos, maxPos);
        } else {
            std::fill(minPos, minPos + m_count, a);
            std::fill(maxPos, maxPos + m_count, a);
        }
        if (c + 1 < right) {
            cache.flags[c + 1] = 1;
            for (int i = 0; i < m_count; ++i)
                cache.values[c + 1][m_channels[i]] = static_cast<float>(src.Value(minPos[i], m_channels[i]));
        }
        if (c + 2 < right) {
            cache.flags[c + 2] = 1;
            for (int i = 0; i < m_count; ++i)
                cache.values[c + 2][m_channels[i]] = static_cast<float>(src.Value(maxPos[i], m_channels[i]));
        }
    }
    if (m_next >= cache.rightLimit) m_active = false;
    return !m_active;
}

void CMinMaxPass::Run(CColumnCache& cache, const TraceView& v, const ISampleSource& src) {
    CMinMaxPass pass;
    pass.Begin(cache, v, src);
    while (!pass.Step(cache, src, 1 << 20)) {
    }
}

int BuildEnvelope(const CColumnCache& cache, int ch, int y2, int Hh, double top, double bottom,
                  EnvelopeBar* out) {
    if (!cache.minMax || ch < 0 || ch >= kMaxChannels) return 0;
    int n = 0;
    bool havePrev = false;
    EnvelopeBar prev;
    const int right = std::min(cache.rightLimit, cache.Columns());
    for (int c = std::max(cache.groupStart, 0); c < right; c += 3) {
        if (!cache.flags[c]) continue;   // not computed yet, or skipped
        float lo = cache.values[c][ch], hi = lo;
        for (int k = c + 1; k < c + 3 && k < right; ++k) {
            if (!cache.flags[k]) continue;
            lo = std::min(lo, cache.values[k][ch]);
            hi = std::max(hi, cache.values[k][ch]);
        }
        EnvelopeBar bar;
        bar.x = c;
        bar.width = std::min(3, right - c);
        bar.yTop = ValueRow(hi, y2, Hh, top, bottom);
        bar.yBottom = ValueRow(lo, y2, Hh, top, bottom);
        if (bar.yBottom < bar.yTop) std::swap(bar.yTop, bar.yBottom);   // a scale upside down
        if (havePrev && prev.x + prev.width == c) {
            EnvelopeBar link;
            link.x = c;
            link.width = 1;
            link.link = true;
            if (bar.yBottom < prev.yTop - 1) {          // wholly above the previous group
                link.yTop = bar.yBottom;
                link.yBottom = prev.yTop;
                out[n++] = link;
            } else if (bar.yTop > prev.yBottom + 1) {   // wholly below it
                link.yTop = prev.yBottom;
                link.yBottom = bar.yTop;
                out[n++] = link;
            }
        }
        out[n++] = bar;
        prev = bar;
        havePrev = true;
    }
    return n;
}

} // namespace vistrel
