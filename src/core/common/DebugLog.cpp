#include "core/common/DebugLog.h"

#include "platform/Encoding.h"
#include "platform/FileTimes.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vistrel {

CDebugLog* g_log = nullptr;

namespace {

void Append(const std::filesystem::path& file, std::string_view text, const char* mode)
{
    std::FILE* f = platform::OpenFile(file, mode);
    if (!f) return;
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    out += "\r\n";
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}

} // namespace

CDebugLog::CDebugLog(std::filesystem::path file) : m_file(std::move(file))
{
    Append(m_file, "Test messages", "wb");
}

void CDebugLog::WriteLine(std::string_view text) { Append(m_file, text, "ab"); }

void CDebugLog::WriteLineW(std::u16string_view text)
{
    std::string line = platform::WideToAnsi(text);
    if (line.size() > 255) line.resize(255);
    WriteLine(line);
}

void CDebugLog::WriteValue(std::string_view name, std::int32_t value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "=%d(%x)", value, static_cast<unsigned>(value));
    std::string line(name);
    line += buf;
    WriteLine(line);
}

void CDebugLog::WriteFormat(const char* format, ...)
{
    char buf[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0) return;
    WriteLine(std::string_view(buf, std::strlen(buf)));
}

std::string LogKey(std::string_view utf8) { return platform::Utf8ToCp1251(utf8); }

} // namespace vistrel
