// Reading a recording in a plot window: keys, wheel zoom, the legend and the read-out line.

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QStatusBar>

#include <algorithm>

#include "PlotSearch.h"
#include "PlotWindow.h"
#include "WindowMarkers.h"
#include "core/common/TextFormat.h"
#include "core/recording/DataFile.h"
#include "dialogs/ChannelLabel.h"

namespace vistrel {

namespace {
bool g_legendDefault = false;   // the legend's last state in this run
} // namespace

void PlotCanvasWidget::keyPressEvent(QKeyEvent* e) {
    if (!m_owner->HandleKey(e->key(), e->modifiers())) QWidget::keyPressEvent(e);
}

void PlotWindow::OnWheel(int delta, bool shift, bool ctrl, int x) {
    if (ctrl) {
        const int steps = m_wheelZoom.Add(delta);
        double anchor = 0.5;
        if (m_plot && x >= 0) {
            const CanvasRect& r = m_plot->m_plotRect;
            if (r.right > r.left) anchor = static_cast<double>(x - r.left) / (r.right - r.left);
        }
        if (steps) ZoomStep(steps, anchor);
        return;
    }
    WheelSteps& acc = shift ? m_wheelV : m_wheelH;
    const int steps = acc.Add(delta);
    const int request = steps < 0 ? kScrollLineDown : kScrollLineUp;
    for (int i = 0; i < std::abs(steps); ++i) {
        if (shift)
            OnVScroll(request);
        else
            OnHScroll(request);
    }
}

void PlotWindow::ZoomStep(int steps, double anchor) {
    CPlotWnd* p = m_plot.get();
    if (p && p->ZoomHorizontalStep(steps, anchor)) {
        SetScrollBox(0, p->HScrollBox());
        p->InvalidateCanvas();
    }
}

void PlotWindow::ZoomBack() {
    CPlotWnd* p = m_plot.get();
    if (p && p->ZoomBack()) {
        SetScrollBox(0, p->HScrollBox());
        SetScrollBox(1, p->VScrollBox());
        p->InvalidateCanvas();
    }
}

bool PlotWindow::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    CPlotWnd* p = m_plot.get();
    if (!p) return false;
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (key == Qt::Key_C && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        CopyReadOut();
        return true;
    }
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    switch (key) {
    case Qt::Key_Left: OnHScroll(kScrollLineUp); break;
    case Qt::Key_Right: OnHScroll(kScrollLineDown); break;
    case Qt::Key_PageUp: OnHScroll(kScrollPageUp); break;
    case Qt::Key_PageDown: OnHScroll(kScrollPageDown); break;
    case Qt::Key_Home: OnHScroll(kScrollTop); break;
    case Qt::Key_End: OnHScroll(kScrollBottom); break;
    case Qt::Key_Up: OnVScroll(kScrollLineUp); break;
    case Qt::Key_Down: OnVScroll(kScrollLineDown); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomStep(1); break;
    case Qt::Key_Minus: ZoomStep(-1); break;
    case Qt::Key_Backspace: ZoomBack(); break;
    case Qt::Key_L: SetLanes(!p->Lanes()); break;
    case Qt::Key_F:
        // The whole recording, nothing hidden: also the vertical zoom back to 1.
        if (p->ZoomWhole()) SetScrollBox(0, p->HScrollBox());
        p->ResetVerticalZoom();
        SetScrollBox(1, p->VerticalBox());
        break;
    case Qt::Key_Y: FitValues(); break;
    // Markers: M at time cursor 1, Shift+M between the cursors; N / Shift+N the next / previous.
    case Qt::Key_M:
        if (m_markers) m_markers->BeginAdd(mods & Qt::ShiftModifier);
        break;
    case Qt::Key_N:
        if (m_markers) m_markers->Step(!(mods & Qt::ShiftModifier));
        break;
    case Qt::Key_F3: StepToLevelCrossing(*this, !(mods & Qt::ShiftModifier)); break;
    default: return false;
    }
    return true;
}

void PlotWindow::keyPressEvent(QKeyEvent* e) {
    if (!HandleKey(e->key(), e->modifiers())) QWidget::keyPressEvent(e);
}

void PlotWindow::CopyReadOut() {
    if (QClipboard* c = QGuiApplication::clipboard()) c->setText(m_partText[0]);
}

void PlotWindow::SetLanes(bool on) {
    CPlotWnd* p = m_plot.get();
    if (!p || p->Lanes() == on) return;
    p->SetLanes(on);
    SetScrollBox(1, p->VerticalBox());
}


void PlotWindow::SetLegendDefault(bool shown) { g_legendDefault = shown; }
bool PlotWindow::LegendDefault() { return g_legendDefault; }

bool PlotWindow::LegendShown() const { return m_legend && !m_legend->isHidden(); }

void PlotWindow::SetLegendShown(bool shown) {
    if (!m_legend || LegendShown() == shown) return;
    m_legend->setVisible(shown);
    m_legendKey.clear();
    if (shown) RefreshLegend();
    LayoutChildren();
    if (m_plot) m_plot->InvalidateCanvas();
}

void PlotWindow::RefreshLegend() {
    CPlotWnd* p = m_plot.get();
    if (!p || !m_file || !LegendShown()) return;
    struct Row {
        int channel;
        QString text;
        uint32_t colour;
    };
    QList<Row> rows;
    QString key = QString::number(p->m_selectedChannel);
    const int channels = std::min(m_file->Channels(), kCanvasChannels);
    for (int c = 0; c < channels; ++c) {
        if (!p->m_channelShown[c]) continue;
        const QString range = QString::fromStdString(FormatValue(p->m_ranges[2 * c])) + QStringLiteral(" … ") +
                              QString::fromStdString(FormatValue(p->m_ranges[2 * c + 1]));
        Row r{c, ChannelLabel(*m_file, c) + QStringLiteral("   ") + range, RefFromColor(p->m_pens[c].color())};
        key += QLatin1Char('|') + r.text + QLatin1Char('#') + QString::number(r.colour);
        rows.append(r);
    }
    if (key == m_legendKey) return;
    m_legendKey = key;
    m_legend->clear();
    for (const Row& r : rows) {
        QPixmap swatch(12, 12);
        swatch.fill(ColorFromRef(r.colour));
        auto* item = new QListWidgetItem(QIcon(swatch), r.text, m_legend);
        item->setData(Qt::UserRole, r.channel);
        if (r.channel == p->m_selectedChannel) {
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
        }
    }
}

void PlotWindow::OnLegendClicked(QListWidgetItem* item) {
    CPlotWnd* p = m_plot.get();
    if (!p || !item) return;
    // As the Parameters dialog's choice of the selected channel.
    p->SetSelectedChannel(item->data(Qt::UserRole).toInt());
    p->InvalidateCanvas();
    RefreshLegend();
}

void PlotWindow::SetStatusPart(int part, const QString& text) {
    const int i = part == 2 ? 1 : 0;
    if (m_partText[i] == text)
        return;
    m_partText[i] = text;
    if (i == 0) {
        m_part1->setToolTip(text);
        UpdateReadOutLabel();
    } else {
        m_part2->setText(text);
    }
    emit statusChanged(part, text);
}

void PlotWindow::UpdateReadOutLabel() {
    // What fits in the status bar; the rest is in the tooltip.
    const int room = std::max(16, m_statusBar->width() - 12);
    m_part1->setText(QFontMetrics(m_part1->font()).elidedText(m_partText[0], Qt::ElideRight, room));
}

QString PlotWindow::StatusText(int part) const { return m_partText[part == 2 ? 1 : 0]; }

} // namespace vistrel
