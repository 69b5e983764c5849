// The spectrogram below the traces of a plot window: the selected channel over the visible
// range in viridis colours, following zoom, scroll and the channel, computed off the interface
// thread; the pointer's level and frequency in the read-out; the settings dialog.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "DialogTestUtil.h"
#include "core/common/StringIds.h"
#include "core/processing/WindowFft.h"
#include "core/recording/DataFile.h"
#include "dialogs/SpectrogramDialog.h"
#include "plot/PlotWindow.h"
#include "plot/SpectrogramPanel.h"
#include "shell/PlotLink.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

constexpr double kRate = 1000.0;

// Channel 1: 100 Hz in the first half, 400 Hz in the second; channel 2: 250 Hz throughout.
float Tones(uint64_t k, int c, uint64_t samples) {
    const double t = static_cast<double>(k) / kRate;
    const double hz = c == 1 ? 250.0 : (k < samples / 2 ? 100.0 : 400.0);
    return static_cast<float>(std::sin(kTwoPi * hz * t));
}

struct Silent {
    Silent() { SetMessageBoxAnswerer([](BoxKind, const QString&, const QString&) { return false; }); }
    ~Silent() { SetMessageBoxAnswerer({}); }
};

struct Window {
    test::TempDir dir;
    QMdiArea area;
    Silent silent;
    PlotWindow* w = nullptr;
    CPlotWnd* p = nullptr;
    explicit Window(uint64_t samples) {
        test::FloatFixture f;
        f.layout.channels = 2;
        f.layout.rate = static_cast<float>(kRate);
        f.samples = samples;
        f.value = [samples](uint64_t k, int c) { return Tones(k, c, samples); };
        const auto path = dir / "tones.kvf";
        EXPECT_TRUE(test::WriteFloatFixture(path, f));
        area.resize(1200, 900);
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
        w = PlotWindow::Create(&area, QString::fromStdString(path.string()));
        if (!w) return;
        w->SubWindow()->resize(1000, 700);
        p = w->Plot();
        w->Canvas()->repaint();
        w->OnFirstTimer();
    }
    SpectrogramPanel* Panel() const { return w->Spectrogram(); }
    // Repaints the canvas (the panel follows after each paint) and waits for the picture.
    bool Settle() {
        w->Canvas()->repaint();
        QCoreApplication::processEvents();
        return Panel()->WaitIdle(20000);
    }
};

// The frequency of the brightest row of picture column x.
double Peak(const spectro::Picture& pic, int x) {
    int best = 0;
    for (int y = 1; y < pic.height; ++y)
        if (pic.LevelAt(x, y) > pic.LevelAt(x, best))
            best = y;
    return pic.FrequencyAt(best);
}

} // namespace

TEST(PlotSpectrogram, ShowsTheSelectedChannelBelowTheTracesAndFollowsTheView) {
    Window f(2000000);
    ASSERT_NE(f.p, nullptr);
    const int canvasHeight = f.w->Canvas()->height();
    PlotSetSpectrogram(f.w->SubWindow(), true);
    ASSERT_TRUE(PlotSpectrogram(f.w->SubWindow()));
    SpectrogramPanel* panel = f.Panel();
    ASSERT_TRUE(f.Settle());
    // Below the canvas, which gave up the panel's height.
    EXPECT_EQ(panel->geometry().top(), f.w->Canvas()->geometry().bottom() + 1);
    EXPECT_EQ(f.w->Canvas()->height() + panel->height(), canvasHeight);
    const spectro::Picture& pic = panel->Shown();
    const QRect area = panel->PictureRect();
    ASSERT_EQ(pic.width, area.width());
    ASSERT_EQ(pic.height, area.height());
    EXPECT_TRUE(pic.bounded); // the whole recording: one frame per column
    const double rowHz = kRate / 2 / pic.height + kRate / 1024;
    const struct {
        double where; // part of the recording
        double hz;
    } marks[] = {{0.1, 100.0}, {0.4, 100.0}, {0.6, 400.0}, {0.9, 400.0}};
    const CursorGeometry g = f.p->Geometry();
    for (const auto& m : marks) {
        const int x = g.ColumnOf(static_cast<uint64_t>(m.where * 2000000)) - area.left();
        EXPECT_NEAR(Peak(pic, x), m.hz, rowHz) << m.where;
    }
    // The view reaches past the recording's end: the columns there stay empty.
    const int end = g.ColumnOf(2000000) - area.left();
    if (end + 2 < pic.width) {
        EXPECT_EQ(pic.LevelAt(end + 2, pic.height / 2), -INFINITY);
    }

    // What is painted: each pixel in the colour of its level.
    const QImage shot = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const int x : {3, pic.width / 3, pic.width / 2, pic.width - 4})
        for (const int y : {0, pic.height / 2, pic.height - 1}) {
            const spectro::Rgb c = spectro::LevelColour(pic.LevelAt(x, y), 80.0);
            EXPECT_EQ(shot.pixel(area.left() + x, area.top() + y), qRgb(c.r, c.g, c.b)) << x << "," << y;
        }

    // The pointer's frequency and level in the read-out.
    const int x = pic.width / 5, y = pic.height - 1 - static_cast<int>(100.0 / (kRate / 2) * pic.height);
    QTest::mouseMove(panel, QPoint(area.left() + x, area.top() + y));
    const QString text = f.w->StatusText(2);
    EXPECT_EQ(text, GetUiString(IDS_SPECTRO_READOUT)
                        .arg(QString::number(pic.FrequencyAt(y), 'f', 1), QString::number(pic.LevelAt(x, y), 'f', 1)));
    EXPECT_FALSE(text.isEmpty());

    // Zoomed in on the second half: the plain short-time spectra, all at 400 Hz.
    const int before = panel->Completed();
    for (int i = 0; i < 8; ++i)
        f.w->ZoomStep(1, 0.75);
    ASSERT_TRUE(f.Settle());
    EXPECT_GT(panel->Completed(), before);
    EXPECT_FALSE(panel->Shown().bounded);
    for (const double where : {0.05, 0.5, 0.95})
        EXPECT_NEAR(Peak(panel->Shown(), static_cast<int>(where * panel->Shown().width)), 400.0, rowHz);

    // Another channel selected: its tone.
    f.p->SetSelectedChannel(1);
    ASSERT_TRUE(f.Settle());
    EXPECT_NEAR(Peak(panel->Shown(), panel->Shown().width / 2), 250.0, rowHz);

    // A view that did not change asks for nothing.
    const int settled = panel->Completed();
    ASSERT_TRUE(f.Settle());
    EXPECT_EQ(panel->Completed(), settled);

    PlotSetSpectrogram(f.w->SubWindow(), false);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(f.w->Canvas()->height(), canvasHeight);
}

// A slow picture never holds up the interface: scrolling goes on while it is computed, a newer
// view replaces it, and the picture finally shown is that of the final view. Reloading the
// recording meanwhile stops the computation first.
TEST(PlotSpectrogram, ComputedOffTheInterfaceThread) {
    Window f(1 << 22);
    ASSERT_NE(f.p, nullptr);
    SpectrogramSettings slow;
    slow.stft = {65536, 90.0, WINDOW_BLACKMAN_HARRIS};
    PlotSetSpectrogram(f.w->SubWindow(), true);
    f.Panel()->SetSettings(slow);
    // Each new view is handed over at once, while the slow picture of the one before is
    // still being computed.
    for (int i = 0; i < 5; ++i) {
        f.w->ZoomStep(1, 0.2 * i);
        f.w->Canvas()->repaint();
        QElapsedTimer timer;
        timer.start();
        f.Panel()->Follow();
        EXPECT_LT(timer.elapsed(), 100) << "zoom " << i;
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(f.Panel()->WaitIdle(60000));
    const spectro::Picture shown = f.Panel()->Shown();
    // The oracle: the picture of the final view, computed here.
    const CursorGeometry g = f.p->Geometry();
    spectro::PictureRequest rq;
    rq.from = static_cast<int64_t>(std::floor(g.S0));
    rq.to = static_cast<int64_t>(std::ceil(g.S1));
    rq.samples = f.w->File()->Samples();
    rq.width = shown.width;
    rq.height = shown.height;
    rq.settings = slow.stft;
    spectro::Picture want;
    std::string error;
    const CDataFile* file = f.w->File();
    ASSERT_TRUE(spectro::ComputePicture(rq, kRate, [file](int64_t first, size_t count, double* out) {
        for (size_t i = 0; i < count; ++i)
            out[i] = static_cast<double>(file->SampleValue(static_cast<uint64_t>(first) + i, 0));
    }, want, error));
    EXPECT_EQ(shown.levels, want.levels);

    f.Panel()->SetSettings(slow);
    f.w->ZoomBack();
    f.w->Canvas()->repaint();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.w->Reload());
    EXPECT_TRUE(f.Settle());
}

// The settings dialog refuses values out of range with the reason and applies the others.
TEST(PlotSpectrogram, SettingsDialogChecksEachValue) {
    const struct {
        const char *size, *overlap, *range;
        QString message;
    } cases[] = {
        {"255", "50", "80", GetUiString(IDS_SPECTRO_BAD_SIZE).arg(256).arg(65536)},
        {"65537", "50", "80", GetUiString(IDS_SPECTRO_BAD_SIZE).arg(256).arg(65536)},
        {"1000.5", "50", "80", GetUiString(IDS_SPECTRO_BAD_SIZE).arg(256).arg(65536)},
        {"4096", "91", "80", GetUiString(IDS_SPECTRO_BAD_OVERLAP).arg(90.0)},
        {"4096", "-1", "80", GetUiString(IDS_SPECTRO_BAD_OVERLAP).arg(90.0)},
        {"4096", "50", "5", GetUiString(IDS_SPECTRO_BAD_RANGE).arg(10.0).arg(200.0)},
        {"4096", "50", "x", GetUiString(IDS_SPECTRO_BAD_RANGE).arg(10.0).arg(200.0)},
        {"4096", "75", "120", QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        SpectrogramSettings settings;
        QString message;
        SetDialogTestHook([&](QDialog& d) {
            test::Edit(&d, SpectrogramDialog::kSizeId)->setText(QString::fromLatin1(c.size));
            test::Edit(&d, SpectrogramDialog::kOverlapId)->setText(QString::fromLatin1(c.overlap));
            test::Edit(&d, SpectrogramDialog::kRangeId)->setText(QString::fromLatin1(c.range));
            test::List(&d, SpectrogramDialog::kWindowId)->setCurrentIndex(WINDOW_GAUSS);
            test::Click(&d, SpectrogramDialog::kApplyId);
            message = test::Message(&d);
        });
        const int applied = RunSpectrogramDialog(nullptr, &settings);
        SetDialogTestHook({});
        EXPECT_EQ(applied, c.message.isEmpty() ? 1 : 0);
        if (c.message.isEmpty()) {
            EXPECT_EQ(settings.stft.size, 4096u);
            EXPECT_EQ(settings.stft.overlapPercent, 75.0);
            EXPECT_EQ(settings.stft.window, WINDOW_GAUSS);
            EXPECT_EQ(settings.rangeDb, 120.0);
        } else {
            EXPECT_EQ(message, c.message);
            EXPECT_EQ(settings.stft.size, 1024u); // untouched
        }
    }
}
