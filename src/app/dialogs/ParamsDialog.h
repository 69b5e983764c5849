#pragma once
// "PRMTRS": which channels a plot window draws and in which colour, the selected channel, the
// thick pen and the time-label style, device by device (a device of more than 32 channels
// spreads over several tabs). Every change reaches the window at once.
#include "ColourSwatch.h"
#include "DialogCommon.h"

#include <array>

class QAbstractButton;
class QComboBox;
class QPushButton;
class QRadioButton;
class QTabBar;

namespace vistrel {

class PlotWindow;
class CPlotWnd;

class ParamsDialog : public QDialog {
    Q_OBJECT
public:
    ParamsDialog(QWidget* owner, PlotWindow* window);

    static int CheckId(int slot) { return slot == 0 ? 1002 : slot == 1 ? 1003 : 1006 + 2 * (slot - 2); }
    static int SwatchId(int slot) { return slot == 0 ? 1004 : slot == 1 ? 1005 : 1007 + 2 * (slot - 2); }
    // The device whose channels are shown (kept for the process, reset on opening).
    static int DeviceTab();

protected:
    void done(int result) override;

private:
    void ShowDevice(int tab);
    void SetWholeDevice(bool shown);
    int SlotChannel(int slot) const;  // absolute channel of check box `slot` on the current page
    void FillSelectedList();
    void FillWidthList(bool keepSelection);
    void Refresh();
    void SetWidthBoxFromChannel(int channel);
    void OnSwatch(int slot);
    void OnWidthBox(bool checked);
    void OnSelectedChosen(int index);
    void OnTimeStyle(int style);
    void ClearViewCache();
    int WidthChannel() const;  // channel named by 1069, or -1

    PlotWindow* m_window;
    CPlotWnd* m_plot;
    int m_channels = 0;
    int m_perDevice = 1;
    int m_devices = 1;
    std::vector<ChannelPage> m_pages;
    int m_first = 0;  // first slot of the device on the current page
    int m_rows = 0;   // slots on the current page
    QTabBar* m_tabs;
    QComboBox* m_selectedList;
    QComboBox* m_widthList;
    QPushButton* m_thick;
    QRadioButton* m_real;
    QRadioButton* m_fromStart;
    std::array<QAbstractButton*, 32> m_checks{};
    std::array<ColourSwatch*, 32> m_swatches{};
    int m_lastWidthChannel = -1;
    bool m_busy = true;
};

} // namespace vistrel
