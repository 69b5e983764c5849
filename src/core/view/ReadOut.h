#pragma once
// The one-line measurement read-out of a plot window's status bar.

#include <cstdint>
#include <string>

namespace vistrel {

// Unit words of time differences; the interface puts those of its language here.
struct TimeUnitWords {
    std::string micro = "мкс";
    std::string milli = "мс";
    std::string second = "с";
};

struct ReadOutInput {
    float Y1 = 0.0f, Y2 = 0.0f;   // values of time cursors 1 and 2
    uint64_t s1 = 0, s2 = 0;      // their samples
    float L1 = 0.0f, L2 = 0.0f;   // values of level cursors 1 and 2
    int64_t origin = 0;           // axis origin (100-ns units)
    float rate = 1.0f;            // samples per second
    uint64_t samples = 0;         // samples per channel
    int channels = 0;
    bool decibel = false;         // spectrum recording
    bool relative = false;        // times counted from sample 0
    double S0 = 0.0, S1 = 0.0;    // visible range (spectra: frequencies at the edges)
    // The first upward crossing of level 1 after time cursor 1, when one was found ("X1=").
    bool hasCrossing = false;
    uint64_t crossing = 0;
    TimeUnitWords units;
};

// The read-out as UTF-8 text.
std::string BuildReadOut(const ReadOutInput& in);

// Time difference text of P 100-ns units ("12.5 мкс", "3 мс", "1.25 с").
std::string TimeDifferenceText(double P, const TimeUnitWords& units = {});

// Decimals that show the frequencies of a spectrum of `rate` points per hertz to its step:
// the fewest that write the step exactly (0.25 Hz: 2), else enough for a tenth of it.
int FrequencyDecimals(float rate);

// Frequency of sample position s of a spectrum recording: its time of day in seconds.
double SpectrumFrequency(int64_t origin, double s, float rate);

} // namespace vistrel
