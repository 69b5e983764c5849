// Spectrum runs: the first row's frequency in the stamp, refused parameters, worker threads
// and the memory budget of the FFT.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>

#include "ProcessingTestUtil.h"
#include "core/processing/Engine.h"
#include "core/processing/SpectrumChecks.h"
#include "core/recording/TimeBase.h"
#include "core/view/ReadOut.h"
#include "platform/Threads.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const int64_t kStartUtc = 133'000'000'000'000'000LL;
constexpr int64_t kDay = 86'400LL * 10'000'000LL;

FloatFixture Noise(int channels, uint64_t samples, double rate) {
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.layout.rate = rate;
    fx.samples = samples;
    fx.fileTime = kStartUtc;
    fx.value = [](uint64_t k, int c) {
        const uint64_t h = (k * 2654435761u + static_cast<uint64_t>(c) * 40503u) % 1000u;
        return static_cast<float>(std::sin(0.37 * static_cast<double>(k) * (c + 1))) +
               static_cast<float>(h) * 0.001f;
    };
    return fx;
}

void SetUpSpectrum(Source& s, int channels, double lowerHz, double upperHz, int points) {
    OutputChannelList& l = s.job.m_outputs;
    l.count = channels;
    for (int i = 0; i < channels; ++i)
        l.sources[i] = i + 1;
    l.spectrumPoints = points;
    s.job.m_spectrum.m_lowerW = kTwoPi * lowerHz;
    s.job.m_spectrum.m_upperW = kTwoPi * upperHz;
}

// Time of day (100-ns units) of the local start of a result, and the frequency the plot reads
// at its first row.
struct ReadBack {
    int64_t ticks = -1;
    double viewHz = -1;
};
ReadBack ReadStamp(const std::filesystem::path& path) {
    const Result r = ReadResult(path);
    ReadBack b;
    if (!r.ok)
        return b;
    const int64_t local = ToLocalTime(r.startUtc);
    b.ticks = ((local % kDay) + kDay) % kDay;
    b.viewHz = SpectrumFrequency(local, 0.0, r.rate);
    return b;
}

// Restores the test hooks and the budget even when an assertion fails.
class SpectrumRun : public ::testing::Test {
protected:
    void TearDown() override {
        platform::OverrideTimeZoneBias(std::nullopt);
        engine::SetWorkerHooksForTest({}, {});
        engine::SetMemoryBudgetForTest(std::nullopt);
        engine::SetCoreWorkersForTest(std::nullopt);
    }
};

} // namespace

TEST_F(SpectrumRun, StampCarriesTheFirstRowFrequencyInEveryZone) {
    Source s(Noise(1, 4096, 1000.0));
    s.job.m_cursor1 = 0, s.job.m_cursor2 = 2048;
    for (const int bias : {-330, -345, -180, 0, 300, 60}) {
        SCOPED_TRACE(bias);
        platform::OverrideTimeZoneBias(bias);
        // Fourier sums: the nominal lower limit, also past an hour.
        for (const double lower : {10.0, 1234.0, 3600.0, 3600.25, 86399.5}) {
            SCOPED_TRACE(lower);
            SetUpSpectrum(s, 1, lower, lower + 4, 4);
            s.Run(OP_SPECTRUM);
            ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
            const ReadBack b = ReadStamp(s.dir / "~result.KVF");
            EXPECT_EQ(b.ticks, std::llround(lower * 1e7));
            EXPECT_NEAR(b.viewHz, lower, 1e-6);
        }
        // FFT at 1000 Hz, N = 1024: the first row is bin 103 = 100.5859375 Hz.
        SetUpSpectrum(s, 1, 100.0, 200.0, 0);
        s.job.m_cursor1 = 0, s.job.m_cursor2 = 1000;
        s.Run(OP_SPECTRUM_FFT);
        ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
        const ReadBack b = ReadStamp(s.dir / "~result.KVF");
        EXPECT_EQ(b.ticks, 1'005'859'375);
        EXPECT_NEAR(b.viewHz, 100.5859375, 1e-6);
        s.job.m_cursor1 = 0, s.job.m_cursor2 = 2048;
    }
}

TEST_F(SpectrumRun, StampFunctionKeepsTheLocalDay) {
    platform::OverrideTimeZoneBias(-330);
    const int64_t local = ToLocalTime(kStartUtc);
    const int64_t stamp = SpectrumStamp(kStartUtc, 3600.0);
    EXPECT_EQ(ToLocalTime(stamp) / kDay, local / kDay);
    EXPECT_EQ(ToLocalTime(stamp) % kDay, 3600LL * 10'000'000LL);
    // Out of a day: no stamp can carry it.
    EXPECT_EQ(SpectrumStamp(kStartUtc, 86400.0), kStartUtc);
}

TEST_F(SpectrumRun, RefusesLimitsThatCannotBeStampedOrRead) {
    Source s(Noise(1, 4096, 200000.0));
    s.job.m_cursor1 = 0, s.job.m_cursor2 = 2048;
    // A lower limit of a day or more, by Fourier sums and by FFT.
    SetUpSpectrum(s, 1, 86400.0, 90000.0, 10);
    RecordingObserver obs = s.Run(OP_SPECTRUM);
    EXPECT_FALSE(s.job.m_succeeded);
    ASSERT_EQ(obs.failures.size(), 1u);
    EXPECT_NE(obs.failures[0].find("86400"), std::string::npos);
    s.Run(OP_SPECTRUM_FFT);
    EXPECT_FALSE(s.job.m_succeeded);
    // A band below the limit whose first FFT bin is past it.
    EXPECT_EQ(CheckSpectrum(true, 0, 2048, 86390.0, 90000.0, 200000.0f), SpectrumCheck::LowerTooHigh);
    EXPECT_EQ(CheckSpectrum(true, 0, 2048, 86300.0, 90000.0, 200000.0f), SpectrumCheck::Ok);
    // Rows per hertz that overflow a float, or a NaN band.
    SetUpSpectrum(s, 1, 0.0, 1e-40, 400);
    obs = s.Run(OP_SPECTRUM);
    EXPECT_FALSE(s.job.m_succeeded);
    ASSERT_EQ(obs.failures.size(), 1u);
    EXPECT_EQ(obs.failures[0], SpectrumCheckText(SpectrumCheck::RateNotUsable));
    EXPECT_EQ(CheckSpectrum(false, 400, 0, 0.0, 1e-40, 1000.0f), SpectrumCheck::RateNotUsable);
    EXPECT_EQ(CheckSpectrum(false, 400, 0, 0.0, 400.0, 1000.0f), SpectrumCheck::Ok);
    // No file was created by any refused run.
    EXPECT_EQ(FilesIn(s.dir.Path()), std::vector<std::string>{"src.kvf"});
}

TEST_F(SpectrumRun, FirstFftBinMatchesTheBandTest) {
    std::mt19937_64 rng(7);
    for (int k = 0; k < 2000; ++k) {
        const int64_t n = int64_t{1} << (1 + rng() % 20);
        const double rate = std::uniform_real_distribution<double>(1.0, 200000.0)(rng);
        const double lower = std::uniform_real_distribution<double>(0.0, rate)(rng);
        int64_t slow = n;
        for (int64_t b = 0; b < n; ++b)
            if (static_cast<double>(b) * rate / static_cast<double>(n) >= lower) {
                slow = b;
                break;
            }
        ASSERT_EQ(FirstFftBin(lower, rate, n), slow) << n << " " << rate << " " << lower;
        if (slow < n) // the exact bin frequency
            ASSERT_EQ(FirstFftBin(FftBinHz(slow, rate, n), rate, n), slow);
    }
}

TEST_F(SpectrumRun, FailedWorkerStartStopsTheOthersAndLeavesNoFile) {
    for (const ProcessOp op : {OP_SPECTRUM, OP_SPECTRUM_FFT}) {
        SCOPED_TRACE(static_cast<int>(op));
        Source s(Noise(3, 8192, 1000.0));
        s.job.m_cursor1 = 0, s.job.m_cursor2 = 8000;
        SetUpSpectrum(s, 3, 0.0, 400.0, 400);
        engine::SetCoreWorkersForTest(3); // the FFT starts one worker per core, at most
        std::atomic<int> started{0};
        engine::SetWorkerHooksForTest(
            [](int i) {
                if (i == 2)
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            },
            [&](int) { ++started; });
        RecordingObserver obs = s.Run(op);
        EXPECT_FALSE(s.job.m_succeeded);
        ASSERT_EQ(obs.failures.size(), 1u);
        EXPECT_NE(obs.failures[0].find("worker threads"), std::string::npos);
        EXPECT_EQ(obs.percents.back(), 100);
        EXPECT_EQ(started.load(), 2); // the two started were joined before the failure
        EXPECT_EQ(FilesIn(s.dir.Path()), std::vector<std::string>{"src.kvf"});
        engine::SetWorkerHooksForTest({}, {});
    }
}

TEST_F(SpectrumRun, WorkersRunAtTheLowestPriority) {
    EXPECT_FALSE(platform::IsCurrentThreadPriorityLowest());
    Source s(Noise(2, 4096, 1000.0));
    s.job.m_cursor1 = 0, s.job.m_cursor2 = 2048;
    SetUpSpectrum(s, 2, 0.0, 400.0, 64);
    engine::SetCoreWorkersForTest(2);
    std::mutex mutex;
    std::vector<bool> lowest;
    engine::SetWorkerHooksForTest({}, [&](int) {
        std::lock_guard lock(mutex);
        lowest.push_back(platform::IsCurrentThreadPriorityLowest());
    });
    s.Run(OP_SPECTRUM);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    s.Run(OP_SPECTRUM_FFT);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(lowest, std::vector<bool>(10, true)); // 8 sum slices and 2 channels
    // Only the worker threads were lowered.
    EXPECT_FALSE(platform::IsCurrentThreadPriorityLowest());
}

TEST_F(SpectrumRun, FftInChannelGroupsGivesTheSameResult) {
    const int64_t N = 1 << 14;
    Source s(Noise(4, N + 100, 1000.0));
    s.job.m_cursor1 = 50, s.job.m_cursor2 = 50 + N;
    SetUpSpectrum(s, 4, 3.0, 480.0, 0);
    s.job.m_spectrum.m_window = WINDOW_HANN;
    s.Run(OP_SPECTRUM_FFT);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    const Result whole = ReadResult(s.dir / "~result.KVF");
    ASSERT_TRUE(whole.ok);

    // Room for the tables, the bands and one channel at a time (3 N doubles) but not two.
    const uint64_t tables = N * 16 + N / 2 * 4;
    const uint64_t band = static_cast<uint64_t>(whole.samples) * 4 * 8;
    const uint64_t channel = (3 * N + 80) * 8;
    std::atomic<int> concurrent{0}, most{0};
    engine::SetWorkerHooksForTest({}, [&](int) {
        const int now = ++concurrent;
        int m = most.load();
        while (now > m && !most.compare_exchange_weak(m, now)) {}
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --concurrent;
    });
    engine::SetMemoryBudgetForTest(tables + band + channel + channel / 2);
    s.Run(OP_SPECTRUM_FFT, "~grouped.KVF");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(most.load(), 1);
    const Result grouped = ReadResult(s.dir / "~grouped.KVF");
    ASSERT_TRUE(grouped.ok);
    EXPECT_EQ(grouped.rows, whole.rows); // bit for bit
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(grouped.entries[i].low, whole.entries[i].low);
        EXPECT_EQ(grouped.entries[i].high, whole.entries[i].high);
    }

    // Not even one channel fits: refused, nothing written.
    engine::SetMemoryBudgetForTest(tables + band + channel / 2);
    RecordingObserver obs = s.Run(OP_SPECTRUM_FFT, "~none.KVF");
    EXPECT_FALSE(s.job.m_succeeded);
    EXPECT_EQ(obs.failures, std::vector<std::string>{engine::kNoMemory});
    EXPECT_FALSE(std::filesystem::exists(s.dir / "~none.KVF"));
}

TEST_F(SpectrumRun, BudgetFollowsTheAvailableMemory) {
    engine::SetMemoryBudgetForTest(1000);
    EXPECT_TRUE(engine::FitsBudget(250, 4));
    EXPECT_FALSE(engine::FitsBudget(251, 4));
    engine::SetMemoryBudgetForTest(std::nullopt);
    // Without an override: what the system has available now, never the total with swap.
    const uint64_t budget = engine::MemoryBudget();
    EXPECT_GT(budget, 0u);
    uint64_t total = 0;
    if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            unsigned long long kb = 0;
            if (std::sscanf(line, "MemTotal: %llu kB", &kb) == 1)
                total = kb * 1024ull;
        }
        std::fclose(f);
    }
    if (total != 0)
        EXPECT_LE(budget, total);

    // A moving average whose ring does not fit is refused before any file is made.
    Source s(Noise(2, 1000, 1000.0));
    s.job.m_cursor1 = 0, s.job.m_cursor2 = 1000;
    s.job.m_averagingFactor = 1000;
    engine::SetMemoryBudgetForTest(1000 * 2 * 4 - 1);
    RecordingObserver obs = s.Run(OP_MOVING_AVERAGE);
    EXPECT_FALSE(s.job.m_succeeded);
    EXPECT_EQ(obs.failures, std::vector<std::string>{engine::kNoMemory});
    EXPECT_EQ(FilesIn(s.dir.Path()), std::vector<std::string>{"src.kvf"});
    engine::SetMemoryBudgetForTest(1000 * 2 * 4);
    s.Run(OP_MOVING_AVERAGE);
    EXPECT_TRUE(s.job.m_succeeded) << s.job.m_error;
}
