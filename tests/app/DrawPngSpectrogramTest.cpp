// `vistrel --png OUT --spectrogram C FILE`: the chosen channel's spectrogram below the traces.
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/processing/WindowFft.h"
#include "core/view/SpectrogramPicture.h"
#include "plot/PngRender.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

bool Near(QRgb pixel, spectro::Rgb c, int tolerance) {
    return std::abs(qRed(pixel) - c.r) <= tolerance && std::abs(qGreen(pixel) - c.g) <= tolerance &&
           std::abs(qBlue(pixel) - c.b) <= tolerance;
}

// Rows of column x in (nearly) the colour of the largest level.
std::vector<int> BrightRows(const QImage& img, int x) {
    std::vector<int> rows;
    for (int y = 0; y < img.height(); ++y)
        if (Near(img.pixel(x, y), spectro::Viridis(1.0), 24)) rows.push_back(y);
    return rows;
}

} // namespace

// Channel 2 changes from 100 Hz to 400 Hz at the middle of the recording, channel 1 stays at
// 50 Hz: the picture of channel 2 has a bright line that steps up at the middle, drawn over a
// background of the lowest colour; a channel the recording lacks is refused without a file.
TEST(DrawPngSpectrogram, DrawsTheChosenChannelBelowTheTraces) {
    test::TempDir dir;
    test::FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = 1000.0f;
    f.samples = 400000;
    f.value = [](uint64_t k, int c) {
        const double hz = c == 0 ? 50.0 : (k < 200000 ? 100.0 : 400.0);
        return static_cast<float>(std::sin(kTwoPi * hz * static_cast<double>(k) / 1000.0));
    };
    ASSERT_TRUE(test::WriteFloatFixture(dir / "tones.kvf", f));
    ASSERT_EQ(RenderPlotToPng(Q(dir / "tones.kvf"), Q(dir / "s.png"), QSize(1000, 700), false, false, 2), 0);
    const QImage img = QImage(Q(dir / "s.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(img.size(), QSize(1000, 700));
    // The lower part of the picture holds the spectrogram: mostly the lowest colour.
    int dark = 0;
    for (int y = 500; y < 640; ++y)
        for (int x = 100; x < 900; ++x)
            dark += Near(img.pixel(x, y), spectro::Viridis(0.0), 2);
    EXPECT_GT(dark, 800 * 140 / 2);
    // Columns over the first and the second half of the recording (the view shows the whole
    // recording from the plot's left edge): a thin bright line, higher in the second half.
    const std::vector<int> early = BrightRows(img, 250), late = BrightRows(img, 700);
    ASSERT_FALSE(early.empty());
    ASSERT_FALSE(late.empty());
    EXPECT_LE(early.size(), 6u);
    EXPECT_LE(late.size(), 6u);
    EXPECT_GT(early.front(), late.front() + 20);
    EXPECT_GT(early.front(), 450); // both in the lower part
    EXPECT_GT(late.front(), 450);

    EXPECT_EQ(RenderPlotToPng(Q(dir / "tones.kvf"), Q(dir / "bad.png"), QSize(1000, 700), false, false, 3), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.png"));
}
