// One paint of a plot window whose plot is 1920 x 1000 pixels with 8 channels, on a large
// float recording and a large SD-card image: with the column pass, with the cache reused, and
// with the min-max pass (whole pass) at zoom index 0 and at a middle zoom, overlaid and in lanes;
// and deep zooms (1, 4 and 64 samples per column) painted afresh and while scrolling by one
// division, on float recordings of 20 MiB, 2 GiB and 16 GiB (sparse). Goal: every paint under 10 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <map>
#include <memory>

#include "../BenchPlotFiles.h"
#include "plot/PlotWindow.h"
#include "plot/PlotWnd.h"
#include "core/view/TraceDecimation.h"
#include "core/view/ViewStretch.h"

using namespace vistrel;

namespace {

struct PaintFixture {
    std::unique_ptr<PlotWindow> window;
    QImage image;
    CPlotWnd* plot = nullptr;

    std::filesystem::path file;

    explicit PaintFixture(const std::filesystem::path& path) : file(path) {
        QString error;
        window = PlotWindow::CreateDetached(QString::fromStdString(path.string()), &error);
        if (!window) return;
        window->setAttribute(Qt::WA_DontShowOnScreen);
        plot = window->Plot();
        // Grow the window until the plot rectangle is 1920 x 1000.
        QSize size(2000, 1100);
        for (int i = 0; i < 4; ++i) {
            window->resize(size);
            window->LayoutChildren();
            Paint();
            const auto& r = plot->m_plotRect;
            size += QSize(1920 - (r.right - r.left), 1000 - (r.bottom - r.top));
        }
        window->OnFirstTimer();
    }
    void Paint() {
        if (image.size() != window->size()) image = QImage(window->size(), QImage::Format_RGB32);
        QPainter p(&image);
        window->render(&p);
    }
    // Zoom index 0, or the middle entry of the zoom table.
    void Zoom(bool middle) {
        plot->m_hZoom = middle ? plot->m_windowLengthCount / 2 : 0;
        plot->m_hCenter = plot->FullLength() / 2;
        plot->Recompute();
    }
};

PaintFixture& Fixture(const std::filesystem::path& path) {
    static std::map<std::filesystem::path, std::unique_ptr<PaintFixture>> fixtures;
    auto& slot = fixtures[path];
    if (!slot) slot = std::make_unique<PaintFixture>(path);
    return *slot;
}

// The float recordings of the deep-zoom cases, by their size's name.
std::filesystem::path DeepZoomFile(int size) {
    switch (size) {
    case 0: return bench::FloatRecordingPath(20);
    case 1: return bench::FloatRecordingPath(2048);
    default: return bench::SparseFloatRecordingPath(16);
    }
}
constexpr const char* kDeepZoomSizes[] = {"20M", "2G", "16Gsparse"};

// A view of `perColumn` samples per column in the middle of the recording.
void ShowDeepZoom(PaintFixture& f, int perColumn) {
    const double width = f.plot->m_plotRect.right - f.plot->m_plotRect.left;
    const double span = width * perColumn;
    const double start = std::floor(f.plot->FullLength() / 2);
    ShowStretch(*f.plot, start, start + span);
    f.plot->InvalidateCanvas();
}

// Every paint computes the columns afresh (the view as it is first shown).
void PaintDeepZoom(benchmark::State& state, int size, int perColumn) {
    PaintFixture& f = Fixture(DeepZoomFile(size));
    if (!f.plot) return state.SkipWithError("recording not opened");
    ShowDeepZoom(f, perColumn);
    for (auto _ : state) {
        f.plot->m_cache->Invalidate();
        f.Paint();
    }
    f.Zoom(false);
}

// Every paint follows a scroll by one division (forwards, and back once the end is near).
void PaintDeepZoomScroll(benchmark::State& state, int size, int perColumn) {
    PaintFixture& f = Fixture(DeepZoomFile(size));
    if (!f.plot) return state.SkipWithError("recording not opened");
    ShowDeepZoom(f, perColumn);
    f.Paint();
    int request = kScrollLineDown;
    for (auto _ : state) {
        if (!f.plot->ScrollHorizontal(request, 0)) {
            request = request == kScrollLineDown ? kScrollLineUp : kScrollLineDown;
            f.plot->ScrollHorizontal(request, 0);
        }
        f.plot->InvalidateCanvas();
        f.Paint();
    }
    f.Zoom(false);
}

PaintFixture& Fixture(bool sd) {
    return Fixture(sd ? bench::SdImagePath() : bench::FloatRecordingPath());
}

void PaintColumnPass(benchmark::State& state, bool sd) {
    PaintFixture& f = Fixture(sd);
    if (!f.plot) return state.SkipWithError("recording not opened");
    f.Zoom(false);
    for (auto _ : state) {
        f.plot->m_cache->Invalidate();
        f.Paint();
    }
}

void PaintCacheReused(benchmark::State& state, bool sd) {
    PaintFixture& f = Fixture(sd);
    if (!f.plot) return state.SkipWithError("recording not opened");
    f.Zoom(false);
    f.Paint();
    for (auto _ : state) f.Paint();
}

void PaintMinMax(benchmark::State& state, bool sd, bool middle) {
    PaintFixture& f = Fixture(sd);
    if (!f.plot) return state.SkipWithError("recording not opened");
    f.Zoom(middle);
    for (auto _ : state) {
        f.plot->m_cache->Invalidate();
        f.plot->m_minMaxMode = 1;
        f.Paint();  // starts the pass (with summaries: runs it and draws the result)
        if (!f.plot->MinMaxComplete()) {
            while (!f.plot->RunMinMaxSlice(1000)) {
            }
            f.Paint();  // draws the result
        }
    }
    f.plot->m_minMaxMode = 0;
    f.Zoom(false);
}

// The same once the recording's min/max summaries exist (built, or read from the cache).
void PaintMinMaxSummaries(benchmark::State& state, bool sd, bool middle) {
    PaintFixture& f = Fixture(sd);
    if (!f.plot) return state.SkipWithError("recording not opened");
    f.plot->StartSummaries();
    if (!f.plot->WaitForSummaries()) return state.SkipWithError("no summaries");
    PaintMinMax(state, sd, middle);
}

// The same in lanes: each channel on its own scale in a lane of its own, drawn from the same
// columns as the overlaid view (the goal: no more than 1.3 times the overlaid paint).
void PaintMinMaxSummariesLanes(benchmark::State& state, bool sd, bool middle) {
    PaintFixture& f = Fixture(sd);
    if (!f.plot) return state.SkipWithError("recording not opened");
    f.window->SetLanes(true);
    PaintMinMaxSummaries(state, sd, middle);
    f.window->SetLanes(false);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    for (bool sd : {false, true}) {
        const std::string n = sd ? "PaintSd" : "PaintFloat";
        benchmark::RegisterBenchmark((n + "/ColumnPass").c_str(), [sd](benchmark::State& s) { PaintColumnPass(s, sd); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/CacheReused").c_str(), [sd](benchmark::State& s) { PaintCacheReused(s, sd); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxZoom0").c_str(), [sd](benchmark::State& s) { PaintMinMax(s, sd, false); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxMidZoom").c_str(), [sd](benchmark::State& s) { PaintMinMax(s, sd, true); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxSummariesZoom0").c_str(),
                                     [sd](benchmark::State& s) { PaintMinMaxSummaries(s, sd, false); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxSummariesMidZoom").c_str(),
                                     [sd](benchmark::State& s) { PaintMinMaxSummaries(s, sd, true); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxSummariesLanesZoom0").c_str(),
                                     [sd](benchmark::State& s) { PaintMinMaxSummariesLanes(s, sd, false); })
            ->Unit(benchmark::kMillisecond);
    }
    for (int size = 0; size < 3; ++size)
        for (int perColumn : {1, 4, 64}) {
            const std::string n = std::string("PaintDeepZoom/") + kDeepZoomSizes[size] + "/" + std::to_string(perColumn);
            benchmark::RegisterBenchmark((n + "/Fresh").c_str(),
                                         [=](benchmark::State& s) { PaintDeepZoom(s, size, perColumn); })
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((n + "/Scroll").c_str(),
                                         [=](benchmark::State& s) { PaintDeepZoomScroll(s, size, perColumn); })
                ->Unit(benchmark::kMillisecond);
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
