#pragma once
// View state and arithmetic of a plot canvas, free of any GUI library: the horizontal view (zoom
// index into a table of window lengths plus a centre in samples), the vertical view
// (magnification index plus a centre in per mille of each channel's range), the per-channel value
// window, rubber-band zoom, zoom-back history and scrolling. The Qt canvas (CGraphCanvas) derives
// from it and adds painting and mouse handling.

#include <cstdint>

namespace vistrel {

constexpr int kCanvasChannels = 256;      // channels a canvas can show
constexpr int kZoomHistoryDepth = 256;    // saved views for zoom-back
constexpr int kVZoomCount = 10;           // vertical magnifications 1 .. 1000

// Key-state bits handed to the mouse operations.
constexpr unsigned kKeyLButton = 1;
constexpr unsigned kKeyShift = 4;

// Scroll request codes (the numbers of the Windows scroll-bar requests).
enum ScrollRequest : int {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollTop = 6,
    kScrollBottom = 7,
    kScrollEnd = 8,
};

constexpr int kScrollRangeMax = 65535;    // scroll boxes run over 0 .. 65535

// Rectangle in client pixels; right and bottom are the far edges.
struct CanvasRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const CanvasRect&) const = default;
};

CanvasRect MakeRect(int left, int top, int right, int bottom);
// Member-by-member sum (used to inset a rectangle by margins).
CanvasRect AddRects(const CanvasRect& a, const CanvasRect& b);
// All four edges inclusive.
bool PointInRect(const CanvasRect& r, int x, int y);
int RectWidth(const CanvasRect& r);   // absolute
int RectHeight(const CanvasRect& r);  // absolute
void RectCenter(const CanvasRect& r, int& x, int& y);
// Spread a packed position: x the signed low 16 bits, y the signed high 16 bits.
void SplitPosition(uint32_t packed, int& x, int& y);
uint32_t PackPosition(int x, int y);

// Saved views for zoom-back: four parallel arrays. Horizontal centres are sample positions and
// need 64 bits (recordings of more than 2^31 samples per channel).
struct ZoomHistory {
    int count = 0;
    int64_t hCenter[kZoomHistoryDepth] = {};
    int vCenter[kZoomHistoryDepth] = {};
    int hZoom[kZoomHistoryDepth] = {};
    int vZoom[kZoomHistoryDepth] = {};
};

class CCanvasView {
public:
    CCanvasView(int hDivisions, int vDivisions);
    virtual ~CCanvasView() = default;

    // Stores the data description, centres the view on the whole range and recomputes.
    // `ranges` holds one (minimum, maximum) pair per channel; `windowLengths` entry 0 is the whole
    // display range in samples, each later entry shorter. Neither is owned.
    void AttachView(int channelCount, int64_t totalSamples, const float* ranges,
                    int windowLengthCount, const double* windowLengths);

    // Snaps both centres to whole divisions and derives the visible range and the value windows.
    // Callers set m_hZoom, m_vZoom, m_hCenter or m_vCenter first.
    void RecomputeView();

    // Rubber-band zoom to `sel` inside `plot`. Returns true when a zoom index changed (a history
    // entry was counted). Recomputes the view in either case.
    bool ZoomToSelection(const CanvasRect& plot, const CanvasRect& sel);
    // Restores the last saved view; false when the history is empty.
    bool ZoomBack();
    // History of one entry: the whole-range view at magnification 1.
    void ResetZoomHistory();

    // Horizontal scroll request; moves the view without snapping. Top and bottom go to the
    // start and the end of the recording. Returns true when it moved.
    bool ScrollHorizontal(int request, int thumb);
    // Moves the view, without snapping, to start at sample `start` (kept inside the recording):
    // where a proportional scroll bar's thumb was dropped. True when it moved.
    bool ScrollHorizontalTo(double start);
    // Vertical scroll request; the vertical centre snaps to whole divisions, the horizontal view
    // stays where it is. Returns true when it was handled (every request but the end of scrolling).
    bool ScrollVertical(int request, int thumb);
    // Steps the horizontal zoom index by `steps` (positive: shorter windows). The sample at
    // `anchor` (0 = left edge .. 1 = right edge of the view) keeps its place on the screen as far
    // as the recording's ends allow. A step in saves the old view for zoom-back. True when the
    // zoom index changed.
    bool ZoomHorizontalStep(int steps, double anchor = 0.5);
    // The whole recording (zoom index 0); the old view is saved for zoom-back. True when it changed.
    bool ZoomWhole();
    // Scroll box positions (0 .. 65535) for the current view.
    int HScrollBox() const;
    int VScrollBox() const;

    double WindowLength() const;   // current window length in samples
    double FullLength() const;     // entry 0 of the window-length table
    double VZoomFactor() const { return m_vZoomFactors[m_vZoom]; }

    // Called at the end of every recomputation.
    virtual void OnViewChanged() {}

    int m_hDivisions;
    int m_vDivisions;
    int m_channelCount = 0;
    int64_t m_totalSamples = 0;
    const float* m_channelRanges = nullptr;
    const double* m_windowLengths = nullptr;
    int m_windowLengthCount = 0;
    int m_hZoom = 0;
    double m_hCenter = 0.0;
    double m_visibleStart = 0.0;
    double m_visibleEnd = 0.0;
    int64_t m_hScrollMax = 0;   // whole divisions; exceeds 2^31 at deep zooms of long recordings
    double m_vZoomFactors[kVZoomCount] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    int m_vZoomCount = kVZoomCount;
    int m_vZoom = 0;
    double m_vFullScale = 1000.0;
    double m_vCenter = 500.0;
    int m_vScrollMax = 0;
    double m_valueTop[kCanvasChannels] = {};
    double m_valueBottom[kCanvasChannels] = {};
    ZoomHistory m_zoomHistory;
};

} // namespace vistrel
