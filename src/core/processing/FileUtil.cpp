#include "core/processing/FileUtil.h"

namespace vistrel {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

bool ReadLine(std::istream& in, std::string& line, size_t maxBytes) {
    line.clear();
    char c;
    while (line.size() + 1 < maxBytes && in.get(c)) {
        line.push_back(c);
        if (c == '\n')
            break;
    }
    if (line.empty())
        return false;
    if (line.size() >= 2 && line.back() == '\n' && line[line.size() - 2] == '\r')
        line.erase(line.size() - 2, 1);
    return true;
}

} // namespace vistrel
