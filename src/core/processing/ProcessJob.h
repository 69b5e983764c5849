#pragma once
// One processing or saving job: everything an operation reads from a plot window, as data,
// the operation codes, the observer through which a running job reports, and the worker entry.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "core/processing/ProcessOp.h"
#include "core/processing/TableFunction.h"
#include "core/processing/WindowFft.h"
#include "core/recording/OutputChannelList.h"

namespace vistrel {

class CDataFile;

constexpr int kJobChannels = 256;
constexpr int kMaxOutputs = 32;
constexpr int kMaxAddSubOutputs = 16;

// Parameters of the spectral analysis; the point count J is m_outputs.m_spectrumPoints.
struct SpectrumParams {
    double m_lowerW = 0.0;              // 2 pi x lower limit in Hz
    double m_upperW = kTwoPi * 400.0;   // 2 pi x upper limit in Hz
    int32_t m_window = 0;               // WindowType
    int32_t m_fft = 0;                  // 1: OP_SPECTRUM_FFT
};

// Reports of a running job. Called on the worker thread: a GUI implementation must hand the
// calls to its own thread and wait for them (the "PERSENT" box, the frame, the result window).
class IProcessObserver {
public:
    virtual ~IProcessObserver() = default;
    // The job starts working (the frame is disabled) / has ended (re-enabled); always paired.
    virtual void JobStarted() {}
    virtual void JobEnded() {}
    // Title of the progress box: a string id (IDS_PROGRESS_*).
    virtual void ProgressTitle(int stringId) = 0;
    // Percent 0..100; 100 or more closes the progress box.
    virtual void Progress(int percent) = 0;
    // The job failed: a clear English message (the box is closed by a following Progress(100)).
    virtual void Failed(const std::string& message) = 0;
    // A finished result to open in a new plot window (not sent for OP_SAVE_FRAGMENT and
    // OP_SAVE_CHANNELS).
    virtual void OpenResult(const std::string& path) = 0;
    // OP_SPECTRUM_FFT moved the window's time cursors to its span.
    virtual void CursorsMoved(int64_t /*cursor1*/, int64_t /*cursor2*/) {}
};

struct ProcessJob {
    // --- what the operation reads ---
    ProcessOp m_op = OP_MOVING_AVERAGE;
    CDataFile* m_source = nullptr;     // open recording; not owned
    int64_t m_cursor1 = 0;             // the two time cursors as sample positions, any order
    int64_t m_cursor2 = 0;
    int32_t m_channelShown[kJobChannels] = {}; // 1 = channel shown in the window
    int32_t m_selected = 0;                    // selected channel, 0-based
    uint32_t m_colours[kJobChannels] = {};     // 0x00BBGGRR per channel
    int32_t m_widths[kJobChannels] = {};       // pen width per channel
    int32_t m_timeStyle = 0;                   // 0 = clock time, 1 = time from sample 0
    int64_t m_axisOrigin = 0;                  // 0 in relative-time mode, else m_startTime
    int64_t m_startTime = 0;                   // local file time of sample 0
    std::string m_resultName;                  // UTF-8 path of the result
    int32_t m_averagingFactor = 10;            // N of OP_MOVING_AVERAGE / OP_AVERAGE
    float m_ratedFrequency = 50.0f;            // Hz, OP_RMS
    float m_coeffA[kJobChannels];              // OP_LINEAR, by 0-based absolute channel
    float m_coeffB[kJobChannels];
    OutputChannelList m_outputs;               // OP_ADD_SUB, 6, 7, 8, 9
    TableFunction m_tables[kMaxOutputs];       // OP_TABLE_FUNCTION, by output slot
    SpectrumParams m_spectrum;                 // OP_SPECTRUM, OP_SPECTRUM_FFT
    uint8_t m_deviceMask = 0;                  // OP_SAVE_FRAGMENT: bit j = device j; 0 = all
    int32_t m_startDelayMs = 500;              // pause of ProcessThread before it starts

    // --- what the run sets ---
    int32_t m_saved = 0;               // set to 1 by the operations that mark the source saved
    bool m_succeeded = false;          // a result was written completely
    std::string m_error;               // the failure message, when one was reported
    bool m_cursorsMoved = false;       // OP_SPECTRUM_FFT: cursors moved to the span
    int64_t m_newCursor1 = 0;
    int64_t m_newCursor2 = 0;

    ProcessJob();
    // Fills the display tables with the window defaults of a freshly opened recording and lets
    // the recording's stored display settings override them (every channel shown, width 1).
    void InitDisplayFrom(CDataFile& source);
};

// Runs the job's operation on the calling thread (no delay). Codes outside 0..9 run nothing.
void RunProcessJob(ProcessJob& job, IProcessObserver& observer);

// The worker: waits m_startDelayMs, JobStarted, runs the operation, JobEnded.
void ProcessThread(ProcessJob* job, IProcessObserver* observer);

// Starts ProcessThread on a new thread. The job and the observer must outlive it.
std::thread StartProcessThread(ProcessJob& job, IProcessObserver& observer);

} // namespace vistrel
