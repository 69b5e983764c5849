// vistrel-cli: the recordings core and the processing engines from the command line.
// Every subcommand is one entry of the table below, implemented in its own file.

#include "platform/CommandLine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

int main(int argc, char** nativeArgv)
{
    // Arguments in UTF-8 (paths with any letters on Windows too), output bytes as written.
    vistrel::platform::UseBinaryStandardStreams();
    vistrel::cli::GuardStandardOutput();
    std::vector<std::string> args = vistrel::platform::Utf8Arguments(argc, nativeArgv);
    std::vector<char*> argvUtf8;
    for (std::string& a : args) argvUtf8.push_back(a.data());
    argvUtf8.push_back(nullptr);
    argc = static_cast<int>(args.size());
    char** argv = argvUtf8.data();
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
    std::fprintf(stderr, "vistrel-cli: unknown command '%s'\n", argv[1]);
    return Usage();
}
