#pragma once
// Helpers of the engine tests: a source recording with its job, a recording observer, and a
// reader of results.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "platform/TimeZone.h"
#include "support/Fixtures.h"

namespace vistrel::test {

struct RecordingObserver : IProcessObserver {
    std::vector<int> titles, percents;
    std::vector<std::string> failures;
    std::vector<std::filesystem::path> opened;
    int64_t cursor1 = -1, cursor2 = -1;
    void ProgressTitle(int id) override { titles.push_back(id); }
    void Progress(int p) override { percents.push_back(p); }
    void Failed(const std::string& m) override { failures.push_back(m); }
    void OpenResult(const std::filesystem::path& p) override { opened.push_back(p); }
    void CursorsMoved(int64_t a, int64_t b) override { cursor1 = a, cursor2 = b; }
};

// Fixes the time-zone bias for the life of a test.
struct BiasGuard {
    explicit BiasGuard(int minutes) { platform::OverrideTimeZoneBias(minutes); }
    ~BiasGuard() { platform::OverrideTimeZoneBias(std::nullopt); }
};

struct Source {
    TempDir dir;
    std::filesystem::path file;
    CDataFile data;
    ProcessJob job;
    explicit Source(const FloatFixture& fx, const std::string& name = "src.kvf");
    // Runs the job with the result in the test folder under `name`.
    RecordingObserver Run(ProcessOp op, const std::string& name = "~result.KVF");
};

struct Result {
    bool ok = false;
    uint32_t channelWord = 0;
    int channels = 0;
    int devices = 0;
    float rate = 0;
    int64_t samples = 0;
    int64_t startUtc = 0;
    uint32_t adcFlags = 0;
    int selected = 0;
    std::vector<ChannelEntry> entries;
    std::vector<uint32_t> colours;
    std::vector<int> widths, visible;
    std::vector<std::vector<float>> rows;
    uint64_t dataBytes = 0;
    float at(int64_t row, int col) const { return rows[static_cast<size_t>(row)][static_cast<size_t>(col)]; }
};
Result ReadResult(const std::filesystem::path& path);

// Files of a folder whose name does not end in ".kvf" of the source.
std::vector<std::string> FilesIn(const std::filesystem::path& dir);

} // namespace vistrel::test
