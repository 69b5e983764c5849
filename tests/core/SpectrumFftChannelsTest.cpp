// The FFT spectrum transforms its channels one at a time on no more workers than cores: the
// windowed input read in blocks is the product SampleValue x coefficient of every sample, and
// a whole run gives the same result on any number of workers, equal to the transform of those
// products within 1e-12 of the largest magnitude (beyond the float rounding of the decibels).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <set>
#include <thread>

#include "FftOracle.h"
#include "ProcessingTestUtil.h"
#include "core/processing/Engine.h"
#include "core/processing/FftChannel.h"
#include "core/processing/RealFft.h"
#include "core/processing/RowBlocks.h"
#include "core/processing/SpectrumChecks.h"
#include "core/processing/WindowFft.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

FloatFixture Signals(int channels, uint64_t samples) {
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.layout.rate = 1000.0;
    fx.samples = samples;
    fx.value = [](uint64_t k, int c) {
        const uint64_t h = (k * 2654435761u + static_cast<uint64_t>(c) * 40503u) % 1000u;
        return static_cast<float>(std::sin(0.0123 * static_cast<double>(k) * (c + 1)) * (c + 1)) +
               static_cast<float>(h) * 1e-4f - 3.0f;
    };
    return fx;
}

// An SD image of two channels with calibrations whose values are not floats.
SdFixture SdSignals(int sectors) {
    SdFixture sd;
    sd.descriptors = {0x0000, 0x0101};
    sd.k1cal[0] = 0.3f;
    sd.b1cal[0] = -1.7f;
    sd.k1cal[1] = 1.1f;
    for (int s = 0; s < sectors; ++s)
        sd.sectorNumbers.push_back(static_cast<uint32_t>(s));
    sd.count = [](uint64_t g) { return static_cast<uint16_t>((g * 7919u) % 4096u); };
    return sd;
}

// The windowed input as one multiplication per sample through SampleValue.
std::vector<double> ProductPerSample(const CDataFile& data, int channel, int64_t start, size_t N, int window) {
    std::vector<double> x(N);
    for (size_t k = 0; k < N; ++k) {
        const float c = static_cast<float>(WindowCoefficient(window, static_cast<double>(k), static_cast<double>(N)));
        x[k] = static_cast<double>(data.SampleValue(static_cast<uint64_t>(start) + k, channel) * c);
    }
    return x;
}

class SpectrumFftChannels : public ::testing::Test {
protected:
    void SetUp() override {
        if (!WriteSdFixture(sdDir / "sd.kvf", SdSignals(1200)) || sd.Open(sdDir / "sd.kvf") != 1)
            FAIL() << "cannot write the SD image";
    }
    void TearDown() override {
        engine::SetWorkerHooksForTest({}, {});
        engine::SetCoreWorkersForTest(std::nullopt);
    }
    TempDir sdDir;
    CDataFile sd;
};

} // namespace

TEST_F(SpectrumFftChannels, WindowedBlocksAreOneProductPerSample) {
    Source f(Signals(5, 200000));
    ASSERT_GT(sd.Samples(), 70000); // more than one block of the reader
    struct Case {
        const char* what;
        const CDataFile* data;
        int channel;
        int64_t start;
        size_t N;
        int window;
    };
    const Case cases[] = {
        {"float, last channel, blocks and a tail", &f.data, 4, 12345, 131072 + 77, WINDOW_HANN},
        {"float, first channel, rectangular", &f.data, 0, 0, 65536, WINDOW_RECTANGULAR},
        {"float, one sample", &f.data, 2, 199999, 1, WINDOW_BLACKMAN_HARRIS},
        {"SD image, converted values in long double", &sd, 1, 333, 65536 + 4096, WINDOW_GAUSS},
        {"SD image, first channel", &sd, 0, 0, 70000, WINDOW_HAMMING},
    };
    for (const Case& c : cases) {
        const RowBlockReader reader(*c.data, {c.channel});
        std::vector<float> window(c.N);
        FftWindow(c.window, c.N, window.data());
        std::vector<double> got(c.N, -1.0);
        ASSERT_TRUE(ReadWindowed(reader, c.start, c.N, window.data(), got.data())) << c.what;
        const std::vector<double> want = ProductPerSample(*c.data, c.channel, c.start, c.N, c.window);
        for (size_t k = 0; k < c.N; ++k)
            ASSERT_EQ(got[k], want[k]) << c.what << " at " << k; // bit for bit
    }
    // A raised stop ends the reading.
    const RowBlockReader reader(f.data, {0});
    std::vector<float> window(65536, 1.0f);
    std::vector<double> out(65536);
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(ReadWindowed(reader, 0, 65536, window.data(), out.data(), &stop));
}

TEST_F(SpectrumFftChannels, AnyWorkerCountGivesTheTransformOfTheProducts) {
    Source f(Signals(5, 300000));
    struct Case {
        const char* what;
        CDataFile* data;
        std::vector<int> sources; // 1-based, in output order
        int window;
        int64_t N;                // the span, inside the recording
    };
    const Case cases[] = {
        {"float, channels reordered and repeated", &f.data, {3, 1, 5, 1}, WINDOW_HANN, 1 << 17},
        {"SD image, both channels", &sd, {2, 1}, WINDOW_BLACKMAN_HARRIS, 1 << 16},
    };
    for (const Case& c : cases) {
        const int64_t N = c.N;
        ASSERT_LE(1000 + N, c.data->Samples()) << c.what;
        const int M = static_cast<int>(c.sources.size());
        ProcessJob job;
        job.InitFrom(*c.data);
        job.m_startDelayMs = 0;
        job.m_op = OP_SPECTRUM_FFT;
        job.m_cursor1 = 1000, job.m_cursor2 = 1000 + N;
        job.m_outputs.count = M;
        for (int i = 0; i < M; ++i)
            job.m_outputs.sources[i] = c.sources[static_cast<size_t>(i)];
        job.m_spectrum.m_lowerW = kTwoPi * 5.0;
        job.m_spectrum.m_upperW = kTwoPi * 450.0;
        job.m_spectrum.m_window = c.window;
        std::vector<std::vector<float>> first;
        for (const int cores : {1, 2, 3, 8}) {
            SCOPED_TRACE(std::string(c.what) + ", cores " + std::to_string(cores));
            engine::SetCoreWorkersForTest(cores);
            std::mutex mutex;
            std::set<std::thread::id> threads;
            engine::SetWorkerHooksForTest({}, [&](int) {
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
            });
            job.m_resultName = sdDir / ("~fft" + std::to_string(cores) + ".KVF");
            RecordingObserver obs;
            RunProcessJob(job, obs);
            ASSERT_TRUE(job.m_succeeded) << job.m_error;
            EXPECT_EQ(static_cast<int>(threads.size()), std::min(cores, M)); // never more than the cores
            const Result r = ReadResult(job.m_resultName);
            ASSERT_TRUE(r.ok);
            if (first.empty()) {
                first = r.rows;
            } else {
                EXPECT_EQ(r.rows, first); // bit for bit
                continue;
            }
            // The transform of the per-sample products, as magnitudes relative to the largest.
            const int64_t start = job.m_newCursor1;
            const int64_t b0 = FirstFftBin(5.0, c.data->Rate(), N);
            for (int i = 0; i < M; ++i) {
                const std::vector<double> x =
                    ProductPerSample(*c.data, c.sources[static_cast<size_t>(i)] - 1, start, static_cast<size_t>(N), c.window);
                std::vector<double> m(static_cast<size_t>(N));
                ASSERT_TRUE(oracle::FftMagnitudes(x.data(), m.data(), static_cast<size_t>(N)));
                double largest = 0.0;
                for (size_t b = 0; b < r.rows.size(); ++b)
                    largest = std::max(largest, m[static_cast<size_t>(b0) + b]);
                for (size_t b = 0; b < r.rows.size(); ++b) {
                    const double want = m[static_cast<size_t>(b0) + b] / largest;
                    const float db = r.rows[b][static_cast<size_t>(i)];
                    // The decibels are stored as float: half a float step of them, as a ratio.
                    const double step = std::nextafter(std::fabs(db), INFINITY) - std::fabs(db);
                    const double rounding = want * std::log(10.0) / 20.0 * step;
                    ASSERT_NEAR(std::pow(10.0, db / 20.0), want, 1e-12 + rounding) << i << " bin " << b;
                }
            }
        }
    }
}
