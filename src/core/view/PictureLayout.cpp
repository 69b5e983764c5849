#include "core/view/PictureLayout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace vistrel {

namespace {

constexpr double kMmPerInch = 25.4;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string Format(const char* fmt, double a, double b) {
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

} // namespace

PictureFormat PictureFormatFromName(std::string_view name) {
    const size_t dot = name.find_last_of('.');
    const size_t slash = name.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) return PictureFormat::Unknown;
    const std::string ext = Lower(name.substr(dot + 1));
    if (ext == "png") return PictureFormat::Png;
    if (ext == "svg") return PictureFormat::Svg;
    if (ext == "pdf") return PictureFormat::Pdf;
    return PictureFormat::Unknown;
}

const char* PictureExtension(PictureFormat format) {
    switch (format) {
    case PictureFormat::Png: return "png";
    case PictureFormat::Svg: return "svg";
    case PictureFormat::Pdf: return "pdf";
    case PictureFormat::Unknown: break;
    }
    return "";
}

bool PlanPicture(PictureFormat format, double width, double height, int windowWidth, int windowHeight,
                 double textScale, PicturePlan* plan, std::string* why) {
    auto fail = [why](std::string reason) {
        if (why) *why = std::move(reason);
        return false;
    };
    if (format == PictureFormat::Unknown) return fail("the name ends in none of .png, .svg, .pdf");
    if (!(textScale >= kPictureMinTextScale && textScale <= kPictureMaxTextScale))
        return fail(Format("the text scale is outside %g..%g", kPictureMinTextScale, kPictureMaxTextScale));
    const bool own = width == 0 && height == 0;
    if (own && (windowWidth <= 0 || windowHeight <= 0)) return fail("the window has no size");
    PicturePlan p;
    if (format == PictureFormat::Pdf) {
        double wMm = width, hMm = height;
        if (own) {
            wMm = windowWidth * kMmPerInch / kPictureScreenDpi;
            hMm = windowHeight * kMmPerInch / kPictureScreenDpi;
        }
        // The window's own size may be smaller than a chosen page may be.
        const double lo = own ? 1.0 : kPictureMinMm;
        if (!(wMm >= lo && hMm >= lo && wMm <= kPictureMaxMm && hMm <= kPictureMaxMm))
            return fail(Format("the page size is outside %g..%g mm", kPictureMinMm, kPictureMaxMm));
        p.pageWidthMm = wMm;
        p.pageHeightMm = hMm;
        p.deviceWidth = static_cast<int>(std::lround(wMm / kMmPerInch * kPicturePdfDpi));
        p.deviceHeight = static_cast<int>(std::lround(hMm / kMmPerInch * kPicturePdfDpi));
        p.layoutWidth = static_cast<int>(std::lround(wMm / kMmPerInch * kPictureScreenDpi / textScale));
        p.layoutHeight = static_cast<int>(std::lround(hMm / kMmPerInch * kPictureScreenDpi / textScale));
    } else {
        double w = own ? windowWidth : width;
        double h = own ? windowHeight : height;
        if (!(w == std::floor(w) && h == std::floor(h) && w >= kPictureMinPixels && h >= kPictureMinPixels &&
              w <= kPictureMaxPixels && h <= kPictureMaxPixels))
            return fail(Format("the picture size is outside %g..%g pixels", kPictureMinPixels, kPictureMaxPixels));
        p.deviceWidth = static_cast<int>(w);
        p.deviceHeight = static_cast<int>(h);
        p.layoutWidth = static_cast<int>(std::lround(w / textScale));
        p.layoutHeight = static_cast<int>(std::lround(h / textScale));
    }
    if (p.layoutWidth < kPictureMinPixels || p.layoutHeight < kPictureMinPixels)
        return fail(Format("the text scale %g leaves less than %g pixels for the plot", textScale, kPictureMinPixels));
    p.scale = static_cast<double>(p.deviceWidth) / p.layoutWidth;
    if (plan) *plan = p;
    return true;
}

} // namespace vistrel
