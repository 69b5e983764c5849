#pragma once
// The spectrogram below the traces of a plot window: the selected channel over the visible
// time range, computed on a worker thread of its own whenever the view, the channel or the
// panel's size changes (a newer view cancels the computation under way), painted with the
// viridis colours over the plot's columns, with a frequency axis in hertz. The level and
// frequency under the pointer go to the window's read-out (status part 2).
#include <QImage>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "core/view/SpectrogramPicture.h"

namespace vistrel {

class CDataFile;
class PlotWindow;

struct SpectrogramSettings {
    spectro::StftSettings stft;   // Hann, 1024, 50 % by default
    double rangeDb = 80.0;        // levels shown below the largest
};
constexpr double kMinSpectrogramRangeDb = 10.0;
constexpr double kMaxSpectrogramRangeDb = 200.0;

class SpectrogramPanel : public QWidget {
    Q_OBJECT
public:
    explicit SpectrogramPanel(PlotWindow* owner);
    ~SpectrogramPanel() override;

    // The settings new panels start with (the last ones set in this run).
    static SpectrogramSettings& Defaults();
    const SpectrogramSettings& Settings() const { return m_settings; }
    void SetSettings(const SpectrogramSettings& settings);

    // Brings the picture up to the plot's view: asks the worker for a new one when the visible
    // range, the plot's columns, the channel, the panel's height or the settings changed.
    void Follow();
    // Stops the worker and forgets the recording (before the window's recording goes).
    void Detach();
    // Tests: waits until no computation is pending or under way; true when idle in time.
    bool WaitIdle(int milliseconds);
    // Pictures computed and shown so far, and the one shown.
    int Completed() const { return m_completed; }
    const spectro::Picture& Shown() const { return m_picture; }
    // Frequency and level at panel point (x, y) as the read-out shows them; empty outside
    // the picture.
    QString ReadOutAt(int x, int y) const;
    // The picture's rectangle in the panel (the plot's columns, below a small top margin).
    QRect PictureRect() const;
    // Panel height for a window whose canvas and panel share `height` rows.
    static int HeightFor(int height);
    // Draws the panel into `p` over `rect` (the picture tool paints it this way too).
    void Paint(QPainter& p) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    struct Request {
        const CDataFile* file = nullptr;
        int channel = 0;
        spectro::PictureRequest picture;
        double rate = 0.0;
        int left = 0;               // plot column of the picture's first pixel
        uint64_t generation = 0;
        double rangeDb = 80.0;
    };
    void WorkerLoop();
    void Accept(const Request& request, spectro::Picture picture, QString error);
    void StartWorker();

    PlotWindow* m_owner;
    SpectrogramSettings m_settings;
    spectro::Picture m_picture;
    QImage m_image;
    QString m_error;
    Request m_shownRequest;
    Request m_lastAsked;
    int m_completed = 0;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_pending = false;
    bool m_running = false;
    bool m_quit = false;
    Request m_next;
    std::atomic<uint64_t> m_generation{0};
    std::thread m_worker;
};

// The picture tool: selects channel (1-based) of the window, shows its spectrogram and computes
// it in full. False, with a message on stderr, when the recording has no such channel.
bool ShowSpectrogramForPng(PlotWindow& window, int channel);

} // namespace vistrel
