// vistrel-cli labels: the markers of a recording as its sidecar NAME.kvf.labels holds them,
// one "start<TAB>end<TAB>text" line each in the listed (sorted) order; --add and --remove edit
// them and print the list that results.

#include "CliCommon.h"
#include "core/markers/MarkerStore.h"

#include <cinttypes>
#include <cstring>
#include <optional>
#include <string>

using namespace vistrel;

namespace {

constexpr const char* kUsage = "usage: vistrel-cli labels FILE [--add START[,END] TEXT | --remove INDEX]";

struct LabelsArgs {
    std::string file;
    std::optional<markers::Marker> add;
    std::optional<std::int64_t> remove;
};

// "START" or "START,END" in seconds: finite, START >= 0, END >= START.
bool ParseTimes(const std::string& text, markers::Marker& marker, std::string& problem) {
    const size_t comma = text.find(',');
    const std::string a = text.substr(0, comma);
    const std::string b = comma == std::string::npos ? a : text.substr(comma + 1);
    double start = 0, end = 0;
    if (!cli::ParseDouble(a.c_str(), start) || !cli::ParseDouble(b.c_str(), end) || start < 0 ||
        end < start || b.find(',') != std::string::npos) {
        problem = "--add " + text + ": give START or START,END in seconds, 0 <= START <= END";
        return false;
    }
    marker.start = start;
    marker.end = end;
    return true;
}

bool ParseLabelsArgs(int argc, char** argv, LabelsArgs& args, std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--add" || a == "--remove") {
            if (args.add || args.remove) {
                problem = "give one --add or --remove per call";
                return false;
            }
            const int need = a == "--add" ? 2 : 1;
            if (i + need >= argc) {
                problem = a == "--add" ? "--add needs START[,END] and TEXT" : "--remove needs INDEX";
                return false;
            }
            if (a == "--add") {
                markers::Marker m;
                if (!ParseTimes(argv[i + 1], m, problem))
                    return false;
                m.text = argv[i + 2];
                args.add = m;
            } else {
                std::int64_t index = 0;
                if (!cli::ParseIntegerOption("--remove", argv[i + 1], 1, INT64_MAX, index, problem))
                    return false;
                args.remove = index;
            }
            i += need;
        } else if (a.rfind("--", 0) == 0) {
            problem = "unknown option " + a;
            return false;
        } else if (args.file.empty()) {
            args.file = a;
        } else {
            problem = "unexpected argument " + a;
            return false;
        }
    }
    if (args.file.empty()) {
        problem = kUsage;
        return false;
    }
    return true;
}

} // namespace

int CmdLabels(int argc, char** argv)
{
    LabelsArgs args;
    std::string problem;
    if (!ParseLabelsArgs(argc, argv, args, problem))
        return args.file.empty() ? cli::Fail(problem) : cli::Fail(PathFromUtf8(args.file), problem);
    const std::filesystem::path path = PathFromUtf8(args.file);
    // The markers belong to a recording: a name that is none gets no sidecar.
    cli::StderrOpenObserver observer;
    CDataFile file(&observer);
    if (!cli::OpenRecording(file, path)) return 2;

    markers::MarkerStore store(path);
    markers::MarkerFileStatus status = store.Load();
    if (!status.Ok()) return cli::Fail(store.Sidecar(), status.English());
    if (args.add) {
        // Times lie within the recording: from its first sample to the end of its last.
        const double length = file.Rate() > 0 ? static_cast<double>(file.Samples()) / file.Rate() : 0.0;
        if (args.add->end > length) {
            char text[64];
            std::snprintf(text, sizeof text, "%.9g", length);
            return cli::Fail(path, "--add: the time lies beyond the end of the recording (" +
                                       std::string(text) + " s)");
        }
        status = store.Add(*args.add);
    } else if (args.remove) {
        const std::int64_t count = static_cast<std::int64_t>(store.Markers().size());
        if (*args.remove > count)
            return cli::Fail(store.Sidecar(), "--remove " + std::to_string(*args.remove) + ": there " +
                                                  (count == 1 ? "is 1 marker" : "are " + std::to_string(count) + " markers"));
        status = store.Remove(static_cast<size_t>(*args.remove - 1));
    }
    if (!status.Ok()) return cli::Fail(store.Sidecar(), status.English());

    std::string out;
    for (const markers::Marker& m : store.Markers()) out += markers::FormatMarkerLine(m) + "\n";
    cli::WriteOutput(out);
    return cli::FinishOutput();
}
