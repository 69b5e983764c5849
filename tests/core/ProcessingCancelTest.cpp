// Stopping a running job: every operation ends without a result or a temporary file, leaves
// the source and every other file as they were, and stops within its inner loops (a huge
// averaging factor, spectra between transforms).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "ProcessingTestUtil.h"
#include "core/processing/Engine.h"
#include "core/processing/RealFft.h"
#include "core/processing/SpectrumChecks.h"
#include "core/processing/WindowFft.h"
#include "platform/TimeZone.h"
#include "platform/UniqueFile.h"
#include "core/recording/KvfWriter.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// 3 channels at 44.1 kHz: a sine, a ramp and a square wave.
FloatFixture Signals(uint64_t samples) {
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 44100.0;
    fx.samples = samples;
    fx.value = [](uint64_t k, int c) {
        const double t = static_cast<double>(k) / 44100.0;
        switch (c) {
        case 0: return static_cast<float>(std::sin(2 * 3.14159265358979 * 50.0 * t));
        case 1: return static_cast<float>(k % 1000) * 0.01f;
        default: return (k / 441) % 2 ? 1.5f : -1.5f;
        }
    };
    return fx;
}

std::string Bytes(const std::filesystem::path& p) {
    const std::vector<uint8_t> b = ReadAll(p);
    return std::string(b.begin(), b.end());
}

// Asks to stop once a percent of at least `percentToStop` was reported, or once it was
// polled `pollsToStop` times; or when `flag` is raised (by a test hook on another thread).
struct StoppingObserver : RecordingObserver {
    int percentToStop = 1 << 30;
    int pollsToStop = 1 << 30;
    std::atomic<int> polls{0};
    std::atomic<bool> flag{false};
    void Progress(int p) override {
        RecordingObserver::Progress(p);
        if (p >= percentToStop && p < 100)
            flag = true;
    }
    bool StopRequested() override { return ++polls >= pollsToStop || flag.load(); }
};

// Checks the outcome of a stopped run: no result, no message, the box closed after a report
// below 100, the folder as before.
void ExpectStopped(const Source& s, const StoppingObserver& obs, const std::vector<std::string>& before,
                   const std::string& sourceBytes) {
    EXPECT_FALSE(s.job.m_succeeded);
    EXPECT_TRUE(s.job.m_interrupted) << s.job.m_error;
    EXPECT_TRUE(obs.failures.empty()) << (obs.failures.empty() ? "" : obs.failures[0]);
    EXPECT_TRUE(obs.opened.empty());
    EXPECT_EQ(s.job.m_saved, 0);
    ASSERT_FALSE(obs.percents.empty());
    EXPECT_EQ(obs.percents.back(), 100);
    EXPECT_EQ(FilesIn(s.dir.Path()), before);
    EXPECT_EQ(Bytes(s.file), sourceBytes);
}

// Runs the job of `s` with `obs` watching, the result in the test folder under `name`.
void RunWith(Source& s, ProcessOp op, const std::string& name, IProcessObserver& obs) {
    s.job.m_op = op;
    s.job.m_resultName = s.dir / name;
    RunProcessJob(s.job, obs);
}

struct Case {
    const char* name;
    ProcessOp op;
    const char* result;
};

void SetUpOutputs(ProcessJob& job, ProcessOp op) {
    OutputChannelList& l = job.m_outputs;
    l.Clear();
    job.m_averagingFactor = op == OP_AVERAGE ? 4 : 3;
    job.m_ratedFrequency = 50.0f;
    job.m_coeffA[0] = 2.0f, job.m_coeffB[0] = 0.5f;
    if (op == OP_ADD_SUB) {
        l.count = 2;
        const int sources[] = {1, 2, 3, 1};
        const int signs[] = {1, -1, -1, 1};
        for (int i = 0; i < 4; ++i)
            l.sources[i] = sources[i], l.coefficients[i] = signs[i];
    } else {
        l.count = 3;
        for (int i = 0; i < 3; ++i)
            l.sources[i] = 3 - i;
    }
    for (int i = 0; i < 3; ++i) {
        job.m_tables[i].Clear();
        job.m_tables[i].m_count = 3;
        const float args[] = {-2.0f, 0.0f, 10.0f}, values[] = {4.0f, 0.0f, 100.0f};
        std::copy(args, args + 3, job.m_tables[i].m_args);
        std::copy(values, values + 3, job.m_tables[i].m_values);
    }
    l.spectrumPoints = 2000;
    job.m_spectrum.m_lowerW = kTwoPi * 1.0;
    job.m_spectrum.m_upperW = kTwoPi * 5000.0;
    job.m_spectrum.m_window = 1;
}

class ProcessingCancel : public ::testing::Test {
protected:
    void TearDown() override {
        platform::OverrideTimeZoneBias(std::nullopt);
        engine::SetWorkerHooksForTest({}, {});
        engine::SetMemoryBudgetForTest(std::nullopt);
    }
};

} // namespace

TEST_F(ProcessingCancel, EveryOperationStopsMidRunWithoutATrace) {
    Source s(Signals(600000));
    std::ofstream(s.dir / "other.kvf", std::ios::binary) << "someone else's file";
    const std::string sourceBytes = Bytes(s.file);
    const Case cases[] = {
        {"fragment as recording", OP_SAVE_FRAGMENT, "frag.kvf"},
        {"fragment as text", OP_SAVE_FRAGMENT, "frag.txt"},
        {"moving average", OP_MOVING_AVERAGE, "~movavg.KVF"},
        {"average", OP_AVERAGE, "~average.KVF"},
        {"linear", OP_LINEAR, "~axb.KVF"},
        {"rms", OP_RMS, "~efu.KVF"},
        {"sums", OP_ADD_SUB, "~addsub.KVF"},
        {"table function", OP_TABLE_FUNCTION, "~table.KVF"},
        {"save channels", OP_SAVE_CHANNELS, "chans.kvf"},
        {"spectrum", OP_SPECTRUM, "~spectr.KVF"},
        {"fft spectrum", OP_SPECTRUM_FFT, "~fft.KVF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The generated names of the app are reserved as empty files before the run.
        const bool reserved = c.result[0] == '~';
        if (reserved)
            std::ofstream(s.dir / c.result, std::ios::binary).flush();
        std::vector<std::string> before = FilesIn(s.dir.Path());
        if (reserved)
            before.erase(std::find(before.begin(), before.end(), std::string(c.result)));
        SetUpOutputs(s.job, c.op);
        s.job.m_cursor1 = 500000, s.job.m_cursor2 = 1000; // either order
        s.job.m_op = c.op;
        s.job.m_resultName = s.dir / c.result;
        s.job.m_reservedTarget = reserved;
        StoppingObserver obs;
        // The spectra report 2 % once the samples are windowed, the others each whole percent.
        obs.percentToStop = 1;
        const uint64_t transforms = RealFftExecutions();
        RunProcessJob(s.job, obs);
        ExpectStopped(s, obs, before, sourceBytes);
        // Stopped early: the last report before the closing 100 is far from the end.
        ASSERT_GE(obs.percents.size(), 2u);
        EXPECT_GE(obs.percents[obs.percents.size() - 2], 1);
        EXPECT_LT(obs.percents[obs.percents.size() - 2], 50);
        // A spectrum stopped before its transforms starts none.
        EXPECT_EQ(RealFftExecutions(), transforms);
    }
}

TEST_F(ProcessingCancel, StopBeforeTheOperationBeginsRunsNothing) {
    Source s(Signals(2000));
    const std::string sourceBytes = Bytes(s.file);
    const std::vector<std::string> before = FilesIn(s.dir.Path());
    for (ProcessOp op : {OP_SAVE_FRAGMENT, OP_SPECTRUM_FFT, OP_SPECTRUM}) {
        SCOPED_TRACE(static_cast<int>(op));
        SetUpOutputs(s.job, op);
        s.job.m_cursor1 = 0, s.job.m_cursor2 = 2000;
        StoppingObserver obs;
        obs.flag = true; // Cancel pressed during the start delay
        RunWith(s, op, "~early.KVF", obs);
        ExpectStopped(s, obs, before, sourceBytes);
        EXPECT_EQ(obs.percents, std::vector<int>{100});
        EXPECT_FALSE(s.job.m_cursorsMoved);
        EXPECT_EQ(obs.cursor1, -1); // the FFT did not move the cursors
    }
}

TEST_F(ProcessingCancel, HugeAveragingFactorStopsWithinTheFirstPercent) {
    // A factor of 10^6 over 200 000 outputs sums 2 * 10^11 terms: a stop must land inside the
    // sums of single outputs, long before the first percent is reached.
    Source s(Signals(200000));
    const std::string sourceBytes = Bytes(s.file);
    const std::vector<std::string> before = FilesIn(s.dir.Path());
    for (ProcessOp op : {OP_MOVING_AVERAGE, OP_AVERAGE}) {
        SCOPED_TRACE(static_cast<int>(op));
        s.job.m_channelShown[1] = 0; // two of the three channels
        s.job.m_cursor1 = 0;
        s.job.m_cursor2 = 200000;
        s.job.m_averagingFactor = 1000000;
        StoppingObserver obs;
        obs.pollsToStop = 40;
        RunWith(s, op, "~huge.KVF", obs);
        ExpectStopped(s, obs, before, sourceBytes);
        EXPECT_EQ(obs.percents, std::vector<int>{100});
        EXPECT_EQ(obs.polls.load(), 40);
    }
}

TEST_F(ProcessingCancel, FftSpectrumStopsBetweenGroupsOfChannels) {
    // A budget for one channel at a time: the channels are transformed group after group; a
    // stop raised while the first group runs leaves the others untransformed.
    Source s(Signals(1 << 18));
    const std::string sourceBytes = Bytes(s.file);
    const std::vector<std::string> before = FilesIn(s.dir.Path());
    SetUpOutputs(s.job, OP_SPECTRUM_FFT);
    s.job.m_cursor1 = 0, s.job.m_cursor2 = 1 << 18;
    const FftSpan span = ChooseFftSpan(s.job.m_cursor1, s.job.m_cursor2, s.data.Samples());
    ASSERT_EQ(span.n, 1 << 18);
    const double rate = s.data.Rate();
    const int64_t b0 = FirstFftBin(1.0, rate, span.n);
    int64_t b1 = b0;
    while (b1 < span.n && FftBinHz(b1, rate, span.n) < 5000.0)
        ++b1;
    const RealFftCost cost = EstimateRealFftCost(static_cast<size_t>(span.n));
    const uint64_t perChannel = RealFftOutputDoubles(static_cast<size_t>(span.n)) * sizeof(double) + cost.scratchBytes;
    const uint64_t fixed = cost.planBytes + static_cast<uint64_t>(b1 - b0) * 3 * sizeof(double);
    engine::SetMemoryBudgetForTest(fixed + perChannel + perChannel / 2);

    StoppingObserver obs;
    std::atomic<int> started{0};
    engine::SetWorkerHooksForTest({}, [&](int) {
        ++started;
        obs.flag = true;
    });
    const uint64_t transforms = RealFftExecutions();
    RunWith(s, OP_SPECTRUM_FFT, "~fft.KVF", obs);
    ExpectStopped(s, obs, before, sourceBytes);
    EXPECT_EQ(started.load(), 1);
    EXPECT_LE(RealFftExecutions() - transforms, 1u);

    // The same budget without a stop transforms all three channels one by one, on one worker.
    engine::SetWorkerHooksForTest({}, [&](int) { ++started; });
    started = 0;
    const uint64_t all = RealFftExecutions();
    RecordingObserver plain = s.Run(OP_SPECTRUM_FFT, "~fft.KVF");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(started.load(), 1);
    EXPECT_EQ(RealFftExecutions() - all, 3u);
    EXPECT_EQ(plain.opened.size(), 1u);
}

TEST_F(ProcessingCancel, DirectSpectrumWorkersStopBetweenChannels) {
    // One worker at a time fits the budget: it transforms the channels in turn and honours a
    // stop raised once it started, before the last of the 24 channels.
    Source s(Signals(1 << 16));
    const std::string sourceBytes = Bytes(s.file);
    const std::vector<std::string> before = FilesIn(s.dir.Path());
    SetUpOutputs(s.job, OP_SPECTRUM);
    OutputChannelList& l = s.job.m_outputs;
    l.count = 24;
    for (int i = 0; i < 24; ++i)
        l.sources[i] = i % 3 + 1;
    s.job.m_cursor1 = 0, s.job.m_cursor2 = 1 << 16;
    const uint64_t H = 1 << 16;
    const RealFftCost cost = EstimateRealFftCost(H);
    const uint64_t fixed = H * 24 * sizeof(float) + cost.planBytes +
                           static_cast<uint64_t>(l.spectrumPoints) * (1 + 3 * 24) * sizeof(double);
    const uint64_t perTransform = RealFftOutputDoubles(H) * sizeof(double) + cost.scratchBytes;
    engine::SetMemoryBudgetForTest(fixed + perTransform + perTransform / 2);

    StoppingObserver obs;
    // Worker 0 waits in its start hook until the driver has seen the stop and raised it.
    engine::SetWorkerHooksForTest({}, [&](int i) {
        if (i != 0)
            return;
        obs.flag = true;
        const int seen = obs.polls.load();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (obs.polls.load() <= seen && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    });
    const uint64_t transforms = RealFftExecutions();
    RunWith(s, OP_SPECTRUM, "~spectr.KVF", obs);
    ExpectStopped(s, obs, before, sourceBytes);
    EXPECT_LT(RealFftExecutions() - transforms, 24u);
}

TEST_F(ProcessingCancel, StopsAtPositionsAboveTwoToThe31) {
    platform::OverrideTimeZoneBias(-345);
    // A sparse one-channel recording of 2^31 + 3 * 10^6 samples; only its end holds data.
    Source s(Signals(10));
    const auto path = s.dir / "big.kvf";
    FloatRecordingLayout layout;
    layout.rate = 48000.0;
    const std::vector<uint8_t> header = BuildFloatRecordingHeader(layout);
    const uint64_t samples = (uint64_t{1} << 31) + 3'000'000;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        out.seekp(static_cast<std::streamoff>(header.size() + 4 * (samples - 1)));
        const float last = 1.0f;
        out.write(reinterpret_cast<const char*>(&last), 4);
        ASSERT_TRUE(out.good());
    }
    ASSERT_EQ(s.data.Open(path), 1);
    s.job.InitFrom(s.data);
    s.job.m_startDelayMs = 0;
    const std::string tailBytes = [&] {
        std::ifstream in(path, std::ios::binary);
        in.seekg(-4096, std::ios::end);
        std::string t(4096, '\0');
        in.read(t.data(), 4096);
        return t;
    }();
    const std::vector<std::string> before = FilesIn(s.dir.Path());
    for (const char* name : {"above.kvf", "above.txt", "~movavg.KVF"}) {
        SCOPED_TRACE(name);
        s.job.m_cursor1 = static_cast<int64_t>(samples) - 2'500'000;
        s.job.m_cursor2 = static_cast<int64_t>(samples);
        s.job.m_averagingFactor = 1'000'000;
        StoppingObserver obs;
        obs.percentToStop = 1;
        obs.pollsToStop = 200; // the moving average reaches no percent before that
        RunWith(s, name[0] == '~' ? OP_MOVING_AVERAGE : OP_SAVE_FRAGMENT, name, obs);
        EXPECT_TRUE(s.job.m_interrupted) << s.job.m_error;
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_TRUE(obs.failures.empty());
        EXPECT_EQ(obs.percents.back(), 100);
        if (obs.percents.size() > 1)
            EXPECT_LT(obs.percents[obs.percents.size() - 2], 50);
        EXPECT_EQ(FilesIn(s.dir.Path()), before);
    }
    std::ifstream in(path, std::ios::binary);
    in.seekg(-4096, std::ios::end);
    std::string t(4096, '\0');
    in.read(t.data(), 4096);
    EXPECT_EQ(t, tailBytes);
    EXPECT_EQ(std::filesystem::file_size(path), header.size() + 4 * samples);
}

TEST_F(ProcessingCancel, StoppingOneOfTwoRunsAtOnceLeavesTheOtherWhole) {
    Source s(Signals(300000));
    const std::string sourceBytes = Bytes(s.file);
    s.job.m_averagingFactor = 5;
    s.job.m_cursor1 = 100, s.job.m_cursor2 = 290000;
    // The result of an undisturbed run, for comparison.
    s.Run(OP_MOVING_AVERAGE, "alone.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    const Result alone = ReadResult(s.dir / "alone.kvf");
    ASSERT_TRUE(alone.ok);

    ProcessJob stopped = s.job, whole = s.job;
    stopped.m_op = whole.m_op = OP_MOVING_AVERAGE;
    stopped.m_resultName = s.dir / "stopped.kvf";
    whole.m_resultName = s.dir / "whole.kvf";
    StoppingObserver stopper;
    stopper.percentToStop = 5;
    RecordingObserver plain;
    std::thread a = StartProcessThread(stopped, stopper);
    std::thread b = StartProcessThread(whole, plain);
    a.join();
    b.join();
    EXPECT_TRUE(stopped.m_interrupted);
    EXPECT_FALSE(std::filesystem::exists(stopped.m_resultName));
    ASSERT_TRUE(whole.m_succeeded) << whole.m_error;
    EXPECT_FALSE(whole.m_interrupted);
    const Result both = ReadResult(whole.m_resultName);
    ASSERT_TRUE(both.ok);
    EXPECT_EQ(both.rows, alone.rows);
    const std::vector<std::string> expected = {"alone.kvf", "src.kvf", "whole.kvf"};
    EXPECT_EQ(FilesIn(s.dir.Path()), expected);
    EXPECT_EQ(Bytes(s.file), sourceBytes);
}
