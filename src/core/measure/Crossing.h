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

} // namespace vistrel
