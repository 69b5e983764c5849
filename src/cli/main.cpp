// vistrel-cli: the recordings core and the processing engines from the command line.

#include "platform/CommandLine.h"

#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliCommon.h"

int main(int argc, char** nativeArgv)
{
    // Arguments in UTF-8 (paths with any letters on Windows too), output bytes as written.
    vistrel::platform::UseBinaryStandardStreams();
    vistrel::cli::GuardStandardOutput();
    std::vector<std::string> args = vistrel::platform::Utf8Arguments(argc, nativeArgv);
    std::vector<char*> argvUtf8;
    for (std::string& a : args) argvUtf8.push_back(a.data());
    argvUtf8.push_back(nullptr);
    return vistrel::cli::RunCli(static_cast<int>(args.size()), argvUtf8.data());
}
