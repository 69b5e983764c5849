#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "core/recording/DisplayDefaults.h"
#include "plot/GraphCanvas.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

// Rows (or columns) in which at least `share` of the pixels of the middle part have colour c.
std::vector<int> Lines(const QImage& img, QRgb c, double share, bool rows) {
    std::vector<int> found;
    const int outer = rows ? img.height() : img.width();
    const int inner = rows ? img.width() : img.height();
    for (int i = 0; i < outer; ++i) {
        int hits = 0, total = 0;
        for (int j = inner / 5; j < inner * 4 / 5; ++j, ++total)
            hits += (rows ? img.pixel(j, i) : img.pixel(i, j)) == c;
        if (hits >= share * total) found.push_back(i);
    }
    return found;
}

} // namespace

TEST(DrawPng, TracesAndCursorLinesInThePicture) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = 500.0;
    fx.samples = 30000;
    fx.value = [](uint64_t, int c) { return c == 0 ? 5.0f : -5.0f; };  // default range -10..10
    const auto kvf = dir / "png.kvf";
    ASSERT_TRUE(test::WriteFloatFixture(kvf, fx));
    const QString png = QString::fromStdString((dir / "out.png").string());
    QProcess proc;
    proc.setProcessChannelMode(QProcess::ForwardedChannels);
    proc.start(VISTREL_APP_PATH, {"--png", png, "--size", "900x600", QString::fromStdString(kvf.string())});
    ASSERT_TRUE(proc.waitForFinished(120000));
    ASSERT_EQ(proc.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(proc.exitCode(), 0);
    QImage img(png);
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.size(), QSize(900, 600));
    img = img.convertToFormat(QImage::Format_RGB32);

    // Channel 0 at +5 lies above channel 1 at -5, each one pixel row in its default colour.
    const auto black = Lines(img, ColorFromRef(DefaultTraceColour(0)).rgb(), 0.8, true);
    const auto red = Lines(img, ColorFromRef(DefaultTraceColour(1)).rgb(), 0.8, true);
    ASSERT_EQ(black.size(), 1u);
    ASSERT_EQ(red.size(), 1u);
    EXPECT_LT(black[0], red[0]);
    EXPECT_NEAR(red[0] - black[0], 600 / 2, 40);  // half the plot height apart

    // The two time cursors: dotted black columns near a third and two thirds of the plot's
    // width (the value scale on the left takes some of the picture's width).
    const auto cursors = Lines(img, qRgb(0, 0, 0), 0.3, false);
    ASSERT_EQ(cursors.size(), 2u);
    EXPECT_NEAR(cursors[0], 900 / 3, 60);
    EXPECT_NEAR(cursors[1], 2 * 900 / 3, 60);
    EXPECT_NEAR(cursors[1] - cursors[0], 900 / 3, 40);
}
