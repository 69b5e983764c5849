#pragma once
// CGraphCanvas: drawing and navigation engine of a plot window. It is not a widget of its own: it
// paints into the widget it is attached to and is handed that widget's paint and mouse events.
// The view arithmetic lives in the Qt-free base CCanvasView; this class adds pens, fonts, label
// sets, default painting, the rubber band and zoom-back on the right button.

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPen>
#include <QSize>
#include <QString>

#include <cstdint>

#include "core/view/Canvas.h"
#include "core/view/PlotColours.h"

class QEvent;
class QPainter;
class QWidget;

namespace vistrel {

// Converts a colour stored as 0x00BBGGRR.
QColor ColorFromRef(uint32_t colorRef);
uint32_t RefFromColor(const QColor& c);

// Full-screen client area (screen less the task bar and a caption) that font and marker sizes
// derive from. A picture rendered without a screen sets its own size as the override.
QSize FullScreenClientSize();
void SetFullScreenOverride(const QSize& size);   // an empty size removes the override

// Label font of a given pixel height: "Segoe UI" where installed, else the system sans-serif face.
QFont MakeLabelFont(int pixelHeight, int weight);

class CGraphCanvas : public CCanvasView {
public:
    static constexpr int kLabelSets = 4;
    static constexpr int kMaxLabels = 256;

    CGraphCanvas(QWidget* window, const CanvasRect& canvasRect, int hDivisions, int vDivisions);
    ~CGraphCanvas() override;
    CGraphCanvas(const CGraphCanvas&) = delete;
    CGraphCanvas& operator=(const CGraphCanvas&) = delete;

    // Stores the data, centres the view on the whole range, recomputes and repaints.
    // `sampleFrames` is the number of whole frames the sample buffer holds (negative: as many as
    // the whole range); the default trace painter never reads beyond them.
    // Replaces the buffer of interleaved samples given to AttachData (same layout).
    void SetSampleBuffer(const float* samples, int64_t sampleFrames) {
        m_samples = samples;
        m_sampleFrames = sampleFrames;
    }
    void AttachData(int channelCount, int64_t totalSamples, const float* samples,
                    const float* ranges, int windowLengthCount, const double* windowLengths,
                    int64_t sampleFrames = -1);
    // Recomputes the view (snapping) and calls OnViewChanged.
    void Recompute() { RecomputeView(); }

    // Label set 0 left, 1 right, 2 above, 3 below. `text` holds 8-bit strings each ended by a NUL
    // or a "|", `length` bytes in all; one string per grid line is taken. Does not repaint.
    void SetAxisLabels(const char* text, int length, int set);
    void SetAxisLabels(const QStringList& labels, int set);

    // Background, grid, text and selection colours of a scheme; the trace pens are drawn in their
    // stored colours as DisplayColour adjusts them for the scheme's background (the stored
    // colours stay in m_penColors). Does not repaint.
    virtual void SetScheme(ColourScheme scheme);
    ColourScheme Scheme() const { return m_scheme; }

    // Pens of all 256 channels from 0x00BBGGRR colours and widths; repaints.
    void SetChannelPens(const uint32_t* colours, const int* widths);
    void SetChannelPenWidth(int channel, int width);
    void SetChannelPen(int channel, uint32_t colour, int width);

    // Hands one event of the attached widget to the canvas: paint, mouse move, left press and
    // release, right press. Returns true when the event was one of those.
    bool CanvasEvent(QEvent* event);
    // Paints the whole canvas rectangle (also used to render into an image).
    void Paint(QPainter& dc);

    // Repaints the canvas rectangle (no background erasing).
    void InvalidateCanvas();
    QWidget* Window() const { return m_hWnd; }

    // --- the seven overridable operations, in slot order; base versions decline ---
    void OnViewChanged() override {}
    virtual int DrawGrid(QPainter& dc, int left, int top, int right, int bottom, const QPen& gridPen);
    virtual int DrawLabels(QPainter& dc, int left, int top, int right, int bottom,
                           const QFont& labelFont, const QFont& vLabelFont, const QColor& textColor);
    virtual int DrawTraces(QPainter& dc, int left, int top, int right, int bottom, const QPen* pens);
    virtual int PreLButtonDown(unsigned keys, int x, int y);
    virtual int PreLButtonUp(unsigned keys, int x, int y);
    virtual int PreMouseMove(unsigned keys, int x, int y);
    // Width of the left (set 0) or right (set 1) label margin; by default the height of the
    // rotated label font.
    virtual int SideMargin(int set) const;

    // Mouse handlers (client coordinates of the attached widget); public for tests and scripts.
    void OnLButtonDown(unsigned keys, int x, int y);
    void OnLButtonUp(unsigned keys, int x, int y);
    void OnMouseMove(unsigned keys, int x, int y);
    void OnRButtonDown(unsigned keys, int x, int y);

    QWidget* m_hWnd;
    CanvasRect m_canvasRect;
    CanvasRect m_plotRect;
    const float* m_samples = nullptr;
    int64_t m_sampleFrames = -1;
    uint32_t m_channelMask = 0xFFFFFFFFu;
    QPen m_pens[kCanvasChannels];
    uint32_t m_penColors[kCanvasChannels] = {};
    int m_penWidths[kCanvasChannels] = {};
    QBrush m_backBrush;
    QPen m_gridPen;
    QPen m_selectPen;
    QColor m_textColour{0x40, 0x40, 0x40};
    ColourScheme m_scheme = ColourScheme::Light;
    qreal m_penDpr = 1.0;   // device pixel ratio the hairline pens were last sized for
    QFont m_labelFont;
    QFont m_vLabelFont;
    int m_screenW = 0;
    int m_screenH = 0;
    QSize m_charSize;
    QString m_labels[kLabelSets][kMaxLabels];
    bool m_labelSetUsed[kLabelSets] = {};
    bool m_dragging = false;
    int m_dragStartX = 0;
    int m_dragStartY = 0;
    CanvasRect m_selRect;
    CanvasRect m_prevSelRect;

    // Dialog-frame width and caption height used for the margins before any label set is given.
    static constexpr int kFrameMargin = 4;
    static constexpr int kCaptionHeight = 23;

private:
    void EndDrag();
    void InvalidateSelectionEdges(const CanvasRect& r);
    void DrawDefaultGrid(QPainter& dc);
    void DrawDefaultLabels(QPainter& dc);
    void DrawDefaultTraces(QPainter& dc);
};

} // namespace vistrel
