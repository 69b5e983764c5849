#pragma once
// Statistics of a fragment (samples A .. B - 1) of every listed channel: count of finite
// samples, extremes with their first positions, mean, RMS, standard deviation (population),
// peak-to-peak, mean of absolute values, and the frequency of an alternating signal from its
// upward crossings of the mean. Non-finite samples are skipped and counted.
//
// Everything but the frequency comes from the source's extreme search and moments, which a
// summarized source answers from its blocks: O(blocks) at any size. The frequency needs every
// sample and is a separate pass that reports progress and can be stopped.

#include <cstdint>
#include <vector>

#include "core/view/SampleSource.h"

namespace vistrel {

class IProcessObserver;

struct ChannelStatistics {
    int channel = 0;            // 0-based
    uint64_t count = 0;         // finite samples
    uint64_t nonFinite = 0;     // NaN and infinities, skipped
    // The values below exist only when count > 0.
    double min = 0, max = 0;
    uint64_t minAt = 0, maxAt = 0;   // absolute sample positions, first occurrence
    double mean = 0, rms = 0, std = 0, p2p = 0, meanAbs = 0;
    // Set by AddCrossingFrequency: false when there are fewer than two upward crossings.
    bool frequencyDone = false;
    bool hasFrequency = false;
    double frequency = 0;       // hertz
    uint64_t crossings = 0;     // upward mean crossings found

    bool HasValues() const { return count > 0; }
};

// Everything but the frequency, for samples [a, b) (a < b <= src.Samples()) of the listed
// 0-based channels.
std::vector<ChannelStatistics> QuickStatistics(const ISampleSource& src, const std::vector<int>& channels,
                                               uint64_t a, uint64_t b);

// Upward mean crossings of one channel over [a, b): positions p where a finite sample >= mean
// follows a finite sample < mean (non-finite samples in between are passed over).
struct CrossingCount {
    uint64_t count = 0, first = 0, last = 0;
};

// Frequency = (k - 1) * rate / (p_k - p_1) from k crossings at p_1 < ... < p_k; false when k < 2.
bool CrossingFrequency(const CrossingCount& c, double rate, double& hz);

// Fills the frequency of every entry of stats (which QuickStatistics made for [a, b)) by one
// pass over the samples. Reports progress and polls for a stop through observer (may be
// null); returns false when stopped, leaving the entries not yet done unmarked.
bool AddCrossingFrequency(const ISampleSource& src, uint64_t a, uint64_t b, double rate,
                          std::vector<ChannelStatistics>& stats, IProcessObserver* observer = nullptr);

} // namespace vistrel
