#pragma once
// "EFU": asks for the nominal frequency of the RMS operation.
#include "DialogCommon.h"

class QLineEdit;

namespace vistrel {

class EfuDialog : public QDialog {
    Q_OBJECT
public:
    // title: string 216; frequency: the plot window's nominal frequency shown on opening;
    // rate: the recording's sampling rate, whose half is the highest frequency taken (0: no
    // upper limit).
    EfuDialog(QWidget* owner, const QString& title, float frequency, double rate = 0);
    // The accepted frequency (> 0), valid once the dialog ended with 1.
    float Frequency() const { return m_frequency; }

private:
    void OnExecute();
    QLineEdit* m_edit;
    MessageLine* m_message;
    float m_frequency;
    double m_rate;
};

// Runs the dialog; on execute stores the frequency into *frequency and returns 1, else 0.
int RunEfuDialog(QWidget* owner, const QString& title, float* frequency, double rate = 0);

} // namespace vistrel
