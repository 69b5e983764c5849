#pragma once
// "MOVAVG": asks for the averaging factor of the moving average and of the averaging.
#include "DialogCommon.h"

class QLineEdit;

namespace vistrel {

class MovAvgDialog : public QDialog {
    Q_OBJECT
public:
    // title: string 205 (moving average) or 206 (averaging). The factor starts at 10 each time.
    MovAvgDialog(QWidget* owner, const QString& title);
    // The accepted factor (>= 2), valid once the dialog ended with it as its result.
    int Factor() const { return m_factor; }

private:
    void OnOk();
    QLineEdit* m_edit;
    MessageLine* m_message;
    int m_factor = 0;
};

// Runs the dialog; returns the factor, or 0 when it was closed.
int RunMovAvgDialog(QWidget* owner, const QString& title);

} // namespace vistrel
