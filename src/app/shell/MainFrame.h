#pragma once
// The main frame: a QMainWindow titled with string 202 whose central widget is the MDI area of
// the plot windows. Every menu action carries its command id; OnCommand dispatches by id and
// UpdateMenuState greys and enables by id.

#include <QHash>
#include <QMainWindow>

class QAction;
class QMdiArea;
class QMenu;

namespace vistrel {

namespace cmd {
inline constexpr int About = 104;
inline constexpr int Exit = 105;
inline constexpr int Open = 32777;
inline constexpr int History = 32798;
inline constexpr int SaveFragment = 32773;
inline constexpr int SaveChannels = 32796;
inline constexpr int Close = 40003;
inline constexpr int CloseAll = 32786;
inline constexpr int MinMax = 32774;
inline constexpr int Average = 32776;
inline constexpr int MovingAverage = 32775;
inline constexpr int Linear = 32788;
inline constexpr int Rms = 32790;
inline constexpr int AddSub = 32792;
inline constexpr int TableFunction = 32794;
inline constexpr int Spectrum = 32800;
inline constexpr int Parameters = 32778;
} // namespace cmd

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_mdi; }
    QMenu* FileMenu() const { return m_fileMenu; }
    // The action of a command id, or null.
    QAction* Action(int id) const { return m_actions.value(id, nullptr); }

public slots:
    // Runs the handler of a command id, then updates the menu state.
    void OnCommand(int id);
    void UpdateMenuState();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    QAction* AddCommand(QMenu* menu, int id, bool enabled);

    QMdiArea* m_mdi = nullptr;
    QMenu* m_fileMenu = nullptr;
    QHash<int, QAction*> m_actions;
};

} // namespace vistrel
