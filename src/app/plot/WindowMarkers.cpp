#include "WindowMarkers.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

#include "Cursors.h"
#include "PlotWindow.h"
#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "core/processing/FileUtil.h"
#include "core/recording/DataFile.h"
#include "shell/UiUtils.h"

namespace vistrel {

QColor MarkerColour() { return QColor(0xD0, 0x60, 0x00); }

WindowMarkers::WindowMarkers(PlotWindow* window)
    : QObject(window), m_window(window), m_store(PathFromUtf8(window->Path().toStdString())) {
    Report(m_store.Load());
}

WindowMarkers::~WindowMarkers() { delete m_field.data(); }

void WindowMarkers::Report(const markers::MarkerFileStatus& status) {
    if (status.Ok() || m_reported) return;
    m_reported = true;
    const QString file = QString::fromStdString(PathToUtf8(m_store.Sidecar()));
    QString reason = status.error == markers::MarkerFileError::TooLarge ? GetUiString(IDS_MARKERS_TOO_LARGE)
                                                                          : GetUiString(FileProblemStringId(status.problem));
    const int id = status.error == markers::MarkerFileError::CannotWrite ? IDS_MARKERS_CANNOT_WRITE : IDS_MARKERS_CANNOT_READ;
    ShowErrorText(GetUiString(id).arg(file, reason));
}

void WindowMarkers::BeginAdd(bool span) {
    CPlotWnd* p = m_window->Plot();
    CDataFile* file = m_window->File();
    if (!p || !file || !(file->Rate() > 0.0f)) return;
    CancelField();
    const double rate = file->Rate();
    const int64_t s1 = m_window->CursorSample(1);
    const int64_t s2 = span ? m_window->CursorSample(2) : s1;
    m_pending = {static_cast<double>(std::min(s1, s2)) / rate, static_cast<double>(std::max(s1, s2)) / rate, {}};
    auto* field = new QLineEdit(m_window->Canvas());
    field->setObjectName(QStringLiteral("markerField"));
    field->setPlaceholderText(GetUiString(IDS_MARKERS_FIELD_HINT));
    const int width = std::max(120, QFontMetrics(field->font()).horizontalAdvance(field->placeholderText()) + 16);
    const CanvasRect& r = p->m_plotRect;
    const int x = p->Geometry().ColumnOf(static_cast<uint64_t>(std::min(s1, s2)));
    field->setGeometry(std::clamp(x + 2, r.left, std::max(r.left, r.right - width)), r.top + 2, width,
                       field->sizeHint().height());
    field->installEventFilter(this);
    connect(field, &QLineEdit::returnPressed, this, &WindowMarkers::AcceptField);
    m_field = field;
    field->show();
    field->setFocus();
}

bool WindowMarkers::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field.data()) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            CancelField();
            return true;
        }
        // Leaving the field keeps what was typed, as Enter does.
        if (event->type() == QEvent::FocusOut) AcceptField();
    }
    return QObject::eventFilter(watched, event);
}

void WindowMarkers::CloseField() {
    QLineEdit* field = m_field.data();
    m_field = nullptr;
    if (!field) return;
    field->removeEventFilter(this);
    field->hide();
    field->deleteLater();
    if (m_window->Canvas()) m_window->Canvas()->setFocus();
}

void WindowMarkers::AcceptField() {
    if (!m_field) return;
    markers::Marker m = m_pending;
    m.text = m_field->text().toStdString();
    CloseField();
    Add(m);
}

void WindowMarkers::CancelField() { CloseField(); }

bool WindowMarkers::Add(const markers::Marker& marker) {
    const size_t before = List().size();
    Report(m_store.Add(marker));
    if (List().size() == before) return false;
    emit changed();
    if (CPlotWnd* p = m_window->Plot()) p->InvalidateCanvas();
    return true;
}

bool WindowMarkers::Remove(size_t index) {
    if (index >= List().size()) return false;
    Report(m_store.Remove(index));
    emit changed();
    if (CPlotWnd* p = m_window->Plot()) p->InvalidateCanvas();
    return true;
}

bool WindowMarkers::Rename(size_t index, const QString& text) {
    if (index >= List().size() || markers::CleanText(text.toStdString()) == List()[index].text) return false;
    Report(m_store.Rename(index, text.toStdString()));
    emit changed();
    if (CPlotWnd* p = m_window->Plot()) p->InvalidateCanvas();
    return true;
}

void WindowMarkers::JumpTo(size_t index) {
    CPlotWnd* p = m_window->Plot();
    CDataFile* file = m_window->File();
    if (!p || !file || index >= List().size() || file->Samples() <= 0) return;
    const double rate = file->Rate();
    const int64_t last = file->Samples() - 1;
    const markers::Marker& m = List()[index];
    const int64_t s0 = std::clamp<int64_t>(markers::SecondsToSample(m.start, rate), 0, last);
    const int64_t s1 = std::clamp<int64_t>(markers::SecondsToSample(m.end, rate), 0, last);
    m_window->ShowSample(s0);
    const CursorGeometry g = p->Geometry();
    p->SetTimeCursor(p->TimeCursor(1), g.ColumnOf(static_cast<uint64_t>(s0)), static_cast<uint64_t>(s0));
    if (m.IsSpan())
        p->SetTimeCursor(p->TimeCursor(2), g.ColumnOf(static_cast<uint64_t>(s1)), static_cast<uint64_t>(s1));
    p->BuildReadOut();
    p->InvalidateCanvas();
}

bool WindowMarkers::Step(bool forward) {
    CDataFile* file = m_window->File();
    if (!file) return false;
    const auto index = markers::StepMarker(List(), m_window->CursorSample(1), file->Rate(), forward);
    if (!index) return false;
    JumpTo(*index);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The window's side

void PlotWindow::AttachMarkers() {
    if (!m_markers && m_file) m_markers = new WindowMarkers(this);
}

const std::vector<markers::Marker>* PlotWindow::PlotMarkers() const {
    return m_markers ? &m_markers->List() : nullptr;
}

void PlotWindow::ShowSample(int64_t s) {
    CPlotWnd* p = m_plot.get();
    if (!p || p->m_hZoom == 0) return;   // the whole recording is in view
    const double L = p->WindowLength();
    const double L0 = p->FullLength();
    const double margin = L / 20.0;
    const double x = static_cast<double>(s);
    if ((x >= p->m_visibleStart + margin && x <= p->m_visibleEnd - margin) || L0 <= L) return;
    const double d = std::clamp(x, L / 2.0, L0 - L / 2.0) - p->m_hCenter;
    if (d == 0.0) return;
    p->m_hCenter += d;
    p->m_visibleStart += d;
    p->m_visibleEnd += d;
    SetScrollBox(0, p->HScrollBox());
    p->InvalidateCanvas();
}

} // namespace vistrel
