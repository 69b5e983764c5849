#include "ProcessingTestUtil.h"

#include <algorithm>

namespace vistrel::test {

Source::Source(const FloatFixture& fx, const std::string& name) : file(dir / name) {
    if (!WriteFloatFixture(file, fx) || data.Open(file) != 1)
        throw std::runtime_error("cannot write the source recording");
    job.InitFrom(data);
    job.m_startDelayMs = 0;
}

RecordingObserver Source::Run(ProcessOp op, const std::string& name) {
    RecordingObserver obs;
    job.m_op = op;
    job.m_resultName = dir / name;
    RunProcessJob(job, obs);
    return obs;
}

Result ReadResult(const std::filesystem::path& path) {
    Result r;
    const std::vector<uint8_t> bytes = ReadAll(path);
    if (bytes.size() < 72)
        return r;
    r.channelWord = kvf::Get<uint32_t>(bytes.data() + 68);
    CDataFile f;
    if (f.Open(path) != 1)
        return r;
    int selected = 0;
    uint32_t colours[256] = {};
    int visible[256], widths[256];
    std::fill(visible, visible + 256, 1);
    std::fill(widths, widths + 256, 1);
    f.ApplyDisplaySettings(&selected, colours, visible, widths);
    r.ok = true;
    r.channels = f.Channels();
    r.devices = f.Devices();
    r.rate = f.Rate();
    r.samples = f.Samples();
    r.startUtc = f.StartTime();
    r.adcFlags = f.AdcFlags();
    r.selected = selected;
    r.dataBytes = f.FileSize() - f.HeaderLength();
    for (int c = 0; c < r.channels; ++c) {
        r.entries.push_back(f.Channel(c));
        r.colours.push_back(colours[c]);
        r.widths.push_back(widths[c]);
        r.visible.push_back(visible[c]);
    }
    for (int64_t k = 0; k < r.samples; ++k) {
        std::vector<float> row;
        for (int c = 0; c < r.channels; ++c)
            row.push_back(static_cast<float>(f.SampleValue(static_cast<uint64_t>(k), c)));
        r.rows.push_back(row);
    }
    return r;
}

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace vistrel::test
