// libFuzzer target: the coefficient-file reader of the linear transformation and the
// points-file reader of the table function on arbitrary bytes, then lookups in the table. A file
// the readers accept must hold numbers on every line they read: a line that is not numbers is
// refused, never read as zeros.

#include "FuzzCommon.h"
#include "core/processing/LinearCoeffs.h"
#include "core/processing/TableFunction.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vistrel;

namespace {

// The lines of the bytes, each cut at a NUL and without its end (CR LF, LF or CR), with the
// length the end adds (0 for a last line without one).
struct Line {
    std::string text;
    size_t endBytes;
};
std::vector<Line> SplitLines(const std::uint8_t* data, size_t size)
{
    std::vector<Line> lines;
    size_t i = 0;
    while (i < size) {
        Line line{std::string(), 0};
        bool cut = false;
        while (i < size && data[i] != '\n' && data[i] != '\r') {
            if (data[i] == 0) cut = true;
            if (!cut) line.text.push_back(static_cast<char>(data[i]));
            ++i;
        }
        if (i < size) {
            line.endBytes = 1;
            if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ++i;
            ++i;
        }
        lines.push_back(line);
    }
    return lines;
}

bool Blank(const std::string& s)
{
    for (char c : s)
        if (!std::isspace(static_cast<unsigned char>(c))) return false;
    return true;
}

// Whether `s` begins with a number (after blanks); *rest gets what follows it.
bool Number(const char* s, const char** rest)
{
    char* end = nullptr;
    std::strtod(s, &end);
    *rest = end;
    return end != s;
}

bool BeginsWithPoint(const std::string& line)
{
    const char* rest;
    return Number(line.c_str(), &rest) && Number(rest, &rest);
}

bool BeginsWithCoefficient(const std::string& line)
{
    char* end = nullptr;
    std::strtol(line.c_str(), &end, 10);
    if (end == line.c_str() || *end != ';') return false;
    const char* rest;
    return Number(end + 1, &rest);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static const auto path = fuzz::WorkFile("params.txt");
    if (!fuzz::WriteBytes(path, data, size)) return 0;

    float a[kMaxCoeffChannels], b[kMaxCoeffChannels];
    for (int i = 0; i < kMaxCoeffChannels; ++i) a[i] = 1.0f, b[i] = 0.0f;
    std::vector<int> changed;
    const CoeffFileStatus status = ReadCoeffFile(path.string(), a, b, &changed);
    if (status != CoeffFileStatus::Ok && !changed.empty()) __builtin_trap();
    const std::vector<Line> lines = SplitLines(data, size);
    if (status == CoeffFileStatus::Ok)
        for (size_t k = 1; k < lines.size(); ++k) {
            const Line& l = lines[k];
            if (l.text.size() + l.endBytes <= 3 || Blank(l.text)) continue;
            if (!BeginsWithCoefficient(l.text)) __builtin_trap();
        }
    for (int i : changed)
        if (i < 0 || i >= kMaxCoeffChannels) __builtin_trap();

    TableFunction table;
    if (ReadPointsFile(path.string(), table)) {
        if (table.m_count < 1 || table.m_count > kMaxTablePoints) __builtin_trap();
        int points = 0;
        for (const Line& l : lines) {
            if (points == kMaxTablePoints) break;
            if (l.text.size() + l.endBytes <= 2 || Blank(l.text)) continue;
            if (!BeginsWithPoint(l.text)) __builtin_trap();
            ++points;
        }
        if (points != table.m_count) __builtin_trap();
        if (table.m_count > 0) {
            volatile long double sink = 0;
            const float probes[] = {-1e30f, -1.0f, 0.0f, 0.5f, 1.0f, 1e30f, table.m_args[0],
                                    table.m_args[table.m_count - 1], INFINITY, NAN};
            for (float x : probes) sink = sink + TableLookup(table, x);
        }
    }
    return 0;
}
