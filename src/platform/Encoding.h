#pragma once
// 8-bit text encodings. Windows-1251 is the code page of the Russian log keys and of the
// 8-bit text files; "ANSI" is the system's 8-bit code page (CP_ACP on Windows; Windows-1251
// on other systems, whose locales are usually UTF-8 and have no 8-bit page of their own).

#include <string>
#include <string_view>

namespace vistrel::platform {

std::string Cp1251ToUtf8(std::string_view bytes);
// Characters without a Windows-1251 form become '?'.
std::string Utf8ToCp1251(std::string_view utf8);
std::u16string Cp1251ToUtf16(std::string_view bytes);
std::string Utf16ToCp1251(std::u16string_view text);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

// The system's 8-bit ("ANSI") code page.
std::string WideToAnsi(std::u16string_view text);
std::u16string AnsiToWide(std::string_view bytes);
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view bytes);

} // namespace vistrel::platform
