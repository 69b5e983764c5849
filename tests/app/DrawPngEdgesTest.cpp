// `vistrel --png`: the trace reaches both ends of the plot, however wide the picture, and
// the shortest recordings still show their samples.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>

#include "core/recording/DisplayDefaults.h"
#include "plot/GraphCanvas.h"
#include "support/Fixtures.h"

using namespace vistrel;

TEST(DrawPngEdges, TraceOfChannelTwoFromEdgeToEdge) {
    struct Case {
        const char* name;
        uint64_t samples;
        int width, height;
        int minPixels;   // red pixels at least
        int minRight;    // the rightmost red pixel at least this far right
    };
    const Case cases[] = {
        // The recording ends at about 83 % of the plot's width: past the 4096th column.
        {"wider than 4096 pixels", 30000, 5000, 500, 4000, 4120},
        {"far wider than 4096 pixels", 30000, 8000, 300, 6000, 6500},
        {"two samples", 2, 700, 400, 100, 200},
        {"one sample: a dot", 1, 700, 400, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        test::FloatFixture fx;
        fx.layout.channels = 2;
        fx.layout.rate = 500.0;
        fx.samples = c.samples;
        fx.value = [](uint64_t, int ch) { return ch == 0 ? 5.0f : -5.0f; };   // channel 1 in its default colour
        const auto kvf = dir / "edges.kvf";
        ASSERT_TRUE(test::WriteFloatFixture(kvf, fx));
        const QString png = QString::fromStdString((dir / "out.png").string());
        QProcess proc;
        proc.setProcessChannelMode(QProcess::ForwardedChannels);
        proc.start(VISTREL_APP_PATH, {"--png", png, "--size", QStringLiteral("%1x%2").arg(c.width).arg(c.height),
                                      QString::fromStdString(kvf.string())});
        ASSERT_TRUE(proc.waitForFinished(120000));
        ASSERT_EQ(proc.exitCode(), 0);
        const QImage img = QImage(png).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(img.size(), QSize(c.width, c.height));
        int red = 0, right = -1, left = c.width;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == ColorFromRef(DefaultTraceColour(1)).rgb()) {
                    ++red;
                    right = std::max(right, x);
                    left = std::min(left, x);
                }
        EXPECT_GE(red, c.minPixels);
        EXPECT_GE(right, c.minRight);
        EXPECT_LT(left, c.width / 8);   // from the plot's left edge on
    }
}
