#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QMdiArea>
#include <QProcess>
#include <QProcessEnvironment>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "core/common/StringIds.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TempResults.h"
#include "plot/PlotWindow.h"
#include "plot/PngRender.h"
#include "shell/UiUtils.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// A 2-channel 1000 Hz recording of 60000 samples: channel 0 a slow ramp, channel 1 constant.
std::filesystem::path WriteRecording(const test::TempDir& dir, const std::string& name,
                                     uint64_t samples = 60000) {
    test::FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = 1000.0;
    f.samples = samples;
    f.value = [](uint64_t k, int c) { return c == 0 ? static_cast<float>(k % 1000) / 100.0f - 5.0f : 2.0f; };
    f.fileTime = test::UtcFileTime(2023, 2, 1, 10, 0, 0);
    const auto path = dir / name;
    EXPECT_TRUE(test::WriteFloatFixture(path, f));
    return path;
}

struct Boxes {
    int errors = 0;
    int questions = 0;
    bool answer = true;
    QString lastCaption, lastText;
    Boxes() {
        SetMessageBoxAnswerer([this](BoxKind kind, const QString& caption, const QString& text) {
            (kind == BoxKind::Error ? errors : questions)++;
            lastCaption = caption;
            lastText = text;
            return answer;
        });
    }
    ~Boxes() { SetMessageBoxAnswerer({}); }
};

struct Area {
    QMdiArea area;
    Area() {
        area.resize(1200, 900);
        area.show();
    }
};

} // namespace

TEST(PlotWindow, CreationSetsUpScrollBarsStatusAndLayout) {
    test::TempDir dir;
    const auto path = WriteRecording(dir, "a.kvf");
    Area a;
    Boxes boxes;
    PlotWindow* w = PlotWindow::Create(&a.area, Q(path));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(boxes.errors, 0);
    EXPECT_EQ(w->SubWindow()->windowTitle(), Q(path));
    EXPECT_EQ(w->Path(), Q(path));
    // The whole recording at magnification 1: thumbs that fill their tracks.
    for (QScrollBar* b : {w->HScrollBar(), w->VScrollBar()}) {
        EXPECT_EQ(b->minimum(), 0);
        EXPECT_EQ(b->maximum(), 0);
        EXPECT_EQ(b->pageStep(), 65535);
        EXPECT_EQ(b->value(), 0);
    }
    CPlotWnd* p = w->Plot();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(w->Data().plot, p);
    EXPECT_EQ(w->Data().file, w->File());
    EXPECT_EQ(p->m_channelCount, 2);
    EXPECT_EQ(p->m_hZoom, 0);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0);
    // 60 s starting on a whole 10 s division: display range of 60 s, 60000 samples at index 0.
    EXPECT_EQ(p->m_timeWindows[p->m_displayWindow], 600000000);
    EXPECT_DOUBLE_EQ(p->m_windowSamples[0], 60000);
    EXPECT_GE(p->m_windowSamples[p->m_windowSampleCount - 1], 30);
    EXPECT_EQ(p->m_penColors[1], DefaultTraceColour(1));
    EXPECT_EQ(p->m_zoomHistory.count, 0);
    EXPECT_TRUE(w->CursorTimerActive());
    EXPECT_TRUE(w->Canvas()->testAttribute(Qt::WA_OpaquePaintEvent));
    // Canvas above the status bar, both left of the vertical scroll bar.
    EXPECT_EQ(w->Canvas()->geometry().bottom() + 1, w->StatusBar()->geometry().top());
    EXPECT_LE(w->Canvas()->geometry().right(), w->VScrollBar()->geometry().left());

    // Every resize shows "*" until the read-out is rebuilt.
    w->SetStatusPart(1, QStringLiteral("read-out"));
    w->SubWindow()->resize(500, 400);
    EXPECT_EQ(w->StatusText(1), QStringLiteral("*"));
    a.area.closeAllSubWindows();
}

TEST(PlotWindow, UnopenableRecordingShowsErrorAndGivesNoWindow) {
    test::TempDir dir;
    Area a;
    Boxes boxes;
    EXPECT_EQ(PlotWindow::Create(&a.area, Q(dir / "missing.kvf")), nullptr);
    EXPECT_GE(boxes.errors, 1);
    EXPECT_EQ(boxes.lastCaption, GetUiString(214));
    // The text says why: here that the file does not exist.
    EXPECT_EQ(boxes.lastText, GetUiString(213) + QLatin1Char('\n') + Q(dir / "missing.kvf") + QLatin1Char('\n') +
                                  GetUiString(vistrel::IDS_FILE_NOT_FOUND_REASON));
    EXPECT_TRUE(a.area.subWindowList().isEmpty());
    test::WriteAll(dir / "empty.kvf", {});
    EXPECT_EQ(PlotWindow::Create(&a.area, Q(dir / "empty.kvf")), nullptr);
    EXPECT_TRUE(boxes.lastText.endsWith(GetUiString(vistrel::IDS_FILE_EMPTY)));
    test::WriteAll(dir / "junk.kvf", std::vector<uint8_t>(600, 0x41));
    EXPECT_EQ(PlotWindow::Create(&a.area, Q(dir / "junk.kvf")), nullptr);
    EXPECT_TRUE(a.area.subWindowList().isEmpty());
}

TEST(PlotWindow, RubberBandZoomAndZoomBackOnTheWidget) {
    test::TempDir dir;
    const auto path = WriteRecording(dir, "z.kvf");
    Area a;
    PlotWindow* w = PlotWindow::Create(&a.area, Q(path));
    ASSERT_NE(w, nullptr);
    w->SubWindow()->resize(900, 600);
    QWidget* canvas = w->Canvas();
    canvas->repaint();   // lays out the plot rectangle
    CPlotWnd* p = w->Plot();
    const CanvasRect r = p->m_plotRect;
    ASSERT_GT(r.right - r.left, 200);

    // A release within 8 pixels does not zoom.
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(r.left + 100, r.top + 50));
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(r.left + 105, r.top + 55));
    EXPECT_EQ(p->m_hZoom, 0);
    EXPECT_EQ(p->m_zoomHistory.count, 0);
    // Right click with an empty history: nothing.
    QTest::mouseClick(canvas, Qt::RightButton, Qt::NoModifier, QPoint(r.left + 50, r.top + 50));
    EXPECT_EQ(p->m_hZoom, 0);

    // A band of a tenth of the width and a third of the height.
    const int w10 = (r.right - r.left) / 10;
    const QPoint from(r.left + 2 * w10, (r.top + r.bottom) / 2 - (r.bottom - r.top) / 6);
    const QPoint to(r.left + 3 * w10, (r.top + r.bottom) / 2 + (r.bottom - r.top) / 6);
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(canvas, to);
    EXPECT_TRUE(p->m_dragging);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_FALSE(p->m_dragging);
    EXPECT_GT(p->m_hZoom, 0);
    EXPECT_EQ(p->m_vZoom, 1);
    EXPECT_EQ(p->m_zoomHistory.count, 1);
    const double div = p->WindowLength() / 6;
    const double q = p->m_visibleStart / div;
    EXPECT_NEAR(q, std::round(q), 1e-6);
    // The view covers the selected stretch (about samples 12000..18000).
    EXPECT_LE(p->m_visibleStart, 15000);
    EXPECT_GE(p->m_visibleEnd, 15000);

    // Right click outside the plot does nothing; inside it zooms back.
    QTest::mouseClick(canvas, Qt::RightButton, Qt::NoModifier, QPoint(r.left + 10, r.top - 2));
    EXPECT_EQ(p->m_zoomHistory.count, 1);
    QTest::mouseClick(canvas, Qt::RightButton, Qt::NoModifier, QPoint(r.left + 10, r.top + 10));
    EXPECT_EQ(p->m_zoomHistory.count, 0);
    EXPECT_EQ(p->m_hZoom, 0);
    EXPECT_EQ(p->m_vZoom, 0);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, 60000);
    a.area.closeAllSubWindows();
}

TEST(PlotWindow, ScrollBarsAndWheelMoveTheView) {
    test::TempDir dir;
    const auto path = WriteRecording(dir, "s.kvf");
    Area a;
    PlotWindow* w = PlotWindow::Create(&a.area, Q(path));
    ASSERT_NE(w, nullptr);
    CPlotWnd* p = w->Plot();
    // At zoom index 0 nothing scrolls, thumb included.
    w->HScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0);

    p->m_hZoom = 2;
    p->m_vZoom = 2;
    p->Recompute();
    const double L = p->WindowLength();
    const double start = p->m_visibleStart;
    w->HScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, start + L / 6);
    EXPECT_EQ(w->HScrollBar()->value(), std::lround(p->m_visibleStart * 65535 / 60000));
    w->HScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0);

    // Thumb: the view follows it while it is dragged and stays where it is released.
    QScrollBar* hb = w->HScrollBar();
    hb->setSliderDown(true);
    hb->setSliderPosition(65535);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, 60000);
    const int mid = hb->maximum() / 2;   // the track less the thumb's size
    hb->setSliderPosition(mid);
    EXPECT_NEAR(p->m_visibleStart, 60000.0 * mid / 65535, 1e-6);
    EXPECT_EQ(hb->sliderPosition(), mid);   // the view does not pull the held thumb
    hb->setSliderDown(false);
    EXPECT_NEAR(p->m_visibleStart, 60000.0 * mid / 65535, 1e-6);
    hb->setSliderDown(true);
    hb->setSliderPosition(65535);
    hb->setSliderDown(false);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, 60000);

    // Wheel towards the user scrolls left->right; with Shift it scrolls vertically.
    hb->setSliderDown(false);
    w->OnHScroll(kScrollThumbPosition, 0);
    const double s0 = p->m_visibleStart;
    QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w->Canvas(), &down);
    EXPECT_GT(p->m_visibleStart, s0);
    QWheelEvent up(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w->Canvas(), &up);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, s0);

    const double vc = p->m_vCenter;
    QWheelEvent shiftDown(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w->Canvas(), &shiftDown);
    EXPECT_LT(p->m_vCenter, vc);   // down the value range
    EXPECT_EQ(w->VScrollBar()->value(), std::lround((1000 - p->m_vCenter - 500 / p->VZoomFactor()) * 65535 / 1000));
    a.area.closeAllSubWindows();
}

TEST(PlotWindow, SettingsRoundTripAndVerticalStartView) {
    test::TempDir dir;
    const auto path = WriteRecording(dir, "set.kvf");
    Area a;
    WindowSettings s;
    for (int i = 0; i < 256; ++i) {
        s.shown[i] = i != 1;
        s.colors[i] = 0x123456u + i;
        s.widths[i] = 1 + i % 3;
    }
    s.selectedChannel = 1;
    s.timeLabelStyle = 1;
    s.hZoom = 3;
    s.vZoom = 2;
    s.hCenter = 20000;
    s.vCenter = 300;
    PlotWindow* w = PlotWindow::Create(&a.area, Q(path), -1, 9999999.0, &s);
    ASSERT_NE(w, nullptr);
    WindowSettings out;
    w->ExtractSettings(out);
    EXPECT_EQ(out.shown, s.shown);
    EXPECT_EQ(out.colors, s.colors);
    EXPECT_EQ(out.widths, s.widths);
    EXPECT_EQ(out.selectedChannel, 1);
    EXPECT_EQ(out.timeLabelStyle, 1);
    EXPECT_EQ(w->Data().timeLabelStyle, 1);  // the record follows the plot
    EXPECT_EQ(out.hZoom, 3);
    EXPECT_EQ(out.vZoom, 2);
    EXPECT_EQ(w->Plot()->m_zoomHistory.count, 1);
    // Centres snap to whole divisions.
    EXPECT_NEAR(out.vCenter, 300, 50);
    EXPECT_NEAR(out.hCenter, 20000, w->Plot()->WindowLength() / 6);

    // Out-of-range indices are limited.
    s.hZoom = 999;
    s.vZoom = 42;
    PlotWindow* w2 = PlotWindow::Create(&a.area, Q(path), -1, 9999999.0, &s);
    ASSERT_NE(w2, nullptr);
    EXPECT_EQ(w2->Plot()->m_hZoom, w2->Plot()->m_windowSampleCount - 1);
    EXPECT_EQ(w2->Plot()->m_vZoom, 9);

    // A result opened with its source window's vertical view.
    PlotWindow* w3 = PlotWindow::Create(&a.area, Q(path), 3, 250.0);
    ASSERT_NE(w3, nullptr);
    EXPECT_EQ(w3->Plot()->m_vZoom, 3);
    EXPECT_EQ(w3->Plot()->m_zoomHistory.count, 1);
    a.area.closeAllSubWindows();
}

TEST(PlotWindow, ClosingTemporaryResultsAsks) {
    test::TempDir dir;
    Area a;
    Boxes boxes;
    const auto temp = WriteRecording(dir, "~result01.kvf", 2000);
    RegisterTempResult(temp);

    // No: the window and its file stay.
    PlotWindow* w = PlotWindow::Create(&a.area, Q(temp));
    ASSERT_NE(w, nullptr);
    boxes.answer = false;
    EXPECT_FALSE(w->SubWindow()->close());
    EXPECT_EQ(boxes.questions, 1);
    EXPECT_TRUE(boxes.lastText.startsWith(Q(temp) + QLatin1Char(' ')));
    EXPECT_TRUE(boxes.lastText.endsWith(GetUiString(215)));
    EXPECT_EQ(a.area.subWindowList().size(), 1);
    EXPECT_TRUE(std::filesystem::exists(temp));

    // Yes: closed and deleted.
    boxes.answer = true;
    EXPECT_TRUE(w->SubWindow()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes.questions, 2);
    EXPECT_TRUE(a.area.subWindowList().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(temp));

    // An operation has used it: closes without asking.
    const auto temp2 = WriteRecording(dir, "~result02.kvf", 2000);
    RegisterTempResult(temp2);
    w = PlotWindow::Create(&a.area, Q(temp2));
    ASSERT_NE(w, nullptr);
    w->Plot()->m_saved = 1;
    EXPECT_TRUE(w->SubWindow()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes.questions, 2);
    EXPECT_FALSE(std::filesystem::exists(temp2));

    // A user's own file named with "~" (not written by this run) is kept: no question.
    const auto own = WriteRecording(dir, "~mine.kvf", 2000);
    w = PlotWindow::Create(&a.area, Q(own));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->SubWindow()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes.questions, 2);
    EXPECT_TRUE(std::filesystem::exists(own));

    // An ordinary recording closes without a question and stays on disk.
    const auto plain = WriteRecording(dir, "plain.kvf", 2000);
    w = PlotWindow::Create(&a.area, Q(plain));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->SubWindow()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes.questions, 2);
    EXPECT_TRUE(std::filesystem::exists(plain));
}

TEST(PlotPng, RendersPictureOfTheRequestedSize) {
    test::TempDir dir;
    const auto path = WriteRecording(dir, "png.kvf");
    const QString out = Q(dir / "out.png");
    ASSERT_EQ(RenderPlotToPng(Q(path), out, QSize(800, 500)), 0);
    QImage img(out);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(800, 500));
    // Grid colour and the trace of channel 1 in its default colour are on the picture.
    bool grid = false, red = false;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (c == qRgb(0xF0, 0xF0, 0xC8))
                grid = true;
            if (c == ColorFromRef(DefaultTraceColour(1)).rgb())
                red = true;
        }
    EXPECT_TRUE(grid);
    EXPECT_TRUE(red);

    EXPECT_EQ(RenderPlotToPng(Q(dir / "nothing.kvf"), Q(dir / "x.png"), QSize()), 2);
    EXPECT_FALSE(QFileInfo::exists(Q(dir / "x.png")));
    QSize size;
    EXPECT_TRUE(ParsePngSize(QStringLiteral("1024x768"), &size));
    EXPECT_EQ(size, QSize(1024, 768));
    EXPECT_FALSE(ParsePngSize(QStringLiteral("10x10"), &size));
    EXPECT_FALSE(ParsePngSize(QStringLiteral("big"), &size));
}

TEST(PlotWindow, SdImageOpensWithProgressBoxThatCloses) {
    test::TempDir dir;
    test::SdFixture fx;
    fx.descriptors = {0, 0, 0};
    fx.sectorNumbers = test::RingNumbers(60, 0, 0, 40);
    fx.sectorNumbers[12] = 13;   // a hole: the sector map is rebuilt under the progress box
    ASSERT_TRUE(test::WriteSdFixture(dir / "sd.kvf", fx));
    Area a;
    Boxes boxes;
    PlotWindow* w = PlotWindow::Create(&a.area, Q(dir / "sd.kvf"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(boxes.errors, 0);
    EXPECT_EQ(w->Plot()->m_channelCount, 3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->inherits("vistrel::CProgressBox") && top->isVisible());
    w->Canvas()->repaint();
    a.area.closeAllSubWindows();
}

TEST(PlotWindow, RecordingDisplaySettingsAndColoursOfManyChannels) {
    test::TempDir dir;
    Area a;
    // Stored settings: selected channel 2, own colours, channel 1 hidden with width 3.
    test::FloatFixture f;
    f.layout.channels = 3;
    f.layout.adcFlags = kvf::kAdcAlways | kvf::kAdcColours | kvf::kAdcWidths | kvf::kAdcHidden;
    f.layout.selected = 2;
    f.layout.colours = {0x111111, 0x222222, 0x333333};
    f.layout.widthWords = {1, 3 | kvf::kHiddenBit, 2};
    f.samples = 5000;
    ASSERT_TRUE(test::WriteFloatFixture(dir / "adc.kvf", f));
    PlotWindow* w = PlotWindow::Create(&a.area, Q(dir / "adc.kvf"));
    ASSERT_NE(w, nullptr);
    CPlotWnd* p = w->Plot();
    EXPECT_EQ(p->m_selectedChannel, 2);
    EXPECT_EQ(p->m_penColors[1], 0x222222u);
    EXPECT_EQ(p->m_penWidths[1], 3);
    EXPECT_EQ(p->m_channelShown[1], 0);
    EXPECT_EQ(p->m_channelShown[2], 1);
    EXPECT_EQ(p->m_pens[2].width(), 2);

    // 40 channels without stored colours: the table's colours; later channels get colours of
    // their own, not repeats of the table.
    test::FloatFixture many;
    many.layout.channels = 40;
    many.layout.adcBlock = false;
    many.samples = 500;
    ASSERT_TRUE(test::WriteFloatFixture(dir / "many.kvf", many));
    w = PlotWindow::Create(&a.area, Q(dir / "many.kvf"));
    ASSERT_NE(w, nullptr);
    p = w->Plot();
    EXPECT_EQ(p->m_penColors[29], DefaultTraceColour(29));
    EXPECT_EQ(p->m_penColors[30], DefaultTraceColour(30));
    EXPECT_EQ(p->m_penColors[33], DefaultChannelColour(33));
    EXPECT_NE(p->m_penColors[60], p->m_penColors[28]);
    a.area.closeAllSubWindows();
}

TEST(PlotWindow, RecordingLongerThanEveryWindowIsWhollyReachable) {
    test::TempDir dir;
    Area a;
    test::FloatFixture f;
    f.layout.rate = 1e-6;   // one sample every ~11.6 days: 100 samples span ~3 years
    f.samples = 100;
    ASSERT_TRUE(test::WriteFloatFixture(dir / "long.kvf", f));
    PlotWindow* w = PlotWindow::Create(&a.area, Q(dir / "long.kvf"));
    ASSERT_NE(w, nullptr);
    CPlotWnd* p = w->Plot();
    EXPECT_EQ(p->m_displayWindow, kTimeWindowCount - 1);
    EXPECT_DOUBLE_EQ(p->m_windowSamples[0], 100);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, 100);
    a.area.closeAllSubWindows();
}

TEST(PlotPng, CommandLineWritesThePicture) {
    test::TempDir dir;
    const auto path = WriteRecording(dir, "cli.kvf", 3000);
    auto run = [&](const QStringList& args, QString* err) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(Q(dir.Path()));
        p.start(QStringLiteral(VISTREL_APP_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        if (err)
            *err = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    const QString out = Q(dir / "cli.png");
    EXPECT_EQ(run({QStringLiteral("--png"), out, QStringLiteral("--size"), QStringLiteral("640x480"), Q(path)},
                  nullptr), 0);
    EXPECT_EQ(QImage(out).size(), QSize(640, 480));
    const QString out2 = Q(dir / "default.png");
    EXPECT_EQ(run({QStringLiteral("--png"), out2, Q(path)}, nullptr), 0);
    EXPECT_EQ(QImage(out2).size(), QSize(kPngDefaultWidth, kPngDefaultHeight));
    // Nothing is shown or saved: no configuration file appears.
    EXPECT_FALSE(std::filesystem::exists(dir / "Vistrel.cfg"));
    QString err;
    EXPECT_NE(run({QStringLiteral("--png"), Q(dir / "bad.png"), Q(dir / "absent.kvf")}, &err), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("absent.kvf"))) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Q(dir / "bad.png")));
}
