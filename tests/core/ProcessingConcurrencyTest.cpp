// A job on its worker thread (with the spectrum's own threads) while the window's thread keeps
// reading the same recording: results byte for byte those of a quiet run. Run under
// ThreadSanitizer by scripts/test.sh.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "ProcessingTestUtil.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

FloatFixture Wave() {
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 48000.0;
    fx.samples = 6000;
    fx.value = [](uint64_t k, int c) {
        return static_cast<float>((c + 1) * std::sin(kTwoPi * 1000.0 * static_cast<double>(k) / 48000.0));
    };
    return fx;
}

void Prepare(Source& s, ProcessOp op) {
    s.job.m_op = op;
    s.job.m_averagingFactor = 4;
    s.job.m_channelShown[1] = 0;
    OutputChannelList& l = s.job.m_outputs;
    l.count = 2;
    l.sources[0] = 1, l.sources[1] = 3;
    l.spectrumPoints = 64;
    s.job.m_spectrum.m_lowerW = kTwoPi * 500;
    s.job.m_spectrum.m_upperW = kTwoPi * 1500;
}

} // namespace

TEST(ProcessingThreads, JobsWhileTheWindowReadsTheSameRecording) {
    for (ProcessOp op : {OP_SPECTRUM, OP_SPECTRUM_FFT, OP_MOVING_AVERAGE, OP_SAVE_FRAGMENT}) {
        SCOPED_TRACE(static_cast<int>(op));
        // A quiet run gives the expected bytes.
        Source quiet(Wave());
        Prepare(quiet, op);
        quiet.Run(op, "~quiet.KVF");
        ASSERT_TRUE(quiet.job.m_succeeded) << quiet.job.m_error;
        const auto expected = ReadAll(quiet.dir / "~quiet.KVF");

        Source s(Wave());
        Prepare(s, op);
        // The window's tables, recorded on this (the window's) thread.
        int selected = 2, shown[256], widths[256];
        uint32_t colours[256];
        for (int i = 0; i < 256; ++i)
            shown[i] = 1, widths[i] = 1, colours[i] = 0x10203u;
        s.data.ApplyDisplaySettings(&selected, colours, shown, widths);
        s.job.m_resultName = s.dir / "~busy.KVF";
        RecordingObserver obs;
        std::thread worker = StartProcessThread(s.job, obs);
        std::atomic<bool> done{false};
        std::thread joiner([&] {
            worker.join();
            done = true;
        });
        long double sum = 0;
        int rounds = 0;
        while (!done.load() || rounds == 0) {
            for (int64_t k = 0; k < s.data.Samples(); k += 7)
                for (int c = 0; c < s.data.Channels(); ++c)
                    sum += s.data.SampleValue(static_cast<uint64_t>(k), c);
            EXPECT_FALSE(s.data.ChangedOnDisk());
            int sel = 0, vis[256], wid[256];
            uint32_t col[256];
            s.data.ReadDisplaySettings(&sel, col, vis, wid);
            ASSERT_EQ(s.data.WriteDerivedHeader(s.dir / "window.kvf", 1), 1);
            ++rounds;
        }
        joiner.join();
        EXPECT_TRUE(std::isfinite(static_cast<double>(sum)));
        ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
        EXPECT_EQ(ReadAll(s.dir / "~busy.KVF"), expected);
        EXPECT_GT(rounds, 0);
    }
}
