#pragma once
// The common run of a processing subcommand, for subcommands defined in their own files.
#include <functional>
#include <string>

#include "cli/CliArgs.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"

namespace vistrel::cli {

// Sets the operation and its parameters from the arguments; a non-empty return is the reason
// the command is refused.
using ProcessFill = std::function<std::string(const Args&, CDataFile&, ProcessJob&)>;

// Opens the recording, applies the common options, calls `fill`, runs the job and reports it;
// returns the exit status.
int RunProcessCommand(int argc, char** argv, const ProcessFill& fill);

} // namespace vistrel::cli
