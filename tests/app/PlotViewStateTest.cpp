// View state of plot windows on long recordings, wheel steps and the processing-job link.
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/PlotLink.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

std::filesystem::path WriteRecording(const test::TempDir& dir, const std::string& name, uint64_t samples) {
    test::FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = 1000.0;
    f.samples = samples;
    f.value = [](uint64_t k, int c) { return c == 0 ? static_cast<float>(k % 1000) / 100.0f - 5.0f : 2.0f; };
    const auto path = dir / name;
    EXPECT_TRUE(test::WriteFloatFixture(path, f));
    return path;
}

// A one-channel float recording of `samples` samples whose data is a hole of the file system.
bool WriteSparseRecording(const std::filesystem::path& path, uint64_t samples) {
    test::FloatFixture f;
    f.layout.channels = 1;
    f.layout.rate = 48000.0;
    f.samples = 0;
    if (!test::WriteFloatFixture(path, f)) return false;
    const uint64_t header = std::filesystem::file_size(path);
    std::error_code ec;
    std::filesystem::resize_file(path, header + 4 * samples, ec);
    return !ec;
}

void Wheel(QWidget* target, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent e(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &e);
}

} // namespace

// 1.4e10 samples per channel: views and zoom-back beyond 2^31 samples, and the deepest zoom
// (more than 2^31 divisions in the recording) reaching the end of the recording.
TEST(PlotViewState, LongRecordingKeepsFarViewsThroughZoomBackAndDeepZoom) {
    test::TempDir dir;
    const uint64_t samples = 14'000'000'000ULL;
    const auto path = dir / "long.kvf";
    if (!WriteSparseRecording(path, samples)) GTEST_SKIP() << "no sparse file of 56 GB here";
    QString error;
    auto w = PlotWindow::CreateDetached(Q(path), &error);
    ASSERT_NE(w, nullptr) << error.toStdString();
    CPlotWnd* p = w->Plot();
    const double L0 = p->FullLength();
    ASSERT_GE(L0, double(samples) - 1);

    // A view around sample 3e9 survives a zoom and the zoom back.
    p->m_hZoom = p->m_windowLengthCount / 2;
    p->m_hCenter = 3.0e9;
    p->Recompute();
    const double before = p->m_hCenter;
    const int zoomBefore = p->m_hZoom;
    ASSERT_NEAR(before, 3.0e9, p->WindowLength());
    ASSERT_TRUE(p->ZoomToSelection(MakeRect(0, 0, 600, 400), MakeRect(295, 195, 305, 205)));
    EXPECT_NEAR(p->m_hCenter, before, p->WindowLength());
    ASSERT_TRUE(p->ZoomBack());
    EXPECT_EQ(p->m_hZoom, zoomBefore);
    EXPECT_NEAR(p->m_hCenter, before, p->WindowLength() / p->m_hDivisions + 1);

    // The deepest zoom reaches views near the end.
    p->m_hZoom = p->m_windowLengthCount - 1;
    const double target = L0 - 100 * p->WindowLength();
    p->m_hCenter = target;
    p->Recompute();
    EXPECT_GT(p->m_hScrollMax, int64_t(INT32_MAX));
    EXPECT_NEAR(p->m_hCenter, target, p->WindowLength());
    EXPECT_GT(p->m_visibleStart, 1.1e10);
    // A line scroll to the end stops at the end of the range.
    for (int i = 0; i < 1000; ++i) w->OnHScroll(kScrollLineDown);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, L0);
}

TEST(PlotViewState, WheelDeltasAddUpToWholeSteps) {
    test::TempDir dir;
    QString error;
    auto w = PlotWindow::CreateDetached(Q(WriteRecording(dir, "w.kvf", 60000)), &error);
    ASSERT_NE(w, nullptr) << error.toStdString();
    CPlotWnd* p = w->Plot();
    p->m_hZoom = 3;
    p->m_vZoom = 3;
    p->m_hCenter = 30000;
    p->Recompute();
    const double step = p->WindowLength() / p->m_hDivisions;
    const double s0 = p->m_visibleStart;

    // A high-resolution wheel: three deltas of 40 make one step.
    Wheel(w->Canvas(), -40);
    Wheel(w->Canvas(), -40);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, s0);
    Wheel(w->Canvas(), -40);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, s0 + step);
    // One notch of 240 makes two steps back; a turn back drops what was left over.
    Wheel(w->Canvas(), -100);
    Wheel(w->Canvas(), 240);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, s0 - step);

    // With Shift (vertical) and on the scroll bars the same.
    const double vc = p->m_vCenter;
    Wheel(w->Canvas(), -60, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(p->m_vCenter, vc);
    Wheel(w->Canvas(), -60, Qt::ShiftModifier);
    EXPECT_LT(p->m_vCenter, vc);
    const double h1 = p->m_visibleStart;
    for (int i = 0; i < 3; ++i) Wheel(w->HScrollBar(), -30);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, h1);
    Wheel(w->HScrollBar(), -30);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, h1 + step);
}

// The job the frame builds from a window and hands back when it ends.
TEST(PlotViewState, ProcessingJobFilledAndTakenBackThroughThePlotLink) {
    test::TempDir dir;
    QMdiArea area;
    area.resize(1000, 700);
    area.show();
    PlotWindow* w = PlotWindow::Create(&area, Q(WriteRecording(dir, "job.kvf", 10000)));
    ASSERT_NE(w, nullptr);
    QMdiSubWindow* sub = w->SubWindow();
    ASSERT_NE(sub, nullptr);
    w->OnFirstTimer();
    CPlotWnd* p = w->Plot();
    p->m_channelShown[1] = 0;
    p->SetChannelPenWidth(0, 2);
    p->m_timeLabelStyle = 1;
    p->m_axisOrigin = 0;

    auto job = std::make_unique<ProcessJob>();
    ASSERT_TRUE(PlotFillJob(sub, job.get()));
    EXPECT_EQ(job->m_source, w->File());
    EXPECT_EQ(job->m_cursor1, w->CursorSample(1));
    EXPECT_EQ(job->m_cursor2, w->CursorSample(2));
    EXPECT_LT(job->m_cursor1, job->m_cursor2);
    EXPECT_EQ(job->m_channelShown[1], 0);
    EXPECT_EQ(job->m_widths[0], 2);
    EXPECT_EQ(job->m_timeStyle, 1);
    EXPECT_EQ(job->m_axisOrigin, 0);
    EXPECT_FALSE(PlotFillJob(nullptr, job.get()));

    job->m_saved = 1;
    job->m_cursorsMoved = true;
    job->m_newCursor1 = 100;
    job->m_newCursor2 = 4196;
    PlotJobDone(sub, *job);
    EXPECT_EQ(p->m_saved, 1);
    EXPECT_EQ(w->CursorSample(1), 100);
    EXPECT_EQ(w->CursorSample(2), 4196);
    // The window's display settings survive the job.
    EXPECT_EQ(p->m_channelShown[1], 0);
    EXPECT_EQ(p->m_penWidths[0], 2);
    area.closeAllSubWindows();
}
