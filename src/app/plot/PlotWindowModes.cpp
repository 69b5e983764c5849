// The plot window's own modes (lanes, lane heights, fit automatically) kept in the per-user
// store from one session to the next, under the recording's path and the window's index in
// "Vistrel.cfg". A restored window takes them only when its path is the one they were saved for.

#include <QSettings>
#include <QStringList>

#include <vector>

#include "PlotWindow.h"
#include "shell/UserSettings.h"

namespace vistrel {

namespace {

const QString kPathKey = QStringLiteral("path");
const QString kLanesKey = QStringLiteral("lanes");
const QString kLaneEdgesKey = QStringLiteral("laneEdges");
const QString kAutoFitKey = QStringLiteral("fitAutomatically");

} // namespace

void PlotWindow::SaveModes(const QString& group) const {
    const CPlotWnd* p = m_plot.get();
    if (!p) return;
    auto store = OpenUserSettings();
    store->beginGroup(group);
    store->remove(QString());
    store->setValue(kPathKey, m_data.path);
    store->setValue(kLanesKey, p->Lanes());
    QStringList edges;
    for (double e : p->LaneLayout().Edges()) edges.append(QString::number(e, 'g', 17));
    store->setValue(kLaneEdgesKey, edges.join(QLatin1Char(' ')));
    store->setValue(kAutoFitKey, p->AutoFit());
    store->endGroup();
}

bool PlotWindow::RestoreModes(const QString& group) {
    CPlotWnd* p = m_plot.get();
    if (!p) return false;
    auto store = OpenUserSettings();
    store->beginGroup(group);
    // Another recording under this index (or none saved): the defaults hold.
    if (store->value(kPathKey).toString() != m_data.path) return false;
    const bool lanes = store->value(kLanesKey, false).toBool();
    const bool autoFit = store->value(kAutoFitKey, false).toBool();
    std::vector<double> edges;
    for (const QString& e : store->value(kLaneEdgesKey).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        edges.push_back(e.toDouble(&ok));
        if (!ok) edges.clear();
        if (!ok) break;
    }
    SetLanes(lanes);
    if (lanes) {
        p->UpdateLanes();
        p->SetLaneEdges(edges);   // kept only when they fit the shown channels
    }
    SetAutoFit(autoFit);
    return true;
}

} // namespace vistrel
