#include "core/processing/TableFunction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/common/FileProblemText.h"
#include "core/processing/FileUtil.h"

namespace vistrel {

void TableFunction::Clear() {
    *this = TableFunction();
}

PointsFileStatus LoadPointsFile(const std::string& path, TableFunction& table, int* badLine,
                                platform::FileProblem* problem) {
    table.m_fileName = path;
    table.m_count = 0;
    table.m_minValue = 1e20f;
    table.m_maxValue = -1e20f;
    if (badLine)
        *badLine = 0;
    std::ifstream in;
    const platform::FileProblem why = OpenForReading(PathFromUtf8(path), in);
    if (problem)
        *problem = why;
    if (why != platform::FileProblem::None)
        return PointsFileStatus::NotReadable;
    std::string line;
    int lineNumber = 0;
    auto refuse = [&](PointsFileStatus status) {
        table.m_count = 0;
        table.m_minValue = 1e20f;
        table.m_maxValue = -1e20f;
        if (badLine)
            *badLine = lineNumber;
        return status;
    };
    while (table.m_count < kMaxTablePoints && ReadLine(in, line)) {
        ++lineNumber;
        if (line.size() <= 2 || IsBlankLine(line))
            continue;
        float value = 0.0f, arg = 0.0f;
        const char* p = line.c_str();
        if (!ReadFloat(p, value) || !ReadFloat(p, arg))
            return refuse(PointsFileStatus::NotNumbers);
        if (!std::isfinite(value) || !std::isfinite(arg))
            return refuse(PointsFileStatus::BadNumber);
        table.m_values[table.m_count] = value;
        table.m_args[table.m_count] = arg;
        ++table.m_count;
        if (value < table.m_minValue)
            table.m_minValue = value;
        if (value > table.m_maxValue)
            table.m_maxValue = value;
    }
    lineNumber = 0; // the file as a whole
    if (in.bad()) {
        if (problem)
            *problem = platform::FileProblem::Other;
        return refuse(PointsFileStatus::NotReadable);
    }
    if (table.m_count == 0)
        return refuse(PointsFileStatus::NoPoints);
    return PointsFileStatus::Ok;
}

bool ReadPointsFile(const std::string& path, TableFunction& table, int* badLine,
                    platform::FileProblem* problem) {
    return LoadPointsFile(path, table, badLine, problem) == PointsFileStatus::Ok;
}

std::string PointsFileProblemText(PointsFileStatus status, const std::string& path, int badLine,
                                  platform::FileProblem problem) {
    const std::string where = "points file " + path + ", line " + std::to_string(badLine);
    switch (status) {
    case PointsFileStatus::NotReadable:
        return "points file " + path + " cannot be read: " +
               FileProblemEnglish(problem == platform::FileProblem::None ? platform::FileProblem::Other : problem);
    case PointsFileStatus::NoPoints:
        return "points file " + path + " holds no point (lines of two numbers: value and argument)";
    case PointsFileStatus::NotNumbers:
        return where + ": a point is two numbers, value and argument";
    case PointsFileStatus::BadNumber:
        return where + ": NaN or infinity is not a point";
    default:
        return std::string();
    }
}

bool TableOutputRange(const TableFunction& table, float& low, float& high) {
    if (table.m_count <= 0)
        return false;
    low = table.m_minValue;
    high = table.m_maxValue;
    if (!(low < high)) {
        const float v = low;
        low = v - 1.0f;
        high = v + 1.0f;
        if (!(low < high)) { // too large for +-1 to show in a float
            low = std::nextafter(v, -std::numeric_limits<float>::infinity());
            high = std::nextafter(v, std::numeric_limits<float>::infinity());
        }
    }
    return true;
}

long double TableLookup(const TableFunction& t, float x) {
    const int n = t.m_count;
    const long double lx = x;
    if (lx <= t.m_args[0])
        return t.m_values[0];
    if (lx >= t.m_args[n - 1])
        return t.m_values[n - 1];
    int lo = 0, hi = n;
    while (hi - lo > 7) {
        const int mid = (lo + hi) / 2;
        if (lx < t.m_args[mid])
            hi = mid;
        else
            lo = mid;
    }
    if (hi > n - 1)
        hi = n - 1;
    for (int i = lo; i < hi; ++i) {
        const long double a0 = t.m_args[i], a1 = t.m_args[i + 1];
        if (lx <= a1) {
            if (a1 - a0 != 0.0L) {
                const long double v0 = t.m_values[i], v1 = t.m_values[i + 1];
                return v0 + (lx - a0) * ((v1 - v0) / (a1 - a0));
            }
        }
    }
    return 0.0L;
}

} // namespace vistrel

namespace vistrel {

int16_t PreparedTable::Decide(const TableFunction& t, float x) {
    // TableLookup's steps, returning which of its results it gives.
    const int n = t.m_count;
    const long double lx = x;
    if (lx <= t.m_args[0])
        return kFirstValue;
    if (lx >= t.m_args[n - 1])
        return kLastValue;
    int lo = 0, hi = n;
    while (hi - lo > 7) {
        const int mid = (lo + hi) / 2;
        if (lx < t.m_args[mid])
            hi = mid;
        else
            lo = mid;
    }
    if (hi > n - 1)
        hi = n - 1;
    for (int i = lo; i < hi; ++i) {
        const long double a0 = t.m_args[i], a1 = t.m_args[i + 1];
        if (lx <= a1 && a1 - a0 != 0.0L)
            return static_cast<int16_t>(i);
    }
    return kZero;
}

PreparedTable::PreparedTable(const TableFunction& table) : m_table(table) {
    const TableFunction& t = m_table;
    const int n = t.m_count;
    if (n <= 0)
        return;
    for (int i = 0; i < n; ++i)
        if (std::isnan(t.m_args[i]))
            m_fallback = true;
    m_slope.assign(static_cast<size_t>(n), 0.0L);
    for (int i = 0; i + 1 < n; ++i) {
        const long double a0 = t.m_args[i], a1 = t.m_args[i + 1];
        const long double v0 = t.m_values[i], v1 = t.m_values[i + 1];
        if (a1 - a0 != 0.0L)
            m_slope[i] = (v1 - v0) / (a1 - a0);
    }
    if (m_fallback)
        return;
    m_sorted.assign(t.m_args, t.m_args + n);
    std::sort(m_sorted.begin(), m_sorted.end());
    // -0 and +0 compare equal, so they are one cell.
    m_sorted.erase(std::unique(m_sorted.begin(), m_sorted.end()), m_sorted.end());
    const size_t m = m_sorted.size();
    m_cells.resize(2 * m + 1);
    const float inf = std::numeric_limits<float>::infinity();
    for (size_t j = 0; j < m; ++j) {
        m_cells[2 * j + 1] = Decide(t, m_sorted[j]);
        // Any float strictly between the neighbours stands for the open interval; an empty
        // interval is never looked up.
        const float below = std::nextafter(m_sorted[j], -inf);
        const bool empty = j == 0 ? !(below < m_sorted[0]) : !(below > m_sorted[j - 1]);
        m_cells[2 * j] = empty ? kZero : Decide(t, below);
    }
    const float above = std::nextafter(m_sorted[m - 1], inf);
    m_cells[2 * m] = above > m_sorted[m - 1] ? Decide(t, above) : kZero;
    m_nanDecision = Decide(t, std::numeric_limits<float>::quiet_NaN());
    // Buckets of equal width between the smallest and the largest argument: an x of bucket b
    // lies above every argument of an earlier bucket and below every one of a later bucket.
    const size_t buckets = std::min<size_t>(1024, 4 * m);
    const double width = static_cast<double>(m_sorted[m - 1]) - static_cast<double>(m_sorted[0]);
    m_bucketScale = width > 0 && std::isfinite(width) ? static_cast<double>(buckets) / width : 0.0;
    m_bucketFirst.assign(buckets + 1, 0);
    for (const float a : m_sorted)
        if (a < m_sorted[m - 1])
            ++m_bucketFirst[Bucket(a) + 1];
    for (size_t b = 1; b <= buckets; ++b)
        m_bucketFirst[b] += m_bucketFirst[b - 1];
}

long double PreparedTable::Evaluate(int16_t d, float x) const {
    if (d >= 0) {
        const long double v0 = m_table.m_values[d], a0 = m_table.m_args[d];
        return v0 + (static_cast<long double>(x) - a0) * m_slope[static_cast<size_t>(d)];
    }
    if (d == kFirstValue)
        return m_table.m_values[0];
    if (d == kLastValue)
        return m_table.m_values[m_table.m_count - 1];
    return 0.0L;
}

size_t PreparedTable::Bucket(float x) const {
    // Never decreases as x grows; the counts of each bucket rely on nothing else.
    if (m_bucketScale == 0.0)
        return 0;
    const double t = (static_cast<double>(x) - static_cast<double>(m_sorted.front())) * m_bucketScale;
    return static_cast<size_t>(std::min(t, static_cast<double>(m_bucketFirst.size() - 2)));
}

inline long double PreparedTable::Lookup(float x) const {
    if (m_fallback)
        return TableLookup(m_table, x);
    if (std::isnan(x))
        return Evaluate(m_nanDecision, x);
    // Count of sorted arguments <= x: the bucket of x bounds it, a short search ends it.
    const float* s = m_sorted.data();
    const size_t m = m_sorted.size();
    size_t count;
    if (!(x >= s[0])) {
        count = 0;
    } else if (x >= s[m - 1]) {
        count = m;
    } else {
        const size_t b = Bucket(x);
        const float* lo = s + m_bucketFirst[b];
        size_t len = m_bucketFirst[b + 1] - m_bucketFirst[b];
        // Arguments of bucket b may lie on either side of x; all before it are <= x.
        while (len > 1) {
            const size_t half = len / 2;
            lo = lo[half] <= x ? lo + half : lo;
            len -= half;
        }
        count = static_cast<size_t>(lo - s) + (len == 1 && *lo <= x ? 1 : 0);
    }
    const size_t cell = count > 0 && s[count - 1] == x ? 2 * count - 1 : 2 * count;
    return Evaluate(m_cells[cell], x);
}

long double PreparedTable::operator()(float x) const {
    return Lookup(x);
}

void PreparedTable::Apply(float* values, size_t count, size_t stride) const {
    for (size_t i = 0; i < count; ++i, values += stride)
        *values = static_cast<float>(Lookup(*values));
}

} // namespace vistrel
