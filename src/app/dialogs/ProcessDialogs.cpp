#include "ProcessDialogs.h"

#include <QMdiSubWindow>
#include <algorithm>
#include <cstdlib>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "dialogs/AddSubDialog.h"
#include "dialogs/AxbDialog.h"
#include "dialogs/ChannelLabel.h"
#include "dialogs/DialogSource.h"
#include "dialogs/EfuDialog.h"
#include "dialogs/FilterDialog.h"
#include "dialogs/HistoryDialog.h"
#include "dialogs/MovAvgDialog.h"
#include "dialogs/ParamsDialog.h"
#include "dialogs/SaveChasDialog.h"
#include "dialogs/SpectrDialog.h"
#include "dialogs/TableFuncDialog.h"
#include "plot/PlotWindow.h"
#include "shell/FrameApp.h"

namespace vistrel {

namespace {

// Command ids of the menu.
constexpr int kMovingAverage = 32775, kAverage = 32776, kLinear = 32788, kRms = 32790, kAddSub = 32792,
              kTableFunction = 32794, kSpectrum = 32800, kSaveChannels = 32796;
constexpr int kFilter = 32830, kNotch = 32831, kDetrend = 32832;

PlotWindow* PlotWindowOf(QMdiSubWindow* window) {
    return window ? qobject_cast<PlotWindow*>(window->widget()) : nullptr;
}

// Clears the list the way every filling dialog does on opening.
void ClearOutputs(OutputChannelList& list) {
    list.Clear();
    std::fill(std::begin(list.widths), std::end(list.widths), 1);
}

} // namespace

DialogSource SourceOfJob(const ProcessJob& job) {
    DialogSource s;
    s.cursor1 = job.m_cursor1;
    s.cursor2 = job.m_cursor2;
    s.selected = job.m_selected;
    const CDataFile* file = job.m_source;
    if (!file) return s;
    s.devices = std::max(1, file->Devices());
    s.perDevice = DialogPerDevice(*file);
    s.rate = file->Rate();
    s.samples = file->Samples();
    const int n = std::min(file->Channels(), kJobChannels);
    for (int i = 0; i < n; ++i) {
        const ChannelEntry e = file->Channel(i);
        s.low.push_back(static_cast<float>(e.low));
        s.high.push_back(static_cast<float>(e.high));
        s.colours.push_back(job.m_colours[i]);
        s.shown.push_back(job.m_channelShown[i]);
        s.labels.push_back(ChannelLabel(*file, i));
    }
    return s;
}

int RunHistoryDialog(QWidget* owner, QString* path) {
    if (!g_app) return 0;
    g_app->CheckHistoryFiles();
    HistoryDialog dialog(owner, g_app->m_history);
    if (ExecDialog(dialog) != 1) return 0;
    *path = dialog.Path();
    return 1;
}

int RunParametersDialog(QWidget* owner, QMdiSubWindow* window) {
    PlotWindow* w = PlotWindowOf(window);
    if (!w || !w->Plot() || !w->File()) return 0;
    ParamsDialog dialog(owner, w);
    ExecDialog(dialog);
    return 0;
}

int RunProcessDialog(int commandId, QWidget* owner, const QString& parameter, QMdiSubWindow* window,
                     ProcessJob* job) {
    if (!job || !job->m_source) return 0;
    PlotWindow* w = PlotWindowOf(window);
    CPlotWnd* plot = w ? w->Plot() : nullptr;
    const DialogSource source = SourceOfJob(*job);
    switch (commandId) {
    case kMovingAverage:
    case kAverage: {
        const int n = RunMovAvgDialog(owner, parameter);
        if (n < 2) return 0;
        job->m_averagingFactor = n;
        if (plot) plot->m_averagingFactor = n;
        return n;
    }
    case kLinear: {
        if (!g_app) return 0;
        const int r = RunAxbDialog(owner, parameter, source, g_app->m_coeffA.data(), g_app->m_coeffB.data());
        // The coefficients stay in the application for the whole run; the job takes a copy.
        std::copy(g_app->m_coeffA.begin(), g_app->m_coeffA.end(), job->m_coeffA);
        std::copy(g_app->m_coeffB.begin(), g_app->m_coeffB.end(), job->m_coeffB);
        return r;
    }
    case kRms: {
        float f = plot ? plot->m_ratedFrequency : job->m_ratedFrequency;
        if (!RunEfuDialog(owner, parameter, &f, source.rate)) return 0;
        job->m_ratedFrequency = f;
        if (plot) plot->m_ratedFrequency = f;
        return 1;
    }
    case kAddSub: {
        ClearOutputs(job->m_outputs);
        AddSubResult r;
        if (!RunAddSubDialog(owner, source, &r)) return 0;
        OutputChannelList& list = job->m_outputs;
        for (int i = 0; i < r.count; ++i) {
            const AddSubOutput& o = r.rows[i];
            list.coefficients[2 * i] = o.sign1;
            list.coefficients[2 * i + 1] = o.sign2;
            list.sources[2 * i] = o.source1;
            list.sources[2 * i + 1] = o.source2;
            list.rangeLow[i] = o.low;
            list.rangeHigh[i] = o.high;
            list.colours[i] = o.colour;
        }
        list.count = r.count;
        return 1;
    }
    case kTableFunction: {
        ClearOutputs(job->m_outputs);
        TableFuncResult r;
        if (!RunTableFuncDialog(owner, source, &r)) return 0;
        OutputChannelList& list = job->m_outputs;
        for (auto& t : job->m_tables) t.Clear();
        for (int i = 0; i < r.count; ++i) {
            const int c = r.rows[i].source - 1;
            list.sources[i] = r.rows[i].source;
            list.rangeLow[i] = source.Low(c);
            list.rangeHigh[i] = source.High(c);
            list.colours[i] = source.Colour(c);
            TableFunction& table = job->m_tables[i];
            if (!r.rows[i].file.isEmpty()) ReadPointsFile(r.rows[i].file.toStdString(), table);
            else table.m_fileName.clear();
            TableOutputRange(table, list.rangeLow[i], list.rangeHigh[i]);
        }
        list.count = r.count;
        return 1;
    }
    case kFilter:
    case kNotch:
    case kDetrend: {
        const FilterDialogMode mode = commandId == kFilter  ? FilterDialogMode::Filter
                                      : commandId == kNotch ? FilterDialogMode::Notch
                                                            : FilterDialogMode::Detrend;
        const int64_t fragment = std::abs(job->m_cursor2 - job->m_cursor1);
        return RunFilterDialog(owner, mode, static_cast<double>(job->m_source->Rate()), fragment, &job->m_filter);
    }
    case kSpectrum: {
        ClearOutputs(job->m_outputs);
        job->m_spectrum = SpectrumParams{};
        SpectrResult r;
        if (!RunSpectrDialog(owner, source, &r)) return 0;
        OutputChannelList& list = job->m_outputs;
        for (int i = 0; i < r.count; ++i) {
            const int c = r.sources[i] - 1;
            list.sources[i] = r.sources[i];
            list.rangeLow[i] = source.Low(c);
            list.rangeHigh[i] = source.High(c);
            list.colours[i] = source.Colour(c);
        }
        list.count = r.count;
        list.spectrumPoints = r.points;
        job->m_spectrum.m_lowerW = r.lowerW;
        job->m_spectrum.m_upperW = r.upperW;
        job->m_spectrum.m_window = r.window;
        job->m_spectrum.m_fft = r.fft;
        job->m_spectrum.m_average = r.average;
        job->m_spectrum.m_density = r.density;
        return 1;
    }
    case kSaveChannels: {
        ClearOutputs(job->m_outputs);
        SaveChasResult r;
        if (!RunSaveChasDialog(owner, source, &r)) return 0;
        OutputChannelList& list = job->m_outputs;
        for (int i = 0; i < r.count; ++i) {
            list.sources[i] = r.rows[i].source;
            list.rangeLow[i] = r.rows[i].low;
            list.rangeHigh[i] = r.rows[i].high;
            list.colours[i] = r.rows[i].colour;
        }
        list.count = r.count;
        return 1;
    }
    default:
        return 0;
    }
}

} // namespace vistrel
