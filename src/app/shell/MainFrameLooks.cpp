// Settings > Colours: the plots in the system's palette, or always light, or always dark.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyleHints>

#include <functional>

#include "core/common/StringIds.h"
#include "plot/PlotWindow.h"
#include "shell/Looks.h"
#include "shell/MainFrame.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {

constexpr struct {
    int command;
    int text;
    ColourChoice choice;
} kChoices[] = {
    {cmd::ColoursSystem, IDS_MENU_COLOURS_SYSTEM, ColourChoice::System},
    {cmd::ColoursLight, IDS_MENU_COLOURS_LIGHT, ColourChoice::Light},
    {cmd::ColoursDark, IDS_MENU_COLOURS_DARK, ColourChoice::Dark},
};

// Calls `changed` when the application's palette changes (the system switched between light and
// dark while the program runs).
class PaletteWatcher : public QObject {
public:
    PaletteWatcher(QObject* parent, std::function<void()> changed) : QObject(parent), m_changed(std::move(changed)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) m_changed();
        return false;
    }

private:
    std::function<void()> m_changed;
};

} // namespace

void CMainFrame::AddColours(QMenu* settings) {
    QMenu* colours = settings->addMenu(GetUiString(IDS_MENU_COLOURS));
    colours->setObjectName(QStringLiteral("menuColours"));
    auto* group = new QActionGroup(colours);
    group->setExclusive(true);
    const ColourChoice current = ColourChoiceSetting();
    for (const auto& c : kChoices) {
        QAction* a = AddCommand(colours, c.command, true, c.text);
        a->setCheckable(true);
        a->setChecked(c.choice == current);
        group->addAction(a);
    }
    if (qApp) qApp->installEventFilter(new PaletteWatcher(this, [this] { ApplyColoursToWindows(); }));
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this, [this] { ApplyColoursToWindows(); });
#endif
}

void CMainFrame::OnColours(int id) {
    for (const auto& c : kChoices) {
        if (c.command != id) continue;
        SetColourChoiceSetting(c.choice);
        if (QAction* a = Action(id)) a->setChecked(true);
        ApplyColoursToWindows();
    }
}

void CMainFrame::ApplyColoursToWindows() {
    if (!m_mdi) return;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (auto* plot = qobject_cast<PlotWindow*>(w->widget())) plot->ApplyColourScheme();
}

} // namespace vistrel
