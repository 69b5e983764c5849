#include "PlotWnd.h"

#include <QWidget>

#include <algorithm>
#include <cstring>

#include "Cursors.h"
#include "core/common/DebugLog.h"
#include "core/recording/DataFile.h"
#include "core/recording/TimeBase.h"
#include "core/view/SummaryCache.h"
#include "platform/FileIdentity.h"

namespace vistrel {

namespace {

void LogTime(const char* format, int64_t fileTime) {
    if (!g_log)
        return;
    const FileTimeParts t = SplitFileTime(fileTime);
    g_log->WriteFormat(format, t.day, t.month, t.year - 2000, t.hour, t.minute, t.second,
                       t.millisecond);
}

bool RecordingStoresColours(const CDataFile& f) {
    const uint8_t* block = f.AdcBlock();
    return block && f.AdcBlockSize() >= 16 + 4 * f.Channels() &&
           std::memcmp(block, "ADCBLOCK", 8) == 0 && (f.AdcFlags() & kvf::kAdcColours) != 0;
}

} // namespace

CPlotWnd::CPlotWnd(QWidget* window, const CanvasRect& clientRect, CDataFile* file, IPlotHost* host)
    : CGraphCanvas(window, clientRect, kPlotHDivisions, kPlotVDivisions), m_file(file), m_host(host) {
    m_progressWnd = nullptr;
    m_source.Attach(file);
    SizeCache(clientRect.right);
    Initialise();
}

void CPlotWnd::SetCanvasRect(const CanvasRect& rect) {
    m_canvasRect = rect;
    SizeCache(rect.right);
}

void CPlotWnd::SizeCache(int columns) {
    columns = std::max(columns, kCacheColumns);
    if (m_cache && m_cache->Columns() == columns) return;
    m_minMaxPass.Cancel();   // it writes into the cache being replaced
    if (!m_cache)
        m_cache = std::make_unique<CColumnCache>(columns);
    else
        m_cache->Resize(columns);
    m_points = std::make_unique<QPoint[]>(static_cast<size_t>(columns) + 2);
    m_bars = std::make_unique<EnvelopeBar[]>(static_cast<size_t>(MaxEnvelopeBars(columns)));
    const int K = m_file ? std::clamp(m_file->Channels(), 0, kCanvasChannels) : 0;
    SetSampleBuffer(&m_cache->values[0][0], K > 0 ? static_cast<int64_t>(columns) * kCanvasChannels / K : 0);
}

CPlotWnd::~CPlotWnd() {
    m_summaryBuilder.Stop();   // it reads the recording through m_source
}

void CPlotWnd::StartSummaries() {
    if (!m_file || m_summaryBuilder.Started()) return;
    m_summaryBuilder.Start(m_source, m_file, platform::UserCacheFolder(), kSummaryCacheLimit);
}

bool CPlotWnd::WaitForSummaries() { return m_summaryBuilder.Wait(); }

const ISampleSource& CPlotWnd::MinMaxSource() {
    if (!m_useSummaries) return m_source;
    if (!m_summarized.HasSummaries() && m_summaryBuilder.Ready()) m_summarized.Attach(m_summaryBuilder.Result());
    return m_summarized;
}

bool CPlotWnd::SummariesReady() {
    return m_useSummaries && &MinMaxSource() == &m_summarized && m_summarized.HasSummaries();
}

bool CPlotWnd::DrawsEnvelope(double width, double span) {
    if (width <= 0 || !(width < span)) return false;
    if (m_minMaxMode) return true;
    // Dense: more than two samples per column, and only from the summaries (never a scan).
    return m_envelopeDense && span > 2 * width && SummariesReady();
}

bool CPlotWnd::SummariesPending() const {
    return m_useSummaries && !m_summarized.HasSummaries() && m_summaryBuilder.Started() &&
           !m_summaryBuilder.Ready();
}

bool CPlotWnd::MinMaxComplete() const { return !m_minMaxPass.Active() && !SummariesPending(); }

void CPlotWnd::Initialise() {
    const int64_t N = m_file ? m_file->Samples() : 0;
    const float r = m_file ? m_file->Rate() : 0.0f;
    const int K = m_file ? std::clamp(m_file->Channels(), 0, kCanvasChannels) : 0;

    // 1. Value ranges from the channel table.
    for (int i = 0; i < K; ++i) {
        const ChannelEntry e = m_file->Channel(i);
        m_ranges[2 * i] = static_cast<float>(e.low);
        m_ranges[2 * i + 1] = static_cast<float>(e.high);
    }

    // 2. Fonts and grid pen of a plot window.
    m_labelFont = MakeLabelFont(m_screenH / 72, 200);
    m_vLabelFont = MakeLabelFont(m_screenH / 80, 200);
    m_gridPen = QPen(ColorFromRef(ColoursOf(m_scheme).grid), 0, Qt::SolidLine);
    // The value scale is read as often as the traces: upright and never smaller than 12 pixels.
    m_scaleFont = MakeLabelFont(std::max(12, m_screenH / 72), 400);

    // 3.-5. Cache cleared at allocation; the window table; the first window holding the file.
    FillTimeWindows(m_timeWindows);
    m_duration = RecordingDuration(r, N);
    m_firstWindow = FirstWindowIndex(m_timeWindows, m_duration);

    // 6. Log.
    if (g_log)
        g_log->WriteFormat("%s=%lf", "Duration of a file(sec)",
                           static_cast<double>(m_duration / 10000) * 0.001);

    // 7. Start time.
    const int64_t utcStart = m_file ? m_file->StartTime() : 0;
    m_startTime = ToLocalTime(utcStart);
    m_axisOrigin = m_startTime;
    LogTime("Sys.Time of beginning(-3h) %02d.%02d.%02d %02d:%02d:%02d,%03d", utcStart);

    // 8. Display range aligned to its own divisions.
    const DisplayRange range = ChooseDisplayRange(m_timeWindows, m_firstWindow, m_startTime, m_duration);
    m_displayWindow = range.index;
    m_windowBegin = range.begin;
    m_windowEnd = range.end;
    m_divisionLength = range.division;

    // 9. Log.
    if (g_log) {
        g_log->WriteValue("Display range(sec)",
                          static_cast<int32_t>(m_timeWindows[m_displayWindow] / 10000000));
        LogTime("Window begin time %02d.%02d.%02d %02d:%02d:%02d,%03d", m_windowBegin);
        LogTime("Window end time %02d.%02d.%02d %02d:%02d:%02d,%03d", m_windowEnd);
        g_log->WriteFormat("Number of data samples=%.0lf x %u = %.0lf", static_cast<double>(N),
                           static_cast<unsigned>(K), static_cast<double>(N) * K);
    }

    // 10.-11. Zoom table and data.
    // The whole range is the recording exactly; zooming in goes through the shorter windows.
    m_windowSampleCount = BuildZoomTable(m_timeWindows, m_firstWindow, N, m_duration, m_windowSamples);
    AttachData(K, N, &m_cache->values[0][0], m_ranges, m_windowSampleCount, m_windowSamples,
               K > 0 ? static_cast<int64_t>(m_cache->Columns()) * kCanvasChannels / K : 0);

    // 12. Trace settings: defaults, then what the recording carries, then the pens.
    for (int i = 0; i < kCanvasChannels; ++i) {
        m_penColors[i] = DefaultChannelColour(i);
        m_penWidths[i] = 1;
        m_channelShown[i] = 1;
    }
    m_selectedChannel = 0;
    if (m_file) {
        m_file->ApplyDisplaySettings(&m_selectedChannel, m_penColors, m_channelShown, m_penWidths);
        // Channels from 32 on keep their own distinct colours unless the recording stores colours.
        if (!RecordingStoresColours(*m_file))
            for (int i = 32; i < kCanvasChannels; ++i)
                m_penColors[i] = DefaultChannelColour(i);
    }
    SetSelectedChannel(m_selectedChannel);
    SetChannelPens(m_penColors, m_penWidths);

    // 13. Brushes.
    for (int i = 0; i < kCanvasChannels; ++i)
        m_brushes[i] = QBrush(ColorFromRef(m_penColors[i]));

    // 14. View at magnification 1.
    m_vZoom = 0;
    Recompute();
    InvalidateCanvas();

    // 15. Cursors.
    m_timeCursor1 = std::make_unique<CTimeCursor>(m_hWnd, '1', m_plotRect);
    m_timeCursor2 = std::make_unique<CTimeCursor>(m_hWnd, '2', m_plotRect);
    m_levelRect = m_plotRect;
    m_levelCursor1 = std::make_unique<CLevelCursor>(m_hWnd, '1', m_levelRect);
    m_levelCursor2 = std::make_unique<CLevelCursor>(m_hWnd, '2', m_levelRect);
    SetScheme(m_scheme);
    m_ratedFrequency = 50.0f;
}

void CPlotWnd::SetScheme(ColourScheme scheme) {
    CGraphCanvas::SetScheme(scheme);
    const SchemeColours& c = ColoursOf(scheme);
    for (CCursorBase* cur : {static_cast<CCursorBase*>(m_timeCursor1.get()), static_cast<CCursorBase*>(m_timeCursor2.get()),
                             static_cast<CCursorBase*>(m_levelCursor1.get()), static_cast<CCursorBase*>(m_levelCursor2.get())})
        if (cur) cur->SetColours(c.cursor, c.markerFill, c.cursorDot);
}

void CPlotWnd::SetChannelColour(int channel, uint32_t colour, int width) {
    if (channel < 0 || channel >= kCanvasChannels)
        return;
    SetChannelPen(channel, colour, width);
    m_brushes[channel] = QBrush(ColorFromRef(colour));
    InvalidateCanvas();
}

void CPlotWnd::SetSelectedChannel(int channel) {
    const int count = std::max(1, m_channelCount);
    channel = std::clamp(channel, 0, count - 1);
    if (channel == m_selectedChannel) return;
    // The level cursors hold values of the old scale; keep their rows, inside the plot (in
    // lanes: the same place within the new channel's lane).
    const CursorGeometry before = Geometry();
    int rows[2] = {0, 0};
    CLevelCursor* cursors[2] = {m_levelCursor1.get(), m_levelCursor2.get()};
    for (int i = 0; i < 2; ++i)
        if (cursors[i]) rows[i] = std::clamp(before.RowOf(cursors[i]->m_value), before.top, before.bottom);
    m_selectedChannel = channel;
    if (m_lanes) UpdateLanes();
    const CursorGeometry after = Geometry();
    for (int i = 0; i < 2; ++i) {
        if (!cursors[i]) continue;
        if (before.Height() > 0 && (before.top != after.top || before.bottom != after.bottom))
            rows[i] = after.top + (rows[i] - before.top) * after.Height() / before.Height();
        cursors[i]->m_value = static_cast<float>(after.ValueAt(rows[i]));
        cursors[i]->MoveTo(rows[i]);
    }
    BuildReadOut();
}

void CPlotWnd::SetStatusText(int part, const QString& text) {
    if (m_host)
        m_host->SetStatusPart(part, text);
}

void CPlotWnd::ReportScrollBoxes() {
    if (!m_host)
        return;
    m_host->SetScrollBox(0, HScrollBox());
    m_host->SetScrollBox(1, VerticalBox());
}

bool CPlotWnd::IsDecibel() const { return m_file && m_file->IsSpectrum(); }

} // namespace vistrel
