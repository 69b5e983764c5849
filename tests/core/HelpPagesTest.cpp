// The help texts and manual pages of vistrel and vistrel-cli, kept in step with the options the
// parsers accept and with the README; the read-out's time unit words.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "TestPlatform.h"
#include "cli/CliArgs.h"
#include "core/common/HelpPages.h"
#include "core/view/ReadOut.h"

using namespace vistrel;
using namespace vistrel::help;

namespace {

std::set<std::string> OptionNames(const std::vector<Option>& options) {
    std::set<std::string> names;
    for (const Option& o : options) names.insert(o.name);
    return names;
}

// Everything a subcommand's page documents, common options included.
std::set<std::string> Documented(const Page& page) {
    std::set<std::string> names = OptionNames(page.options);
    if (page.commonOptions)
        for (const std::string& n : OptionNames(Cli().common)) names.insert(n);
    return names;
}

struct CliResult {
    int status = -1;
    std::string out;
};

CliResult RunCli(const std::string& args) {
    const vistrel::test::ProcessRun r = vistrel::test::RunProcess(vistrel::test::CliProgram(), vistrel::test::SplitArgs(args));
    return {r.status, r.out};
}

} // namespace

TEST(HelpPages, ProcessingPagesMatchTheParser) {
    // Every option the parser takes is documented, and nothing else.
    std::vector<std::string> values, flags;
    for (const char* name : {"movavg", "average", "axb", "rms", "addsub", "tablefunc", "spectrum",
                             "save-fragment", "save-channels", "filter", "notch", "detrend"}) {
        ASSERT_TRUE(cli::CommandOptions(name, values, flags)) << name;
        const Page* page = FindCommand(Cli(), name);
        ASSERT_NE(page, nullptr) << name;
        std::set<std::string> accepted(values.begin(), values.end());
        accepted.insert(flags.begin(), flags.end());
        EXPECT_EQ(OptionNames(page->options), accepted) << name;
        EXPECT_TRUE(page->commonOptions) << name;
        // The common options are taken by every processing command, an unknown one is not.
        for (const Option& o : Cli().common) {
            std::vector<std::string> words{name, "f.kvf", o.name, "1"};
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(w.data());
            cli::Args args;
            EXPECT_TRUE(cli::ParseCommandArgs(static_cast<int>(argv.size()), argv.data(), args))
                << name << " " << o.name << ": " << args.error;
        }
        std::vector<std::string> words{name, "f.kvf", "--nosuch", "1"};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        cli::Args args;
        EXPECT_FALSE(cli::ParseCommandArgs(static_cast<int>(argv.size()), argv.data(), args)) << name;
        for (const Option& o : page->options) {
            const bool isFlag = std::find(flags.begin(), flags.end(), o.name) != flags.end();
            EXPECT_EQ(o.argument.empty(), isFlag) << name << " " << o.name;
        }
    }
}

TEST(HelpPages, ReadmeCommandLinesUseDocumentedOptions) {
    std::ifstream readme(VISTREL_SOURCE_DIR "/README.md");
    ASSERT_TRUE(readme.good());
    const std::regex command("vistrel-cli ([a-z][a-z-]*)");
    const std::regex option("--[a-z][a-z0-9-]*");
    std::string line;
    int checked = 0;
    while (std::getline(readme, line)) {
        if (line.rfind("    ", 0) != 0) continue; // only the command examples, not the prose
        // A line may hold two commands side by side: each takes the options up to the next.
        std::vector<std::pair<size_t, std::string>> starts;
        for (auto it = std::sregex_iterator(line.begin(), line.end(), command); it != std::sregex_iterator(); ++it)
            starts.emplace_back(it->position(), (*it)[1].str());
        for (size_t i = 0; i < starts.size(); ++i) {
            const Page* page = FindCommand(Cli(), starts[i].second);
            ASSERT_NE(page, nullptr) << "README names an unknown command: " << line;
            const size_t end = i + 1 < starts.size() ? starts[i + 1].first : line.size();
            const std::string part = line.substr(starts[i].first, end - starts[i].first);
            const std::set<std::string> known = Documented(*page);
            for (auto it = std::sregex_iterator(part.begin(), part.end(), option); it != std::sregex_iterator(); ++it) {
                EXPECT_TRUE(known.count(it->str())) << it->str() << " of " << starts[i].second << " in: " << line;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 20);
}

TEST(HelpPages, ManPagesCarryEveryCommandAndOption) {
    for (const Program* p : {&App(), &Cli()}) {
        const std::string man = ManPage(*p, "2026-12-07");
        EXPECT_EQ(man.rfind(".TH ", 0), 0u);
        EXPECT_NE(man.find(".SH NAME\n" + std::regex_replace(p->name, std::regex("-"), "\\-") + " \\- "),
                  std::string::npos);
        std::vector<Option> all = p->main.options;
        all.insert(all.end(), p->common.begin(), p->common.end());
        for (const Page& c : p->commands) {
            EXPECT_NE(man.find(".SS " + std::regex_replace(c.command, std::regex("-"), "\\-") + "\n"),
                      std::string::npos);
            all.insert(all.end(), c.options.begin(), c.options.end());
        }
        for (const Option& o : all)
            EXPECT_NE(man.find(".B " + std::regex_replace(o.name, std::regex("-"), "\\-")), std::string::npos)
                << o.name;
        // No line starts with a plain dot or quote that roff would take for a request.
        std::istringstream lines(man);
        std::string l;
        const std::set<std::string> requests{".TH", ".SH", ".SS", ".TP", ".PP", ".B", ".br"};
        while (std::getline(lines, l))
            if (!l.empty() && (l[0] == '.' || l[0] == '\''))
                EXPECT_TRUE(requests.count(l.substr(0, l.find(' ')))) << l;
        // Hyphens are escaped, so "man" copies options literally.
        EXPECT_EQ(man.find(" --"), std::string::npos);
    }
}

TEST(HelpPages, CliPrintsHelpAndVersion) {
    CliResult r = RunCli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, HelpText(Cli()));
    for (const Page& c : Cli().commands) {
        EXPECT_NE(r.out.find("vistrel-cli " + c.synopsis.front()), std::string::npos) << c.command;
        CliResult sub = RunCli(c.command + " --help");
        EXPECT_EQ(sub.status, 0) << c.command;
        EXPECT_EQ(sub.out, HelpText(Cli(), c)) << c.command;
    }
    // Help after a file name still prints help and touches nothing.
    CliResult late = RunCli("movavg /nonexistent/x.kvf --help");
    EXPECT_EQ(late.status, 0);
    EXPECT_EQ(late.out, HelpText(Cli(), *FindCommand(Cli(), "movavg")));
    r = RunCli("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(std::string("vistrel-cli ") + Version() + "\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("GPL-3.0-or-later"), std::string::npos);
    // Without a command: the help on stderr and status 2, as before.
    EXPECT_EQ(RunCli("").status, 2);
    EXPECT_EQ(RunCli("nosuch").status, 2);
}

TEST(ReadOutUnits, WordsOfTheInterfaceLanguage) {
    // The Russian words stay the default.
    EXPECT_EQ(TimeDifferenceText(125.0), "12.5 мкс");
    const TimeUnitWords english{"µs", "ms", "s"};
    EXPECT_EQ(TimeDifferenceText(125.0, english), "12.5 µs");
    EXPECT_EQ(TimeDifferenceText(9999.0, english), "999.9 µs");
    EXPECT_EQ(TimeDifferenceText(10000.0, english), "1 ms");
    EXPECT_EQ(TimeDifferenceText(-100000000.0, english), "-10 s");
    // The read-out takes the words of its input; at 44.1 kHz 441 samples are 10 ms.
    ReadOutInput in;
    in.rate = 44100.0f;
    in.s1 = 0;
    in.s2 = 441;
    in.samples = 44100;
    in.channels = 3;
    in.units = english;
    EXPECT_NE(BuildReadOut(in).find("dT=10 ms "), std::string::npos) << BuildReadOut(in);
    in.units = TimeUnitWords{};
    in.rate = 48000.0f;
    in.s2 = 48;
    EXPECT_NE(BuildReadOut(in).find("dT=1 мс "), std::string::npos) << BuildReadOut(in);
}
