// vistrel-cli stats: statistics of every channel (or the listed ones) over a fragment, as one
// JSON object. Everything but the crossing frequency comes from the recording's summaries
// when the user's cache holds them (or when the fragment is long enough that building them
// costs no more than the scan they replace); the frequency needs one pass over the fragment.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliCommon.h"
#include "core/measure/Statistics.h"
#include "core/processing/ProcessJob.h"
#include "core/view/RecordingSource.h"
#include "core/view/Summaries.h"
#include "core/view/SummaryBuilder.h"
#include "core/view/SummaryCache.h"
#include "platform/FileIdentity.h"
#include "platform/Interrupt.h"

using namespace vistrel;
using namespace vistrel::cli;

namespace {

std::string Number(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string Integer(uint64_t v) { return std::to_string(v); }

// The summaries from the user's cache; when there are none and the fragment covers at least a
// quarter of a recording of some size, built now (one read of the file, about what the
// statistics would read anyway) and stored for the next run.
std::shared_ptr<const CSummaries> CachedSummaries(const CDataFile& file, const ISampleSource& src, uint64_t a,
                                                  uint64_t b) {
    const CSummaryCache cache(platform::UserCacheFolder(), kSummaryCacheLimit);
    SummaryCacheKey key;
    if (cache.Folder().empty() || !MakeSummaryCacheKey(file, key)) return nullptr;
    if (auto s = cache.Load(key, src)) return s;
    const uint64_t n = src.Samples();
    if (b - a < 4 * kSummaryCoarseRows || (b - a) * 4 < n) return nullptr;
    std::atomic<bool> cancel{false};
    std::shared_ptr<const CSummaries> built = CSummaries::Build(src, &cancel, nullptr, CSummaryBuilder::Threads());
    SummaryCacheKey after;
    if (built && file.MappedFileUnchanged() && MakeSummaryCacheKey(file, after) && after == key)
        cache.Store(key, *built);
    return built;
}

} // namespace

int CmdStats(int argc, char** argv) {
    platform::InstallInterruptHandlers();
    Args args;
    if (!ParseArgs(argc, argv, {"--channel"}, {"--quick"}, args))
        return Fail(std::string("stats: ") + args.error);
    for (const char* other : {"--hide", "--select", "--time-style", "--out"})
        if (args.Has(other)) return Fail(std::string("stats: unknown option ") + other);
    const std::filesystem::path path = PathFromUtf8(args.file);
    StderrOpenObserver openObserver;
    CDataFile file(&openObserver);
    if (!OpenRecording(file, path)) return 2;
    const int n = file.Channels();
    int64_t from = 0, to = file.Samples(), v = 0;
    std::string problem;
    if (!ParseFromTo(args, file.Samples(), from, to, problem))
        return Fail(path, problem);
    // The processing commands' rule: samples min(A, B) .. max(A, B) - 1.
    const uint64_t a = static_cast<uint64_t>(std::min(from, to)), b = static_cast<uint64_t>(std::max(from, to));
    if (a == b) return Fail(path, "the fragment is empty; there are no statistics to print");
    std::vector<int> channels;
    for (const std::string& item : args.All("--channel")) {
        if (!ParseIntIn(item, 1, n, v))
            return Fail(path, "--channel: '" + item + "': " + IntegerRangeText("a channel", 1, n));
        channels.push_back(static_cast<int>(v - 1));
    }
    if (channels.empty())
        for (int c = 0; c < n; ++c) channels.push_back(c);

    CRecordingSource recording(&file);
    CSummarizedSource src(recording);
    src.Attach(CachedSummaries(file, recording, a, b));
    std::vector<ChannelStatistics> stats = QuickStatistics(src, channels, a, b);
    const bool quick = args.Flag("--quick");
    if (!quick) {
        CommandObserver observer;
        if (!AddCrossingFrequency(src, a, b, static_cast<double>(file.Rate()), stats, &observer)) {
            Note("interrupted");
            return InterruptedStatus();
        }
    }
    if (!UnchangedOnDisk(file)) return 2;

    std::string out = "{\"from\":" + Integer(a) + ",\"to\":" + Integer(b) + ",\"channels\":[";
    for (size_t i = 0; i < stats.size(); ++i) {
        const ChannelStatistics& s = stats[i];
        const bool has = s.HasValues();
        auto value = [has](double x) { return has ? Number(x) : std::string("null"); };
        auto position = [has](uint64_t p) { return has ? Integer(p) : std::string("null"); };
        out += i ? ",{" : "{";
        out += "\"channel\":" + std::to_string(s.channel + 1) + ",\"count\":" + Integer(s.count) +
               ",\"non_finite\":" + Integer(s.nonFinite) + ",\"min\":" + value(s.min) +
               ",\"min_at\":" + position(s.minAt) + ",\"max\":" + value(s.max) + ",\"max_at\":" + position(s.maxAt) +
               ",\"mean\":" + value(s.mean) + ",\"rms\":" + value(s.rms) + ",\"std\":" + value(s.std) +
               ",\"p2p\":" + value(s.p2p) + ",\"mean_abs\":" + value(s.meanAbs);
        if (!quick) out += ",\"frequency\":" + (s.hasFrequency ? Number(s.frequency) : std::string("null"));
        out += "}";
    }
    out += "]}\n";
    WriteOutput(out);
    return FinishOutput();
}
