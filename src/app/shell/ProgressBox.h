#pragma once
// The progress box "PERSENT": a modeless box centred over its owner with the percent as a
// number (control 1067), a "%" label and a bar (control 1068). A percent of 100 or more closes
// and destroys it. A worker thread reaches it only through the blocking Post... functions.

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;

namespace vistrel {

class CProgressBox : public QDialog {
    Q_OBJECT
public:
    // Shows the box at once, centred over the owner's client area. An application-modal box
    // keeps every other window from input while it is open.
    explicit CProgressBox(QWidget* owner, Qt::WindowModality modality = Qt::NonModal);

    unsigned Percent() const { return m_percent; }

public slots:
    // Shows the percent; 100 or more closes the box (it is deleted later).
    void setPercent(unsigned percent);
    void setTitle(const QString& title);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_number;
    QProgressBar* m_bar;
    unsigned m_percent = 0;
    bool m_closing = false;
};

// Thread-safe access: on the user-interface thread a direct call; from any other thread a
// blocking queued call that reads the pointer on the user-interface thread only. A box
// already gone is ignored.
void PostProgressPercent(const QPointer<CProgressBox>& box, unsigned percent);
void PostProgressTitle(const QPointer<CProgressBox>& box, const QString& title);

} // namespace vistrel
