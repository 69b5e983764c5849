// libFuzzer target: the configuration parser on arbitrary text, both with and without the
// saved windows; what it formats from the result must parse to the same data.

#include "core/config/Configuration.h"

#include <cstdint>
#include <string_view>

using namespace vistrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool restore = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const ConfigData parsed = ParseConfiguration(text, restore);
    const std::string once = FormatConfiguration(parsed);
    const std::string twice = FormatConfiguration(ParseConfiguration(once, restore));
    if (once != twice) __builtin_trap();
    return 0;
}
