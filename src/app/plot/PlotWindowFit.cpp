// Fitting the value scales from the plot window: key Y, a double-click on a lane's scale, and
// the automatic fit before each paint once the view has moved.

#include <QMouseEvent>

#include "PlotWindow.h"
#include "shell/UserSettings.h"

namespace vistrel {

namespace {
const QString kEnvelopeDenseKey = QStringLiteral("view/envelopeDense");
} // namespace

bool PlotWindow::EnvelopeDenseSetting() { return UserSetting(kEnvelopeDenseKey, true).toBool(); }

void PlotWindow::SetEnvelopeDenseSetting(bool on) { SetUserSetting(kEnvelopeDenseKey, on); }

void PlotCanvasWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    CPlotWnd* plot = m_owner->Plot();
    if (!plot) return;
    const QPoint pt = e->position().toPoint();
    unsigned keys = 0;
    if (e->buttons() & Qt::LeftButton) keys |= kKeyLButton;
    if (e->modifiers() & Qt::ShiftModifier) keys |= kKeyShift;
    if (e->button() == Qt::LeftButton) {
        // On a value scale: that scale's channel fitted; in the plot: a cursor placed.
        const int channel = plot->ScaleChannelAt(pt.x(), pt.y());
        if (channel >= 0)
            m_owner->FitValues(channel);
        else
            plot->PlaceCursorAt(keys, pt.x(), pt.y());
    } else if (e->button() == Qt::RightButton) {
        plot->OnRButtonDown(keys, pt.x(), pt.y());   // a quick second click zooms back again
    }
}

void PlotWindow::FitValues(int channel) {
    CPlotWnd* p = m_plot.get();
    if (!p || !p->FitValues(channel)) return;
    SetScrollBox(1, p->VerticalBox());
    m_legendKey.clear();
    RefreshLegend();   // the legend shows the ranges
}

void PlotWindow::SetAutoFit(bool on) {
    CPlotWnd* p = m_plot.get();
    if (!p || p->AutoFit() == on) return;
    p->SetAutoFit(on);
    SetScrollBox(1, p->VerticalBox());
    m_legendKey.clear();
    RefreshLegend();
}

bool PlotWindow::AutoFit() const { return m_plot && m_plot->AutoFit(); }

void PlotWindow::AutoFitBeforePaint() {
    CPlotWnd* p = m_plot.get();
    if (!p || !p->AutoFitIfMoved()) return;
    SetScrollBox(1, p->VerticalBox());
    m_legendKey.clear();
}

} // namespace vistrel
