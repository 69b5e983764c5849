// An uncompressed HDF5 export holds the exported rows as one contiguous block of little-endian
// float32: whether they were written straight from the recording's mapping (every channel of
// a float recording) or through the row buffer (a channel subset, an SD image), the block
// must be exactly the rows SampleValue gives, in order.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "core/export/Export.h"

using namespace vistrel;
using namespace vistrel::exporting;
using namespace vistrel::test;

namespace {

std::string FileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The rows from .. to - 1 of `channels` as float32 bytes, from SampleValue.
std::string ExpectedRows(const CDataFile& data, int64_t from, int64_t to, const std::vector<int>& channels) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(to - from) * channels.size() * 4);
    for (int64_t k = from; k < to; ++k)
        for (const int c : channels) {
            const float v = static_cast<float>(data.SampleValue(static_cast<uint64_t>(k), c));
            char b[4];
            std::memcpy(b, &v, 4);
            bytes.append(b, 4);
        }
    return bytes;
}

} // namespace

TEST(ExportContiguousH5, HoldsTheRowsInOneBlock) {
    if (!FormatAvailable(ExportFormat::Hdf5))
        GTEST_SKIP() << "built without libhdf5";
    // 3 channels x 700000 rows: about 8 MiB, so the rows from the mapping go in several blocks.
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 1000.0;
    fx.samples = 700000;
    fx.value = [](uint64_t k, int c) { return static_cast<float>(k % 9973) * 0.25f - static_cast<float>(c) * 1.5f; };
    Source src(fx);
    TempDir sdDir;
    SdFixture sd;
    sd.descriptors = {0x0000, 0x0101};
    sd.k1cal[0] = 0.5f;
    sd.b1cal[0] = -3.0f;
    sd.sectorNumbers = {0, 1, 2, 3};
    ASSERT_TRUE(WriteSdFixture(sdDir / "sd.kvf", sd));
    CDataFile sdData;
    ASSERT_EQ(sdData.Open(sdDir / "sd.kvf"), 1);
    struct Case {
        const char* what;
        CDataFile* data;
        std::vector<int> channels;
        int64_t from, to; // to < 0: to the end
    };
    const Case cases[] = {
        {"every channel, whole recording", &src.data, {0, 1, 2}, 0, -1},
        {"every channel, fragment past the first block", &src.data, {0, 1, 2}, 123457, 654321},
        {"every channel, one row", &src.data, {0, 1, 2}, 699999, -1},
        {"channel subset", &src.data, {2, 0}, 1000, 400000},
        {"SD image", &sdData, {1, 0}, 0, -1},
    };
    for (const Case& c : cases) {
        ExportJob job;
        job.source = c.data;
        job.channels = c.channels;
        job.from = c.from;
        job.to = c.to < 0 ? c.data->Samples() : c.to;
        job.h5Deflate = false;
        job.target = sdDir / "out.h5";
        RecordingObserver obs;
        RunExport(job, obs);
        ASSERT_TRUE(job.succeeded) << c.what << ": " << job.error;
        const std::string file = FileBytes(job.target);
        const std::string rows = ExpectedRows(*c.data, job.from, job.to, c.channels);
        const size_t at = file.find(rows);
        ASSERT_NE(at, std::string::npos) << c.what;
        // Only the attributes and the file's own structures lie outside the block.
        EXPECT_LT(file.size() - rows.size(), 8192u) << c.what;
        EXPECT_EQ(obs.percents.back(), 100) << c.what;
    }
}

TEST(ExportContiguousH5, StopBetweenBlocksLeavesNoFile) {
    if (!FormatAvailable(ExportFormat::Hdf5))
        GTEST_SKIP() << "built without libhdf5";
    FloatFixture fx;
    fx.layout.channels = 4;
    fx.layout.rate = 1000.0;
    fx.samples = 600000; // 9.6 MB: more than one block from the mapping
    Source src(fx);
    struct StopAt : RecordingObserver {
        int polls = 0, stopAt = 0;
        bool StopRequested() override { return ++polls >= stopAt; }
    };
    for (const int stopAt : {1, 2, 3}) {
        ExportJob job;
        job.source = &src.data;
        job.channels = {0, 1, 2, 3};
        job.to = src.data.Samples();
        job.h5Deflate = false;
        job.target = src.dir / "s.h5";
        StopAt obs;
        obs.stopAt = stopAt;
        RunExport(job, obs);
        EXPECT_FALSE(job.succeeded) << stopAt;
        EXPECT_TRUE(job.interrupted) << stopAt << " " << job.error;
        EXPECT_EQ(FilesIn(src.dir.Path()), std::vector<std::string>{"src.kvf"}) << stopAt;
    }
}
