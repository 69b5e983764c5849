// The plot's colour schemes and its drawing on a dense screen: Settings › Colours, stored trace
// colours drawn lighter on the dark scheme but kept in the recording and in what is saved from
// it, and crisp lines at a device pixel ratio of 2.

#include <QLabel>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "core/recording/DisplayDefaults.h"
#include "core/view/PlotColours.h"
#include "plot/GraphCanvas.h"
#include "plot/PictureRender.h"
#include "plot/PlotWindow.h"
#include "plot/PlotWnd.h"
#include "shell/Looks.h"
#include "shell/PlotLink.h"
#include "shell/UserSettings.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// One channel at a constant value in the middle of its range: a level line across the plot.
QString WriteLevel(const QString& path, std::vector<uint32_t> colours = {}) {
    FloatFixture f;
    f.layout.channels = 1;
    f.layout.rate = 1000.0;
    f.layout.colours = std::move(colours);
    f.samples = 4000;
    f.value = [](uint64_t, int) { return 0.0f; };
    EXPECT_TRUE(WriteFloatFixture(path.toStdString(), f));
    return path;
}

// Puts the choice back to the system's palette when a test ends.
struct ChoiceGuard {
    ~ChoiceGuard() { SetColourChoiceSetting(ColourChoice::System); }
};

class NullObserver : public IProcessObserver {
public:
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Failed(const std::string& message) override { failures.push_back(message); }
    void OpenResult(const std::filesystem::path&) override {}
    std::vector<std::string> failures;
};

// Lengths of the runs of `colour` down column x.
std::vector<int> RunsDown(const QImage& img, int x, QRgb colour) {
    std::vector<int> runs;
    int run = 0;
    for (int y = 0; y < img.height(); ++y) {
        if (img.pixel(x, y) == colour) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run > 0) runs.push_back(run);
    return runs;
}

} // namespace

TEST(PlotLooks, ColoursMenuStoresTheChoiceAndRedrawsOpenWindows) {
    ShellEnv env;
    ChoiceGuard guard;
    SetColourChoiceSetting(ColourChoice::System);
    ASSERT_TRUE(env.Start());
    env.paths = {WriteLevel(env.File("level.kvf"))};
    env.Frame()->OnCommand(cmd::Open);
    ASSERT_EQ(g_app->m_windowCount, 1);
    auto* window = qobject_cast<PlotWindow*>(g_app->m_windows[0]->widget());
    ASSERT_NE(window, nullptr);
    const ColourScheme system = SystemPaletteIsDark() ? ColourScheme::Dark : ColourScheme::Light;
    EXPECT_EQ(window->Plot()->Scheme(), system);

    const struct {
        int command;
        const char* stored;
        ColourScheme scheme;
    } cases[] = {
        {cmd::ColoursDark, "dark", ColourScheme::Dark},
        {cmd::ColoursLight, "light", ColourScheme::Light},
        {cmd::ColoursSystem, "system", system},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        QAction* action = env.Frame()->Action(c.command);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isCheckable());
        action->trigger();
        EXPECT_TRUE(action->isChecked());
        for (int other : {cmd::ColoursSystem, cmd::ColoursLight, cmd::ColoursDark})
            if (other != c.command) EXPECT_FALSE(env.Frame()->Action(other)->isChecked());
        EXPECT_EQ(UserSetting(QStringLiteral("colours"), QString()).toString(), QString::fromLatin1(c.stored));
        EXPECT_EQ(window->Plot()->Scheme(), c.scheme);
        EXPECT_EQ(window->Plot()->m_backBrush.color(), ColorFromRef(ColoursOf(c.scheme).background));
        // The read-out and legend are on the scheme's side of the middle as well.
        const bool darkWindow = window->palette().color(QPalette::Window).lightness() < 128;
        EXPECT_EQ(darkWindow, c.scheme == ColourScheme::Dark);
        // ...and so is the background drawn behind the read-out's text.
        QWidget* sub = g_app->m_windows[0];
        const QImage shot = sub->grab().toImage();
        const QPoint at = window->ReadOutLabel()->mapTo(sub, QPoint(1, 1)) * shot.devicePixelRatio();
        EXPECT_EQ(QColor(shot.pixel(at)).lightness() < 128, c.scheme == ColourScheme::Dark);
    }
    EXPECT_EQ(env.Frame()->Action(cmd::ColoursDark)->text(), QStringLiteral("&Dark"));

    // Following the system: its palette turning dark while the program runs redraws the plots.
    const QPalette systemPalette = QApplication::palette();
    const ColourScheme flipped = system == ColourScheme::Dark ? ColourScheme::Light : ColourScheme::Dark;
    QApplication::setPalette(SchemePalette(flipped));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->Plot()->Scheme(), flipped);
    QApplication::setPalette(systemPalette);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->Plot()->Scheme(), system);
}

// A stored colour too dark for the dark background is drawn lighter, but the recording, the
// window's trace settings and a fragment saved from the window all keep the stored colour.
TEST(PlotLooks, DarkSchemeLightensForDisplayOnly) {
    ShellEnv env;
    ChoiceGuard guard;
    SetColourChoiceSetting(ColourChoice::Dark);
    ASSERT_TRUE(env.Start());
    constexpr uint32_t kStored = 0x202020;
    const QString path = WriteLevel(env.File("dim.kvf"), {kStored});
    const QByteArray before = env.Read(QStringLiteral("dim.kvf"));
    env.paths = {path};
    env.Frame()->OnCommand(cmd::Open);
    ASSERT_EQ(g_app->m_windowCount, 1);
    QMdiSubWindow* sub = g_app->m_windows[0];
    auto* window = qobject_cast<PlotWindow*>(sub->widget());
    ASSERT_NE(window, nullptr);
    CPlotWnd* plot = window->Plot();
    const uint32_t back = ColoursOf(ColourScheme::Dark).background;

    EXPECT_EQ(plot->m_penColors[0], kStored);
    const uint32_t shown = RefFromColor(plot->m_pens[0].color());
    EXPECT_NE(shown, kStored);
    EXPECT_GE(ContrastRatio(shown, back), kTraceContrast);

    // Drawn: the lightened colour is on the canvas, the stored one nowhere.
    window->resize(800, 500);
    window->LayoutChildren();
    QImage img(window->Canvas()->size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    {
        QPainter p(&img);
        window->Canvas()->render(&p);
    }
    int shownPixels = 0, storedPixels = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            shownPixels += img.pixel(x, y) == ColorFromRef(shown).rgb();
            storedPixels += img.pixel(x, y) == ColorFromRef(kStored).rgb();
        }
    EXPECT_GT(shownPixels, 100);
    EXPECT_EQ(storedPixels, 0);
    EXPECT_EQ(img.pixel(img.width() / 2, 2), ColorFromRef(back).rgb());

    // A picture in the window's colours is dark; one on white is in the light scheme, and the
    // window is dark again afterwards.
    const struct {
        bool white;
        uint32_t background;
        uint32_t trace;
    } pictures[] = {
        {false, back, shown},
        {true, 0xFFFFFF, DisplayColour(kStored, 0xFFFFFF)},
    };
    for (const auto& c : pictures) {
        PicturePlan plan;
        std::string planWhy;
        ASSERT_TRUE(PlanPicture(PictureFormat::Png, 0, 0, 700, 450, 1.0, &plan, &planWhy)) << planWhy;
        QByteArray bytes;
        QString why;
        ASSERT_TRUE(RenderWindowPicture(*window, PictureFormat::Png, plan, c.white, &bytes, &why)) << why.toStdString();
        const QImage picture = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(picture.isNull());
        // The plot fills most of the picture's upper left part.
        int traced = 0, background = 0, total = 0;
        for (int x = 0; x < 400; ++x)
            for (int y = 0; y < 300; ++y, ++total) {
                traced += picture.pixel(x, y) == ColorFromRef(c.trace).rgb();
                background += picture.pixel(x, y) == ColorFromRef(c.background).rgb();
            }
        EXPECT_GT(traced, 100) << c.white;
        EXPECT_GT(background * 2, total) << c.white;
        EXPECT_EQ(plot->Scheme(), ColourScheme::Dark);
    }

    // A fragment saved from the window carries the stored colour.
    ProcessJob job;
    ASSERT_TRUE(PlotFillJob(sub, &job));
    EXPECT_EQ(job.m_colours[0], kStored);
    job.m_op = OP_SAVE_FRAGMENT;
    job.m_cursor1 = 100;
    job.m_cursor2 = 2000;
    job.m_resultName = std::filesystem::path(env.File("part.kvf").toStdString());
    NullObserver observer;
    RunProcessJob(job, observer);
    ASSERT_TRUE(job.m_succeeded) << (observer.failures.empty() ? "" : observer.failures[0]);
    CDataFile part;
    ASSERT_EQ(part.Open(job.m_resultName), 1);
    uint32_t colours[kvf::kMaxChannels] = {};
    part.ReadDisplaySettings(nullptr, colours, nullptr, nullptr);
    EXPECT_EQ(colours[0], kStored);

    // Closing the window leaves the recording's bytes as they were.
    env.Frame()->OnCommand(cmd::CloseAll);
    EXPECT_EQ(env.Read(QStringLiteral("dim.kvf")), before);
}

// At a device pixel ratio of 2 the plot is painted at full resolution: a trace of width 1 and
// every grid line are two device pixels wide, in their own colours without blending.
TEST(PlotLooks, DensePixelsGiveCrispDoubleLines) {
    TempDir dir;
    const QString path = WriteLevel(QString::fromStdString((dir / "level.kvf").string()));
    std::unique_ptr<PlotWindow> w = PlotWindow::CreateDetached(path, nullptr);
    ASSERT_NE(w, nullptr);
    w->setAttribute(Qt::WA_DontShowOnScreen);
    w->resize(600, 400);
    w->LayoutChildren();
    const QSize logical = w->Canvas()->size();
    QImage img(logical * 2, QImage::Format_RGB32);
    img.setDevicePixelRatio(2.0);
    img.fill(Qt::magenta);
    {
        QPainter p(&img);
        w->Canvas()->render(&p);
    }
    CPlotWnd* plot = w->Plot();
    const QRgb trace = plot->m_pens[0].color().rgb();
    const QRgb grid = plot->m_gridPen.color().rgb();
    const QRgb back = plot->m_backBrush.color().rgb();
    const CanvasRect& r = plot->m_plotRect;
    int traceColumns = 0;
    for (int x = 2 * r.left + 8; x < 2 * r.right - 8; x += 37) {
        const std::vector<int> traceRuns = RunsDown(img, x, trace);
        if (traceRuns.empty()) continue;   // behind a cursor
        ++traceColumns;
        ASSERT_EQ(traceRuns.size(), 1u) << "column " << x;
        EXPECT_EQ(traceRuns[0], 2) << "column " << x;
        // Down the column only the trace's, the grid's and the background's colours: no blend.
        for (int y = 2 * r.top + 2; y < 2 * r.bottom - 2; ++y) {
            const QRgb c = img.pixel(x, y);
            EXPECT_TRUE(c == trace || c == grid || c == back) << "column " << x << " row " << y << std::hex << " colour " << c;
        }
        for (int run : RunsDown(img, x, grid)) EXPECT_GE(run, 2) << "grid in column " << x;
    }
    EXPECT_GT(traceColumns, 5);
}
