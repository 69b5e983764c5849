// libFuzzer target: the argument parsing of vistrel-cli's processing subcommands. The input is
// split at NUL bytes into arguments; the first selects the subcommand.

#include "cli/CliArgs.h"
#include "cli/CliCommon.h"

#include <string>
#include <vector>

using namespace vistrel::cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static const char* const kCommands[] = {"movavg", "average", "axb", "rms", "addsub", "tablefunc",
                                            "spectrum", "save-fragment", "save-channels", "bogus"};
    if (size == 0) return 0;
    std::vector<std::string> words{kCommands[data[0] % 10]};
    std::string word;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    Args args;
    if (!ParseCommandArgs(static_cast<int>(words.size()), argv.data(), args)) {
        if (args.error.empty()) __builtin_trap(); // a refusal always says why
        return 0;
    }
    if (args.file.empty()) __builtin_trap();
    // The value parsers every subcommand applies to its options.
    for (const auto& [name, value] : args.values) {
        std::int64_t v = 0;
        double d = 0;
        float lo = 0, hi = 0;
        ParseIntIn(value, 0, 1000, v);
        ParseDouble(value.c_str(), d);
        ParseRange(value, lo, hi);
        const auto parts = Split(value, ',');
        if (parts.empty()) __builtin_trap();
        for (const auto& p : Split(value, '@')) ParseInt64(p.c_str(), v);
    }
    return 0;
}
