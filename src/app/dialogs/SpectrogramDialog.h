#pragma once
// The spectrogram's settings: FFT size, overlap, window and the range of levels shown.
#include "DialogCommon.h"
#include "plot/SpectrogramPanel.h"

class QComboBox;
class QLineEdit;

namespace vistrel {

class SpectrogramDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSizeId = 1623, kOverlapId = 1624, kWindowId = 1625, kRangeId = 1626, kApplyId = 1627;
    SpectrogramDialog(QWidget* owner, const SpectrogramSettings& settings);
    const SpectrogramSettings& Result() const { return m_result; }

private:
    void OnApply();
    QLineEdit* m_size;
    QLineEdit* m_overlap;
    QComboBox* m_window;
    QLineEdit* m_range;
    MessageLine* m_message;
    SpectrogramSettings m_result;
};

// Runs the dialog; 1 and *settings changed when applied, 0 when cancelled.
int RunSpectrogramDialog(QWidget* owner, SpectrogramSettings* settings);

} // namespace vistrel
