#pragma once
// Positions in a recording written by a user: a sample position ("125000"), seconds from the
// start ("12.5s"), or a local clock time ("2026-12-08T08:16:47.25", the fraction optional).

#include <cstdint>
#include <string>
#include <string_view>

namespace vistrel {

struct PositionContext {
    double rate = 0;          // samples per second
    int64_t localStart = 0;   // local time of sample 0, 100 ns since 1601
    uint64_t samples = 0;     // samples per channel; positions 0 .. samples are valid
};

// The sample position `text` names (seconds and clock times rounded to the nearest sample).
// False, with the reason in `why`, for anything else, or a position outside the recording.
bool ParsePosition(std::string_view text, const PositionContext& context, uint64_t* sample, std::string* why);

// Two positions separated by a comma ("T1,T2").
bool ParsePositionPair(std::string_view text, const PositionContext& context, uint64_t* first, uint64_t* second,
                       std::string* why);

} // namespace vistrel
