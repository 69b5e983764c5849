// Writes the manual pages of vistrel and vistrel-cli from the help texts the programs print.
// Usage: vistrel-manpages OUTPUT_FOLDER DATE

#include <cstdio>
#include <fstream>
#include <string>

#include "core/common/HelpPages.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vistrel-manpages OUTPUT_FOLDER DATE\n");
        return 2;
    }
    using namespace vistrel::help;
    for (const Program* p : {&App(), &Cli()}) {
        const std::string path = std::string(argv[1]) + "/" + p->name + ".1";
        std::ofstream out(path, std::ios::binary);
        out << ManPage(*p, argv[2]);
        if (!out.flush()) {
            std::fprintf(stderr, "vistrel-manpages: cannot write %s\n", path.c_str());
            return 2;
        }
    }
    return 0;
}
