#pragma once
// Piecewise-linear table function of one output channel and its points file.
#include "platform/FileCheck.h"

#include <cstdint>
#include <string>

namespace vistrel {

constexpr int kMaxTablePoints = 256;

struct TableFunction {
    std::string m_fileName;            // 8-bit path of the points file
    int32_t m_count = 0;               // points read; 0 = the channel passes through
    float m_values[kMaxTablePoints] = {};
    float m_args[kMaxTablePoints] = {};
    float m_minValue = 1e20f;
    float m_maxValue = -1e20f;

    void Clear();
};

// Reads "value argument" lines into the table (at most 256 points); lines may end in CR LF, LF
// or CR. Returns false, the table without points, when the file cannot be opened (`badLine`
// 0, `problem` says why; a FIFO or device is refused without being opened) or a number is NaN
// or infinite (or beyond a float: `badLine` its 1-based line).
bool ReadPointsFile(const std::string& path, TableFunction& table, int* badLine = nullptr,
                    platform::FileProblem* problem = nullptr);

// f(x) of a table with at least one point: constant beyond the ends, linear between points.
long double TableLookup(const TableFunction& table, float x);

} // namespace vistrel
