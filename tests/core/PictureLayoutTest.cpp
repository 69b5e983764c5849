// Pictures of a plot: the format a name asks for, the sizes a picture is laid out and painted
// at, the positions a user writes for a stretch or the cursors, and the view of a stretch.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/recording/TimeBase.h"
#include "core/view/Canvas.h"
#include "core/view/PictureLayout.h"
#include "core/view/PositionText.h"
#include "core/view/ViewStretch.h"

using namespace vistrel;

TEST(PictureFormat, ByExtensionIgnoringCase) {
    const struct {
        const char* name;
        PictureFormat format;
    } cases[] = {
        {"out.png", PictureFormat::Png},     {"OUT.PNG", PictureFormat::Png},
        {"a/b.c/plot.Svg", PictureFormat::Svg}, {"report.pdf", PictureFormat::Pdf},
        {"plot", PictureFormat::Unknown},    {"plot.jpg", PictureFormat::Unknown},
        {"dir.png/plot", PictureFormat::Unknown}, {"plot.pdf.txt", PictureFormat::Unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(PictureFormatFromName(c.name), c.format) << c.name;
    EXPECT_STREQ(PictureExtension(PictureFormat::Svg), "svg");
    EXPECT_STREQ(PictureExtension(PictureFormat::Unknown), "");
}

TEST(PicturePlan, SizesScalesAndLimits) {
    // Oracle: a PNG or SVG is its chosen (or the window's) pixels, laid out at pixels / text
    // scale; a PDF page of W mm is W / 25.4 x 300 device pixels laid out at W / 25.4 x 96 /
    // text scale window pixels.
    const struct {
        PictureFormat format;
        double w, h, textScale;
        int layoutW, layoutH, deviceW, deviceH;
    } good[] = {
        {PictureFormat::Png, 3000, 2000, 1.0, 3000, 2000, 3000, 2000},   // beyond 4096 columns too
        {PictureFormat::Png, 8000, 600, 2.0, 4000, 300, 8000, 600},
        {PictureFormat::Png, 0, 0, 1.0, 900, 500, 900, 500},             // the window's own size
        {PictureFormat::Svg, 1200, 800, 0.5, 2400, 1600, 1200, 800},
        {PictureFormat::Pdf, 254, 127, 1.0, 960, 480, 3000, 1500},
        {PictureFormat::Pdf, 254, 127, 2.0, 480, 240, 3000, 1500},
        {PictureFormat::Pdf, 0, 0, 1.0, 900, 500, 2813, 1563},           // 900 px at 96 dpi
    };
    for (const auto& c : good) {
        PicturePlan p;
        std::string why;
        ASSERT_TRUE(PlanPicture(c.format, c.w, c.h, 900, 500, c.textScale, &p, &why)) << why;
        EXPECT_EQ(p.layoutWidth, c.layoutW) << c.w;
        EXPECT_EQ(p.layoutHeight, c.layoutH) << c.w;
        EXPECT_EQ(p.deviceWidth, c.deviceW) << c.w;
        EXPECT_EQ(p.deviceHeight, c.deviceH) << c.w;
        EXPECT_NEAR(p.scale * p.layoutWidth, p.deviceWidth, 1e-9);
        if (c.format == PictureFormat::Pdf) {
            EXPECT_NEAR(p.pageWidthMm, c.w ? c.w : 900 * 25.4 / 96, 1e-9);
        }
    }
    const struct {
        PictureFormat format;
        double w, h, textScale;
        const char* reason;
    } bad[] = {
        {PictureFormat::Unknown, 100, 100, 1.0, ".png, .svg, .pdf"},
        {PictureFormat::Png, 63, 100, 1.0, "64..16384 pixels"},
        {PictureFormat::Png, 16385, 100, 1.0, "64..16384 pixels"},
        {PictureFormat::Png, 100.5, 100, 1.0, "64..16384 pixels"},
        {PictureFormat::Pdf, 19, 100, 1.0, "20..2000 mm"},
        {PictureFormat::Pdf, 100, 2001, 1.0, "20..2000 mm"},
        {PictureFormat::Png, 100, 100, 0.2, "text scale"},
        {PictureFormat::Png, 100, 100, 9.0, "text scale"},
        {PictureFormat::Png, 200, 100, 2.0, "leaves less than 64"},
    };
    for (const auto& c : bad) {
        std::string why;
        EXPECT_FALSE(PlanPicture(c.format, c.w, c.h, 900, 500, c.textScale, nullptr, &why)) << c.w;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
}

TEST(PositionText, SamplesSecondsAndClockTimes) {
    FileTimeParts start;
    start.year = 2026;
    start.month = 12;
    start.day = 8;
    start.hour = 8;
    start.minute = 16;
    start.second = 40;
    PositionContext ctx;
    ASSERT_TRUE(MakeFileTime(start, ctx.localStart));
    ctx.rate = 1000.0;
    ctx.samples = 200000;
    // Oracle: seconds x rate, rounded; a clock time is its distance from the start in seconds.
    const struct {
        const char* text;
        uint64_t sample;
    } good[] = {
        {"125000", 125000}, {"0", 0},  {"200000", 200000},  {"12.5s", 12500}, {"0.0004s", 0},
        {"0.0006S", 1},     {".5s", 500}, {"2026-12-08T08:16:47.25", 7250},
        {"2026-12-08 08:16:40", 0}, {"2026-12-08T08:17:00.0016", 20002},
    };
    for (const auto& c : good) {
        uint64_t s = 99;
        std::string why;
        EXPECT_TRUE(ParsePosition(c.text, ctx, &s, &why)) << c.text << ": " << why;
        EXPECT_EQ(s, c.sample) << c.text;
    }
    const struct {
        const char* text;
        const char* reason;
    } bad[] = {
        {"", "no sample position"},
        {"-5", "no sample position"},
        {"12,5s", "not a number of seconds"},
        {"1e3", "no sample position"},
        {"200001", "beyond the end"},
        {"99999999999999999999999", "too large"},
        {"201s", "beyond the end"},
        {"2026-12-08T08:16:39", "before the start"},
        {"2026-02-30T08:16:39", "no valid date"},
        {"2026-12-08T08:20:01", "beyond the end"},
        {"08:16:47", "no sample position"},
    };
    for (const auto& c : bad) {
        std::string why;
        EXPECT_FALSE(ParsePosition(c.text, ctx, nullptr, &why)) << c.text;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.text << ": " << why;
    }
    uint64_t a = 0, b = 0;
    std::string why;
    EXPECT_TRUE(ParsePositionPair("1000,2.5s", ctx, &a, &b, &why)) << why;
    EXPECT_EQ(a, 1000u);
    EXPECT_EQ(b, 2500u);
    for (const char* text : {"1000", "1,2,3", "1000,x"}) EXPECT_FALSE(ParsePositionPair(text, ctx, &a, &b, &why)) << text;
}

TEST(ViewStretch, ShowsExactlyTheStretchUntilTheNextScroll) {
    double lengths[5] = {60000, 30000, 12000, 6000, 600};
    float ranges[2] = {-10.0f, 10.0f};
    CCanvasView view(10, 8);
    view.AttachView(1, 60000, ranges, 5, lengths);
    const struct {
        double start, end;
        int zoom;   // the shortest window still holding the stretch
    } cases[] = {{12345, 17890, 3}, {0, 60000, 0}, {100, 700, 4}, {5000, 5600, 4}, {40000, 59999, 1}};
    for (const auto& c : cases) {
        ASSERT_TRUE(ShowStretch(view, c.start, c.end));
        EXPECT_EQ(view.m_visibleStart, c.start);
        EXPECT_EQ(view.m_visibleEnd, c.end);
        EXPECT_EQ(view.m_hZoom, c.zoom) << c.start;
    }
    EXPECT_FALSE(ShowStretch(view, 500, 500));
    EXPECT_FALSE(ShowStretch(view, -1, 500));
    EXPECT_EQ(view.m_visibleStart, 40000);   // a refused stretch changes nothing
}
