// Table-function lookups on 2^20 random inputs: the prepared lookup, the previous search in
// extended precision, and a plain binary-search interpolation (the yardstick).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/processing/TableFunction.h"

using namespace vistrel;

namespace {

TableFunction MakeTable(int points) {
    TableFunction t;
    t.m_count = points;
    for (int p = 0; p < points; ++p) {
        t.m_args[p] = -5.0f + 10.0f * static_cast<float>(p) / static_cast<float>(points - 1);
        t.m_values[p] = t.m_args[p] * t.m_args[p];
    }
    return t;
}

const std::vector<float>& Inputs() {
    static const std::vector<float> x = [] {
        std::vector<float> v(1 << 20);
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> d(-6.0f, 6.0f);
        for (float& e : v)
            e = d(rng);
        return v;
    }();
    return x;
}

void BM_TableLookupPrepared(benchmark::State& state) {
    const TableFunction t = MakeTable(static_cast<int>(state.range(0)));
    const PreparedTable f(t);
    std::vector<float> out(Inputs().size());
    for (auto _ : state) {
        std::copy(Inputs().begin(), Inputs().end(), out.begin());
        f.Apply(out.data(), out.size(), 1);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Inputs().size()));
}

void BM_TableLookupOld(benchmark::State& state) {
    const TableFunction t = MakeTable(static_cast<int>(state.range(0)));
    std::vector<float> out(Inputs().size());
    for (auto _ : state) {
        const std::vector<float>& x = Inputs();
        for (size_t i = 0; i < x.size(); ++i)
            out[i] = static_cast<float>(TableLookup(t, x[i]));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Inputs().size()));
}

// std::upper_bound on the arguments and a double interpolation, constant beyond the ends.
void BM_TableLookupPlainBinarySearch(benchmark::State& state) {
    const TableFunction t = MakeTable(static_cast<int>(state.range(0)));
    const int n = t.m_count;
    std::vector<float> out(Inputs().size());
    for (auto _ : state) {
        const std::vector<float>& x = Inputs();
        for (size_t i = 0; i < x.size(); ++i) {
            const float v = x[i];
            const int hi = static_cast<int>(std::upper_bound(t.m_args, t.m_args + n, v) - t.m_args);
            double y;
            if (hi == 0)
                y = t.m_values[0];
            else if (hi == n)
                y = t.m_values[n - 1];
            else {
                const double a0 = t.m_args[hi - 1], a1 = t.m_args[hi];
                const double v0 = t.m_values[hi - 1], v1 = t.m_values[hi];
                y = v0 + (v - a0) * (v1 - v0) / (a1 - a0);
            }
            out[i] = static_cast<float>(y);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Inputs().size()));
}

BENCHMARK(BM_TableLookupPrepared)->Arg(8)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableLookupOld)->Arg(8)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableLookupPlainBinarySearch)->Arg(8)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

} // namespace
