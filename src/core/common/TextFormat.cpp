#include "core/common/TextFormat.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace vistrel {

namespace {
constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kTicksPerDay = 86'400LL * kTicksPerSecond;
constexpr int64_t kDays1601To1970 = 134'774;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}
} // namespace

CalendarFields FileTimeToFields(int64_t fileTime) {
    CalendarFields f;
    const int64_t days = FloorDiv(fileTime, kTicksPerDay);
    const int64_t rest = fileTime - days * kTicksPerDay;
    CivilFromDays(days - kDays1601To1970, f.year, f.month, f.day);
    const int64_t ms = rest / 10'000;
    f.hour = static_cast<int>(ms / 3'600'000);
    f.minute = static_cast<int>(ms / 60'000 % 60);
    f.second = static_cast<int>(ms / 1000 % 60);
    f.millisecond = static_cast<int>(ms % 1000);
    // 1 January 1601 was a Monday.
    f.dayOfWeek = static_cast<int>(((days % 7) + 7 + 1) % 7);
    return f;
}

bool FieldsToFileTime(const CalendarFields& f, int64_t& fileTime) {
    if (f.month < 1 || f.month > 12 || f.day < 1 || f.hour < 0 || f.hour > 23 || f.minute < 0 ||
        f.minute > 59 || f.second < 0 || f.second > 59 || f.millisecond < 0 || f.millisecond > 999 ||
        f.year < 1601 || f.year > 30827)
        return false;
    static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
    const int maxDay = kMonthDays[f.month - 1] + ((f.month == 2 && leap) ? 1 : 0);
    if (f.day > maxDay)
        return false;
    const int64_t days = DaysFromCivil(f.year, static_cast<unsigned>(f.month),
                                       static_cast<unsigned>(f.day)) + kDays1601To1970;
    fileTime = days * kTicksPerDay +
               ((f.hour * 3600LL + f.minute * 60LL + f.second) * 1000LL + f.millisecond) * 10'000LL;
    return true;
}

void TrimZeros(char* text) {
    // Only a plain decimal fraction: the zeros of an exponent ("1.5e+10") are digits.
    if (std::strchr(text, '.') == nullptr || std::strpbrk(text, "eE") != nullptr)
        return;
    size_t len = std::strlen(text);
    while (len >= 2) {
        char& c = text[len - 1];
        if (c == '0') {
            c = '\0';
            --len;
            continue;
        }
        if (c == '.')
            c = '\0';
        break;
    }
}

void TrimZeros(std::string& text) {
    TrimZeros(text.data());
    text.resize(std::strlen(text.c_str()));
}

const char* ValueFormat(float x) {
    const float a = std::fabs(x);
    if (a < 0.0001f)
        return "%f";
    if (a < 0.001f)
        return "%9.7f";
    if (a < 1.0f)
        return "%6.5f";
    if (a < 10.0f)
        return "%5.4f";
    if (a < 100.0f)
        return "%5.3f";
    if (a < 1000.0f)
        return "%5.2f";
    if (a < 10000.0f)
        return "%5.1f";
    return "%g";
}

std::string FormatValue(double x) {
    char buf[512];
    std::snprintf(buf, sizeof buf, ValueFormat(static_cast<float>(x)), x);
    TrimZeros(buf);
    return buf;
}

std::string TimeLabel(int64_t t, bool decibel) {
    const int64_t u = t / 10;
    const int64_t r = decibel ? u % 86'400'000'000LL : u % 60'000'000LL;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%lf", static_cast<double>(r) * 1e-6);
    TrimZeros(buf);
    return buf;
}

std::string DateLabel(int64_t t, bool decibel, bool relative) {
    const CalendarFields f = FileTimeToFields(t);
    char buf[64];
    if (decibel) {
        std::snprintf(buf, sizeof buf, "%02d-%02d-%02d", f.day, f.month, f.year - 2000);
    } else if (relative) {
        std::snprintf(buf, sizeof buf, "%02d-%02d %02d:%02d", f.day, f.month, f.hour, f.minute);
        if (std::strncmp(buf, "01-01", 5) == 0)
            return std::string(buf + 6);
    } else {
        std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d", f.day, f.month, f.year - 2000,
                      f.hour, f.minute);
    }
    return buf;
}

namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;
constexpr int64_t kUnitsPerMinute = 60 * kUnitsPerSecond;
constexpr int64_t kUnitsPerHour = 60 * kUnitsPerMinute;

// Seconds within the minute as two digits, with the fraction (trimmed) when there is one.
std::string PaddedSeconds(int64_t t) {
    int64_t u = t % kUnitsPerMinute;
    if (u < 0) u += kUnitsPerMinute;
    char buf[32];
    const int whole = static_cast<int>(u / kUnitsPerSecond);
    const int micro = static_cast<int>(u % kUnitsPerSecond / 10);
    if (micro == 0) {
        std::snprintf(buf, sizeof buf, "%02d", whole);
    } else {
        std::snprintf(buf, sizeof buf, "%02d.%06d", whole, micro);
        TrimZeros(buf);
    }
    return buf;
}

} // namespace

AxisLabelTexts AxisTimeLabels(int64_t t, int64_t step, bool decibel, bool relative) {
    AxisLabelTexts out;
    if (decibel) {
        out.lower = TimeLabel(t, true);
        out.upper = DateLabel(t, true, false);
        return out;
    }
    const CalendarFields f = FileTimeToFields(t);
    char buf[64];
    if (!relative) {
        if (step < kUnitsPerMinute) {
            out.lower = TimeLabel(t, false);
            out.upper = DateLabel(t, false, false);
            return out;
        }
        std::snprintf(buf, sizeof buf, "%02d:%02d:", f.hour, f.minute);
        out.lower = buf + PaddedSeconds(t);
        std::snprintf(buf, sizeof buf, "%02d-%02d-%02d", f.day, f.month, f.year - 2000);
        out.upper = buf;
        return out;
    }
    // Relative: the time elapsed within the day; later days are named above the axis.
    const bool firstHour = t >= 0 && t < kUnitsPerHour;
    if (firstHour && f.minute == 0 && step < kUnitsPerMinute) {
        out.lower = TimeLabel(t, false);
    } else if (firstHour && step < kUnitsPerHour) {
        std::snprintf(buf, sizeof buf, "%d:", f.minute);
        out.lower = buf + PaddedSeconds(t);
    } else {
        std::snprintf(buf, sizeof buf, "%d:%02d:", f.hour, f.minute);
        out.lower = buf + PaddedSeconds(t);
    }
    if (t < 0 || t >= 24 * kUnitsPerHour) {
        std::snprintf(buf, sizeof buf, "%02d-%02d", f.day, f.month);
        out.upper = buf;
    }
    return out;
}


std::string TableDateTime(int64_t t) {
    const CalendarFields f = FileTimeToFields(t);
    const int frac = static_cast<int>(((t % kTicksPerSecond) + kTicksPerSecond) % kTicksPerSecond / 100);
    const bool twoDigits = f.year >= 2000 && f.year <= 2099;
    char buf[64];
    std::snprintf(buf, sizeof buf, twoDigits ? "%02d-%02d-%02d %02d:%02d:%02d,%05d" : "%02d-%02d-%04d %02d:%02d:%02d,%05d",
                  f.day, f.month, twoDigits ? f.year - 2000 : f.year, f.hour, f.minute, f.second, frac);
    return buf;
}

} // namespace vistrel
