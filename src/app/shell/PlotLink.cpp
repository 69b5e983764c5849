#include "shell/PlotLink.h"

#include <QMdiSubWindow>

#include <algorithm>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"

namespace vistrel {

namespace {
PlotWindow* PlotWindowOf(QMdiSubWindow* window) {
    return window ? qobject_cast<PlotWindow*>(window->widget()) : nullptr;
}
CPlotWnd* PlotOf(QMdiSubWindow* window) {
    PlotWindow* w = PlotWindowOf(window);
    return w ? w->Plot() : nullptr;
}
} // namespace

QMdiSubWindow* CreatePlotSubWindow(QMdiArea* area, const QString& path, int vZoom, double vCenter,
                                   const WindowSettings* settings, QString* error) {
    PlotWindow* w = PlotWindow::Create(area, path, vZoom, vCenter, settings, error);
    if (w) w->AttachMarkers();   // the recording's markers, from its sidecar
    return w ? w->SubWindow() : nullptr;
}

bool HasPlot(QMdiSubWindow* window) { return PlotOf(window) != nullptr; }

QString PlotPath(QMdiSubWindow* window) {
    if (PlotWindow* w = PlotWindowOf(window)) return w->Path();
    return window ? window->windowTitle() : QString();
}

CDataFile* PlotRecording(QMdiSubWindow* window) {
    PlotWindow* w = PlotWindowOf(window);
    return w && w->Plot() ? w->File() : nullptr;
}

QWidget* PlotCanvas(QMdiSubWindow* window) {
    PlotWindow* w = PlotWindowOf(window);
    if (w && w->Canvas()) return w->Canvas();
    return window;
}

bool PlotVerticalView(QMdiSubWindow* window, int* vZoom, double* vCenter) {
    CPlotWnd* plot = PlotOf(window);
    if (!plot) return false;
    *vZoom = plot->m_vZoom;
    *vCenter = plot->m_vCenter;
    return true;
}

bool PlotSettings(QMdiSubWindow* window, WindowSettings* settings, int* channels) {
    PlotWindow* w = PlotWindowOf(window);
    if (!w || !w->Plot() || !w->File()) return false;
    w->ExtractSettings(*settings);
    *channels = w->File()->Channels();
    return true;
}

void PlotSetMinMax(QMdiSubWindow* window, bool on) {
    if (CPlotWnd* plot = PlotOf(window)) {
        plot->m_minMaxMode = on ? 1 : 0;
        plot->InvalidateCanvas();
    }
}

bool PlotMinMax(QMdiSubWindow* window) {
    const CPlotWnd* plot = PlotOf(window);
    return plot && plot->m_minMaxMode;
}

void PlotSetLanes(QMdiSubWindow* window, bool on) {
    if (PlotWindow* w = PlotWindowOf(window)) w->SetLanes(on);
}

bool PlotLanes(QMdiSubWindow* window) {
    const CPlotWnd* plot = PlotOf(window);
    return plot && plot->Lanes();
}

void PlotFitValues(QMdiSubWindow* window) {
    if (PlotWindow* w = PlotWindowOf(window)) w->FitValues();
}

void PlotSetAutoFit(QMdiSubWindow* window, bool on) {
    if (PlotWindow* w = PlotWindowOf(window)) w->SetAutoFit(on);
}

bool PlotAutoFit(QMdiSubWindow* window) {
    const PlotWindow* w = PlotWindowOf(window);
    return w && w->AutoFit();
}

void PlotSaveModes(QMdiSubWindow* window, const QString& group) {
    if (const PlotWindow* w = PlotWindowOf(window)) w->SaveModes(group);
}

bool PlotRestoreModes(QMdiSubWindow* window, const QString& group) {
    PlotWindow* w = PlotWindowOf(window);
    return w && w->RestoreModes(group);
}

void PlotSetEnvelopeDense(QMdiSubWindow* window, bool on) {
    if (CPlotWnd* plot = PlotOf(window)) {
        plot->SetEnvelopeDense(on);
        plot->InvalidateCanvas();
    }
}

void PlotSetLegend(QMdiSubWindow* window, bool shown) {
    if (PlotWindow* w = PlotWindowOf(window)) w->SetLegendShown(shown);
}

void PlotRepaint(QMdiSubWindow* window) {
    if (PlotWindow* w = PlotWindowOf(window)) {
        if (w->Canvas()) w->Canvas()->update();
        w->update();
    }
}

bool PlotFillJob(QMdiSubWindow* window, ProcessJob* job) {
    PlotWindow* w = PlotWindowOf(window);
    CPlotWnd* plot = w ? w->Plot() : nullptr;
    if (!plot || !w->File() || !job) return false;
    // The window's current state, copied without touching the recording's table pointers.
    job->m_source = w->File();
    for (int i = 0; i < kJobChannels; ++i) {
        job->m_channelShown[i] = plot->m_channelShown[i];
        job->m_colours[i] = plot->m_penColors[i];
        job->m_widths[i] = plot->m_penWidths[i];
    }
    job->m_selected = plot->m_selectedChannel;
    job->m_timeStyle = plot->m_timeLabelStyle;
    job->m_startTime = plot->m_startTime;
    job->m_axisOrigin = plot->m_axisOrigin;
    job->m_cursor1 = plot->m_timeCursor1 ? static_cast<int64_t>(plot->m_timeCursor1->m_sample) : 0;
    job->m_cursor2 = plot->m_timeCursor2 ? static_cast<int64_t>(plot->m_timeCursor2->m_sample) : 0;
    job->m_ratedFrequency = plot->m_ratedFrequency;
    if (plot->m_averagingFactor >= 2) job->m_averagingFactor = plot->m_averagingFactor;
    return true;
}

void PlotJobDone(QMdiSubWindow* window, const ProcessJob& job) {
    PlotWindow* w = PlotWindowOf(window);
    CPlotWnd* plot = w ? w->Plot() : nullptr;
    if (!plot) return;
    if (job.m_saved) plot->m_saved = 1;
    if (job.m_cursorsMoved && plot->m_timeCursor1 && plot->m_timeCursor2) {
        plot->m_timeCursor1->m_sample = static_cast<uint64_t>(std::max<int64_t>(0, job.m_newCursor1));
        plot->m_timeCursor2->m_sample = static_cast<uint64_t>(std::max<int64_t>(0, job.m_newCursor2));
        plot->FollowView();
        plot->BuildReadOut();
        plot->InvalidateCanvas();
    }
}

void PlotSetProgress(QMdiSubWindow* window, QWidget* box, const QString& resultName, int averagingFactor) {
    if (CPlotWnd* plot = PlotOf(window)) {
        plot->m_progressWnd = box;
        plot->m_resultName = resultName;
        if (averagingFactor >= 2) plot->m_averagingFactor = averagingFactor;
    }
}

} // namespace vistrel

namespace vistrel {

void PlotSetBusy(QMdiSubWindow* window, bool busy) {
    if (PlotWindow* w = PlotWindowOf(window)) w->SetJobRunning(busy);
}

bool PlotAsksBeforeClose(QMdiSubWindow* window) {
    PlotWindow* w = PlotWindowOf(window);
    return w && w->AsksBeforeClose();
}

bool PlotCloseAnswered(QMdiSubWindow* window, bool yes) {
    if (PlotWindow* w = PlotWindowOf(window)) w->SetCloseAnswer(yes);
    return window->close();
}

bool PlotReload(QMdiSubWindow* window) {
    PlotWindow* w = PlotWindowOf(window);
    return w && w->Reload();
}

} // namespace vistrel
