// The plot window's spectrogram panel: shown below the canvas, following the plot's view.
#include "PlotWindow.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <QMdiSubWindow>
#include <QStatusBar>

#include "SpectrogramPanel.h"
#include "core/recording/DataFile.h"
#include "dialogs/SpectrogramDialog.h"
#include "shell/PlotLink.h"

namespace vistrel {

namespace {

// Asks the panel to follow the plot after each paint of the canvas (zoom, scroll, channel).
class CanvasPaintWatch : public QObject {
public:
    CanvasPaintWatch(QObject* canvas, SpectrogramPanel* panel) : QObject(panel), m_panel(panel) {
        canvas->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            QMetaObject::invokeMethod(m_panel, [panel = m_panel] { panel->Follow(); }, Qt::QueuedConnection);
        return false;
    }

private:
    SpectrogramPanel* m_panel;
};

} // namespace

void PlotWindow::SetSpectrogram(bool shown) {
    if (shown == SpectrogramShown())
        return;
    if (shown) {
        if (!m_spectrogram) {
            m_spectrogram = new SpectrogramPanel(this);
            new CanvasPaintWatch(m_canvas, m_spectrogram);
        }
        m_spectrogram->show();
    } else {
        m_spectrogram->Detach();
        m_spectrogram->hide();
        SetStatusPart(2, QString());
    }
    LayoutChildren();
    m_canvas->update();
    if (shown)
        m_spectrogram->Follow();
}

bool PlotWindow::SpectrogramShown() const {
    return m_spectrogram && !m_spectrogram->isHidden();
}

int PlotWindow::PlaceSpectrogram(int canvasW, int canvasH) {
    if (!SpectrogramShown())
        return canvasH;
    const int panelH = SpectrogramPanel::HeightFor(canvasH);
    m_spectrogram->setGeometry(0, canvasH - panelH, canvasW, panelH);
    return canvasH - panelH;
}

void PlotWindow::DetachSpectrogram() {
    if (m_spectrogram)
        m_spectrogram->Detach();
}

bool ShowSpectrogramForPng(PlotWindow& w, int channel) {
    const CDataFile* file = w.File();
    const int channels = file ? file->Channels() : 0;
    if (!w.Plot() || channel < 1 || channel > channels) {
        std::fprintf(stderr, "vistrel: --spectrogram: the recording has no channel %d (1 to %d)\n", channel, channels);
        return false;
    }
    w.Plot()->SetSelectedChannel(channel - 1);
    w.SetSpectrogram(true);
    // One paint lays the plot out over the canvas left; then the picture of that view.
    QImage scratch(w.size(), QImage::Format_RGB32);
    {
        QPainter p(&scratch);
        w.render(&p);
    }
    w.Spectrogram()->Follow();
    return w.Spectrogram()->WaitIdle(24 * 3600 * 1000);
}

namespace {
PlotWindow* WindowOf(QMdiSubWindow* window) {
    return window ? qobject_cast<PlotWindow*>(window->widget()) : nullptr;
}
} // namespace

void PlotSetSpectrogram(QMdiSubWindow* window, bool shown) {
    if (PlotWindow* w = WindowOf(window)) w->SetSpectrogram(shown);
}

bool PlotSpectrogram(QMdiSubWindow* window) {
    const PlotWindow* w = WindowOf(window);
    return w && w->SpectrogramShown();
}

void PlotSpectrogramSettings(QMdiSubWindow* window, QWidget* owner) {
    PlotWindow* w = WindowOf(window);
    if (!w)
        return;
    SpectrogramSettings settings = w->Spectrogram() ? w->Spectrogram()->Settings() : SpectrogramPanel::Defaults();
    if (!RunSpectrogramDialog(owner, &settings))
        return;
    w->SetSpectrogram(true);
    w->Spectrogram()->SetSettings(settings);
}

} // namespace vistrel
