#pragma once
// Markers of a recording: points and spans in time with a short text, kept beside the recording
// in the sidecar "NAME.kvf.labels". Each line is "start<TAB>end<TAB>text", the times in seconds
// from the recording's first sample with 9 decimals (a point has start = end), UTF-8, LF line
// ends: the label format of audio editors, so the file opens there too. Lines that are not
// markers are kept where they stand when the file is rewritten.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel::markers {

struct Marker {
    double start = 0.0; // seconds from the first sample, >= 0
    double end = 0.0;   // >= start; equal for a point
    std::string text;   // one line: no tab, CR or LF

    bool IsSpan() const { return end > start; }
    bool operator==(const Marker&) const = default;
};

// The text with every tab, CR and LF replaced by a space, so it stays one field of one line.
std::string CleanText(std::string_view text);

// Seconds with 9 decimals and a decimal point whatever the locale ("1.500000000").
std::string FormatSeconds(double seconds);
// A number of seconds as FormatSeconds writes it (blanks around it allowed; a decimal point
// only, whatever the locale). False for anything else, a negative or a non-finite value.
bool ParseSeconds(std::string_view text, double& seconds);
// The value as it reads back from the sidecar (rounded to 9 decimals).
double RoundSeconds(double seconds);

// One marker line without its line end; false (marker untouched) for any other line.
bool ParseMarkerLine(std::string_view line, Marker& marker);
std::string FormatMarkerLine(const Marker& marker);

// The lines of a sidecar. Markers are listed sorted by start, then end (ties in file order);
// the other lines keep their places between them, and the markers fill the marker lines of the
// file in that order when it is written.
class MarkerList {
public:
    // Reads the bytes of a sidecar: LF, CR LF or a lone CR end a line; a UTF-8 byte order mark
    // at the start is dropped.
    static MarkerList Parse(std::string_view content);
    // The file's bytes: every line ended by LF; empty when there are no lines.
    std::string Format() const;

    const std::vector<Marker>& Markers() const { return m_markers; }
    size_t Size() const { return m_markers.size(); }
    // No markers and no other lines: nothing worth a file.
    bool Empty() const { return m_lines.empty(); }
    // Lines that are not markers, in file order.
    std::vector<std::string> KeptLines() const;

    // Adds a marker (times rounded as the file keeps them, text cleaned) after the markers that
    // sort before or equal to it; its index in Markers(), or none when the times are not
    // 0 <= start <= end, finite.
    std::optional<size_t> Add(Marker marker);
    // False when there is no such index.
    bool Remove(size_t index);
    // Sets the text (cleaned); false when there is no such index or the text is unchanged.
    bool Rename(size_t index, std::string_view text);

private:
    struct Line {
        bool marker = false;
        std::string raw; // a kept line's bytes
    };
    // Index in m_lines of the marker line that holds m_markers[index].
    size_t LineOf(size_t index) const;

    std::vector<Line> m_lines;
    std::vector<Marker> m_markers;
};

// The marker to jump to from sample position `from` of a recording sampled at `rate`: the first
// one whose start lies after `from` (forward) or the last one before it (backward), compared
// in sample positions (seconds * rate, rounded). None when there is none that way.
std::optional<size_t> StepMarker(const std::vector<Marker>& markers, std::int64_t from, double rate,
                                 bool forward);
// The sample position of a time in seconds (rounded to the nearest sample).
std::int64_t SecondsToSample(double seconds, double rate);

} // namespace vistrel::markers
