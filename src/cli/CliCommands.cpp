// The subcommands of vistrel-cli: each is one entry of the table below, implemented in its
// own file. The tool's main() and the Python module both run them through RunCli.
#include "cli/CliCommands.h"

#include <cstdio>
#include <cstring>

#include "cli/CliCommon.h"
#include "core/common/HelpPages.h"

int CmdInfo(int argc, char** argv);
int CmdDump(int argc, char** argv);
int CmdDemo(int argc, char** argv);
int CmdMovAvg(int argc, char** argv);
int CmdAverage(int argc, char** argv);
int CmdAxb(int argc, char** argv);
int CmdRms(int argc, char** argv);
int CmdAddSub(int argc, char** argv);
int CmdTableFunc(int argc, char** argv);
int CmdSpectrum(int argc, char** argv);
int CmdSaveFragment(int argc, char** argv);
int CmdSaveChannels(int argc, char** argv);
int CmdFilter(int argc, char** argv);
int CmdNotch(int argc, char** argv);
int CmdDetrend(int argc, char** argv);
int CmdExport(int argc, char** argv);
int CmdLabels(int argc, char** argv);
int CmdSpectrogram(int argc, char** argv);
int CmdStats(int argc, char** argv);

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv); // argv[0] is the subcommand's name
};

const Command kCommands[] = {
    {"info", CmdInfo},         {"dump", CmdDump},           {"demo", CmdDemo},
    {"movavg", CmdMovAvg},     {"average", CmdAverage},     {"axb", CmdAxb},
    {"rms", CmdRms},           {"addsub", CmdAddSub},       {"tablefunc", CmdTableFunc},
    {"spectrum", CmdSpectrum}, {"save-fragment", CmdSaveFragment}, {"save-channels", CmdSaveChannels},
    {"filter", CmdFilter},     {"notch", CmdNotch},         {"detrend", CmdDetrend},
    {"export", CmdExport},     {"labels", CmdLabels},       {"spectrogram", CmdSpectrogram},
    {"stats", CmdStats},
};

bool IsHelp(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0; }

int Usage()
{
    std::fputs(vistrel::help::HelpText(vistrel::help::Cli()).c_str(), stderr);
    return 2;
}

} // namespace

int vistrel::cli::RunCli(int argc, char** argv)
{
    using namespace vistrel::help;
    if (argc < 2) return Usage();
    if (IsHelp(argv[1])) {
        vistrel::cli::WriteOutput(HelpText(Cli()));
        return vistrel::cli::FinishOutput();
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        vistrel::cli::WriteOutput(VersionText(Cli()));
        return vistrel::cli::FinishOutput();
    }
    for (const auto& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        const Page* page = FindCommand(Cli(), c.name);
        for (int i = 2; i < argc && page; ++i)
            if (IsHelp(argv[i])) {
                vistrel::cli::WriteOutput(HelpText(Cli(), *page));
                return vistrel::cli::FinishOutput();
            }
        return c.run(argc - 1, argv + 1);
    }
    vistrel::cli::Note(std::string("unknown command '") + argv[1] + "'");
    return Usage();
}
