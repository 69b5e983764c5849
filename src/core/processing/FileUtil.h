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

// The file name's extension is ".kvf" / ".txt", in any case (the folders do not count).
bool HasRecordingExtension(const std::filesystem::path& path);
bool HasTextExtension(const std::filesystem::path& path);

} // namespace vistrel
