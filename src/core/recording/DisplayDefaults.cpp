#include "core/recording/DisplayDefaults.h"

namespace vistrel {

// Every entry stands at a contrast ratio of at least 3.3 against both the white background of the
// light scheme and the dark scheme's background, so no trace needs lightening or darkening by
// default; neighbours differ in hue. Channels 1-8 take the familiar blue, red, green, orange,
// violet, teal, magenta and ochre.
const std::uint32_t kDefaultTraceColours[32] = {
    0xFF6431, 0x0000E8, 0x0C9000, 0x0069D3, 0xF426AF, 0x909000, 0xAD00E6, 0x257994,
    0x468000, 0xD264C0, 0x0F8374, 0xC47200, 0x8566D2, 0xFF477C, 0x347EB3, 0x2C9765,
    0xEB734C, 0x539D2D, 0xEB4AAF, 0xAF9433, 0x8524E7, 0xDA7E86, 0x712CE8, 0x1467B8,
    0x657F00, 0x6C68D3, 0x318F10, 0x003DCA, 0x6E9B2D, 0xE61FCF, 0xCA8E48, 0x5C2FE8,
};

} // namespace vistrel
