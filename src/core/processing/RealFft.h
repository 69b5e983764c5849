#pragma once
// Real-input FFT through FFTW: one plan per length (FFTW_ESTIMATE, made under a lock, no
// wisdom), executed from any thread on 64-byte aligned buffers.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vistrel {

// Doubles aligned for FFTW's vector code; empty when they cannot be allocated.
class AlignedDoubles {
public:
    AlignedDoubles() = default;
    explicit AlignedDoubles(size_t count);
    double* data() const { return m_data.get(); }
    explicit operator bool() const { return m_data != nullptr; }

private:
    struct Free {
        void operator()(double* p) const;
    };
    std::unique_ptr<double, Free> m_data;
};

class RealFftPlan;
using RealFftHold = std::shared_ptr<const RealFftPlan>;

// The plan of the n-point real-to-complex transform (n >= 1); null when it cannot be made.
// A plan is shared while held; a few small ones are kept for later runs, the others are
// destroyed when the last holder lets go.
RealFftHold RealFftPlanFor(size_t n);
// Transforms in place: `data` (RealFftOutputDoubles(n) doubles from AlignedDoubles) holds the
// n inputs and receives bins 0..n/2 as n/2 + 1 pairs re, im. Safe from several threads at once.
void ExecuteRealFft(const RealFftPlan& plan, double* data);
size_t RealFftLength(const RealFftPlan& plan);

// Memory FFTW may take for n points: the plan's own tables, and the scratch of one execution
// (lengths with a large prime factor need both far more than smooth ones).
struct RealFftCost {
    uint64_t planBytes = 0;
    uint64_t scratchBytes = 0;
};
RealFftCost EstimateRealFftCost(size_t n);
// Doubles of the buffer of an n-point transform (its output; the input takes the first n).
inline size_t RealFftOutputDoubles(size_t n) { return 2 * (n / 2 + 1); }

// Plans kept beyond their use, and transforms executed so far (tests).
size_t KeptRealFftPlans();
uint64_t RealFftExecutions();

} // namespace vistrel
