#include "core/recording/TimeBase.h"

#include "platform/TimeZone.h"

#include <cmath>
#include <limits>

namespace vistrel {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t kDaysTo1970 = 134774; // 1601-01-01 .. 1970-01-01
constexpr std::int64_t kUnitsPerDay = 864000000000LL;

} // namespace

std::int64_t ToLocalTime(std::int64_t utc)
{
    return utc - static_cast<std::int64_t>(platform::TimeZoneBiasMinutes()) * kUnitsPerMinute;
}

std::int64_t ToUtcTime(std::int64_t local)
{
    return local + static_cast<std::int64_t>(platform::TimeZoneBiasMinutes()) * kUnitsPerMinute;
}

std::int64_t TruncToInt64(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 9.2233720368547748e18) return std::numeric_limits<std::int64_t>::max();
    if (v <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if (b > 0 && a > kMax - b) return kMax;
    if (b < 0 && a < kMin - b) return kMin;
    return a + b;
}

std::int64_t SampleTime(std::int64_t origin, double position, float rate)
{
    return SaturatingAdd(origin, TruncToInt64(position * 1e7 / static_cast<double>(rate)));
}

std::int64_t UnitsPerSample(float rate) { return TruncToInt64(1e7 / static_cast<double>(rate)); }

std::int64_t Duration(float rate, std::int64_t samples)
{
    return TruncToInt64(1e7 / static_cast<double>(rate) * static_cast<double>(samples));
}

double PositionOfTime(std::int64_t origin, std::int64_t time, float rate)
{
    return static_cast<double>(time - origin) * static_cast<double>(rate) / 1e7;
}

FileTimeParts SplitFileTime(std::int64_t ft)
{
    FileTimeParts p;
    std::int64_t days = ft / kUnitsPerDay;
    std::int64_t rem = ft % kUnitsPerDay;
    if (rem < 0) {
        rem += kUnitsPerDay;
        --days;
    }
    CivilFromDays(days - kDaysTo1970, p.year, p.month, p.day);
    p.dayOfWeek = static_cast<int>(((days % 7) + 7 + 1) % 7); // 1601-01-01 was a Monday
    std::int64_t ms = rem / 10000;
    p.millisecond = static_cast<int>(ms % 1000);
    std::int64_t s = ms / 1000;
    p.second = static_cast<int>(s % 60);
    p.minute = static_cast<int>((s / 60) % 60);
    p.hour = static_cast<int>(s / 3600);
    return p;
}

bool MakeFileTime(const FileTimeParts& p, std::int64_t& ft)
{
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    ft = 0;
    if (p.year < 1601 || p.year > 30827 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > kDays[p.month - 1] || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 ||
        p.second < 0 || p.second > 59 || p.millisecond < 0 || p.millisecond > 999)
        return false;
    bool leap = (p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0;
    if (p.month == 2 && p.day == 29 && !leap) return false;
    std::int64_t days = DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) + kDaysTo1970;
    ft = days * kUnitsPerDay + ((p.hour * 60LL + p.minute) * 60LL + p.second) * kUnitsPerSecond +
         p.millisecond * 10000LL;
    return true;
}

} // namespace vistrel
