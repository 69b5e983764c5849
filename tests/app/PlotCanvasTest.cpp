#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/common/DebugLog.h"
#include "core/recording/TimeBase.h"
#include "plot/GraphCanvas.h"
#include "plot/PlotWindow.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

// A bare canvas with a 2-channel interleaved buffer: channel 0 at its minimum, then maximum.
struct BareCanvas {
    QWidget widget;
    float samples[2 * 100];
    float ranges[4] = {0.0f, 10.0f, -1.0f, 1.0f};
    double lengths[2] = {100, 50};
    CGraphCanvas canvas{&widget, MakeRect(0, 0, 300, 200), 6, 4};
    BareCanvas() {
        widget.resize(300, 200);
        for (int s = 0; s < 100; ++s) {
            samples[2 * s] = s < 50 ? 0.0f : 10.0f;
            samples[2 * s + 1] = 0.0f;
        }
        canvas.AttachData(2, 100, samples, ranges, 2, lengths);
    }
    QImage Render() {
        QImage img(300, 200, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        canvas.Paint(p);
        return img;
    }
};

std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string TimeLine(const char* format, int64_t t) {
    const FileTimeParts f = SplitFileTime(t);
    char buf[128];
    std::snprintf(buf, sizeof buf, format, f.day, f.month, f.year - 2000, f.hour, f.minute, f.second,
                  f.millisecond);
    return buf;
}

} // namespace

TEST(PlotCanvas, DefaultPaintingMarginsGridAndTraces) {
    BareCanvas b;
    b.canvas.SetChannelPen(0, 0x0000FF, 1);   // red
    b.canvas.m_channelMask = 1;               // channel 0 only
    const QImage img = b.Render();
    // Without label sets every margin is the frame width.
    EXPECT_EQ(b.canvas.m_plotRect,
              MakeRect(CGraphCanvas::kFrameMargin, CGraphCanvas::kFrameMargin,
                       300 - CGraphCanvas::kFrameMargin, 200 - CGraphCanvas::kFrameMargin));
    // The canvas is filled white outside the plot; the grid lines are 0xE0E0E0; major lines doubled.
    EXPECT_EQ(img.pixel(1, 1), qRgb(255, 255, 255));
    const CanvasRect& r = b.canvas.m_plotRect;
    const int gx = r.left + (r.right - r.left) / 6;   // a major vertical line
    EXPECT_EQ(img.pixel(gx, r.top + 5), qRgb(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(img.pixel(gx + 1, r.top + 5), qRgb(0xE0, 0xE0, 0xE0));
    // Channel 0 runs at the bottom for the first half and at the top for the second.
    bool lowRed = false, highRed = false;
    for (int x = r.left + 2; x < r.right - 2; ++x) {
        if (img.pixel(x, r.bottom) == qRgb(255, 0, 0) && x < (r.left + r.right) / 2 - 5)
            lowRed = true;
        if (img.pixel(x, r.top) == qRgb(255, 0, 0) && x > (r.left + r.right) / 2 + 5)
            highRed = true;
    }
    EXPECT_TRUE(lowRed);
    EXPECT_TRUE(highRed);
}

TEST(PlotCanvas, AxisLabelsAndMargins) {
    BareCanvas b;
    const char text[] = "a|b|c\0d|e|f|g|h|i";
    b.canvas.SetAxisLabels(text, sizeof text - 1, 0);
    EXPECT_EQ(b.canvas.m_labels[0][0], QStringLiteral("a"));
    EXPECT_EQ(b.canvas.m_labels[0][2], QStringLiteral("c"));
    EXPECT_EQ(b.canvas.m_labels[0][3], QStringLiteral("d"));
    EXPECT_EQ(b.canvas.m_labels[0][4], QStringLiteral("e"));   // vDivisions + 1 strings
    EXPECT_TRUE(b.canvas.m_labels[0][5].isEmpty());
    b.canvas.SetAxisLabels(text, sizeof text - 1, 3);
    EXPECT_EQ(b.canvas.m_labels[3][6], QStringLiteral("g"));   // hDivisions + 1 strings
    b.Render();
    // Left and bottom margins now hold the labels; right and top stay the frame width.
    EXPECT_GT(b.canvas.m_plotRect.left, CGraphCanvas::kFrameMargin);
    EXPECT_LT(b.canvas.m_plotRect.bottom, 200 - CGraphCanvas::kFrameMargin);
    EXPECT_EQ(b.canvas.m_plotRect.right, 300 - CGraphCanvas::kFrameMargin);
    EXPECT_EQ(b.canvas.m_plotRect.top, CGraphCanvas::kFrameMargin);
}

TEST(PlotCanvas, DragWithoutButtonEndsAndShortDragDoesNotZoom) {
    BareCanvas b;
    b.Render();
    const CanvasRect r = b.canvas.m_plotRect;
    // Presses too near the side edges or above the plot start no band.
    b.canvas.OnLButtonDown(kKeyLButton, r.left + 1, r.top + 10);
    EXPECT_FALSE(b.canvas.m_dragging);
    b.canvas.OnLButtonDown(kKeyLButton, r.left + 20, r.top - 1);
    EXPECT_FALSE(b.canvas.m_dragging);
    b.canvas.OnLButtonDown(kKeyLButton, r.left + 20, r.top + 10);
    EXPECT_TRUE(b.canvas.m_dragging);
    b.canvas.OnMouseMove(kKeyLButton, r.left + 100, r.top + 100);
    EXPECT_EQ(b.canvas.m_selRect, MakeRect(r.left + 20, r.top + 10, r.left + 100, r.top + 100));
    // The button was released outside the window: the next move ends the drag, no zoom.
    b.canvas.OnMouseMove(0, r.left + 120, r.top + 100);
    EXPECT_FALSE(b.canvas.m_dragging);
    b.canvas.OnLButtonUp(0, r.left + 120, r.top + 100);
    EXPECT_EQ(b.canvas.m_hZoom, 0);
    EXPECT_EQ(b.canvas.m_zoomHistory.count, 0);
}

TEST(PlotCanvas, ConstructionWritesLogLines) {
    test::TempDir dir;
    test::FloatFixture f;
    f.layout.channels = 2;
    f.samples = 60000;
    const int64_t start = test::UtcFileTime(2023, 2, 1, 10, 0, 0);
    f.fileTime = start;
    ASSERT_TRUE(test::WriteFloatFixture(dir / "log.kvf", f));
    CDebugLog log(dir / "Debug.txt");
    g_log = &log;
    QString error;
    auto w = PlotWindow::CreateDetached(QString::fromStdString((dir / "log.kvf").string()), &error);
    g_log = nullptr;
    ASSERT_TRUE(w);
    const std::string text = ReadText(dir / "Debug.txt");
    EXPECT_NE(text.find((dir / "log.kvf").string() + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Duration of a file(sec)=60.000000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(TimeLine("Sys.Time of beginning(-3h) %02d.%02d.%02d %02d:%02d:%02d,%03d\r\n", start)),
              std::string::npos) << text;
    EXPECT_NE(text.find("Display range(sec)=60(3c)\r\n"), std::string::npos) << text;
    const CPlotWnd* p = w->Plot();
    EXPECT_NE(text.find(TimeLine("Window begin time %02d.%02d.%02d %02d:%02d:%02d,%03d\r\n", p->m_windowBegin)),
              std::string::npos) << text;
    EXPECT_NE(text.find(TimeLine("Window end time %02d.%02d.%02d %02d:%02d:%02d,%03d\r\n", p->m_windowEnd)),
              std::string::npos) << text;
    EXPECT_NE(text.find("Number of data samples=60000 x 2 = 120000\r\n"), std::string::npos) << text;
    // The path comes first, the sample count last.
    EXPECT_LT(text.find("log.kvf"), text.find("Duration of a file"));
    EXPECT_LT(text.find("Window end time"), text.find("Number of data samples"));
    EXPECT_EQ(p->m_startTime, ToLocalTime(start));
}
