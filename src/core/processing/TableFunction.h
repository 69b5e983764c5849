#pragma once
// Piecewise-linear table function of one output channel and its points file.
#include "platform/FileCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

enum class PointsFileStatus {
    Ok,
    NotReadable, // missing, a folder, a FIFO or device (refused without being opened), no access
    NoPoints,    // no line holds a point
    NotNumbers,  // a line does not begin with two numbers
    BadNumber,   // a number is NaN or infinite (or beyond a float)
};

// Reads "value argument" lines into the table (at most 256 points); lines may end in CR LF, LF
// or CR. A line of 2 bytes or fewer (its line end included) or of blanks only is skipped; every
// other line must begin with two numbers. Anything but Ok leaves the table without points;
// `badLine` gets the 1-based line of NotNumbers and BadNumber (else 0), `problem` says why a
// file is NotReadable.
PointsFileStatus LoadPointsFile(const std::string& path, TableFunction& table, int* badLine = nullptr,
                                platform::FileProblem* problem = nullptr);
// LoadPointsFile(...) == PointsFileStatus::Ok.
bool ReadPointsFile(const std::string& path, TableFunction& table, int* badLine = nullptr,
                    platform::FileProblem* problem = nullptr);
// English text of a refused points file, naming the file (and the line); empty for Ok.
std::string PointsFileProblemText(PointsFileStatus status, const std::string& path, int badLine,
                                  platform::FileProblem problem);

// The display range of a table's output channel: the extent of its values, which f never
// leaves; a single value gets that value +- 1. False (nothing set) for a table without points.
bool TableOutputRange(const TableFunction& table, float& low, float& high);

// f(x) of a table with at least one point: constant beyond the ends, linear between points.
long double TableLookup(const TableFunction& table, float x);

// TableLookup of one table prepared for many lookups, with the same results bit for bit. Every
// decision of TableLookup compares x with arguments of the table, so it is the same for all x
// between two neighbouring distinct arguments and for all x equal to one: the decision of each
// such cell is taken once here, a lookup finds its cell by a binary search of the sorted
// distinct arguments (narrowed first by equal-width buckets) and evaluates the chosen segment
// with the same extended-precision formula.
class PreparedTable {
public:
    explicit PreparedTable(const TableFunction& table);
    long double operator()(float x) const;
    // values[i * stride] = f(values[i * stride]) as a single, for i < count.
    void Apply(float* values, size_t count, size_t stride) const;

private:
    // A decision: a segment index (>= 0) or one of these.
    static constexpr int16_t kFirstValue = -1, kLastValue = -2, kZero = -3;
    static int16_t Decide(const TableFunction& t, float x);
    long double Evaluate(int16_t decision, float x) const;
    size_t Bucket(float x) const;
    long double Lookup(float x) const;

    TableFunction m_table;          // a copy of the points
    std::vector<float> m_sorted;    // distinct arguments, ascending
    std::vector<int16_t> m_cells;   // 2j + 1: x == m_sorted[j]; 2j: below m_sorted[j]; 2m: above all
    std::vector<uint16_t> m_bucketFirst; // index of the first argument of each bucket, and m
    double m_bucketScale = 0.0;       // buckets per unit of x
    std::vector<long double> m_slope; // (v[i+1] - v[i]) / (a[i+1] - a[i]) as TableLookup computes it
    int16_t m_nanDecision = kZero;
    bool m_fallback = false;        // an argument is NaN: every lookup runs TableLookup
};

} // namespace vistrel
