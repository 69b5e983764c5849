// vistrel-cli: the recordings core and the processing engines from the command line.
// Every subcommand is one entry of the table below, implemented in its own file.

#include "platform/CommandLine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv); // argv[0] is the subcommand's name
    const char* usage;
};

const Command kCommands[] = {
    {"info", CmdInfo, "info FILE"},
    {"dump", CmdDump, "dump FILE [--from K] [--count N]"},
    {"demo", CmdDemo, "demo OUT.kvf [--channels N] [--devices D] [--rate R] [--seconds S]"},
    {"movavg", CmdMovAvg, "movavg FILE --factor N [COMMON]"},
    {"average", CmdAverage, "average FILE --factor N [COMMON]"},
    {"axb", CmdAxb, "axb FILE --coeffs COEFFS.txt [COMMON]"},
    {"rms", CmdRms, "rms FILE [--freq F] [COMMON]"},
    {"addsub", CmdAddSub, "addsub FILE --output +A-B[@LOW,HIGH] ... [COMMON]"},
    {"tablefunc", CmdTableFunc, "tablefunc FILE --table C=POINTS.txt ... [COMMON]"},
    {"spectrum", CmdSpectrum, "spectrum FILE --channel C ... [--low-hz L] [--high-hz H] [--points J] [--window K] [--fft] [COMMON]"},
    {"save-fragment", CmdSaveFragment, "save-fragment FILE --out OUT.kvf|OUT.txt [--devices LIST] [COMMON]"},
    {"save-channels", CmdSaveChannels, "save-channels FILE --out OUT.kvf --channel C[@LOW,HIGH] ... [COMMON]"},
};

int Usage()
{
    std::fprintf(stderr, "usage: vistrel-cli COMMAND ARGS\ncommands:\n");
    for (const auto& c : kCommands) std::fprintf(stderr, "  vistrel-cli %s\n", c.usage);
    std::fprintf(stderr, "COMMON: [--from A] [--to B] [--hide LIST] [--select C] [--time-style 0|1] [--out PATH]\n");
    return 2;
}

} // namespace

int main(int argc, char** nativeArgv)
{
    // Arguments in UTF-8 (paths with any letters on Windows too), output bytes as written.
    vistrel::platform::UseBinaryStandardStreams();
    std::vector<std::string> args = vistrel::platform::Utf8Arguments(argc, nativeArgv);
    std::vector<char*> argvUtf8;
    for (std::string& a : args) argvUtf8.push_back(a.data());
    argvUtf8.push_back(nullptr);
    argc = static_cast<int>(args.size());
    char** argv = argvUtf8.data();
    if (argc < 2) return Usage();
    for (const auto& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "vistrel-cli: unknown command '%s'\n", argv[1]);
    return Usage();
}
