// libFuzzer target: the coefficient-file reader of the linear transformation and the
// points-file reader of the table function on arbitrary bytes, then lookups in the table.

#include "FuzzCommon.h"
#include "core/processing/LinearCoeffs.h"
#include "core/processing/TableFunction.h"

#include <cmath>
#include <vector>

using namespace vistrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static const auto path = fuzz::WorkFile("params.txt");
    if (!fuzz::WriteBytes(path, data, size)) return 0;

    float a[kMaxCoeffChannels], b[kMaxCoeffChannels];
    for (int i = 0; i < kMaxCoeffChannels; ++i) a[i] = 1.0f, b[i] = 0.0f;
    std::vector<int> changed;
    const CoeffFileStatus status = ReadCoeffFile(path.string(), a, b, &changed);
    if (status != CoeffFileStatus::Ok && !changed.empty()) __builtin_trap();
    for (int i : changed)
        if (i < 0 || i >= kMaxCoeffChannels) __builtin_trap();

    TableFunction table;
    if (ReadPointsFile(path.string(), table)) {
        if (table.m_count < 0 || table.m_count > kMaxTablePoints) __builtin_trap();
        if (table.m_count > 0) {
            volatile long double sink = 0;
            const float probes[] = {-1e30f, -1.0f, 0.0f, 0.5f, 1.0f, 1e30f, table.m_args[0],
                                    table.m_args[table.m_count - 1], INFINITY, NAN};
            for (float x : probes) sink = sink + TableLookup(table, x);
        }
    }
    return 0;
}
