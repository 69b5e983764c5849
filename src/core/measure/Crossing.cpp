#include "core/measure/Crossing.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/view/Summaries.h"

namespace vistrel {

namespace {

// Scans positions [from, to) (from >= 1 or the first position has no predecessor) for
// crossings; the first or the last one.
bool ScanRange(const ISampleSource& src, int c, double level, uint64_t from, uint64_t to, bool forward,
               uint64_t& at) {
    if (from >= to) return false;
    const uint64_t start = from > 0 ? from - 1 : 0;   // the sample before the first position
    std::vector<double> v(static_cast<size_t>(to - start));
    src.ReadValues(start, v.size(), c, v.data());
    bool found = false;
    for (uint64_t p = std::max<uint64_t>(from, 1); p < to; ++p) {
        const double prev = v[static_cast<size_t>(p - 1 - start)], now = v[static_cast<size_t>(p - start)];
        if (prev < level && now >= level) {
            at = p;
            found = true;
            if (forward) return true;
        }
    }
    return found;
}

// Whether positions [a, b) may hold a crossing: false only when the extremes of samples
// [a, b) and sample a - 1 all lie on one side of the level (every one >= level, or every
// one < level; NaN samples form no crossing and are left out of the extremes).
bool MayCross(const ISampleSource& src, const CSummaries& s, int c, double level, uint64_t a, uint64_t b) {
    uint64_t mnAt = a, mxAt = a;
    s.FindExtremes(src, &c, 1, a, b, &mnAt, &mxAt);
    double lo = static_cast<double>(src.Value(mnAt, c)), hi = static_cast<double>(src.Value(mxAt, c));
    if (lo > hi) std::swap(lo, hi);   // an SD image's falling calibration
    if (a > 0) {
        const double before = static_cast<double>(src.Value(a - 1, c));
        if (before == before) {
            lo = std::min(lo, before);
            hi = std::max(hi, before);
        }
    }
    // An extreme that is NaN means the block holds no number: nothing crosses there (the
    // sample before it is checked by the block before).
    if (!(lo == lo) || !(hi == hi)) return false;
    return lo < level && hi >= level;
}

} // namespace

bool FindUpwardCrossing(const ISampleSource& src, const CSummaries* summaries, int channel, double level,
                        uint64_t from, uint64_t to, bool forward, uint64_t& at) {
    to = std::min(to, src.Samples());
    if (channel < 0 || channel >= src.Channels() || from >= to) return false;
    if (!summaries || !summaries->Fits(src)) return ScanRange(src, channel, level, from, to, forward, at);
    // Blocks of 65 536 rows, then of 256 rows inside a block that may cross, then the samples.
    const uint64_t sizes[2] = {kSummaryCoarseRows, kSummaryFineRows};
    struct Frame {
        uint64_t a, b;
        int level;
    };
    std::vector<Frame> stack{{from, to, 0}};
    while (!stack.empty()) {
        const Frame f = stack.back();
        stack.pop_back();
        if (f.level == 2 || f.b - f.a <= kSummaryFineRows) {
            if (ScanRange(src, channel, level, f.a, f.b, forward, at)) return true;
            continue;
        }
        const uint64_t size = sizes[f.level];
        // The pieces of [a, b) cut at multiples of size, pushed so that the next one in the
        // search's direction is on top.
        std::vector<Frame> pieces;
        for (uint64_t p = f.a; p < f.b;) {
            const uint64_t end = std::min(f.b, (p / size + 1) * size);
            pieces.push_back({p, end, f.level + 1});
            p = end;
        }
        if (forward) std::reverse(pieces.begin(), pieces.end());
        for (const Frame& p : pieces)
            if (MayCross(src, *summaries, channel, level, p.a, p.b)) stack.push_back(p);
    }
    return false;
}

bool CCrossingMemo::Find(const ISampleSource& src, const CSummaries* summaries, int channel, double level,
                         uint64_t from, uint64_t to, bool forward, uint64_t& at) {
    // The level is compared by its bits: a NaN level asks the same question again.
    const bool same = m_valid && m_src == &src && m_summaries == summaries && m_samples == src.Samples() &&
                      m_channel == channel && std::memcmp(&m_level, &level, sizeof level) == 0 && m_from == from &&
                      m_to == to && m_forward == forward;
    if (!same) {
        m_found = FindUpwardCrossing(src, summaries, channel, level, from, to, forward, m_at);
        m_valid = true;
        m_src = &src;
        m_summaries = summaries;
        m_samples = src.Samples();
        m_channel = channel;
        m_level = level;
        m_from = from;
        m_to = to;
        m_forward = forward;
    }
    if (m_found) at = m_at;
    return m_found;
}

} // namespace vistrel
