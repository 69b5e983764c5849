// vistrel-cli info / dump: the header figures of a recording as JSON, and its samples as text.

#include "CliCommands.h"
#include "CliCommon.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TimeBase.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace vistrel;

namespace {

std::string JsonNumber(double v)
{
    if (!std::isfinite(v)) return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// Shortest form that reads back to the same single-precision value.
std::string JsonFloat(float v)
{
    if (!std::isfinite(v)) return "null";
    char buf[40];
    for (int prec = 6; prec <= 9; ++prec) {
        std::snprintf(buf, sizeof buf, "%.*g", prec, static_cast<double>(v));
        if (std::strtof(buf, nullptr) == v) break;
    }
    return buf;
}

template <typename F>
std::string JsonArray(int n, F item)
{
    std::string s = "[";
    for (int i = 0; i < n; ++i) {
        if (i) s += ",";
        s += item(i);
    }
    return s + "]";
}

} // namespace

std::string vistrel::cli::InfoJson(const CDataFile& file)
{
    const int n = file.Channels();
    // What a new plot window shows: its defaults, then the recording's stored settings.
    int selected = 0;
    std::vector<std::uint32_t> colours(kvf::kMaxChannels);
    std::vector<int> visible(kvf::kMaxChannels, 1), widths(kvf::kMaxChannels, 1);
    for (int i = 0; i < kvf::kMaxChannels; ++i) colours[i] = DefaultTraceColour(i);
    file.ReadDisplaySettings(&selected, colours.data(), visible.data(), widths.data());
    std::string out = "{";
    auto field = [&](const char* key, const std::string& value) {
        if (out.size() > 1) out += ",";
        out += "\"";
        out += key;
        out += "\":";
        out += value;
    };
    auto num = [](auto v) { return std::to_string(v); };
    field("type", num(file.Type()));
    field("channels", num(n));
    field("devices", num(file.Devices()));
    field("channels_per_device", num(file.ChannelsPerDevice()));
    field("rate", JsonFloat(file.Rate()));
    field("samples", num(file.Samples()));
    field("header_length", num(file.HeaderLength()));
    field("mode", num(file.Mode()));
    field("start_utc", num(file.StartTime()));
    field("start_local", num(ToLocalTime(file.StartTime())));
    field("channel_entries", JsonArray(n, [&](int i) {
              const ChannelEntry e = file.Channel(i);
              return "{\"number\":" + std::to_string(e.number) + ",\"low\":" + JsonNumber(e.low) +
                     ",\"high\":" + JsonNumber(e.high) + "}";
          }));
    std::string display = "{\"selected\":" + num(selected);
    display += ",\"colors\":" + JsonArray(n, [&](int i) { return num(colours[i]); });
    display += ",\"widths\":" + JsonArray(n, [&](int i) { return num(widths[i]); });
    display += ",\"hidden\":" + JsonArray(n, [&](int i) { return std::string(visible[i] ? "false" : "true"); });
    display += "}";
    field("display", display);
    field("adc_flags", num(file.AdcFlags()));
    if (file.Type() == 6) {
        field("sectors", num(file.Sectors()));
        field("logical_sectors", num(file.LogicalSectors()));
        field("phase", num(file.Phase()));
        field("first_sector", file.LogicalSectors() ? num(file.SectorMap()[0]) : std::string("null"));
        field("gains", JsonArray(n, [&](int i) { return num(file.GainIndex(i)); }));
        field("cal_sets", JsonArray(n, [&](int i) { return num(file.CalSet(i)); }));
    }
    out += "}\n";
    return out;
}

int CmdInfo(int argc, char** argv)
{
    if (argc != 2) return cli::Fail("usage: vistrel-cli info FILE");
    const std::filesystem::path path = PathFromUtf8(argv[1]);
    cli::StderrOpenObserver observer;
    CDataFile file(&observer);
    if (!cli::OpenRecording(file, path)) return 2;
    const std::string out = cli::InfoJson(file);
    if (!cli::UnchangedOnDisk(file)) return 2;
    cli::WriteOutput(out);
    return cli::FinishOutput();
}

int CmdDump(int argc, char** argv)
{
    const char* usage = "usage: vistrel-cli dump FILE [--from K] [--count N]";
    if (argc < 2) return cli::Fail(usage);
    const std::filesystem::path path = PathFromUtf8(argv[1]);
    std::int64_t from = 0, count = -1;
    for (int i = 2; i < argc; i += 2) {
        if (i + 1 >= argc) return cli::Fail(usage);
        std::int64_t v = 0;
        std::string problem;
        if ((std::strcmp(argv[i], "--from") == 0 || std::strcmp(argv[i], "--count") == 0) &&
            !cli::ParseIntegerOption(argv[i], argv[i + 1], 0, INT64_MAX, v, problem))
            return cli::Fail(problem);
        if (std::strcmp(argv[i], "--from") == 0)
            from = v;
        else if (std::strcmp(argv[i], "--count") == 0)
            count = v;
        else
            return cli::Fail(std::string("unknown option '") + argv[i] + "'");
    }
    cli::StderrOpenObserver observer;
    CDataFile file(&observer);
    if (!cli::OpenRecording(file, path)) return 2;

    const std::int64_t total = file.Samples();
    std::int64_t end = total;
    if (from > total) from = total;
    if (count >= 0 && count < total - from) end = from + count;
    const int n = file.Channels();
    std::string buf;
    buf.reserve(1 << 16);
    char num[40];
    for (std::int64_t k = from; k < end; ++k) {
        for (int c = 0; c < n; ++c) {
            if (c) buf += ' ';
            int len = std::snprintf(num, sizeof num, "%.17g",
                                    static_cast<double>(file.SampleValue(static_cast<std::uint64_t>(k), c)));
            buf.append(num, static_cast<size_t>(len));
        }
        buf += '\n';
        // Each block is printed only once the file proved unchanged after its values were read.
        if (buf.size() > (1 << 16) - 4096) {
            if (!cli::UnchangedOnDisk(file)) return 2;
            if (!cli::WriteOutput(buf)) return cli::FinishOutput();
            buf.clear();
        }
    }
    if (!cli::UnchangedOnDisk(file)) return 2;
    cli::WriteOutput(buf);
    return cli::FinishOutput();
}
