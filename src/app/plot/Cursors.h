#pragma once
// Measurement cursors of a plot window: CTimeCursor (a vertical line marking an instant) and
// CLevelCursor (a horizontal line marking a level). A plot window has two of each.

#include <QChar>
#include <QColor>
#include <QPen>

#include <cstdint>

#include "core/view/Canvas.h"

class QPainter;
class QWidget;

namespace vistrel {

class CCursorBase {
public:
    // `labelCode` is 49 ("1") or 50 ("2"); `plotRect` is the canvas's plot rectangle, read live.
    CCursorBase(QWidget* window, int labelCode, const CanvasRect& plotRect);
    virtual ~CCursorBase() = default;
    CCursorBase(const CCursorBase&) = delete;
    CCursorBase& operator=(const CCursorBase&) = delete;

    virtual void Paint(QPainter& dc) = 0;
    // Repaints the old and new areas of both markers and of the line.
    virtual void Invalidate();
    // Sets the position and shifts the grab rectangle by the same amount.
    void MoveTo(int position);
    // Line and outline colour, marker fill and intersection dot (0x00BBGGRR) of a plot scheme.
    void SetColours(uint32_t line, uint32_t fill, uint32_t dot);

    QChar m_label;
    QWidget* m_window;
    const CanvasRect& m_plotRect;
    QPen m_pen;                 // dotted, width 1, black on the light scheme
    QColor m_fill{255, 255, 255};        // inside of the markers
    QColor m_dot{160, 160, 164};         // the intersection dot
    int m_markerLength = 0;     // a = screen height / 80
    int m_markerSide = 0;       // w = screen height / 150
    int m_position = 0;         // x of a vertical cursor, y of a horizontal one
    int m_prevPosition = 0;
    CanvasRect m_grabRect;
    CanvasRect m_markerRect1;   // areas as last painted
    CanvasRect m_markerRect2;
    CanvasRect m_lineRect;
    int m_dotPosition = 0;      // y of the intersection dot of a vertical cursor
    float m_value = 0.0f;
    uint64_t m_sample = 0;      // vertical cursors only
};

class CTimeCursor : public CCursorBase {
public:
    CTimeCursor(QWidget* window, int labelCode, const CanvasRect& plotRect);
    void Paint(QPainter& dc) override;
};

class CLevelCursor : public CCursorBase {
public:
    CLevelCursor(QWidget* window, int labelCode, const CanvasRect& plotRect);
    void Paint(QPainter& dc) override;
};

} // namespace vistrel
