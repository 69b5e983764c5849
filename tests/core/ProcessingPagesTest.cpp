// A run through a long recording lets the pages it has read go behind it: the process holds
// little of the file however long it is (the page cache keeps what the system decides).
#include <gtest/gtest.h>

#include "ProcessingTestUtil.h"
#include "core/processing/Engine.h"
#include "support/LongRecordings.h"

using namespace vistrel;
using namespace vistrel::test;

TEST(ProcessingPages, RunOverALongRecordingDoesNotStayResident) {
#if !defined(__linux__)
    GTEST_SKIP() << "the resident set is read from /proc on Linux";
#elif defined(VISTREL_SHADOW_MEMORY)
    GTEST_SKIP() << "a sanitizer's shadow memory grows with every page read";
#else
    FloatFixture small;
    small.layout.channels = 2;
    Source s(small);
    const auto path = s.dir / "long.kvf";
    const uint64_t fileBytes = uint64_t{2} << 30;
    const uint64_t samples = fileBytes / 8;
    if (!WriteSparseFloatRecording(path, 2, samples, {4096.0f, -4096.0f}))
        GTEST_SKIP() << "the file system keeps no sparse file of 2 GiB";
    ASSERT_EQ(s.data.Open(path), 1);
    s.job.InitFrom(s.data);
    s.job.m_startDelayMs = 0;
    s.job.m_cursor1 = 0;
    s.job.m_cursor2 = static_cast<int64_t>(samples);
    s.job.m_averagingFactor = 4096;
    ResidentPeak peak;
    ASSERT_TRUE(peak.Known());
    s.Run(OP_AVERAGE, "avg.kvf");
    const uint64_t growth = peak.Growth();
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_LT(growth, fileBytes / 16);
    const Result r = ReadResult(s.dir / "avg.kvf");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.samples, static_cast<int64_t>((samples - 1) / 4096 + 1));
    EXPECT_EQ(r.at(0, 0), 0.0f);
    s.data.Close();
#endif
}
