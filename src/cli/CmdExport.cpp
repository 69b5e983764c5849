// vistrel-cli export: the fragment's values in the formats other tools read (CSV, WAV, HDF5,
// MAT v7.3, NPY), chosen by the extension of --out.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/CliArgs.h"
#include "cli/CliCommon.h"
#include "core/export/Export.h"
#include "core/recording/DataFile.h"
#include "platform/Interrupt.h"

using namespace vistrel;
using namespace vistrel::cli;

int CmdExport(int argc, char** argv) {
    platform::InstallInterruptHandlers();
    Args args;
    if (!ParseCommandArgs(argc, argv, args))
        return cli::Fail(std::string("export: ") + args.error);
    if (!args.Has("--out"))
        return cli::Fail("export: --out is required");
    if (const std::string bad = OutNameProblem("export", args); !bad.empty())
        return cli::Fail("export: " + bad);
    exporting::ExportJob job;
    const std::string time = args.Has("--time") ? args.Get("--time") : "relative";
    if (time == "relative")
        job.time = exporting::TimeColumn::Relative;
    else if (time == "absolute")
        job.time = exporting::TimeColumn::Absolute;
    else if (time == "none")
        job.time = exporting::TimeColumn::None;
    else
        return cli::Fail("export: --time must be relative, absolute or none");
    const std::string dialect = args.Has("--csv") ? args.Get("--csv") : "comma";
    if (dialect == "comma")
        job.dialect = exporting::CsvDialect::Comma;
    else if (dialect == "semicolon")
        job.dialect = exporting::CsvDialect::Semicolon;
    else
        return cli::Fail("export: --csv must be comma or semicolon");
    job.forceRf64 = args.Flag("--rf64");
    if (args.Has("--h5-compression")) {
        const std::string compression = args.Get("--h5-compression");
        if (compression != "none" && compression != "deflate")
            return cli::Fail("export: --h5-compression must be none or deflate");
        if (exporting::FormatFromPath(PathFromUtf8(args.Get("--out"))) != exporting::ExportFormat::Hdf5)
            return cli::Fail("export: --h5-compression applies to .h5 files only");
        job.h5Deflate = compression == "deflate";
    }

    const std::filesystem::path path = PathFromUtf8(args.file);
    cli::StderrOpenObserver openObserver;
    CDataFile file(&openObserver);
    if (!cli::OpenRecording(file, path))
        return 2;
    const int n = file.Channels();
    int64_t v = 0;
    std::string problem;
    if (!ParseFromTo(args, file.Samples(), job.from, job.to, problem))
        return cli::Fail(path, problem);
    if (job.from == job.to)
        return cli::Fail(path, "the fragment is empty; nothing was exported");
    // The default columns are the channels shown in a freshly opened window, less --hide.
    auto window = std::make_unique<ProcessJob>();
    window->InitFrom(file);
    for (const std::string& list : args.All("--hide"))
        for (const std::string& item : Split(list, ',')) {
            if (!ParseIntIn(item, 1, n, v))
                return cli::Fail(path, "--hide: '" + item + "': " + cli::IntegerRangeText("a channel", 1, n));
            window->m_channelShown[v - 1] = 0;
        }
    for (const std::string& item : args.All("--channel")) {
        if (!ParseIntIn(item, 1, n, v))
            return cli::Fail(path, "--channel: '" + item + "': " + cli::IntegerRangeText("a channel", 1, n));
        job.channels.push_back(static_cast<int>(v - 1));
    }
    if (job.channels.empty())
        for (int c = 0; c < n && c < kJobChannels; ++c)
            if (window->m_channelShown[c] != 0)
                job.channels.push_back(c);
    if (job.channels.empty())
        return cli::Fail(path, "no channel to export (all hidden)");
    job.source = &file;
    job.target = PathFromUtf8(args.Get("--out"));

    cli::CommandObserver observer;
    exporting::RunExport(job, observer);
    if (job.interrupted || (!job.succeeded && cli::StopRequested())) {
        cli::Note("interrupted; no result was kept");
        return cli::InterruptedStatus();
    }
    if (!job.succeeded)
        return cli::Fail(path, job.error.empty() ? "the export failed" : job.error);
    const std::string name = PathToUtf8(job.target);
    WriteOutput(name + "\n");
    if (const int status = FinishOutput(name + " was written, but its name cannot be printed"); status != 0)
        return status;
    return cli::StopRequested() ? cli::InterruptedStatus() : 0;
}
