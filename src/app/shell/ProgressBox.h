#pragma once
// The progress box "PERSENT": a modeless box centred over its owner with the percent as a
// number (control 1067), a "%" label and a bar (control 1068), and for jobs that can be
// stopped a Cancel button (control 2). A percent of 100 or more closes and destroys it. A
// worker thread reaches it only through the blocking Post... functions.

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace vistrel {

class CProgressBox : public QDialog {
    Q_OBJECT
public:
    // Shows the box at once, centred over the owner's client area. An application-modal box
    // keeps every other window from input while it is open.
    // A cancellable box has a Cancel button: pressing it emits cancelRequested once and
    // disables the button (its text says the job is stopping) until the box closes.
    enum class Stop { NotCancellable, Cancellable };
    explicit CProgressBox(QWidget* owner, Qt::WindowModality modality = Qt::NonModal,
                          Stop stop = Stop::NotCancellable);

    unsigned Percent() const { return m_percent; }
    bool CancelPressed() const { return m_cancelPressed; }

signals:
    void cancelRequested();

public slots:
    // Shows the percent; 100 or more closes the box (it is deleted later).
    void setPercent(unsigned percent);
    void setTitle(const QString& title);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AddCancelButton(QVBoxLayout* layout);
    QLabel* m_number;
    QProgressBar* m_bar;
    QPushButton* m_cancel = nullptr;
    unsigned m_percent = 0;
    bool m_cancelPressed = false;
    bool m_closing = false;
};

// Thread-safe access: on the user-interface thread a direct call; from any other thread a
// blocking queued call that reads the pointer on the user-interface thread only. A box
// already gone is ignored.
void PostProgressPercent(const QPointer<CProgressBox>& box, unsigned percent);
void PostProgressTitle(const QPointer<CProgressBox>& box, const QString& title);

} // namespace vistrel
