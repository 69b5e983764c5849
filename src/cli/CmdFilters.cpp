// vistrel-cli filter, notch and detrend: IIR filters, the mains notch and offset or trend
// removal on the shown channels of the fragment.
#include <cstdint>
#include <string>

#include "cli/CliCommon.h"
#include "cli/ProcessCommand.h"
#include "core/processing/filters/FilterDesign.h"

using namespace vistrel;
using namespace vistrel::cli;

namespace {

constexpr double kMaxHz = 1e9;

std::string Number(const Args& a, const std::string& name, double lo, double hi, double& value) {
    std::string problem;
    if (!ParseNumberOption(name, a.Get(name).c_str(), lo, hi, value, problem, true))
        return problem;
    return {};
}

} // namespace

int CmdFilter(int argc, char** argv) {
    return RunProcessCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) -> std::string {
        filters::FilterSettings& settings = job.m_filter.filter;
        if (!a.Has("--kind") || !filters::ParseDesign(a.Get("--kind"), settings.design))
            return "--kind must be butterworth, chebyshev1 or bessel";
        if (!a.Has("--band") || !filters::ParseBand(a.Get("--band"), settings.band))
            return "--band must be lowpass, highpass, bandpass or bandstop";
        int64_t order = 0;
        std::string problem;
        if (!ParseIntegerOption("--order", a.Get("--order").c_str(), filters::kMinOrder, filters::kMaxOrder, order, problem))
            return problem;
        settings.order = static_cast<int>(order);
        const std::vector<std::string> cut = Split(a.Get("--cutoff"), ',');
        const size_t wanted = filters::IsBandFilter(settings.band) ? 2 : 1;
        if (!a.Has("--cutoff") || cut.size() != wanted)
            return wanted == 2 ? std::string("--cutoff F1,F2 (the band's edges in Hz) is required")
                               : std::string("--cutoff F (in Hz) is required");
        double f[2] = {0.0, 0.0};
        for (size_t i = 0; i < wanted; ++i)
            if (!ParseNumberOption("--cutoff", cut[i].c_str(), 0.0, kMaxHz, f[i], problem, true))
                return problem;
        settings.f1 = f[0];
        settings.f2 = f[1];
        settings.rippleDb = 1.0;
        if (a.Has("--ripple")) {
            if (settings.design != filters::Design::Chebyshev1)
                return "--ripple applies only to --kind chebyshev1";
            if (problem = Number(a, "--ripple", 0.0, 40.0, settings.rippleDb); !problem.empty())
                return problem;
        }
        job.m_op = OP_FILTER;
        job.m_filter.zeroPhase = a.Flag("--zero-phase");
        return filters::CheckFilter(settings, static_cast<double>(file.Rate()));
    });
}

int CmdNotch(int argc, char** argv) {
    return RunProcessCommand(argc, argv, [](const Args& a, CDataFile& file, ProcessJob& job) -> std::string {
        filters::NotchSettings& settings = job.m_filter.notch;
        if (!a.Has("--freq"))
            return "--freq F (the mains frequency in Hz) is required";
        if (std::string problem = Number(a, "--freq", 0.0, kMaxHz, settings.frequency); !problem.empty())
            return problem;
        settings.harmonics = 1;
        if (a.Has("--harmonics")) {
            int64_t k = 0;
            std::string problem;
            if (!ParseIntegerOption("--harmonics", a.Get("--harmonics").c_str(), 1, filters::kMaxHarmonics, k, problem))
                return problem;
            settings.harmonics = static_cast<int>(k);
        }
        settings.q = 30.0;
        if (a.Has("--q"))
            if (std::string problem = Number(a, "--q", 0.0, 1e6, settings.q); !problem.empty())
                return problem;
        job.m_op = OP_NOTCH;
        job.m_filter.zeroPhase = a.Flag("--zero-phase");
        return filters::CheckNotch(settings, static_cast<double>(file.Rate()));
    });
}

int CmdDetrend(int argc, char** argv) {
    return RunProcessCommand(argc, argv, [](const Args& a, CDataFile&, ProcessJob& job) -> std::string {
        const std::string mode = a.Get("--mode");
        if (mode != "mean" && mode != "linear")
            return "--mode must be mean or linear";
        job.m_op = OP_DETREND;
        job.m_filter.linearTrend = mode == "linear";
        return {};
    });
}
