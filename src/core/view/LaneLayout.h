#pragma once
// Stacked lanes of a plot: each shown channel gets a horizontal band of its own, top to bottom in
// channel order. The lanes tile a content height that is the viewport's, or more when the lanes
// would be thinner than kMinLaneHeight; the content then scrolls under the viewport. Pure
// arithmetic: the widget asks for rectangles, rows and the lane under the pointer.

#include <vector>

namespace vistrel {

constexpr int kMinLaneHeight = 24;

class CLaneLayout {
public:
    // The channels shown, in order. A change of the set forgets dragged heights.
    void SetChannels(const int* channels, int count);
    // The viewport, window rows top .. bottom (exclusive). Dragged heights are kept in proportion
    // while every lane stays at least kMinLaneHeight high; otherwise the heights become equal.
    void SetViewport(int top, int bottom);

    int Count() const { return static_cast<int>(m_channels.size()); }
    int Channel(int lane) const { return m_channels[lane]; }
    // Lane of a channel, -1 when it is not shown.
    int LaneOf(int channel) const;

    int ViewportHeight() const { return m_bottom - m_top; }
    // Height of all lanes together: the viewport's, or Count() x kMinLaneHeight when larger.
    int ContentHeight() const;
    int MaxScroll() const { return ContentHeight() - ViewportHeight() > 0 ? ContentHeight() - ViewportHeight() : 0; }
    int Scroll() const { return m_scroll; }
    void SetScroll(int offset);   // clamped to 0 .. MaxScroll()

    // Window rows of a lane: top inclusive, bottom exclusive (may lie outside the viewport when
    // the content scrolls).
    int LaneTop(int lane) const;
    int LaneBottom(int lane) const;
    int LaneHeight(int lane) const { return LaneBottom(lane) - LaneTop(lane); }
    // Lane under window row y, -1 outside the viewport or the lanes.
    int LaneAt(int y) const;
    // Separator (the boundary below lane i, 0 <= i < Count() - 1) within `tolerance` rows of y,
    // -1 when none is.
    int SeparatorAt(int y, int tolerance) const;
    // Moves the boundary below `lane` by dy rows: that lane and the next one change height, each
    // staying at least kMinLaneHeight high. Returns the distance actually moved.
    int DragSeparator(int lane, int dy);

    // Boundaries of the lanes as shares 0 .. 1 of the content height, Count() + 1 of them: what
    // a dragged layout keeps from one session to the next.
    const std::vector<double>& Edges() const { return m_edges; }
    // Takes boundaries given by Edges(). False, and nothing changed, unless they are Count() + 1
    // finite shares rising from 0 to 1; lanes thinner than the minimum at this viewport make
    // the heights equal, as SetViewport does.
    bool SetEdges(const std::vector<double>& edges);

    // Row of value v in a lane whose scale runs from `bottom` (last row) to `top` (first row).
    int ValueRow(int lane, double v, double top, double bottom) const;

private:
    int Boundary(int k) const;    // content row of the boundary above lane k (k = Count(): end)
    void Reset();

    std::vector<int> m_channels;
    std::vector<double> m_edges;  // boundaries as shares 0 .. 1 of the content height
    int m_top = 0, m_bottom = 0;
    int m_scroll = 0;
};

} // namespace vistrel
