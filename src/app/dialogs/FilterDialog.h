#pragma once
// "FILTER": the parameters of the filter, the mains notch or the offset/trend removal, with a
// plot of the filter's magnitude response in dB (and its phase when not zero-phase) that follows
// the fields as they change. The values are remembered for the run of the program.
// Controls by object name: 1600 design, 1601 band, 1602 order, 1603 cut-off (lower edge), 1604
// upper edge, 1605 ripple, 1606 notch frequency, 1607 harmonics, 1608 Q, 1609 zero phase, 1610
// mean, 1611 line, 1612 Execute; "response" the plot.
#include <cstdint>
#include <vector>

#include "DialogCommon.h"
#include "core/processing/ProcessJob.h"

class QComboBox;
class QLineEdit;
class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace vistrel {

enum class FilterDialogMode { Filter, Notch, Detrend };

// The response plot: magnitude in dB on a logarithmic frequency axis, phase as a second curve.
class FilterResponsePlot : public QWidget {
public:
    explicit FilterResponsePlot(QWidget* parent);
    // Shows the cascade's response for sample rate fs; empty sections clear the plot.
    void SetResponse(const filters::Sections& sos, double fs, bool zeroPhase);
    const std::vector<filters::ResponsePoint>& Points() const { return m_points; }
    bool ShowsPhase() const { return !m_points.empty() && !m_zeroPhase; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<filters::ResponsePoint> m_points;
    bool m_zeroPhase = false;
};

class FilterDialog : public QDialog {
    Q_OBJECT
public:
    // rate: the recording's sample rate (the Nyquist limit of the cut-offs); fragment: the
    // samples between the cursors (a zero-phase run needs more than its padding).
    FilterDialog(QWidget* owner, FilterDialogMode mode, double rate, int64_t fragment = INT64_MAX);
    // The accepted parameters, valid once the dialog ended with 1.
    const FilterParams& Params() const { return m_params; }
    FilterResponsePlot* Plot() const { return m_plot; }
    // Forgets the remembered values (tests).
    static void ForgetRemembered();

private:
    // Reads the fields; false (and the reason on the message line) when they are not usable.
    bool ReadFields(FilterParams& params, QString* reason) const;
    // False (and the reason) when a zero-phase run of these sections needs a longer fragment.
    bool LongEnough(const filters::Sections& sos, const FilterParams& params, QString* reason) const;
    void UpdateFields();
    void OnExecute();

    FilterDialogMode m_mode;
    double m_rate;
    int64_t m_fragment;
    FilterParams m_params;
    QComboBox* m_design = nullptr;
    QComboBox* m_band = nullptr;
    QSpinBox* m_order = nullptr;
    QLineEdit* m_cutoff = nullptr;
    QLineEdit* m_upper = nullptr;
    QLineEdit* m_ripple = nullptr;
    QLineEdit* m_frequency = nullptr;
    QSpinBox* m_harmonics = nullptr;
    QLineEdit* m_q = nullptr;
    QCheckBox* m_zeroPhase = nullptr;
    QRadioButton* m_mean = nullptr;
    QRadioButton* m_linear = nullptr;
    FilterResponsePlot* m_plot = nullptr;
    MessageLine* m_message = nullptr;
};

// Runs the dialog; on execute stores the parameters into *params and returns 1, else 0.
int RunFilterDialog(QWidget* owner, FilterDialogMode mode, double rate, int64_t fragment, FilterParams* params);

} // namespace vistrel
