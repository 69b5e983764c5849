// vistrel-cli: the recordings core and the processing engines from the command line.
// Every subcommand is one entry of the table below, implemented in its own file.

#include <cstdio>
#include <cstring>

int CmdInfo(int argc, char** argv);
int CmdDump(int argc, char** argv);
int CmdDemo(int argc, char** argv);

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
};

int Usage()
{
    std::fprintf(stderr, "usage: vistrel-cli COMMAND ARGS\ncommands:\n");
    for (const auto& c : kCommands) std::fprintf(stderr, "  vistrel-cli %s\n", c.usage);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return Usage();
    for (const auto& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "vistrel-cli: unknown command '%s'\n", argv[1]);
    return Usage();
}
