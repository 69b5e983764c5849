#include "core/markers/MarkerList.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vistrel::markers {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool SortsBefore(const Marker& a, const Marker& b) {
    return a.start < b.start || (a.start == b.start && a.end < b.end);
}

bool ValidTimes(double start, double end) {
    return std::isfinite(start) && std::isfinite(end) && start >= 0.0 && end >= start;
}

} // namespace

std::string CleanText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

std::string FormatSeconds(double seconds) {
    if (seconds == 0.0)
        seconds = 0.0; // no "-0.000000000"
    char buf[64];
    // to_chars ignores the C and C++ locales: a decimal point always.
    const auto r = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 9);
    if (r.ec != std::errc())
        return "0.000000000";
    return std::string(buf, r.ptr);
}

bool ParseSeconds(std::string_view text, double& seconds) {
    text = TrimBlanks(text);
    if (text.empty() || text.front() == '+')
        return false;
    double v = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v) || v < 0.0)
        return false;
    seconds = v == 0.0 ? 0.0 : v;
    return true;
}

double RoundSeconds(double seconds) {
    double v = seconds;
    return ParseSeconds(FormatSeconds(seconds), v) ? v : seconds;
}

bool ParseMarkerLine(std::string_view line, Marker& marker) {
    const size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos)
        return false;
    const size_t tab2 = line.find('\t', tab1 + 1);
    const std::string_view endField =
        line.substr(tab1 + 1, tab2 == std::string_view::npos ? std::string_view::npos : tab2 - tab1 - 1);
    double start = 0.0, end = 0.0;
    if (!ParseSeconds(line.substr(0, tab1), start) || !ParseSeconds(endField, end) || !ValidTimes(start, end))
        return false;
    marker.start = start;
    marker.end = end;
    marker.text = tab2 == std::string_view::npos ? std::string() : CleanText(line.substr(tab2 + 1));
    return true;
}

std::string FormatMarkerLine(const Marker& marker) {
    return FormatSeconds(marker.start) + '\t' + FormatSeconds(marker.end) + '\t' + CleanText(marker.text);
}

MarkerList MarkerList::Parse(std::string_view content) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);
    MarkerList list;
    while (!content.empty()) {
        const size_t eol = content.find_first_of("\r\n");
        const std::string_view line = content.substr(0, eol);
        if (eol == std::string_view::npos)
            content = {};
        else
            content.remove_prefix(eol + (content[eol] == '\r' && eol + 1 < content.size() && content[eol + 1] == '\n' ? 2 : 1));
        Marker m;
        if (ParseMarkerLine(line, m)) {
            list.m_lines.push_back({true, {}});
            list.m_markers.push_back(std::move(m));
        } else {
            list.m_lines.push_back({false, std::string(line)});
        }
    }
    // The marker lines take the markers in sorted order; the other lines stay where they are.
    std::stable_sort(list.m_markers.begin(), list.m_markers.end(), SortsBefore);
    return list;
}

std::string MarkerList::Format() const {
    std::string out;
    size_t next = 0;
    for (const Line& line : m_lines) {
        out += line.marker ? FormatMarkerLine(m_markers[next++]) : line.raw;
        out += '\n';
    }
    return out;
}

std::vector<std::string> MarkerList::KeptLines() const {
    std::vector<std::string> kept;
    for (const Line& line : m_lines)
        if (!line.marker)
            kept.push_back(line.raw);
    return kept;
}

size_t MarkerList::LineOf(size_t index) const {
    size_t seen = 0;
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].marker && seen++ == index)
            return i;
    return m_lines.size();
}

std::optional<size_t> MarkerList::Add(Marker marker) {
    if (!ValidTimes(marker.start, marker.end))
        return std::nullopt;
    marker.start = RoundSeconds(marker.start);
    marker.end = RoundSeconds(marker.end);
    marker.text = CleanText(marker.text);
    const auto at = std::upper_bound(m_markers.begin(), m_markers.end(), marker, SortsBefore);
    const size_t index = static_cast<size_t>(at - m_markers.begin());
    // The new line goes right after the line of the marker before it, else right before the
    // first marker's line, else at the end of the file.
    size_t line = m_lines.size();
    if (index > 0)
        line = LineOf(index - 1) + 1;
    else if (!m_markers.empty())
        line = LineOf(0);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(line), Line{true, {}});
    m_markers.insert(at, std::move(marker));
    return index;
}

bool MarkerList::Remove(size_t index) {
    if (index >= m_markers.size())
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(LineOf(index)));
    m_markers.erase(m_markers.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool MarkerList::Rename(size_t index, std::string_view text) {
    if (index >= m_markers.size())
        return false;
    std::string clean = CleanText(text);
    if (clean == m_markers[index].text)
        return false;
    m_markers[index].text = std::move(clean);
    return true;
}

std::int64_t SecondsToSample(double seconds, double rate) {
    const double s = std::round(seconds * rate);
    if (!(s > -9.0e18))
        return 0;
    if (s > 9.0e18)
        return static_cast<std::int64_t>(9.0e18);
    return static_cast<std::int64_t>(s);
}

std::optional<size_t> StepMarker(const std::vector<Marker>& markers, std::int64_t from, double rate,
                                 bool forward) {
    if (forward) {
        for (size_t i = 0; i < markers.size(); ++i)
            if (SecondsToSample(markers[i].start, rate) > from)
                return i;
    } else {
        for (size_t i = markers.size(); i-- > 0;)
            if (SecondsToSample(markers[i].start, rate) < from)
                return i;
    }
    return std::nullopt;
}

} // namespace vistrel::markers
