#pragma once
// Small file helpers of the engines: UTF-8 paths and bounded line reading.
#include <filesystem>
#include <istream>
#include <string>

namespace vistrel {

std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// Reads the next line of at most maxBytes - 1 bytes, keeping its "\n" when it fits (a CR before
// it is dropped); a longer line comes back in pieces. False at the end of the stream.
bool ReadLine(std::istream& in, std::string& line, size_t maxBytes);

} // namespace vistrel
