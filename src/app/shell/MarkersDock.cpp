#include "shell/MarkersDock.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>

#include <algorithm>
#include <functional>

#include "core/common/StringIds.h"
#include "plot/PlotWindow.h"
#include "plot/WindowMarkers.h"
#include "shell/MainFrame.h"
#include "shell/UiUtils.h"

namespace vistrel {

MarkersDock::MarkersDock(CMainFrame* frame) : QDockWidget(GetUiString(IDS_MARKERS_TITLE), frame), m_frame(frame) {
    setObjectName(QStringLiteral("markersDock"));
    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("markers"));
    m_table->setHorizontalHeaderLabels({GetUiString(IDS_MARKERS_COLUMN_TIME), GetUiString(IDS_MARKERS_COLUMN_DURATION),
                                        GetUiString(IDS_MARKERS_COLUMN_TEXT)});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A double-click jumps; the text is edited with F2 or a click on a selected text.
    m_table->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_table->installEventFilter(this);
    connect(m_table, &QTableWidget::itemChanged, this, &MarkersDock::OnItemChanged);
    connect(m_table, &QTableWidget::itemDoubleClicked, this, &MarkersDock::OnDoubleClicked);
    setWidget(m_table);
    if (QMdiArea* area = frame->MdiArea())
        connect(area, &QMdiArea::subWindowActivated, this, &MarkersDock::OnActivated);
    OnActivated(frame->ActiveWindow());
}

QString MarkersDock::SecondsText(double seconds) { return QString::number(seconds, 'g', 12); }

void MarkersDock::OnActivated(QMdiSubWindow* window) {
    // No active window while the frame is in the background: keep the list of the last one.
    if (!window) {
        if (m_frame->MdiArea() && m_frame->MdiArea()->subWindowList().isEmpty()) SetWindow(nullptr);
        return;
    }
    SetWindow(qobject_cast<PlotWindow*>(window->widget()));
}

void MarkersDock::SetWindow(PlotWindow* window) {
    if (m_window.data() == window && window) return;
    disconnect(m_changed);
    m_window = window;
    if (window && window->Markers())
        // Queued: a rename made from this list must not rebuild it inside its own edit.
        m_changed = connect(window->Markers(), &WindowMarkers::changed, this, &MarkersDock::Refresh, Qt::QueuedConnection);
    if (window) connect(window, &QObject::destroyed, this, &MarkersDock::Refresh, Qt::UniqueConnection);
    Refresh();
}

void MarkersDock::Refresh() {
    m_filling = true;
    const WindowMarkers* markers = m_window ? m_window->Markers() : nullptr;
    const int rows = markers ? static_cast<int>(markers->List().size()) : 0;
    m_table->clearContents();
    m_table->setRowCount(rows);
    for (int i = 0; i < rows; ++i) {
        const markers::Marker& m = markers->List()[static_cast<size_t>(i)];
        auto* time = new QTableWidgetItem(SecondsText(m.start));
        auto* duration = new QTableWidgetItem(SecondsText(m.end - m.start));
        for (QTableWidgetItem* item : {time, duration}) {
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        m_table->setItem(i, 0, time);
        m_table->setItem(i, 1, duration);
        m_table->setItem(i, 2, new QTableWidgetItem(QString::fromStdString(m.text)));
    }
    m_table->resizeColumnToContents(0);
    m_table->resizeColumnToContents(1);
    m_filling = false;
}

void MarkersDock::OnItemChanged(QTableWidgetItem* item) {
    if (m_filling || !item || item->column() != 2 || !m_window || !m_window->Markers()) return;
    m_window->Markers()->Rename(static_cast<size_t>(item->row()), item->text());
}

void MarkersDock::OnDoubleClicked(QTableWidgetItem* item) {
    if (item && m_window && m_window->Markers()) m_window->Markers()->JumpTo(static_cast<size_t>(item->row()));
}

void MarkersDock::RemoveSelected() {
    if (!m_window || !m_window->Markers()) return;
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) m_window->Markers()->Remove(static_cast<size_t>(row));
}

bool MarkersDock::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        // Keys of an open text editor go to the editor, not to the table.
        RemoveSelected();
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}

void MarkersDock::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    if (QAction* a = m_frame->Action(cmd::Markers)) a->setChecked(false);
}

MarkersDock* FindMarkersDock(CMainFrame* frame) {
    return frame ? frame->findChild<MarkersDock*>(QStringLiteral("markersDock"), Qt::FindDirectChildrenOnly) : nullptr;
}

void ToggleMarkersDock(CMainFrame* frame) {
    MarkersDock* dock = FindMarkersDock(frame);
    const bool show = !dock || dock->isHidden();
    if (!dock) {
        dock = new MarkersDock(frame);
        frame->addDockWidget(Qt::RightDockWidgetArea, dock);
    }
    dock->setVisible(show);
    if (QAction* a = frame->Action(cmd::Markers)) a->setChecked(show);
}

} // namespace vistrel
