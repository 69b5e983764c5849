// Colours of the light and dark plot schemes, the contrast arithmetic and the default trace
// colours that must read on both.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>

#include "core/recording/DisplayDefaults.h"
#include "core/view/PlotColours.h"
#include "core/view/PlotLayout.h"

using namespace vistrel;

namespace {

const ColourScheme kSchemes[] = {ColourScheme::Light, ColourScheme::Dark};

int Component(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

double Distance(uint32_t a, uint32_t b) {
    double sum = 0;
    for (int shift : {0, 8, 16}) sum += std::pow(Component(a, shift) - Component(b, shift), 2);
    return std::sqrt(sum);
}

} // namespace

TEST(PlotColours, ContrastRatioKnownValues) {
    struct Case {
        uint32_t a, b;
        double ratio;
    };
    const Case cases[] = {
        {0x000000, 0xFFFFFF, 21.0}, {0xFFFFFF, 0x000000, 21.0}, {0x808080, 0x808080, 1.0},
        {0x767676, 0xFFFFFF, 4.54},   // the grey that just passes for body text on white
        {0x0000FF, 0xFFFFFF, 4.0},    // pure red (0x00BBGGRR)
    };
    for (const Case& c : cases) EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.01) << std::hex << c.a;
    EXPECT_DOUBLE_EQ(RelativeLuminance(0xFFFFFF), 1.0);
    EXPECT_DOUBLE_EQ(RelativeLuminance(0x000000), 0.0);
}

TEST(PlotColours, SchemesReadOnTheirBackground) {
    for (ColourScheme s : kSchemes) {
        const SchemeColours& c = ColoursOf(s);
        EXPECT_GE(ContrastRatio(c.text, c.background), 4.5);
        EXPECT_GE(ContrastRatio(c.cursor, c.background), kTraceContrast);
        EXPECT_GE(ContrastRatio(c.cursor, c.markerFill), 4.5);   // the marker's letter
        EXPECT_GE(ContrastRatio(c.selection, c.background), kTraceContrast);
        EXPECT_GT(ContrastRatio(c.grid, c.background), 1.1);      // visible, yet faint
        EXPECT_LT(ContrastRatio(c.grid, c.background), 2.0);
    }
    EXPECT_LT(RelativeLuminance(ColoursOf(ColourScheme::Dark).background), 0.05);
    EXPECT_EQ(ColoursOf(ColourScheme::Light).background, 0xFFFFFFu);
}

// Every default colour, of the first 32 channels as files store them and of all 256 channels a
// plot window shows, reads on both backgrounds without any display adjustment.
TEST(PlotColours, DefaultsReadOnBothSchemes) {
    for (ColourScheme s : kSchemes) {
        const uint32_t back = ColoursOf(s).background;
        for (int ch = 0; ch < 256; ++ch) {
            for (uint32_t c : {DefaultChannelColour(ch), DefaultTraceColour(ch)}) {
                EXPECT_GE(ContrastRatio(c, back), kTraceContrast) << "channel " << ch << " colour " << std::hex << c;
                EXPECT_EQ(DisplayColour(c, back), c) << "channel " << ch;
            }
            if (s == ColourScheme::Dark) EXPECT_LT(RelativeLuminance(back), RelativeLuminance(DefaultChannelColour(ch)));
        }
    }
}

TEST(PlotColours, DefaultNeighboursDiffer) {
    std::set<uint32_t> distinct;
    for (int ch = 0; ch < 32; ++ch) {
        EXPECT_EQ(DefaultChannelColour(ch), DefaultTraceColour(ch));
        EXPECT_GE(Distance(DefaultTraceColour(ch), DefaultTraceColour((ch + 1) % 32)), 80.0) << "channel " << ch;
        distinct.insert(DefaultTraceColour(ch));
    }
    EXPECT_EQ(distinct.size(), 32u);
}

// A stored colour too close to the background is moved away from it just enough: lighter on the
// dark scheme, darker on the light one, keeping its hue; a colour that reads already is kept.
TEST(PlotColours, DisplayColourReachesContrast) {
    struct Case {
        uint32_t stored;
        ColourScheme scheme;
        bool changes;
    };
    const Case cases[] = {
        {0x000000, ColourScheme::Dark, true},  {0x202020, ColourScheme::Dark, true},
        {0x500000, ColourScheme::Dark, true},  {0x282800, ColourScheme::Dark, true},
        {0xE0E0E0, ColourScheme::Light, true}, {0x00E0E0, ColourScheme::Light, true},
        {0xFFFFFF, ColourScheme::Light, true}, {0xFFFFFF, ColourScheme::Dark, false},
        {0x000000, ColourScheme::Light, false}, {0x0000E8, ColourScheme::Dark, false},
        {0x0000E8, ColourScheme::Light, false}, {0x00E0E0, ColourScheme::Dark, false},
    };
    for (const Case& c : cases) {
        const uint32_t back = ColoursOf(c.scheme).background;
        const uint32_t shown = DisplayColour(c.stored, back);
        SCOPED_TRACE(testing::Message() << std::hex << c.stored << (c.scheme == ColourScheme::Dark ? " dark" : " light"));
        EXPECT_GE(ContrastRatio(shown, back), kTraceContrast);
        if (!c.changes) {
            EXPECT_EQ(shown, c.stored);
            continue;
        }
        const bool dark = c.scheme == ColourScheme::Dark;
        EXPECT_EQ(RelativeLuminance(shown) > RelativeLuminance(c.stored), dark);
        EXPECT_LT(ContrastRatio(shown, back), kTraceContrast + 0.3);   // no further than needed
        // The strongest component stays the strongest (the hue is kept).
        const int strongest = Component(c.stored, 16) > Component(c.stored, 0) ? 16 : 0;
        if (Component(c.stored, 16) != Component(c.stored, 0))
            EXPECT_GE(Component(shown, strongest), Component(shown, 16 - strongest));
    }
}

TEST(PlotColours, FitLuminanceKeepsTheBand) {
    const uint32_t colours[] = {0x000000, 0xFFFFFF, 0x00FFFF, 0xFF0000, 0x202080, 0x0000E8};
    for (uint32_t c : colours) {
        const double l = RelativeLuminance(FitLuminance(c, kDefaultLuminanceLow, kDefaultLuminanceHigh));
        EXPECT_GE(l, kDefaultLuminanceLow) << std::hex << c;
        EXPECT_LE(l, kDefaultLuminanceHigh) << std::hex << c;
    }
    EXPECT_EQ(FitLuminance(0x0000E8, kDefaultLuminanceLow, kDefaultLuminanceHigh), 0x0000E8u);
}

TEST(PlotColours, ChoiceResolvesAndRoundTrips) {
    struct Case {
        ColourChoice choice;
        bool systemDark;
        ColourScheme scheme;
    };
    const Case cases[] = {
        {ColourChoice::System, false, ColourScheme::Light}, {ColourChoice::System, true, ColourScheme::Dark},
        {ColourChoice::Light, true, ColourScheme::Light},   {ColourChoice::Dark, false, ColourScheme::Dark},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveScheme(c.choice, c.systemDark), c.scheme);
        EXPECT_EQ(ColourChoiceFromName(ColourChoiceName(c.choice)), c.choice);
    }
    EXPECT_EQ(ColourChoiceFromName("purple"), ColourChoice::System);
    EXPECT_EQ(ColourChoiceFromName(""), ColourChoice::System);
}
