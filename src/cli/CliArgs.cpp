#include "cli/CliArgs.h"

#include <cmath>

#include "cli/CliCommon.h"
#include "core/export/ExportWriters.h"
#include "core/processing/FileUtil.h"

namespace vistrel::cli {

namespace {

const char* const kCommonValues[] = {"--from", "--to", "--hide", "--select", "--time-style", "--out"};

struct CommandTable {
    const char* name;
    std::vector<std::string> values;
    std::vector<std::string> flags;
};

const CommandTable kProcessingCommands[] = {
    {"movavg", {"--factor"}, {}},
    {"average", {"--factor"}, {}},
    {"axb", {"--coeffs"}, {}},
    {"rms", {"--freq"}, {}},
    {"addsub", {"--output"}, {}},
    {"tablefunc", {"--table"}, {}},
    {"spectrum", {"--channel", "--low-hz", "--high-hz", "--points", "--window", "--average", "--scaling"}, {"--fft"}},
    {"save-fragment", {"--devices"}, {}},
    {"save-channels", {"--channel"}, {}},
    {"filter", {"--kind", "--band", "--order", "--cutoff", "--ripple"}, {"--zero-phase"}},
    {"notch", {"--freq", "--harmonics", "--q"}, {"--zero-phase"}},
    {"detrend", {"--mode"}, {}},
    {"export", {"--channel", "--time", "--csv", "--h5-compression"}, {"--rf64"}},
    {"spectrogram", {"--channel", "--size", "--overlap", "--window"}, {}},
};

} // namespace

bool CommandOptions(const std::string& command, std::vector<std::string>& valueOptions,
                    std::vector<std::string>& flagOptions) {
    for (const auto& c : kProcessingCommands)
        if (command == c.name) {
            valueOptions = c.values;
            flagOptions = c.flags;
            return true;
        }
    return false;
}

bool ParseCommandArgs(int argc, char** argv, Args& args) {
    std::vector<std::string> values, flags;
    if (argc < 1 || !CommandOptions(argv[0], values, flags)) {
        args.error = "unknown command";
        return false;
    }
    return ParseArgs(argc, argv, values, flags, args);
}

bool ParseFromTo(const Args& args, int64_t samples, int64_t& from, int64_t& to, std::string& problem) {
    from = 0;
    to = samples;
    if (args.Has("--from") && !ParseIntegerOption("--from", args.Get("--from").c_str(), 0, samples, from, problem))
        return false;
    return !args.Has("--to") || ParseIntegerOption("--to", args.Get("--to").c_str(), 0, samples, to, problem);
}

bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions, Args& args) {
    auto isValue = [&](const std::string& a) {
        for (const char* c : kCommonValues)
            if (a == c)
                return true;
        for (const auto& v : valueOptions)
            if (a == v)
                return true;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) == 0) {
            if (isValue(a)) {
                if (i + 1 >= argc) {
                    args.error = "option " + a + " needs a value";
                    return false;
                }
                args.values.emplace(a, argv[++i]);
                continue;
            }
            bool known = false;
            for (const auto& f : flagOptions)
                known = known || a == f;
            if (!known) {
                args.error = "unknown option " + a;
                return false;
            }
            args.flags.push_back(a);
        } else if (args.file.empty()) {
            args.file = a;
        } else {
            args.error = "unexpected argument " + a;
            return false;
        }
    }
    if (args.file.empty()) {
        args.error = "no recording given";
        return false;
    }
    return true;
}

bool ParseIntIn(const std::string& text, int64_t lo, int64_t hi, int64_t& value) {
    return cli::ParseInt64(text.c_str(), value) && value >= lo && value <= hi;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(sep, from);
        parts.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos)
            return parts;
        from = at + 1;
    }
}

bool ParseRange(const std::string& text, float& low, float& high) {
    const auto parts = Split(text, ',');
    double a = 0, b = 0;
    if (parts.size() != 2 || !cli::ParseDouble(parts[0].c_str(), a) || !cli::ParseDouble(parts[1].c_str(), b) ||
        std::fabs(a) > kFloatMax || std::fabs(b) > kFloatMax)
        return false;
    low = static_cast<float>(a);
    high = static_cast<float>(b);
    return true;
}

std::string OutNameProblem(const std::string& command, const Args& args) {
    if (!args.Has("--out"))
        return std::string();
    const std::string name = args.Get("--out");
    if (name.empty())
        return "--out needs a file name";
    const std::filesystem::path path = PathFromUtf8(name);
    if (command == "save-channels" && !HasRecordingExtension(path))
        return "--out " + name + ": save-channels writes a recording; give a name ending in .kvf";
    if (command == "save-fragment" && !HasRecordingExtension(path) && !HasTextExtension(path))
        return "--out " + name + ": give a name ending in .kvf (a recording) or .txt (a text table)";
    if (command == "export" && exporting::FormatFromPath(path) == exporting::ExportFormat::None)
        return "--out " + name + ": give a name ending in .csv, .wav, .h5, .mat or .npy";
    return std::string();
}

} // namespace vistrel::cli
