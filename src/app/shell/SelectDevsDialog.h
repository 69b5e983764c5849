#pragma once
// "SELECTDEVS": which devices' channels a fragment saved as a recording keeps. Button 1 saves;
// check boxes 1143..1150 stand for devices 1..8. The answer is the recording's device mask
// (0: nothing chosen or the box was closed, which the Save command takes as a refusal).

#include <QDialog>

#include <cstdint>
#include <functional>

namespace vistrel {

class CDataFile;

class CSelectDevsDialog : public QDialog {
    Q_OBJECT
public:
    CSelectDevsDialog(QWidget* owner, int devices);
    // Bits i (i < devices) whose boxes are checked.
    uint8_t CheckedMask() const;
    // Set by button 1; 0 otherwise.
    uint8_t Mask() const { return m_mask; }
    // Whether button 1 was pressed (also with no box ticked).
    bool SavePressed() const { return m_saved; }

private:
    int m_devices;
    uint8_t m_mask = 0;
    bool m_saved = false;
};

// Runs the dialog modally and leaves its answer in the recording's device mask. True when
// button 1 was pressed, false when the box was closed.
bool RunSelectDevsDialog(QWidget* owner, CDataFile* file);
// Runs the dialog for a device count; returns the mask.
uint8_t RunSelectDevsDialog(QWidget* owner, int devices);

// Tests and scripts: drives the shown dialog instead of a local event loop (the dialog is
// closed afterwards if the hook left it open).
using ShellDialogHook = std::function<void(QDialog&)>;
void SetShellDialogHook(ShellDialogHook hook);
int ExecShellDialog(QDialog& dialog);

} // namespace vistrel
