#pragma once
// "SPECTR": limits, point count, channels, window and method of the spectral analysis.
#include "DialogCommon.h"
#include "DialogSource.h"

#include <array>

class QComboBox;
class QLineEdit;
class QCheckBox;

namespace vistrel {

struct SpectrResult {
    int count = 0;                    // analysed channels
    std::array<int, 32> sources{};    // absolute 1-based channel numbers
    int points = 0;                   // J (the FFT length shown when the FFT box is set)
    double lowerW = 0, upperW = 0;    // 2 pi x the limits in Hz
    int window = 0;
    int fft = 0;
    int average = 0;                  // Welch segments within the fragment; 0: one FFT over the span
    int density = 0;                  // averaged: 1 power spectral density, 0 amplitude
};

class SpectrDialog : public QDialog {
    Q_OBJECT
public:
    SpectrDialog(QWidget* owner, const DialogSource& source);
    const SpectrResult& Result() const { return m_result; }

    static int DeviceId(int row) { return 1145 + 3 * row; }
    static int ChannelId(int row) { return 1146 + 3 * row; }
    static constexpr int kMaxPoints = 65536;
    // The averaged spectrum's check box, segment count and units.
    static constexpr int kAverageId = 1620;
    static constexpr int kSegmentsId = 1621;
    static constexpr int kScalingId = 1622;
    static void ForgetRemembered();

private:
    void Update();
    void CutUpperLimit();
    void OnFftToggled(bool on);
    // The segment count typed, or 0 when it is not a whole number in 2 .. 1024.
    int Segments() const;
    void OnExecute();

    DialogSource m_source;
    QLineEdit* m_lower;
    QLineEdit* m_upper;
    QLineEdit* m_points;
    QComboBox* m_count;
    QComboBox* m_window;
    QCheckBox* m_fft;
    QCheckBox* m_average;
    QLineEdit* m_segments;
    QComboBox* m_scaling;
    std::array<QComboBox*, 32> m_device{}, m_channel{};
    MessageLine* m_message;
    QString m_typedPoints;  // the point count typed before the FFT box took the field over
    SpectrResult m_result;
    bool m_filling = true;
};

int RunSpectrDialog(QWidget* owner, const DialogSource& source, SpectrResult* result);

} // namespace vistrel
