#pragma once
// Runs vistrel-cli as its main() would after the arguments were converted to UTF-8: argv[1] is
// the subcommand. Returns the exit status.
#include <string>

namespace vistrel {
class CDataFile;
}

namespace vistrel::cli {
int RunCli(int argc, char** argv);
// The JSON object `vistrel-cli info` prints for an open recording (with its line end).
std::string InfoJson(const CDataFile& file);
} // namespace vistrel::cli
