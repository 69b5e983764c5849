#pragma once
// CPlotWnd: the plot of one recording in a plot window. It builds the time-window table, the
// display range and the zoom table for the recording, holds the trace settings (shown channels,
// colours, widths, selected channel), the column cache and the four cursors, and overrides the
// seven operations of CGraphCanvas to draw grid, value scales, traces and cursors.

#include <QBrush>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "GraphCanvas.h"
#include "core/measure/Crossing.h"
#include "core/view/CursorMath.h"
#include "core/view/LaneLayout.h"
#include "core/view/PlotLayout.h"
#include "core/view/RecordingSource.h"
#include "core/view/SummaryBuilder.h"
#include "core/view/TraceDecimation.h"

namespace vistrel {

namespace markers {
struct Marker;
}
class CDataFile;
class CTimeCursor;
class CLevelCursor;

// What the plot asks of the window around it (the plot window's small message protocol).
class IPlotHost {
public:
    virtual ~IPlotHost() = default;
    // bar 0: horizontal, 1: vertical; position 0 .. 65535.
    virtual void SetScrollBox(int bar, int position) = 0;
    // part 1: cursor read-out, part 2: second status part.
    virtual void SetStatusPart(int part, const QString& text) = 0;
    // Error box captioned with string 214.
    virtual void ShowErrorText(const QString& text) = 0;
    // The recording's markers drawn over the plot (none by default).
    virtual const std::vector<markers::Marker>* PlotMarkers() const { return nullptr; }
};

class CPlotWnd : public CGraphCanvas {
public:
    static constexpr int kCacheColumns = vistrel::kCacheColumns;
    // Rows from a level cursor's line within which a press grabs it (no Shift needed).
    static constexpr int kLevelGrabRows = 4;

    // `window` is the widget painted into, `clientRect` its canvas rectangle. The recording is
    // not owned and must stay open for the plot's life.
    CPlotWnd(QWidget* window, const CanvasRect& clientRect, CDataFile* file, IPlotHost* host = nullptr);
    ~CPlotWnd() override;

    // --- overrides of the canvas operations (bodies in PlotWndDraw.cpp) ---
    void OnViewChanged() override;
    int DrawGrid(QPainter& dc, int left, int top, int right, int bottom, const QPen& gridPen) override;
    int DrawLabels(QPainter& dc, int left, int top, int right, int bottom, const QFont& labelFont,
                   const QFont& vLabelFont, const QColor& textColor) override;
    int DrawTraces(QPainter& dc, int left, int top, int right, int bottom, const QPen* pens) override;
    int PreLButtonDown(unsigned keys, int x, int y) override;
    int PreLButtonUp(unsigned keys, int x, int y) override;
    int PreMouseMove(unsigned keys, int x, int y) override;
    int SideMargin(int set) const override;
    // The canvas's scheme, and the cursors' colours of it.
    void SetScheme(ColourScheme scheme) override;
    int ScaleMarkSize() const;             // side of the channel's colour mark by the scale

    // Cursor operations called by the plot window (bodies in PlotWndDraw.cpp).
    void PlaceCursorsInitially();          // first tick of timer 0
    void PlaceCursorAt(unsigned keys, int x, int y);  // double-click
    void FollowView();
    void BuildReadOut();

    // Drawing helpers (PlotWndDraw.cpp).
    int SelectedScaleChannel() const;
    CursorGeometry Geometry() const;        // pixel, sample and value mappings of the view
    float CursorValue(uint64_t s) const;    // selected channel's value of sample s
    void BuildScaleLabels();                // value-scale texts, without repainting
    bool RunMinMaxSlice(int budgetMs);      // true once the min-max pass is complete
    void ContinueMinMax();
    void ScheduleMinMaxSlice();
    // The min-max view of the current view is wholly computed (or the view needs none).
    bool MinMaxComplete() const;
    // True while the min-max view waits for the summaries being built; the column pass is
    // shown meanwhile and the window repaints once they are ready.
    bool SummariesPending() const;
    // Starts building the min/max summaries of the plotted recording in the background (from
    // the disk cache when it holds them); the min-max view uses them once ready. The builder
    // reads only the recording's mapping, so closing the plot never waits on the file.
    void StartSummaries();
    // Waits for the summaries; true when they are ready.
    bool WaitForSummaries();
    // True once the summaries are ready and used (attaches them when the builder has finished).
    bool SummariesReady();
    // Envelope when dense: a view of more than two samples per column is drawn as the min-max
    // envelope once the summaries are ready (the column pass until then). Off by default (a
    // picture of the command line); the plot window sets it from the user's setting.
    void SetEnvelopeDense(bool on) { m_envelopeDense = on; }
    bool EnvelopeDense() const { return m_envelopeDense; }
    // Whether a view of `width` columns over `span` samples is drawn as the envelope.
    bool DrawsEnvelope(double width, double span);
    // What the min-max pass reads: the summaries once ready, the samples until then.
    const ISampleSource& MinMaxSource();
    CTimeCursor* TimeCursor(int n) const;
    CLevelCursor* LevelCursor(int n) const;
    void SetTimeCursor(CTimeCursor* cur, int x, uint64_t sample);
    void SetLevelCursor(CLevelCursor* cur, int y, int valueRow);

    // Trace settings: recreates pen and brush of one channel.
    void SetChannelColour(int channel, uint32_t colour, int width);
    // Selected channel, clamped to the recording's channels. The level cursors keep their
    // rows inside the plot and take their values from the new channel's scale.
    void SetSelectedChannel(int channel);

    // --- lanes (bodies in PlotWndLanes.cpp) ---
    // Each shown channel in a lane of its own with its own scale, or all on the selected
    // channel's scale (the default). A mode of the window, not stored.
    void SetLanes(bool on);
    bool Lanes() const { return m_lanes; }
    // Brings the lane layout up to the plot rectangle and the shown channels, and moves the
    // level cursors' rectangle to the selected channel's lane.
    void UpdateLanes();
    const CLaneLayout& LaneLayout() const { return m_laneLayout; }
    // Lane boundaries saved from an earlier session (CLaneLayout::Edges); ignored unless they
    // fit the lanes shown now. True when taken.
    bool SetLaneEdges(const std::vector<double>& edges);
    // Scrolls the lanes to `offset` rows of their content (clamped); repaints.
    void ScrollLanes(int offset);
    // True while the vertical scroll bar scrolls through the lanes (more than fit).
    bool LanesScroll() const { return m_lanes && m_laneLayout.MaxScroll() > 0; }
    // A vertical scroll request (kScroll*, thumb 0 .. 65535) applied to the lanes: a line is
    // the minimum lane height, a page the plot's height. True when the lanes moved.
    bool ScrollLanesRequest(int request, int thumb);
    // Position of the vertical scroll box: the lanes' scroll while they scroll, else the value pan.
    int VerticalBox() const;
    // Sets the display range of every shown channel (or only of `channel` when it is one) to the
    // extremes of the visible samples (from the summaries once they are ready) with a margin, and
    // the vertical zoom to 1. The ranges are this window's; the recording keeps its own. False
    // when there is nothing to fit.
    bool FitValues(int channel = -1);
    // Vertical zoom 1, centred (part of the whole-recording view); the horizontal view stays.
    void ResetVerticalZoom();
    // Fit values automatically (a mode of the window): the next paint after the view moved fits
    // again. Turning it on fits at once.
    void SetAutoFit(bool on);
    bool AutoFit() const { return m_autoFit; }
    // The fit the mode asks for when the visible range changed since the last one. Without the
    // summaries a view of more than kAutoFitScanValues values waits for them (nothing large is
    // read on the interface thread). True when the ranges changed.
    bool AutoFitIfMoved();
    // The channel whose lane's value scale is at (x, y) (left of the plot), or -1.
    int ScaleChannelAt(int x, int y) const;
    // Top and bottom scale texts of a channel's lane.
    void LaneScaleTexts(int channel, QString& top, QString& bottom) const;

    // The host's markers as labelled vertical lines and shaded spans over the whole plot (every
    // lane), under the cursors (PlotWndMarkers.cpp).
    void DrawMarkers(QPainter& dc);

    // Messages to the host (no-ops without one).
    void SetStatusText(int part, const QString& text);
    void ReportScrollBoxes();

    CDataFile* File() const { return m_file; }
    IPlotHost* Host() const { return m_host; }
    bool IsDecibel() const;   // spectrum result (ADC-block flag 8)

    // --- recording and layout ---
    CDataFile* m_file;
    IPlotHost* m_host;
    int64_t m_timeWindows[kTimeWindowCount] = {};
    int m_firstWindow = 0;
    int m_displayWindow = 0;
    double m_windowSamples[kTimeWindowCount] = {};
    int m_windowSampleCount = 0;
    int64_t m_duration = 0;          // recording length, 100-ns units
    int64_t m_startTime = 0;         // local start time, FILETIME scale
    int64_t m_axisOrigin = 0;        // time of sample 0 on the axis: start time, or 0 when relative
    int64_t m_windowBegin = 0;       // aligned display window
    int64_t m_windowEnd = 0;
    int64_t m_divisionLength = 0;
    float m_ranges[2 * kCanvasChannels] = {};

    // --- trace settings ---
    QBrush m_brushes[kCanvasChannels];
    int m_channelShown[kCanvasChannels] = {};
    int m_selectedChannel = 0;
    int m_timeLabelStyle = 0;        // 1: times counted from the start of the file

    // --- column cache and min-max view ---
    int m_minMaxMode = 0;                       // the min-max view is on (a mode of the window)
    bool m_envelopeDense = false;               // the envelope where the view is dense (a setting)
    bool m_summaryPoll = false;                 // a check for the summaries is scheduled
    std::unique_ptr<CColumnCache> m_cache;      // one value per column and channel, and its view
    CMinMaxPass m_minMaxPass;                   // min-max view, computed in slices
    CRecordingSource m_source;                  // the recording's samples for the passes
    CSummarizedSource m_summarized{m_source};   // m_source with its summaries, once ready
    CSummaryBuilder m_summaryBuilder;           // stopped when the plot goes
    bool m_useSummaries = true;                 // false: the min-max view scans the samples
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);  // guards queued slices
    std::unique_ptr<QPoint[]> m_points;         // m_cache->Columns() + 2
    std::unique_ptr<EnvelopeBar[]> m_bars;      // MaxEnvelopeBars(m_cache->Columns())
    CCrossingMemo m_crossingMemo;               // the read-out's crossing search, kept between paints
    QFont m_scaleFont;                          // value scale
    int m_plotWidth = 0;                        // stored by DrawLabels

    // --- lanes ---
    bool m_lanes = false;
    CLaneLayout m_laneLayout;
    CanvasRect m_levelRect;          // where the level cursors live: the plot, or the selected lane
    int m_laneDrag = -1;             // separator being dragged, -1 none
    int m_laneDragY = 0;             // row the dragged separator has reached

    // --- fit values automatically ---
    bool m_autoFit = false;
    double m_fittedStart = -1.0;     // visible range of the last automatic fit
    double m_fittedEnd = -1.0;
    static constexpr uint64_t kAutoFitScanValues = uint64_t(1) << 22;

    // --- cursors ---
    std::unique_ptr<CTimeCursor> m_timeCursor1;
    std::unique_ptr<CTimeCursor> m_timeCursor2;
    std::unique_ptr<CLevelCursor> m_levelCursor1;
    std::unique_ptr<CLevelCursor> m_levelCursor2;
    int m_cursorDrag = 0;            // 0 idle, 1/2 vertical cursor, 3/4 horizontal cursor
    int m_nextCursor = 1;            // cursor of a pair that the next double-click moves
    char m_timeText[256] = {};       // last formatted time label
    QString m_timeTextW;

    // --- what a processing job reads from the window ---
    QWidget* m_progressWnd = nullptr;
    int m_saved = 0;                 // set when an operation used this window as its source
    float m_ratedFrequency = 50.0f;  // RMS operation
    int m_averagingFactor = 1;
    QString m_resultName;

    // Sets the canvas rectangle and sizes the column cache to it (at least kCacheColumns
    // columns), so that a plot of any width is drawn whole without allocating while painting.
    void SetCanvasRect(const CanvasRect& rect);
    void SizeCache(int columns);

private:
    void DrawLaneGrid(QPainter& dc, int left, int top, int right, int bottom, const QPen& gridPen);
    void DrawLaneLabels(QPainter& dc, int left, int right, int top, int bottom, const QColor& textColor);
    int LaneMargin() const;
    QString LaneName(int channel) const;   // the channel's number as the legend writes it
    void Initialise();
    void ScheduleSummaryPoll();
};

} // namespace vistrel
