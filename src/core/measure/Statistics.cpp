#include "core/measure/Statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/processing/ProcessJob.h"

namespace vistrel {

namespace {

constexpr size_t kRun = 65536;

// First positions of the finite extremes of channel c over [a, b): the slow path for a
// fragment whose extreme search met an infinity or found no number.
void FiniteExtremes(const ISampleSource& src, int c, uint64_t a, uint64_t b, ChannelStatistics& s) {
    std::vector<double> buf(static_cast<size_t>(std::min<uint64_t>(kRun, b - a)));
    double mn = std::numeric_limits<double>::infinity(), mx = -mn;
    uint64_t mnAt = a, mxAt = a;
    for (uint64_t k = a; k < b; k += kRun) {
        const size_t rows = static_cast<size_t>(std::min<uint64_t>(kRun, b - k));
        src.ReadValues(k, rows, c, buf.data());
        for (size_t i = 0; i < rows; ++i) {
            const double v = buf[i];
            if (!std::isfinite(v)) continue;
            if (v < mn) { mn = v; mnAt = k + i; }
            if (v > mx) { mx = v; mxAt = k + i; }
        }
    }
    s.min = mn, s.max = mx, s.minAt = mnAt, s.maxAt = mxAt;
}

} // namespace

std::vector<ChannelStatistics> QuickStatistics(const ISampleSource& src, const std::vector<int>& channels,
                                               uint64_t a, uint64_t b) {
    std::vector<ChannelStatistics> out;
    b = std::min(b, src.Samples());
    if (a >= b) return out;
    for (const int c : channels)
        if (c >= 0 && c < src.Channels()) out.push_back(ChannelStatistics{c});
    // The extreme search and the moments take at most 256 channels at once.
    for (size_t from = 0; from < out.size(); from += 256) {
        const int count = static_cast<int>(std::min<size_t>(256, out.size() - from));
        int list[256];
        uint64_t minPos[256], maxPos[256];
        Moments moments[256];
        for (int i = 0; i < count; ++i) list[i] = out[from + i].channel;
        src.FindMoments(list, count, a, b, moments);
        src.FindExtremes(list, count, a, b, minPos, maxPos);
        for (int i = 0; i < count; ++i) {
            ChannelStatistics& s = out[from + i];
            const Moments& m = moments[i];
            s.count = static_cast<uint64_t>(m.count);
            s.nonFinite = (b - a) - s.count;
            if (s.count == 0) continue;
            s.minAt = minPos[i], s.maxAt = maxPos[i];
            s.min = static_cast<double>(src.Value(s.minAt, s.channel));
            s.max = static_cast<double>(src.Value(s.maxAt, s.channel));
            // An SD image's search compares counts: a falling calibration turns the smallest
            // count into the largest value (the tables are one-to-one, so the first position
            // of one is the first position of the other).
            if (src.IsRawImage() && s.min > s.max) {
                std::swap(s.min, s.max);
                std::swap(s.minAt, s.maxAt);
            }
            // Infinities win the float search; the statistics skip them.
            if (!std::isfinite(s.min) || !std::isfinite(s.max)) FiniteExtremes(src, s.channel, a, b, s);
            s.mean = m.mean;
            const double variance = m.m2 / m.count;
            s.std = std::sqrt(variance);
            s.rms = std::sqrt(m.mean * m.mean + variance);
            s.p2p = s.max - s.min;
            s.meanAbs = m.sumAbs / m.count;
        }
    }
    return out;
}

bool CrossingFrequency(const CrossingCount& c, double rate, double& hz) {
    if (c.count < 2 || c.last <= c.first) return false;
    hz = static_cast<double>(c.count - 1) * rate / static_cast<double>(c.last - c.first);
    return true;
}

bool AddCrossingFrequency(const ISampleSource& src, uint64_t a, uint64_t b, double rate,
                          std::vector<ChannelStatistics>& stats, IProcessObserver* observer) {
    b = std::min(b, src.Samples());
    if (a >= b) return true;
    std::vector<double> buf(static_cast<size_t>(std::min<uint64_t>(kRun, b - a)));
    const double total = static_cast<double>(b - a) * static_cast<double>(std::max<size_t>(stats.size(), 1));
    double done = 0;
    int lastPercent = -1;
    for (ChannelStatistics& s : stats) {
        CrossingCount cc;
        if (s.count > 0) {
            const double mean = s.mean;
            int state = -1;   // -1: no finite sample yet, 0: last one below the mean, 1: at or above
            for (uint64_t k = a; k < b; k += kRun) {
                if (observer && observer->StopRequested()) return false;
                const size_t rows = static_cast<size_t>(std::min<uint64_t>(kRun, b - k));
                src.ReadValues(k, rows, s.channel, buf.data());
                for (size_t i = 0; i < rows; ++i) {
                    const double v = buf[i];
                    if (!std::isfinite(v)) continue;
                    const int now = v >= mean ? 1 : 0;
                    if (now == 1 && state == 0) {
                        const uint64_t p = k + i;
                        if (cc.count == 0) cc.first = p;
                        cc.last = p;
                        ++cc.count;
                    }
                    state = now;
                }
                done += static_cast<double>(rows);
                const int percent = static_cast<int>(99.0 * done / total);
                if (observer && percent != lastPercent) observer->Progress(lastPercent = percent);
            }
        } else {
            done += static_cast<double>(b - a);
        }
        s.crossings = cc.count;
        s.hasFrequency = CrossingFrequency(cc, rate, s.frequency);
        s.frequencyDone = true;
    }
    if (observer) observer->Progress(100);
    return true;
}

} // namespace vistrel
