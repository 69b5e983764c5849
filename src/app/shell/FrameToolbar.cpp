// The frame's navigation commands, the Window menu and the toolbar. The toolbar's buttons are
// the menus' own actions, so a button and its menu entry run one command and share one checked
// state, which follows the active window.

#include <QAction>
#include <QIcon>
#include <QImageReader>
#include <QKeySequence>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>

#include "core/common/StringIds.h"
#include "core/common/TextFormat.h"
#include "core/recording/DataFile.h"
#include "core/view/ClockLink.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/MainFrame.h"
#include "shell/UiUtils.h"
#include "shell/UserSettings.h"
#include "shell/WindowLink.h"

// The bundled pictures live in the program's static library: registered before the first use.
static void RegisterBundledIcons() { Q_INIT_RESOURCE(icons); }

namespace vistrel {

namespace {

const QString kToolbarKey = QStringLiteral("frame/toolbar");
const QString kLinkTimeKey = QStringLiteral("frame/linkTime");

PlotWindow* PlotWindowOf(QMdiSubWindow* sub) { return sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr; }

// The theme's icon where the desktop has one, else the program's own.
QIcon ToolIcon(const char* themeName, const char* bundled) {
    QIcon own;
    const QString base = QStringLiteral(":/toolbar/") + QLatin1String(bundled);
    // The vector picture needs Qt's SVG support; the pictures drawn from it serve without it.
    if (QImageReader::supportedImageFormats().contains("svg")) own.addFile(base + QStringLiteral(".svg"));
    own.addFile(base + QStringLiteral(".png"), QSize(24, 24));
    own.addFile(base + QStringLiteral("@2x.png"), QSize(48, 48));
    return themeName ? QIcon::fromTheme(QLatin1String(themeName), own) : own;
}

// Both time cursors at a third and two thirds of the visible range, inside the recording.
void CursorsToView(PlotWindow* w) {
    CPlotWnd* p = w ? w->Plot() : nullptr;
    if (!p || !p->TimeCursor(1) || !p->TimeCursor(2) || !w->File() || w->File()->Samples() <= 0) return;
    const double last = static_cast<double>(w->File()->Samples() - 1);
    const double end = std::min(p->m_visibleEnd, last + 1);
    const double length = std::max(0.0, end - p->m_visibleStart);
    for (int i = 1; i <= 2; ++i) {
        const double s = std::clamp(std::floor(p->m_visibleStart + length * i / 3), 0.0, last);
        p->TimeCursor(i)->m_sample = static_cast<uint64_t>(s);
    }
    p->FollowView();
    p->InvalidateCanvas();
}

} // namespace

void CMainFrame::BuildViewCommands(QMenu* view) {
    view->addSeparator();
    AddCommand(view, cmd::ZoomIn, false, IDS_MENU_ZOOM_IN);
    AddCommand(view, cmd::ZoomOut, false, IDS_MENU_ZOOM_OUT);
    AddCommand(view, cmd::WholeRecording, false, IDS_MENU_WHOLE);
    AddCommand(view, cmd::ZoomBack, false, IDS_MENU_ZOOM_BACK);
    AddCommand(view, cmd::CursorsToView, false, IDS_MENU_CURSORS_TO_VIEW);
    view->addSeparator();
    AddCommand(view, cmd::Toolbar, true, IDS_MENU_TOOLBAR)->setCheckable(true);
}

void CMainFrame::BuildWindowMenu() {
    m_link = new CWindowLink(m_mdi, this);
    QMenu* window = menuBar()->addMenu(GetUiString(IDS_MENU_WINDOW));
    window->setObjectName(QStringLiteral("menuWindow"));
    AddCommand(window, cmd::Tile, false, IDS_MENU_TILE);
    AddCommand(window, cmd::Cascade, false, IDS_MENU_CASCADE);
    window->addSeparator();
    QAction* link = AddCommand(window, cmd::LinkTime, true, IDS_MENU_LINK_TIME);
    link->setCheckable(true);
    const bool linked = UserSetting(kLinkTimeKey, false).toBool();
    link->setChecked(linked);
    m_link->SetEnabled(linked);
}

void CMainFrame::BuildToolBar() {
    RegisterBundledIcons();
    m_toolBar = new QToolBar(GetUiString(IDS_TOOLBAR_TITLE), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(24, 24));
    // Shown and hidden by View > Toolbar only, so that the per-user store always knows.
    m_toolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    struct Button {
        int id;
        const char* theme;   // freedesktop icon name, or null where the naming has none
        const char* bundled;
        int tip;
    };
    static const Button kButtons[] = {
        {cmd::Open, "document-open", "open", IDS_TIP_OPEN},
        {0, nullptr, nullptr, 0},
        {cmd::ZoomIn, "zoom-in", "zoom-in", IDS_TIP_ZOOM_IN},
        {cmd::ZoomOut, "zoom-out", "zoom-out", IDS_TIP_ZOOM_OUT},
        {cmd::WholeRecording, "zoom-fit-best", "whole", IDS_TIP_WHOLE},
        {cmd::ZoomBack, "go-previous", "zoom-back", IDS_TIP_ZOOM_BACK},
        {0, nullptr, nullptr, 0},
        {cmd::Lanes, nullptr, "lanes", IDS_TIP_LANES},
        {cmd::FitValues, nullptr, "fit-values", IDS_TIP_FIT_VALUES},
        {cmd::MinMax, nullptr, "minmax", IDS_TIP_MINMAX},
        {cmd::Legend, nullptr, "legend", IDS_TIP_LEGEND},
        {0, nullptr, nullptr, 0},
        {cmd::LinkTime, "insert-link", "link-time", IDS_TIP_LINK_TIME},
        {cmd::CursorsToView, nullptr, "cursors-to-view", IDS_TIP_CURSORS_TO_VIEW},
    };
    for (const Button& b : kButtons) {
        QAction* a = b.id ? Action(b.id) : nullptr;
        if (!a) {
            m_toolBar->addSeparator();
            continue;
        }
        a->setIcon(ToolIcon(b.theme, b.bundled));
        a->setToolTip(GetUiString(b.tip));
        a->setIconVisibleInMenu(false);   // the menus stay as they were: text only
        m_toolBar->addAction(a);
    }
    m_goTo = new QLineEdit(m_toolBar);
    m_goTo->setObjectName(QStringLiteral("goToTime"));
    m_goTo->setPlaceholderText(GetUiString(IDS_GO_TO_PLACEHOLDER));
    m_goTo->setToolTip(GetUiString(IDS_TIP_GO_TO));
    m_goTo->setClearButtonEnabled(true);
    m_goTo->setMaximumWidth(m_goTo->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-08T08:16:47.2500")) + 32);
    m_toolBar->addWidget(m_goTo);
    connect(m_goTo, &QLineEdit::returnPressed, this, [this] { GoToTime(m_goTo->text()); });
    const bool shown = UserSetting(kToolbarKey, true).toBool();
    m_toolBar->setVisible(shown);
    if (QAction* a = Action(cmd::Toolbar)) a->setChecked(shown);
}

void CMainFrame::UpdateToolState(QMdiSubWindow* active) {
    const bool plot = PlotWindowOf(active) && PlotWindowOf(active)->Plot();
    for (int id : {cmd::ZoomIn, cmd::ZoomOut, cmd::WholeRecording, cmd::ZoomBack, cmd::CursorsToView})
        if (QAction* a = Action(id)) a->setEnabled(plot);
    const bool windows = m_mdi && !m_mdi->subWindowList().isEmpty();
    for (int id : {cmd::Tile, cmd::Cascade})
        if (QAction* a = Action(id)) a->setEnabled(windows);
    if (m_goTo) m_goTo->setEnabled(plot);
    if (QAction* a = Action(cmd::LinkTime)) a->setChecked(m_link && m_link->Enabled());
    if (QAction* a = Action(cmd::Toolbar)) a->setChecked(m_toolBar && !m_toolBar->isHidden());
    if (m_link) m_link->Sync(active);   // a window opened since the last look joins the link
}

bool CMainFrame::OnToolCommand(int id) {
    PlotWindow* w = PlotWindowOf(ActiveWindow());
    // The plot's own keys, so that a button, its menu entry and the key are one code path.
    auto key = [w](int k) {
        if (w) w->HandleKey(k, Qt::NoModifier);
    };
    switch (id) {
    case cmd::ZoomIn: key(Qt::Key_Plus); return true;
    case cmd::ZoomOut: key(Qt::Key_Minus); return true;
    case cmd::WholeRecording: key(Qt::Key_F); return true;
    case cmd::ZoomBack: key(Qt::Key_Backspace); return true;
    case cmd::CursorsToView: CursorsToView(w); return true;
    case cmd::Tile: m_mdi->tileSubWindows(); return true;
    case cmd::Cascade: {
        // Qt's cascade shrinks each window to its size hint, a title bar here: each keeps the
        // place it was given and two thirds of the area, so that its plot can be read.
        m_mdi->cascadeSubWindows();
        const QSize room = m_mdi->viewport()->size();
        for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
            if (sub->isMinimized()) continue;
            const QPoint at = sub->pos();
            sub->resize(std::max(std::min(room.width() * 2 / 3, room.width() - at.x()), sub->width()),
                        std::max(std::min(room.height() * 2 / 3, room.height() - at.y()), sub->height()));
        }
        return true;
    }
    case cmd::LinkTime: {
        const bool on = !m_link->Enabled();
        m_link->SetEnabled(on, ActiveWindow());
        SetUserSetting(kLinkTimeKey, on);
        return true;
    }
    case cmd::Toolbar: {
        const bool shown = m_toolBar->isHidden();
        m_toolBar->setVisible(shown);
        SetUserSetting(kToolbarKey, shown);
        return true;
    }
    default: return false;
    }
}

bool CMainFrame::GoToTime(const QString& text) {
    PlotWindow* w = PlotWindowOf(ActiveWindow());
    CPlotWnd* p = w ? w->Plot() : nullptr;
    CDataFile* file = w ? w->File() : nullptr;
    if (!p || !file || !(file->Rate() > 0.0f) || file->Samples() <= 0 || p->m_windowLengthCount <= 0) return false;
    // A decimal comma where the interface's language or the system writes one.
    const bool comma = GetUiString(IDS_DECIMAL_SEPARATOR) == QStringLiteral(",") ||
                       QLocale().decimalPoint() == QStringLiteral(",");
    const auto entry = ParseGoToTime(text.trimmed().toStdString(), comma);
    if (!entry) {
        ShowErrorText(GetUiString(IDS_GO_TO_BAD).arg(text.trimmed()));
        return false;
    }
    const double rate = file->Rate();
    const double duration = static_cast<double>(file->Samples()) / rate;
    const double at = GoToSeconds(*entry, p->m_startTime, duration);
    if (!(at >= 0.0 && at <= duration)) {
        QString length = QString::fromStdString(FormatValue(static_cast<float>(duration)));
        if (comma) length.replace(QLatin1Char('.'), QLatin1Char(','));
        ShowErrorText(w->Path() + QLatin1Char('\n') + GetUiString(IDS_GO_TO_OUTSIDE).arg(text.trimmed(), length));
        return false;
    }
    // Centred at the current zoom; the whole-recording view shows it already.
    ShowViewAt(*p, p->m_hZoom, at * rate - p->WindowLength() / 2);
    w->SetScrollBox(0, p->HScrollBox());
    p->FollowView();
    p->InvalidateCanvas();
    return true;
}

} // namespace vistrel
