#pragma once
// Append-only diagnostic log "Debug.txt". Every line opens, writes and closes the file,
// so nothing is lost when the program stops abruptly. Lines are 8-bit text (Windows-1251
// for the Russian keys) and end with CR LF on every system.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vistrel {

class CDebugLog {
public:
    // Truncates the file and writes "Test messages".
    explicit CDebugLog(std::filesystem::path file = "Debug.txt");

    // 8-bit text; every '\n' inside the text is written as CR LF as well.
    void WriteLine(std::string_view text);
    // UTF-16 text, converted to the 8-bit code page and cut to 255 bytes.
    void WriteLineW(std::u16string_view text);
    // "name=value(hex)".
    void WriteValue(std::string_view name, std::int32_t value);
    // printf-style line.
    void WriteFormat(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    const std::filesystem::path& File() const { return m_file; }

private:
    std::filesystem::path m_file;
};

// The program's log; null when nothing is to be logged (tests, command-line tool).
extern CDebugLog* g_log;

// Writes a UTF-8 source text as the Windows-1251 bytes the log keeps (Russian keys).
std::string LogKey(std::string_view utf8);

} // namespace vistrel
