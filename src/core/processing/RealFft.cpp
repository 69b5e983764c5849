#include "core/processing/RealFft.h"

#include <fftw3.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <vector>

namespace vistrel {

namespace {

constexpr std::align_val_t kAlign{64};
// Plans kept after their run: at most this many, of at most this many estimated bytes.
constexpr size_t kKeptPlans = 4;
constexpr uint64_t kKeptBytes = uint64_t{32} << 20;
std::atomic<uint64_t> g_executions{0};

// Every FFTW call but execute goes through this lock. Recursive: a plan whose last holder lets
// go inside the cache's own work is destroyed under the lock already taken.
std::recursive_mutex& PlannerMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

int64_t LargestPrimeFactor(uint64_t n) {
    uint64_t largest = 1;
    for (uint64_t p = 2; p * p <= n; ++p)
        while (n % p == 0) {
            largest = p;
            n /= p;
        }
    return static_cast<int64_t>(n > 1 ? std::max(largest, n) : largest);
}

} // namespace

AlignedDoubles::AlignedDoubles(size_t count) {
    if (count == 0 || count > (size_t{1} << 58))
        return;
    m_data.reset(static_cast<double*>(::operator new(count * sizeof(double), kAlign, std::nothrow)));
}

void AlignedDoubles::Free::operator()(double* p) const {
    ::operator delete(p, kAlign);
}

class RealFftPlan {
public:
    RealFftPlan(fftw_plan plan, size_t n) : m_plan(plan), m_n(n) {}
    ~RealFftPlan() {
        std::lock_guard lock(PlannerMutex());
        fftw_destroy_plan(m_plan);
    }
    RealFftPlan(const RealFftPlan&) = delete;
    RealFftPlan& operator=(const RealFftPlan&) = delete;
    fftw_plan m_plan;
    size_t m_n;
};

namespace {

struct PlanCache {
    std::vector<std::weak_ptr<const RealFftPlan>> shared; // every plan still held somewhere
    std::vector<RealFftHold> kept;                        // most recently used last
};

PlanCache& Cache() {
    static PlanCache cache;
    return cache;
}

} // namespace

RealFftHold RealFftPlanFor(size_t n) {
    if (n == 0 || n > (size_t{1} << 56))
        return nullptr;
    std::lock_guard lock(PlannerMutex());
    PlanCache& cache = Cache();
    RealFftHold plan;
    std::erase_if(cache.shared, [](const auto& w) { return w.expired(); });
    for (const auto& w : cache.shared)
        if (auto p = w.lock(); p && p->m_n == n)
            plan = p;
    if (!plan) {
        // FFTW_ESTIMATE does not touch the array; it only gives the alignment. In place: at
        // large lengths nearly twice as fast as out of place, and half the memory.
        AlignedDoubles data(RealFftOutputDoubles(n));
        if (!data)
            return nullptr;
        fftw_forget_wisdom(); // the plan depends on the length alone
        fftw_iodim64 dim{static_cast<ptrdiff_t>(n), 1, 1};
        fftw_plan p = fftw_plan_guru64_dft_r2c(1, &dim, 0, nullptr, data.data(),
                                               reinterpret_cast<fftw_complex*>(data.data()), FFTW_ESTIMATE);
        if (!p)
            return nullptr;
        try {
            plan = std::make_shared<const RealFftPlan>(p, n);
        } catch (const std::bad_alloc&) {
            fftw_destroy_plan(p);
            return nullptr;
        }
        try {
            cache.shared.push_back(plan);
        } catch (const std::bad_alloc&) {
        }
    }
    // Keep the small plans most recently asked for.
    std::erase_if(cache.kept, [&](const RealFftHold& k) { return k == plan; });
    if (EstimateRealFftCost(n).planBytes <= kKeptBytes) {
        try {
            cache.kept.push_back(plan);
        } catch (const std::bad_alloc&) {
        }
    }
    uint64_t bytes = 0;
    for (const auto& k : cache.kept)
        bytes += EstimateRealFftCost(k->m_n).planBytes;
    while (!cache.kept.empty() && (cache.kept.size() > kKeptPlans || bytes > kKeptBytes)) {
        bytes -= EstimateRealFftCost(cache.kept.front()->m_n).planBytes;
        cache.kept.erase(cache.kept.begin());
    }
    return plan;
}

void ExecuteRealFft(const RealFftPlan& plan, double* data) {
    fftw_execute_dft_r2c(plan.m_plan, data, reinterpret_cast<fftw_complex*>(data));
    g_executions.fetch_add(1, std::memory_order_relaxed);
}

size_t RealFftLength(const RealFftPlan& plan) {
    return plan.m_n;
}

RealFftCost EstimateRealFftCost(size_t n) {
    // Measured with FFTW 3.3.10, in place, FFTW_ESTIMATE: smooth lengths take up to ~10 bytes
    // per point for the plan and at most ~4 of scratch per execution; lengths with a large
    // prime factor up to ~37 bytes per point while planning and ~40 per execution. The
    // estimates keep a margin (scratch: two doubles per point for smooth lengths).
    const uint64_t points = n;
    const bool smooth = LargestPrimeFactor(points) <= 128;
    RealFftCost cost;
    cost.planBytes = (smooth ? 16 : 40) * points + (64u << 10);
    cost.scratchBytes = (smooth ? 16 : 48) * points;
    return cost;
}

size_t KeptRealFftPlans() {
    std::lock_guard lock(PlannerMutex());
    return Cache().kept.size();
}

uint64_t RealFftExecutions() {
    return g_executions.load();
}

} // namespace vistrel
