#pragma once
// Small file helpers of the engines: UTF-8 paths and bounded line reading.
#include "platform/FileCheck.h"

#include <filesystem>
#include <fstream>
#include <istream>
#include <string>

namespace vistrel {

std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// Opens a text file for reading after checking that it is a readable regular file (a FIFO
// is refused before any open, so nothing blocks). None when `in` is open.
platform::FileProblem OpenForReading(const std::filesystem::path& path, std::ifstream& in);

// Reads the next whole line with its "\n"; a line may end in CR LF, LF or a lone CR (old Mac
// files), each given back as "\n". Of a line longer than kMaxKeptLineBytes only the first
// kMaxKeptLineBytes bytes (and the "\n") are kept; the rest is skipped, so a file without line
// ends costs bounded memory. False at the end of the stream.
constexpr size_t kMaxKeptLineBytes = 65536;
bool ReadLine(std::istream& in, std::string& line);

// True when the line holds nothing but blanks (spaces, tabs, the line end).
bool IsBlankLine(const std::string& line);

// Reads the number at p (after blanks) as strtof does and moves p past it; false, p as it was,
// when no number starts there. Unlike sscanf's "%g" it never takes a bare "e" after the digits
// ("13e 1" is 13 followed by "e 1"), so the C libraries agree on what a number is.
bool ReadFloat(const char*& p, float& value);
// The same for a decimal integer as strtol reads it.
bool ReadLong(const char*& p, long& value);

// The file name's extension is ".kvf" / ".txt", in any case (the folders do not count).
bool HasRecordingExtension(const std::filesystem::path& path);
bool HasTextExtension(const std::filesystem::path& path);

} // namespace vistrel
