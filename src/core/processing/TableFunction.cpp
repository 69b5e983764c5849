#include "core/processing/TableFunction.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "core/processing/FileUtil.h"

namespace vistrel {

void TableFunction::Clear() {
    *this = TableFunction();
}

bool ReadPointsFile(const std::string& path, TableFunction& table, int* badLine,
                    platform::FileProblem* problem) {
    table.m_fileName = path;
    table.m_count = 0;
    table.m_minValue = 1e20f;
    table.m_maxValue = -1e20f;
    if (badLine)
        *badLine = 0;
    platform::FileProblem why = platform::CheckReadableFile(PathFromUtf8(path));
    std::ifstream in;
    if (why == platform::FileProblem::None) {
        in.open(PathFromUtf8(path), std::ios::binary);
        if (!in)
            why = platform::FileProblem::Other;
    }
    if (problem)
        *problem = why;
    if (why != platform::FileProblem::None)
        return false;
    std::string line;
    int lineNumber = 0;
    while (table.m_count < kMaxTablePoints && ReadLine(in, line, 255)) {
        ++lineNumber;
        if (line.size() <= 2)
            continue;
        float value = 0.0f, arg = 0.0f;
        std::sscanf(line.c_str(), "%g %g", &value, &arg);
        if (!std::isfinite(value) || !std::isfinite(arg)) {
            table.m_count = 0;
            table.m_minValue = 1e20f;
            table.m_maxValue = -1e20f;
            if (badLine)
                *badLine = lineNumber;
            return false;
        }
        table.m_values[table.m_count] = value;
        table.m_args[table.m_count] = arg;
        ++table.m_count;
        if (value < table.m_minValue)
            table.m_minValue = value;
        if (value > table.m_maxValue)
            table.m_maxValue = value;
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
