// vistrel-cli spectrogram: the short-time spectra of one channel as a float64 matrix in
// decibels (NPY with a JSON sidecar, or CSV).
#include <cstdio>
#include <string>
#include <algorithm>

#include "cli/CliArgs.h"
#include "cli/CliCommon.h"
#include "core/export/SpectrogramExport.h"
#include "core/recording/DataFile.h"
#include "platform/Interrupt.h"
#include "platform/Threads.h"

using namespace vistrel;
using namespace vistrel::cli;

int CmdSpectrogram(int argc, char** argv) {
    platform::InstallInterruptHandlers();
    Args args;
    if (!ParseCommandArgs(argc, argv, args))
        return cli::Fail(std::string("spectrogram: ") + args.error);
    if (!args.Has("--channel"))
        return cli::Fail("spectrogram: --channel is required");
    if (!args.Has("--out"))
        return cli::Fail("spectrogram: --out is required");
    for (const char* unused : {"--hide", "--select", "--time-style"})
        if (args.Has(unused))
            return cli::Fail(std::string("spectrogram: ") + unused + " does not apply: one channel is analysed");
    if (spectro::MatrixFormatOf(PathFromUtf8(args.Get("--out"))) == spectro::MatrixFormat::None)
        return cli::Fail("spectrogram: --out must name a .npy or .csv file");

    const std::filesystem::path path = PathFromUtf8(args.file);
    cli::StderrOpenObserver openObserver;
    CDataFile file(&openObserver);
    if (!cli::OpenRecording(file, path))
        return 2;
    spectro::SpectrogramExportJob job;
    int64_t v = 0;
    double d = 0;
    std::string problem;
    if (!cli::ParseIntegerOption("--channel", args.Get("--channel").c_str(), 1, file.Channels(), v, problem))
        return cli::Fail(path, problem);
    job.channel = static_cast<int>(v - 1);
    if (args.Has("--size")) {
        if (!cli::ParseIntegerOption("--size", args.Get("--size").c_str(), static_cast<int64_t>(spectro::kMinStftSize),
                                     static_cast<int64_t>(spectro::kMaxStftSize), v, problem))
            return cli::Fail(path, problem);
        job.settings.size = static_cast<size_t>(v);
    }
    if (args.Has("--overlap")) {
        if (!cli::ParseNumberOption("--overlap", args.Get("--overlap").c_str(), 0.0, spectro::kMaxOverlapPercent, d,
                                    problem))
            return cli::Fail(path, problem);
        job.settings.overlapPercent = d;
    }
    if (args.Has("--window")) {
        if (!cli::ParseIntegerOption("--window", args.Get("--window").c_str(), 0, 4, v, problem))
            return cli::Fail(path, problem);
        job.settings.window = static_cast<int32_t>(v);
    }
    if (!ParseFromTo(args, file.Samples(), job.from, job.to, problem))
        return cli::Fail(path, problem);
    job.source = &file;
    job.target = PathFromUtf8(args.Get("--out"));
    job.workers = std::clamp(platform::AvailableCores(), 1, 8);
    job.stopRequested = cli::StopCheck();
    spectro::RunSpectrogramExport(job);
    if (job.interrupted || (!job.succeeded && cli::StopRequested())) {
        cli::Note("interrupted; no result was kept");
        return cli::InterruptedStatus();
    }
    if (!job.succeeded)
        return cli::Fail(path, job.error);
    std::string names;
    for (const auto& written : job.written)
        names += PathToUtf8(written) + "\n";
    WriteOutput(names);
    if (const int status = FinishOutput("the spectrogram was written, but its name cannot be printed"); status != 0)
        return status;
    return cli::StopRequested() ? cli::InterruptedStatus() : 0;
}
