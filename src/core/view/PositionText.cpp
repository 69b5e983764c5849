#include "core/view/PositionText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <regex>

#include "core/recording/TimeBase.h"

namespace vistrel {

namespace {

bool Fail(std::string* why, std::string reason) {
    if (why) *why = std::move(reason);
    return false;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Non-negative decimal number: digits with an optional fraction ("12", "12.5", ".5").
bool ParseSeconds(std::string_view s, double* value) {
    static const std::regex re("^(\\d+(\\.\\d*)?|\\.\\d+)$");
    const std::string text(s);
    if (!std::regex_match(text, re)) return false;
    *value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(*value);
}

} // namespace

bool ParsePosition(std::string_view text, const PositionContext& context, uint64_t* sample, std::string* why) {
    const std::string quoted = "'" + std::string(text) + "'";
    double position = 0;
    if (AllDigits(text)) {
        uint64_t s = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), s);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size())
            return Fail(why, quoted + " is too large a sample position");
        position = static_cast<double>(s);
        if (s > context.samples)
            return Fail(why, quoted + " lies beyond the end of the recording (" + std::to_string(context.samples) +
                                 " samples)");
        if (sample) *sample = s;
        return true;
    }
    if (!text.empty() && (text.back() == 's' || text.back() == 'S')) {
        double seconds = 0;
        if (!ParseSeconds(text.substr(0, text.size() - 1), &seconds))
            return Fail(why, quoted + " is not a number of seconds (e.g. 12.5s)");
        position = std::round(seconds * context.rate);
    } else {
        static const std::regex re("^(\\d{4})-(\\d{2})-(\\d{2})[T ](\\d{2}):(\\d{2}):(\\d{2})(\\.\\d+)?$");
        std::smatch m;
        const std::string s(text);
        if (!std::regex_match(s, m, re))
            return Fail(why, quoted + " is no sample position (125000), seconds (12.5s) or clock time "
                                      "(2026-12-08T08:16:47.25)");
        FileTimeParts parts;
        parts.year = std::stoi(m[1]);
        parts.month = std::stoi(m[2]);
        parts.day = std::stoi(m[3]);
        parts.hour = std::stoi(m[4]);
        parts.minute = std::stoi(m[5]);
        parts.second = std::stoi(m[6]);
        int64_t t = 0;
        if (!MakeFileTime(parts, t)) return Fail(why, quoted + " is no valid date and time");
        const double fraction = m[7].matched ? std::strtod(m[7].str().c_str(), nullptr) : 0.0;
        const double offset = static_cast<double>(t - context.localStart) / kUnitsPerSecond + fraction;
        if (offset < -0.5 / std::max(context.rate, 1e-9))
            return Fail(why, quoted + " lies before the start of the recording");
        position = std::max(0.0, std::round(offset * context.rate));
    }
    if (!(position <= static_cast<double>(context.samples)))
        return Fail(why, quoted + " lies beyond the end of the recording (" + std::to_string(context.samples) +
                             " samples)");
    if (sample) *sample = static_cast<uint64_t>(position);
    return true;
}

bool ParsePositionPair(std::string_view text, const PositionContext& context, uint64_t* first, uint64_t* second,
                       std::string* why) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos)
        return Fail(why, "'" + std::string(text) + "' is not two positions separated by a comma (T1,T2)");
    return ParsePosition(text.substr(0, comma), context, first, why) &&
           ParsePosition(text.substr(comma + 1), context, second, why);
}

} // namespace vistrel
