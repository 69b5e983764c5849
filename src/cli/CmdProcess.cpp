// vistrel-cli subcommands of the processing and saving operations: each fills a job the way
// a freshly opened plot window with the given cursors and parameters would, and runs it.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliCommon.h"
#include "cli/ProcessCommand.h"
#include "core/common/FileProblemText.h"
#include "core/processing/LinearCoeffs.h"
#include "core/processing/ParamChecks.h"
#include "core/processing/ProcessJob.h"
#include "core/processing/Spectrogram.h"
#include "core/processing/SpectrumChecks.h"
#include "core/processing/ResultName.h"
#include "core/processing/TableFunction.h"
#include "core/recording/DataFile.h"
#include "platform/Interrupt.h"

using namespace vistrel;
using namespace vistrel::cli;

namespace {

// An integer option in lo..hi; `problem` says the range otherwise.
bool IntOption(const Args& a, const std::string& name, int64_t lo, int64_t hi, int64_t& value,
               std::string& problem) {
    return cli::ParseIntegerOption(name, a.Get(name).c_str(), lo, hi, value, problem);
}

// A number as the messages print it.
std::string NumberText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Runs a subcommand: opens the recording, applies the common options, lets `fill` set the
// operation's parameters, runs the job and reports.
template <typename Fill>
int RunCommand(int argc, char** argv, Fill fill) {
    // Ctrl-C and termination stop the operation, which removes its temporary file.
    platform::InstallInterruptHandlers();
    Args args;
    if (!ParseCommandArgs(argc, argv, args))
        return cli::Fail(std::string(argv[0]) + ": " + args.error);
    if (const std::string bad = OutNameProblem(argv[0], args); !bad.empty())
        return cli::Fail(std::string(argv[0]) + ": " + bad);
    const std::filesystem::path path = PathFromUtf8(args.file);
    cli::StderrOpenObserver openObserver;
    CDataFile file(&openObserver);
    if (!cli::OpenRecording(file, path))
        return 2;
    auto job = std::make_unique<ProcessJob>();
    job->InitFrom(file);
    job->m_startDelayMs = 0;
    const int n = file.Channels();
    int64_t v = 0;
    std::string problem;
    if (args.Has("--from")) {
        if (!IntOption(args, "--from", 0, file.Samples(), v, problem))
            return cli::Fail(path, problem);
        job->m_cursor1 = v;
    }
    if (args.Has("--to")) {
        if (!IntOption(args, "--to", 0, file.Samples(), v, problem))
            return cli::Fail(path, problem);
        job->m_cursor2 = v;
    }
    for (const std::string& list : args.All("--hide"))
        for (const std::string& item : Split(list, ',')) {
            if (!ParseIntIn(item, 1, n, v))
                return cli::Fail(path, "--hide: '" + item + "': " + cli::IntegerRangeText("a channel", 1, n));
            job->m_channelShown[v - 1] = 0;
        }
    if (args.Has("--select")) {
        if (!IntOption(args, "--select", 1, n, v, problem))
            return cli::Fail(path, problem);
        job->m_selected = static_cast<int32_t>(v - 1);
    }
    if (args.Has("--time-style")) {
        if (!IntOption(args, "--time-style", 0, 1, v, problem))
            return cli::Fail(problem);
        job->m_timeStyle = static_cast<int32_t>(v);
        job->m_axisOrigin = v == 1 ? 0 : job->m_startTime;
    }
    problem = fill(args, file, *job);
    if (!problem.empty())
        return cli::Fail(path, problem);
    if (args.Has("--out"))
        job->m_resultName = PathFromUtf8(args.Get("--out"));
    else if (job->m_op == OP_SAVE_FRAGMENT || job->m_op == OP_SAVE_CHANNELS)
        return cli::Fail(std::string(argv[0]) + ": --out is required");
    else {
        // A generated name is taken by creating it, so a run started in the same second
        // (here or in another process) gets the next free name.
        platform::FileProblem problem = platform::FileProblem::None;
        const std::filesystem::path name = ResultFileName(job->m_op);
        job->m_resultName = ReserveResultName(name, &problem);
        if (job->m_resultName.empty())
            return cli::Fail(name, std::string("cannot create the result file: ") + FileProblemEnglish(problem));
        job->m_reservedTarget = true;
    }

    cli::CommandObserver observer;
    RunProcessJob(*job, observer);
    return cli::ReportJob(*job, path);
}

int AveragingCommand(int argc, char** argv, ProcessOp op) {
    return RunCommand(argc, argv, [op](const Args& a, CDataFile&, ProcessJob& job) {
        int64_t n = 0;
        std::string problem;
        if (!IntOption(a, "--factor", 2, INT32_MAX, n, problem))
            return problem;
        job.m_op = op;
        job.m_averagingFactor = static_cast<int32_t>(n);
        return std::string();
    });
}

// Default colours of the sum/difference rows 1 to 8; rows 9 to 16 are black.
const uint32_t kAddSubColours[8] = {0xFF0000, 0x008000, 0x0000FF, 0x008080,
                                    0x800080, 0x808000, 0x4000C0, 0xC00040};

} // namespace

int CmdMovAvg(int argc, char** argv) {
    return AveragingCommand(argc, argv, OP_MOVING_AVERAGE);
}

int CmdAverage(int argc, char** argv) {
    return AveragingCommand(argc, argv, OP_AVERAGE);
}

int CmdAxb(int argc, char** argv) {
    return RunCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) {
        if (!a.Has("--coeffs"))
            return std::string("--coeffs FILE is required");
        job.m_op = OP_LINEAR;
        const std::string path = a.Get("--coeffs");
        int badLine = 0;
        platform::FileProblem problem = platform::FileProblem::None;
        switch (ReadCoeffFile(path, job.m_coeffA, job.m_coeffB, nullptr, &badLine, &problem)) {
        case CoeffFileStatus::NotFound:
            return "coefficient file " + path + " cannot be read: " + FileProblemEnglish(problem);
        case CoeffFileStatus::NotCoeffFile:
            return path + " is not a coefficient file (its first line must be " +
                   std::string(kCoeffFileHeader) + ")";
        case CoeffFileStatus::BadNumber:
            return "coefficient file " + path + ", line " + std::to_string(badLine) +
                   ": NaN or infinity is not a coefficient";
        case CoeffFileStatus::NotNumbers:
            return "coefficient file " + path + ", line " + std::to_string(badLine) +
                   ": a line is CHANNEL;A;B (numbers; B may be left out)";
        default: break;
        }
        // The written channels' range values A*low + B and A*high + B must stay floats.
        for (int c = 0; c < file.Channels() && c < kJobChannels; ++c) {
            const ChannelEntry e = file.Channel(c);
            if (job.m_channelShown[c] && !LinearFitsChannel(job.m_coeffA[c], job.m_coeffB[c], e.low, e.high))
                return "coefficient file " + path + ", channel " + std::to_string(c + 1) + ": A*X+B over the channel's range " +
                       NumberText(e.low) + " .. " + NumberText(e.high) + " leaves the float range";
        }
        return std::string();
    });
}

int CmdRms(int argc, char** argv) {
    return RunCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) {
        job.m_op = OP_RMS;
        job.m_ratedFrequency = 50.0f;
        // Periods shorter than two samples cannot be measured: up to half the sampling rate.
        const double limit = RmsFrequencyLimit(file.Rate());
        const std::string range = "--freq must be a number above 0 and at most " + NumberText(limit) +
                                  " (half the sampling rate)";
        if (a.Has("--freq")) {
            double f = 0;
            if (!cli::ParseDouble(a.Get("--freq").c_str(), f) || !RmsFrequencyAllowed(f, file.Rate()))
                return range;
            job.m_ratedFrequency = static_cast<float>(f);
        } else if (!RmsFrequencyAllowed(job.m_ratedFrequency, file.Rate())) {
            return "the default 50 Hz is above half the sampling rate; " + range;
        }
        return std::string();
    });
}

int CmdAddSub(int argc, char** argv) {
    return RunCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) {
        const auto outputs = a.All("--output");
        if (outputs.empty() || outputs.size() > 16)
            return std::string("give --output EXPR 1 to 16 times");
        job.m_op = OP_ADD_SUB;
        OutputChannelList& list = job.m_outputs;
        list.Clear();
        const int n = file.Channels();
        for (size_t i = 0; i < outputs.size(); ++i) {
            std::string expr = outputs[i], range;
            if (const size_t at = expr.find('@'); at != std::string::npos) {
                range = expr.substr(at + 1);
                expr.resize(at);
            }
            // Two operands, each a sign and a 1-based absolute channel number.
            int signs[2], channels[2];
            size_t pos = 0;
            for (int k = 0; k < 2; ++k) {
                if (pos >= expr.size() || (expr[pos] != '+' && expr[pos] != '-'))
                    return "--output '" + outputs[i] + "': expected two signed channels like +1-2";
                signs[k] = expr[pos] == '+' ? 1 : -1;
                size_t end = pos + 1;
                while (end < expr.size() && std::isdigit(static_cast<unsigned char>(expr[end])))
                    ++end;
                int64_t c = 0;
                if (!ParseIntIn(expr.substr(pos + 1, end - pos - 1), 1, n, c))
                    return "--output '" + outputs[i] + "': " + cli::IntegerRangeText("a channel", 1, n);
                channels[k] = static_cast<int>(c);
                pos = end;
            }
            if (pos != expr.size())
                return "--output '" + outputs[i] + "': expected two signed channels like +1-2";
            list.coefficients[2 * i] = signs[0];
            list.coefficients[2 * i + 1] = signs[1];
            list.sources[2 * i] = channels[0];
            list.sources[2 * i + 1] = channels[1];
            if (!range.empty()) {
                if (!ParseRange(range, list.rangeLow[i], list.rangeHigh[i]))
                    return "--output '" + outputs[i] + "': the range must be @LOW,HIGH, two numbers within +-3.4e38";
                if (!RangeOrdered(list.rangeLow[i], list.rangeHigh[i]))
                    return "--output '" + outputs[i] + "': the range's LOW must be below its HIGH";
            } else {
                const ChannelEntry e1 = file.Channel(channels[0] - 1), e2 = file.Channel(channels[1] - 1);
                list.rangeLow[i] = static_cast<float>(e1.low + e2.low);
                list.rangeHigh[i] = static_cast<float>(e1.high + e2.high);
            }
            list.colours[i] = i < 8 ? kAddSubColours[i] : 0;
        }
        for (int i = 0; i < kMaxOutputChannels; ++i)
            list.widths[i] = 1;
        list.count = static_cast<int32_t>(outputs.size());
        return std::string();
    });
}

int CmdTableFunc(int argc, char** argv) {
    return RunCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) {
        const auto tables = a.All("--table");
        if (tables.empty() || tables.size() > 32)
            return std::string("give --table C=POINTS.txt 1 to 32 times");
        job.m_op = OP_TABLE_FUNCTION;
        OutputChannelList& list = job.m_outputs;
        list.Clear();
        const int n = file.Channels();
        for (size_t i = 0; i < tables.size(); ++i) {
            const size_t eq = tables[i].find('=');
            int64_t c = 0;
            if (eq == std::string::npos || !ParseIntIn(tables[i].substr(0, eq), 1, n, c))
                return "--table '" + tables[i] + "': expected C=POINTS.txt with C an integer from 1 to " + std::to_string(n);
            TableFunction& t = job.m_tables[i];
            t.Clear();
            int badLine = 0;
            platform::FileProblem problem = platform::FileProblem::None;
            // A named file must give a table: missing, unreadable, empty or malformed refuses the run.
            const std::string path = tables[i].substr(eq + 1);
            const PointsFileStatus status = LoadPointsFile(path, t, &badLine, &problem);
            if (status != PointsFileStatus::Ok)
                return PointsFileProblemText(status, path, badLine, problem);
            const ChannelEntry e = file.Channel(static_cast<int>(c) - 1);
            list.sources[i] = static_cast<int32_t>(c);
            list.rangeLow[i] = static_cast<float>(e.low);
            list.rangeHigh[i] = static_cast<float>(e.high);
            TableOutputRange(t, list.rangeLow[i], list.rangeHigh[i]);
            list.colours[i] = job.m_colours[c - 1];
        }
        for (int i = 0; i < kMaxOutputChannels; ++i)
            list.widths[i] = 1;
        list.count = static_cast<int32_t>(tables.size());
        return std::string();
    });
}

int CmdSpectrum(int argc, char** argv) {
    return RunCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) {
            const auto channels = a.All("--channel");
            if (channels.empty() || channels.size() > 32)
                return std::string("give --channel C 1 to 32 times");
            OutputChannelList& list = job.m_outputs;
            list.Clear();
            const int n = file.Channels();
            for (size_t i = 0; i < channels.size(); ++i) {
                int64_t c = 0;
                if (!ParseIntIn(channels[i], 1, n, c))
                    return cli::IntegerRangeText("--channel", 1, n);
                const ChannelEntry e = file.Channel(static_cast<int>(c) - 1);
                list.sources[i] = static_cast<int32_t>(c);
                list.rangeLow[i] = static_cast<float>(e.low);
                list.rangeHigh[i] = static_cast<float>(e.high);
                list.colours[i] = job.m_colours[c - 1];
            }
            for (int i = 0; i < kMaxOutputChannels; ++i)
                list.widths[i] = 1;
            list.count = static_cast<int32_t>(channels.size());
            double lower = 0, upper = 400;
            int64_t points = 400, window = 0;
            std::string problem;
            if (a.Has("--low-hz") &&
                !cli::ParseNumberOption("--low-hz", a.Get("--low-hz").c_str(), -kFloatMax,
                                        kSpectrumFrequencyLimitHz, lower, problem, false, true))
                return problem;
            if (a.Has("--high-hz") &&
                !cli::ParseNumberOption("--high-hz", a.Get("--high-hz").c_str(), 0.0, kFloatMax, upper,
                                        problem, true))
                return problem;
            if (a.Has("--points") && !IntOption(a, "--points", 1, INT32_MAX, points, problem))
                return problem;
            if (a.Has("--window") && !IntOption(a, "--window", 0, 4, window, problem))
                return problem;
            // The corrections of the dialog's Execute; a lowered upper limit is noted, the run goes on.
            bool lowered = false;
            const double typed = upper;
            upper = SpectrumUpperLimitHz(upper, static_cast<double>(file.Rate()), &lowered);
            if (lowered)
                cli::Note(SpectrumUpperLoweredText(typed, upper));
            if (lower < 0)
                lower = 0;
            if (lower >= upper)
                lower = 0;
            const bool fft = a.Flag("--fft");
            int64_t average = 0;
            bool density = false;
            if (a.Has("--average")) {
                if (!fft)
                    return std::string("--average applies only to the FFT spectrum (--fft)");
                if (!IntOption(a, "--average", spectro::kMinWelchSegments, spectro::kMaxWelchSegments, average, problem))
                    return problem;
            }
            if (a.Has("--scaling")) {
                if (average == 0)
                    return std::string("--scaling applies only to the averaged spectrum (--average)");
                const std::string scaling = a.Get("--scaling");
                if (scaling != "spectrum" && scaling != "density")
                    return std::string("--scaling must be spectrum or density");
                density = scaling == "density";
            }
            int64_t span = ChooseFftSpan(job.m_cursor1, job.m_cursor2, file.Samples()).n;
            if (average != 0) {
                const int64_t length = std::llabs(job.m_cursor2 - job.m_cursor1);
                span = static_cast<int64_t>(spectro::WelchSegmentLength(length, static_cast<int>(average)));
                if (span < 2)
                    return spectro::WelchShortText(length, static_cast<int>(average));
            }
            const SpectrumCheck check = CheckSpectrum(fft, points, span, lower, upper, file.Rate());
            if (check != SpectrumCheck::Ok)
                return SpectrumCheckText(check);
            job.m_op = fft ? OP_SPECTRUM_FFT : OP_SPECTRUM;
            list.spectrumPoints = static_cast<int32_t>(points);
            job.m_spectrum.m_lowerW = kTwoPi * lower;
            job.m_spectrum.m_upperW = kTwoPi * upper;
            job.m_spectrum.m_window = static_cast<int32_t>(window);
            job.m_spectrum.m_fft = fft ? 1 : 0;
            job.m_spectrum.m_average = static_cast<int32_t>(average);
            job.m_spectrum.m_density = density ? 1 : 0;
            return std::string();
        });
}

int CmdSaveFragment(int argc, char** argv) {
    return RunCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) {
        job.m_op = OP_SAVE_FRAGMENT;
        job.m_deviceMask = 0;
        if (a.Has("--devices")) {
            const int devices = std::min(file.Devices(), 8);
            for (const std::string& item : Split(a.Get("--devices"), ',')) {
                int64_t d = 0;
                if (!ParseIntIn(item, 1, devices, d))
                    return "--devices: '" + item + "': " + cli::IntegerRangeText("a device", 1, devices);
                job.m_deviceMask |= static_cast<uint8_t>(1u << (d - 1));
            }
        }
        return std::string();
    });
}

int CmdSaveChannels(int argc, char** argv) {
    return RunCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) {
        const auto channels = a.All("--channel");
        if (channels.empty() || channels.size() > 32)
            return std::string("give --channel C[@LOW,HIGH] 1 to 32 times");
        job.m_op = OP_SAVE_CHANNELS;
        OutputChannelList& list = job.m_outputs;
        list.Clear();
        const int n = file.Channels();
        for (size_t i = 0; i < channels.size(); ++i) {
            std::string text = channels[i], range;
            if (const size_t at = text.find('@'); at != std::string::npos) {
                range = text.substr(at + 1);
                text.resize(at);
            }
            int64_t c = 0;
            if (!ParseIntIn(text, 1, n, c))
                return "--channel '" + channels[i] + "': " + cli::IntegerRangeText("a channel", 1, n);
            const ChannelEntry e = file.Channel(static_cast<int>(c) - 1);
            list.sources[i] = static_cast<int32_t>(c);
            list.rangeLow[i] = static_cast<float>(e.low);
            list.rangeHigh[i] = static_cast<float>(e.high);
            if (!range.empty() && !ParseRange(range, list.rangeLow[i], list.rangeHigh[i]))
                return "--channel '" + channels[i] + "': the range must be @LOW,HIGH, two numbers within +-3.4e38";
            list.colours[i] = job.m_colours[c - 1];
        }
        for (int i = 0; i < kMaxOutputChannels; ++i)
            list.widths[i] = 1;
        list.count = static_cast<int32_t>(channels.size());
        return std::string();
    });
}

int vistrel::cli::RunProcessCommand(int argc, char** argv, const ProcessFill& fill) {
    return RunCommand(argc, argv, fill);
}
