// The operations read rows in blocks: every result file must be byte for byte what the previous
// value-by-value code (ProcessingOracle) writes. The moving average keeps a running sum instead
// of re-adding its window: its values may differ from the serial sums by 2 ulp, its header and
// everything else not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <thread>

#include "ProcessingOracle.h"
#include "ProcessingTestUtil.h"
#include "core/processing/RowBlocks.h"
#include "support/Ulps.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Random floats with the awkward ones among them: signed zeros, subnormals, huge values,
// infinities and NaN.
float RandomValue(std::mt19937& rng) {
    const uint32_t pick = rng() % 64;
    switch (pick) {
    case 0: return -0.0f;
    case 1: return 0.0f;
    case 2: return 1e-41f;
    case 3: return -3e38f;
    case 4: return std::numeric_limits<float>::infinity();
    case 5: return std::numeric_limits<float>::quiet_NaN();
    default: break;
    }
    std::uniform_real_distribution<float> d(-100.0f, 100.0f);
    const float v = d(rng);
    return pick < 16 ? v * 1e-3f : (pick < 24 ? std::round(v) : v);
}


FloatFixture RandomRecording(int channels, uint64_t samples, double rate, uint32_t seed) {
    auto values = std::make_shared<std::vector<float>>(samples * static_cast<uint64_t>(channels));
    std::mt19937 rng(seed);
    // A signal that crosses zero (for RMS) with noise and the awkward values now and then.
    for (uint64_t k = 0; k < samples; ++k)
        for (int c = 0; c < channels; ++c) {
            float v = static_cast<float>(50.0 * std::sin(0.02 * static_cast<double>(k) * (c + 1)));
            if (rng() % 8 == 0)
                v = RandomValue(rng);
            (*values)[k * channels + c] = v + static_cast<float>(rng() % 100) * 0.01f;
        }
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.layout.rate = rate;
    fx.samples = samples;
    fx.value = [values, channels](uint64_t k, int c) { return (*values)[k * channels + c]; };
    fx.fileTime = 133'000'000'000'000'000LL;
    return fx;
}

struct Outcome {
    std::vector<uint8_t> bytes;
    uint64_t dataBytes = 0; // the rows at the end of bytes
    std::vector<int> percents, titles;
    std::vector<std::string> failures;
    bool succeeded = false;
    int saved = 0;
};

Outcome RunWith(bool old, Source& s, ProcessOp op, const std::string& name) {
    RecordingObserver obs;
    s.job.m_op = op;
    s.job.m_saved = 0;
    s.job.m_resultName = s.dir / name;
    if (old)
        RunOldProcessJob(s.job, obs);
    else
        RunProcessJob(s.job, obs);
    Outcome o;
    std::error_code ec;
    if (std::filesystem::exists(s.job.m_resultName, ec))
        o.bytes = ReadAll(s.job.m_resultName), o.dataBytes = ReadResult(s.job.m_resultName).dataBytes;
    std::filesystem::remove(s.job.m_resultName, ec);
    o.percents = obs.percents;
    o.titles = obs.titles;
    o.failures = obs.failures;
    o.succeeded = s.job.m_succeeded;
    o.saved = s.job.m_saved;
    return o;
}

// Runs op with the block paths and with the old code; everything they leave must agree.
void ExpectSameAsOld(Source& s, ProcessOp op, const std::string& what, bool mustSucceed = true) {
    const std::string ext = op == OP_SAVE_FRAGMENT || op == OP_SAVE_CHANNELS ? "" : ".KVF";
    const std::string base = op == OP_SAVE_FRAGMENT || op == OP_SAVE_CHANNELS ? "" : "~";
    std::string suffix = ext;
    if (op == OP_SAVE_FRAGMENT || op == OP_SAVE_CHANNELS)
        suffix = what.find("text") != std::string::npos ? ".txt" : ".kvf";
    const Outcome fresh = RunWith(false, s, op, base + "new" + suffix);
    const Outcome old = RunWith(true, s, op, base + "old" + suffix);
    SCOPED_TRACE(what + " from " + std::to_string(s.job.m_cursor1) + " to " + std::to_string(s.job.m_cursor2));
    EXPECT_EQ(fresh.succeeded, old.succeeded);
    if (mustSucceed) {
        EXPECT_TRUE(fresh.succeeded) << (fresh.failures.empty() ? "" : fresh.failures[0]);
    }
    EXPECT_EQ(fresh.failures, old.failures);
    EXPECT_EQ(fresh.titles, old.titles);
    EXPECT_EQ(fresh.percents, old.percents);
    EXPECT_EQ(fresh.saved, old.saved);
    ASSERT_EQ(fresh.bytes.size(), old.bytes.size());
    const size_t exactBytes = op == OP_MOVING_AVERAGE ? old.bytes.size() - old.dataBytes : old.bytes.size();
    size_t firstDiff = 0;
    while (firstDiff < exactBytes && fresh.bytes[firstDiff] == old.bytes[firstDiff])
        ++firstDiff;
    EXPECT_EQ(firstDiff, exactBytes) << "the files differ from byte " << firstDiff;
    for (size_t at = exactBytes; at + 4 <= old.bytes.size(); at += 4) {
        float a, b;
        std::memcpy(&a, &fresh.bytes[at], 4);
        std::memcpy(&b, &old.bytes[at], 4);
        ASSERT_LE(UlpDistance(a, b), 2u) << "value " << (at - exactBytes) / 4 << ": " << a << " vs " << b;
    }
}

void RandomTable(TableFunction& t, std::mt19937& rng, int points, bool ascending) {
    t.Clear();
    t.m_count = points;
    float a = -60.0f;
    for (int i = 0; i < points; ++i) {
        if (ascending)
            a += (rng() % 5 == 0) ? 0.0f : static_cast<float>(rng() % 1000) * 0.05f; // duplicates too
        else
            a = static_cast<float>(static_cast<int>(rng() % 200) - 100);
        t.m_args[i] = a;
        t.m_values[i] = RandomValue(rng);
        if (!std::isfinite(t.m_values[i]))
            t.m_values[i] = static_cast<float>(i);
    }
}

// Every operation with the parameters that exercise its block path, on the source as it is.
void ExpectAllOperationsSameAsOld(Source& s, std::mt19937& rng) {
    const int n = s.data.Channels();
    ExpectSameAsOld(s, OP_SAVE_FRAGMENT, "fragment as recording");
    s.job.m_timeStyle = 0;
    ExpectSameAsOld(s, OP_SAVE_FRAGMENT, "fragment as text, clock time");
    s.job.m_timeStyle = 1;
    ExpectSameAsOld(s, OP_SAVE_FRAGMENT, "fragment as text, time from start");
    s.job.m_timeStyle = 0;
    const int64_t length = std::abs(s.job.m_cursor2 - s.job.m_cursor1);
    for (const int N : {1, 2, 3, 7, 100, static_cast<int>(length) + 5}) {
        s.job.m_averagingFactor = N;
        ExpectSameAsOld(s, OP_MOVING_AVERAGE, "moving average N=" + std::to_string(N), N > 1);
        ExpectSameAsOld(s, OP_AVERAGE, "averaging N=" + std::to_string(N), N > 1);
    }
    for (int c = 0; c < n; ++c) {
        s.job.m_coeffA[c] = RandomValue(rng);
        s.job.m_coeffB[c] = static_cast<float>(rng() % 2000) * 0.37f - 300.0f;
    }
    ExpectSameAsOld(s, OP_LINEAR, "linear transformation");
    s.job.m_ratedFrequency = static_cast<float>(s.data.Rate()) / 157.0f;
    ExpectSameAsOld(s, OP_RMS, "RMS");

    OutputChannelList& l = s.job.m_outputs;
    l = OutputChannelList{};
    l.count = 5;
    for (int i = 0; i < 2 * l.count; ++i) {
        l.sources[i] = static_cast<int>(rng() % static_cast<uint32_t>(n)) + 1;
        l.coefficients[i] = rng() % 2 ? 1 : -1;
    }
    ExpectSameAsOld(s, OP_ADD_SUB, "sums and differences");
    l.count = 6;
    for (int i = 0; i < l.count; ++i) {
        l.sources[i] = static_cast<int>(rng() % static_cast<uint32_t>(n)) + 1; // repeats too
        RandomTable(s.job.m_tables[i], rng, 1 + static_cast<int>(rng() % 40), i % 3 != 2);
    }
    s.job.m_tables[1].m_count = 0; // a pass-through channel
    ExpectSameAsOld(s, OP_TABLE_FUNCTION, "table function");
    ExpectSameAsOld(s, OP_SAVE_CHANNELS, "chosen channels");
    l.count = n;
    for (int i = 0; i < n; ++i)
        l.sources[i] = i + 1; // whole rows in order: copied as they are
    ExpectSameAsOld(s, OP_SAVE_CHANNELS, "all channels in order");
}

class ProcessingBlocks : public ::testing::Test {
protected:
    void TearDown() override { platform::OverrideTimeZoneBias(std::nullopt); }
};

} // namespace

TEST_F(ProcessingBlocks, FloatRecordingsGiveTheOldResultFiles) {
    platform::OverrideTimeZoneBias(-330);
    std::mt19937 rng(2024);
    for (const int channels : {1, 3, 8}) {
        const uint64_t samples = 1500 + static_cast<uint64_t>(channels) * 37;
        Source s(RandomRecording(channels, samples, channels == 3 ? 44100.0 : 48000.0, 7u + channels));
        if (channels > 1)
            s.job.m_channelShown[1] = 0; // hidden: left out by operations 1 to 4
        // From an odd position to the end of the file, cursors in either order.
        s.job.m_cursor1 = static_cast<int64_t>(samples);
        s.job.m_cursor2 = 333;
        ExpectAllOperationsSameAsOld(s, rng);
        // From the first sample, where the moving average reads before the recording.
        s.job.m_cursor1 = 0;
        s.job.m_cursor2 = 251;
        ExpectAllOperationsSameAsOld(s, rng);
    }
}

TEST_F(ProcessingBlocks, SdImageGivesTheOldResultFiles) {
    platform::OverrideTimeZoneBias(-345);
    // Three channels on a ring that wraps, calibrated so values are not plain floats.
    SdFixture fx;
    fx.descriptors = {0x0000, 1 << 8, 2 << 8};
    fx.sectorNumbers = RingNumbers(40, 13, 500, 40);
    fx.count = [](uint64_t g) { return static_cast<uint16_t>((g * 2654435761u) >> 7); };
    fx.b1cal[1] = 3.5f, fx.k1cal[1] = 1.37f;
    fx.b1cal[2] = -11.0f, fx.k1cal[2] = 0.71f;
    fx.b1cal[3] = 0.25f, fx.k1cal[3] = 3.0f;
    Source s(RandomRecording(1, 10, 1000.0, 1));
    ASSERT_TRUE(WriteSdFixture(s.dir / "sd.kvf", fx));
    ASSERT_EQ(s.data.Open(s.dir / "sd.kvf"), 1);
    ASSERT_EQ(s.data.Channels(), 3);
    s.job.InitFrom(s.data);
    s.job.m_startDelayMs = 0;
    s.job.m_cursor1 = 101;
    s.job.m_cursor2 = s.data.Samples();
    std::mt19937 rng(5);
    ExpectAllOperationsSameAsOld(s, rng);
}

TEST_F(ProcessingBlocks, PositionsAboveTwoToThe31) {
    platform::OverrideTimeZoneBias(-330);
    // A sparse one-channel recording of 2^31 + 5000 samples; only its end holds data.
    Source s(RandomRecording(1, 10, 1000.0, 1));
    const auto path = s.dir / "big.kvf";
    FloatRecordingLayout layout;
    layout.rate = 48000.0;
    const std::vector<uint8_t> header = BuildFloatRecordingHeader(layout);
    const uint64_t samples = (uint64_t{1} << 31) + 5000;
    const uint64_t tail = 8000;
    std::vector<float> values(tail);
    std::mt19937 rng(31);
    for (float& v : values)
        v = RandomValue(rng);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        out.seekp(static_cast<std::streamoff>(header.size() + 4 * (samples - tail)));
        out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(4 * tail));
        ASSERT_TRUE(out.good());
    }
    ASSERT_EQ(s.data.Open(path), 1);
    ASSERT_EQ(s.data.Samples(), static_cast<int64_t>(samples));
    s.job.InitFrom(s.data);
    s.job.m_startDelayMs = 0;
    s.job.m_cursor1 = static_cast<int64_t>(samples) - 6001;
    s.job.m_cursor2 = static_cast<int64_t>(samples);
    ExpectSameAsOld(s, OP_SAVE_FRAGMENT, "fragment as recording");
    s.job.m_averagingFactor = 100;
    ExpectSameAsOld(s, OP_MOVING_AVERAGE, "moving average");
    ExpectSameAsOld(s, OP_LINEAR, "linear transformation");
    // The reader agrees with SampleValue across the start of the data.
    const RowBlockReader reader(s.data, {0, 0});
    std::vector<float> block(2 * 3000);
    const int64_t from = static_cast<int64_t>(samples - tail) - 1500;
    reader.Read(from, 3000, block.data());
    for (int64_t r = 0; r < 3000; ++r) {
        const float want = static_cast<float>(s.data.SampleValue(static_cast<uint64_t>(from + r), 0));
        ASSERT_EQ(std::memcmp(&block[2 * r], &want, 4), 0) << r;
        ASSERT_EQ(std::memcmp(&block[2 * r + 1], &want, 4), 0) << r;
    }
}

TEST_F(ProcessingBlocks, TwoRunsAtOnceOnOneRecording) {
    platform::OverrideTimeZoneBias(-345);
    std::mt19937 rng(9);
    Source s(RandomRecording(3, 4000, 48000.0, 3));
    s.job.m_cursor1 = 17, s.job.m_cursor2 = 3999;
    s.job.m_averagingFactor = 100;
    s.job.m_outputs.count = 2;
    s.job.m_outputs.sources[0] = 3, s.job.m_outputs.sources[1] = 1;
    ProcessJob second = s.job;
    second.m_op = OP_SAVE_CHANNELS;
    second.m_resultName = s.dir / "second.kvf";
    s.job.m_op = OP_MOVING_AVERAGE;
    s.job.m_resultName = s.dir / "~first.KVF";
    RecordingObserver o1, o2;
    std::thread t([&] { RunProcessJob(second, o2); });
    RunProcessJob(s.job, o1);
    t.join();
    ASSERT_TRUE(s.job.m_succeeded && second.m_succeeded);
    const std::vector<uint8_t> first = ReadAll(s.dir / "~first.KVF"), other = ReadAll(s.dir / "second.kvf");
    EXPECT_EQ(first, RunWith(false, s, OP_MOVING_AVERAGE, "~alone.KVF").bytes);
    EXPECT_EQ(other, RunWith(true, s, OP_SAVE_CHANNELS, "old.kvf").bytes);
}

TEST(RowBlockReader, MatchesSampleValueEverywhere) {
    std::mt19937 rng(77);
    Source s(RandomRecording(3, 700, 44100.0, 4));
    SdFixture fx;
    fx.descriptors = {0x0000, 0x0000, 1 << 8};
    fx.sectorNumbers = RingNumbers(12, 5, 90, 12);
    fx.k1cal[2] = 1.37f;
    ASSERT_TRUE(WriteSdFixture(s.dir / "sd.kvf", fx));
    CDataFile sd;
    ASSERT_EQ(sd.Open(s.dir / "sd.kvf"), 1);
    for (const CDataFile* f : {&s.data, &sd}) {
        const int n = f->Channels();
        for (int trial = 0; trial < 200; ++trial) {
            std::vector<int> channels;
            if (trial % 4 == 0)
                for (int c = 0; c < n; ++c)
                    channels.push_back(c); // whole rows
            else
                for (uint32_t i = 0, w = 1 + rng() % 5; i < w; ++i)
                    channels.push_back(static_cast<int>(rng() % static_cast<uint32_t>(n)));
            const RowBlockReader reader(*f, channels);
            EXPECT_EQ(reader.PlainFloats(), f == &s.data);
            const int64_t p = static_cast<int64_t>(rng() % (f->Samples() + 400)) - 200;
            const size_t count = rng() % 300;
            std::vector<float> asFloat(count * channels.size(), 1.0f);
            std::vector<long double> exact(count * channels.size(), 1.0L);
            reader.Read(p, count, asFloat.data());
            reader.Read(p, count, exact.data());
            for (size_t r = 0; r < count; ++r)
                for (size_t i = 0; i < channels.size(); ++i) {
                    const int64_t q = p + static_cast<int64_t>(r);
                    const long double want = q < 0 ? 0.0L : f->SampleValue(static_cast<uint64_t>(q), channels[i]);
                    const float wantFloat = static_cast<float>(want);
                    const size_t at = r * channels.size() + i;
                    ASSERT_EQ(std::memcmp(&asFloat[at], &wantFloat, 4), 0) << "row " << q << " channel " << channels[i];
                    ASSERT_TRUE(exact[at] == want || (std::isnan(exact[at]) && std::isnan(want))) << q;
                }
        }
    }
}

TEST(PreparedTable, SameAsTableLookupBitForBit) {
    std::mt19937 rng(4242);
    const float specials[] = {0.0f, -0.0f, std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min()};
    TableFunction t;
    for (int trial = 0; trial < 400; ++trial) {
        const int points = trial < 20 ? 1 + trial % 3 : 1 + static_cast<int>(rng() % kMaxTablePoints);
        RandomTable(t, rng, points, trial % 4 != 3);
        if (trial % 7 == 0) // long runs of one argument: the search may land inside them
            for (int i = points / 3; i < 2 * points / 3; ++i)
                t.m_args[i] = t.m_args[points / 3];
        if (trial % 11 == 0 && points > 2)
            t.m_args[1] = -0.0f, t.m_args[2] = 0.0f;
        if (trial % 13 == 0 && points > 3) { // a cluster far from both ends: crowded buckets
            t.m_args[0] = trial % 26 == 0 ? -std::numeric_limits<float>::infinity() : -3e38f;
            for (int i = 1; i < points - 1; ++i)
                t.m_args[i] = 1.0f + static_cast<float>(i) * 1e-6f;
            t.m_args[points - 1] = 3e38f;
        }
        const PreparedTable f(t);
        auto check = [&](float x) {
            const long double want = TableLookup(t, x), got = f(x);
            ASSERT_EQ(std::memcmp(&want, &got, std::min<size_t>(sizeof want, 10)), 0) << "trial " << trial << " x=" << x;
        };
        for (const float x : specials)
            check(x);
        for (int i = 0; i < points; ++i) { // at, just beside and between the points
            check(t.m_args[i]);
            check(std::nextafter(t.m_args[i], 1e30f));
            check(std::nextafter(t.m_args[i], -1e30f));
            if (i + 1 < points)
                check(0.5f * (t.m_args[i] + t.m_args[i + 1]));
        }
        for (int i = 0; i < 200; ++i)
            check(static_cast<float>(static_cast<int>(rng() % 30000) - 15000) * 0.01f);
    }
}
