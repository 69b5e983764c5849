#pragma once
// Threshold search: the upward crossings of a level by one channel, the positions p where
// sample p >= level follows sample p - 1 < level (a NaN on either side is no crossing).
//
// With summaries the search skips a block of rows without reading it when the block's
// extremes and the sample before the block all lie on one side of the level: a crossing
// exactly at a block border is decided by that sample and is never missed. A search over a
// multi-gigabyte recording then reads only the blocks where the signal meets the level.

#include <cstdint>

#include "core/view/SampleSource.h"

namespace vistrel {

class CSummaries;

// The first upward crossing at a position in [from, to) (forward), or the last one in
// [from, to) (backward). summaries may be null (a plain scan) and must fit src otherwise.
// False when there is none.
bool FindUpwardCrossing(const ISampleSource& src, const CSummaries* summaries, int channel, double level,
                        uint64_t from, uint64_t to, bool forward, uint64_t& at);

// The last search and its answer. The read-outs ask for the crossing after the first cursor at
// every paint, with the same cursor, level and channel while the view scrolls or zooms, and a
// search without summaries reads up to a million samples: it is done again only when a
// question differs (the source, its length, the summaries, or an argument).
class CCrossingMemo {
public:
    bool Find(const ISampleSource& src, const CSummaries* summaries, int channel, double level, uint64_t from,
              uint64_t to, bool forward, uint64_t& at);
    void Forget() { m_valid = false; }

private:
    bool m_valid = false;
    const ISampleSource* m_src = nullptr;
    const CSummaries* m_summaries = nullptr;
    uint64_t m_samples = 0, m_from = 0, m_to = 0, m_at = 0;
    double m_level = 0.0;
    int m_channel = 0;
    bool m_forward = false, m_found = false;
};

} // namespace vistrel
