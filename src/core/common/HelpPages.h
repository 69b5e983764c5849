#pragma once
// The command-line help of vistrel and vistrel-cli: one description per program and
// subcommand, printed by --help and turned into the manual pages, so both always agree.

#include <string>
#include <vector>

namespace vistrel::help {

struct Option {
    std::string name;     // "--factor"
    std::string argument; // "N"; empty for a flag
    std::string text;
};

struct Page {
    std::string command;               // "" for the program itself, else the subcommand
    std::vector<std::string> synopsis; // lines without the program name
    std::string summary;               // one line
    std::string description;           // paragraphs separated by "\n\n"
    std::vector<Option> options;
    bool commonOptions = false;        // takes the common processing options
};

struct Program {
    std::string name;     // "vistrel"
    std::string title;    // the NAME line of the manual
    Page main;
    std::vector<Page> commands;
    std::vector<Option> common; // the common processing options
    std::vector<std::pair<std::string, std::string>> sections; // extra manual sections
};

const Program& App();
const Program& Cli();
// The version of the program ("0.1").
const char* Version();

// The subcommand's page, or null.
const Page* FindCommand(const Program& program, const std::string& command);

// The text --help prints for the program, or for one of its subcommands.
std::string HelpText(const Program& program);
std::string HelpText(const Program& program, const Page& command);
// "vistrel 0.1" and the licence lines --version prints.
std::string VersionText(const Program& program);
// The manual page (man(7) format) of the program with every subcommand.
std::string ManPage(const Program& program, const std::string& date);

} // namespace vistrel::help
