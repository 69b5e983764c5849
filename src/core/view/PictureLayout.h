#pragma once
// Pictures of a plot window: the format a file name asks for, and the sizes a picture is laid
// out and painted at. A window is laid out at a "layout" size in its own pixels and painted
// with a scale onto the picture's device, so a text scale above 1 gives larger text (and
// thicker lines) on the same picture; a PDF page is laid out as a 96 dpi screen would show it.

#include <string>
#include <string_view>

namespace vistrel {

enum class PictureFormat { Unknown, Png, Svg, Pdf };

// By the name's extension, letter case ignored: .png, .svg, .pdf; anything else Unknown.
PictureFormat PictureFormatFromName(std::string_view name);
// "png", "svg" or "pdf" (empty for Unknown).
const char* PictureExtension(PictureFormat format);

inline constexpr int kPictureMinPixels = 64;
inline constexpr int kPictureMaxPixels = 16384;
inline constexpr double kPictureMinMm = 20.0;
inline constexpr double kPictureMaxMm = 2000.0;
inline constexpr double kPictureMinTextScale = 0.25;
inline constexpr double kPictureMaxTextScale = 8.0;
inline constexpr double kPictureScreenDpi = 96.0;   // a window pixel on a PDF page
inline constexpr double kPicturePdfDpi = 300.0;     // the PDF painter's coordinate grid

struct PicturePlan {
    int layoutWidth = 0;      // the window is laid out at this size (its own pixels)
    int layoutHeight = 0;
    int deviceWidth = 0;      // the picture in device pixels (PNG, SVG; PDF at kPicturePdfDpi)
    int deviceHeight = 0;
    double scale = 1.0;       // device pixels per layout pixel
    double pageWidthMm = 0;   // PDF only: the page
    double pageHeightMm = 0;
};

// Plans a picture of a window now `windowWidth` x `windowHeight` pixels. `width` x `height` is
// the chosen size, in pixels for PNG and SVG and in millimetres for PDF; both 0 take the
// window's own size. False, with the reason in `why`, for an unknown format, a size or text
// scale outside its limits, or a layout the text scale leaves too small.
bool PlanPicture(PictureFormat format, double width, double height, int windowWidth, int windowHeight,
                 double textScale, PicturePlan* plan, std::string* why);

} // namespace vistrel
