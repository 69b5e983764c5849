#include "core/processing/FileUtil.h"

#include <cstdlib>

namespace vistrel {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

platform::FileProblem OpenForReading(const std::filesystem::path& path, std::ifstream& in) {
    const platform::FileProblem problem = platform::CheckReadableFile(path);
    if (problem != platform::FileProblem::None)
        return problem;
    in.open(path, std::ios::binary);
    return in ? platform::FileProblem::None : platform::FileProblem::Other;
}

bool ReadLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    char c;
    while (in.get(c)) {
        any = true;
        if (c == '\r') {
            // CR LF and a lone CR both end the line.
            if (in.peek() == '\n')
                in.get(c);
            c = '\n';
        }
        if (c == '\n') {
            line.push_back(c);
            break;
        }
        if (line.size() < kMaxKeptLineBytes)
            line.push_back(c);
    }
    return any;
}

bool IsBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t\v\f\n") == std::string::npos;
}

bool ReadFloat(const char*& p, float& value) {
    char* end = nullptr;
    const float v = std::strtof(p, &end);
    if (end == p)
        return false;
    value = v;
    p = end;
    return true;
}

bool ReadLong(const char*& p, long& value) {
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p)
        return false;
    value = v;
    p = end;
    return true;
}

namespace {
bool ExtensionIs(const std::filesystem::path& path, const char* lower) {
    std::string ext = PathToUtf8(path.filename().extension());
    for (char& ch : ext)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return ext == lower;
}
} // namespace

bool HasRecordingExtension(const std::filesystem::path& path) {
    return ExtensionIs(path, ".kvf");
}

bool HasTextExtension(const std::filesystem::path& path) {
    return ExtensionIs(path, ".txt");
}

} // namespace vistrel
