#pragma once
// Argument parsing of the processing subcommands of vistrel-cli, apart from running them so
// that it can be tested and fuzzed on its own.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vistrel::cli {

// Options of one subcommand: "--name value" pairs (repeatable) and flags, plus one FILE.
struct Args {
    std::string file;
    std::multimap<std::string, std::string> values;
    std::vector<std::string> flags;
    std::string error;

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::string Get(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    std::vector<std::string> All(const std::string& name) const {
        std::vector<std::string> out;
        auto range = values.equal_range(name);
        for (auto it = range.first; it != range.second; ++it)
            out.push_back(it->second);
        return out;
    }
    bool Flag(const std::string& name) const {
        for (const auto& f : flags)
            if (f == name)
                return true;
        return false;
    }
};

// Options of a subcommand; false for a name that is not a processing subcommand.
bool CommandOptions(const std::string& command, std::vector<std::string>& valueOptions,
                    std::vector<std::string>& flagOptions);

// argv[0] is the subcommand. Fills args or sets args.error and returns false.
bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions, Args& args);
// ParseArgs with the options of the subcommand named by argv[0].
bool ParseCommandArgs(int argc, char** argv, Args& args);

bool ParseIntIn(const std::string& text, int64_t lo, int64_t hi, int64_t& value);
std::vector<std::string> Split(const std::string& text, char sep);
// --from A and --to B of a recording of `samples` samples (each 0 .. samples; defaults 0 and
// samples), left as given (either order); false with the option's range in `problem`.
bool ParseFromTo(const Args& args, int64_t samples, int64_t& from, int64_t& to, std::string& problem);
// "LOW,HIGH" into two floats.
bool ParseRange(const std::string& text, float& low, float& high);

// Why the --out name of a command cannot be taken, or empty: an empty name; for
// save-channels a name without the .kvf extension (it writes only recordings); for
// save-fragment a name with neither .kvf nor .txt, which would not say which file it makes.
std::string OutNameProblem(const std::string& command, const Args& args);

} // namespace vistrel::cli
