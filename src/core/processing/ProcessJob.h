#pragma once
// One processing or saving job: everything an operation reads from a plot window, as data,
// the observer through which a running job reports, and the worker entry points.
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "core/processing/ProcessOp.h"
#include "core/processing/TableFunction.h"
#include "core/processing/filters/FilterDesign.h"
#include "core/processing/WindowFft.h"
#include "core/recording/OutputChannelList.h"
#include "platform/FileCheck.h"

namespace vistrel {

class CDataFile;

constexpr int kJobChannels = 256;
constexpr int kMaxOutputs = 32;
constexpr int kMaxAddSubOutputs = 16;

// Parameters of the spectral analysis; the point count J is m_outputs.spectrumPoints.
struct SpectrumParams {
    double m_lowerW = 0.0;            // 2 pi x lower limit in Hz
    double m_upperW = kTwoPi * 400.0; // 2 pi x upper limit in Hz
    int32_t m_window = 0;             // WindowType
    int32_t m_fft = 0;                // 1: OP_SPECTRUM_FFT
    int32_t m_average = 0;            // OP_SPECTRUM_FFT: Welch segments (2..1024) within the
                                      // fragment; 0: one transform over the power-of-two span
    int32_t m_density = 0;            // averaged: 1 power spectral density in dB re 1 unit^2/Hz,
                                      // 0 amplitude in dB relative to the largest
};

// Reports of a running job. Called on the worker thread: a GUI implementation hands each call
// to its own thread and waits for it (the "PERSENT" box, the frame, the result window).
class IProcessObserver {
public:
    virtual ~IProcessObserver() = default;
    // The operation starts (disable the frame) / has ended (enable and activate it). Paired.
    virtual void JobStarted() {}
    virtual void JobEnded() {}
    // Title of the progress box, a string id (IDS_PROGRESS_*).
    virtual void ProgressTitle(int stringId) = 0;
    // Percent 0..100; 100 or more closes the progress box. Every run ends with 100.
    virtual void Progress(int percent) = 0;
    // The job failed and left no result: a clear message (English, UTF-8).
    virtual void Failed(const std::string& message) = 0;
    // A finished result to open in a new plot window (not sent by OP_SAVE_FRAGMENT and
    // OP_SAVE_CHANNELS).
    virtual void OpenResult(const std::filesystem::path& path) = 0;
    // OP_SPECTRUM_FFT moved the window's time cursors onto its span (repaint the plot).
    virtual void CursorsMoved(int64_t /*cursor1*/, int64_t /*cursor2*/) {}
    // Polled while the job runs: true stops it, removing its temporary file (no result).
    virtual bool StopRequested() { return false; }
};

// Parameters of the filter, notch and trend-removal operations.
struct FilterParams {
    filters::FilterSettings filter;    // OP_FILTER
    filters::NotchSettings notch;      // OP_NOTCH
    bool zeroPhase = false;        // OP_FILTER, OP_NOTCH: forward and backward, no phase shift
    bool linearTrend = false;      // OP_DETREND: the least-squares line, else the mean
};

struct ProcessJob {
    // --- what the operation reads ---
    ProcessOp m_op = OP_MOVING_AVERAGE;
    const CDataFile* m_source = nullptr;       // the open source recording; not owned, only read
    int64_t m_cursor1 = 0;                     // the two time cursors (sample positions), any order
    int64_t m_cursor2 = 0;
    int32_t m_channelShown[kJobChannels];      // nonzero: channel shown in the window
    int32_t m_selected = 0;                    // selected channel, 0-based
    uint32_t m_colours[kJobChannels];          // trace colours 0x00BBGGRR
    int32_t m_widths[kJobChannels];            // pen widths
    int32_t m_timeStyle = 0;                   // 0 = clock time, 1 = time from sample 0
    int64_t m_axisOrigin = 0;                  // 0 in relative-time mode, else m_startTime
    int64_t m_startTime = 0;                   // local file time of sample 0
    std::filesystem::path m_resultName;        // result path (generated "~..." or the user's)
    int32_t m_averagingFactor = 10;            // N of operations 1 and 2
    float m_ratedFrequency = 50.0f;            // Hz, operation 4
    float m_coeffA[kJobChannels];              // operation 3, by 0-based absolute channel
    float m_coeffB[kJobChannels];
    OutputChannelList m_outputs;               // operations 5 to 9
    TableFunction m_tables[kMaxOutputs];       // operation 6, by output slot
    SpectrumParams m_spectrum;                 // operations 8 and 9
    FilterParams m_filter;                     // operations 10 to 12
    uint8_t m_deviceMask = 0;                  // operation 0: bit j = device j (0-based); 0 = all
    int32_t m_startDelayMs = 500;              // pause of ProcessThread before the operation
    bool m_reservedTarget = false;             // m_resultName is an empty file reserved for this
                                               // run (a generated name): removed without a result

    // --- what the run sets ---
    int32_t m_saved = 0;                       // 1 once an operation that marks the source saved ran
    bool m_succeeded = false;                  // the result was written completely
    std::string m_error;                       // why there is no result (also for an empty fragment)
    int32_t m_errorId = 0;                     // when a file was the cause: caption string id
    platform::FileProblem m_fileProblem = platform::FileProblem::None; // and the reason
    bool m_interrupted = false;                // stopped through StopRequested
    bool m_cursorsMoved = false;               // operation 9 moved the cursors to its span
    int64_t m_newCursor1 = 0;
    int64_t m_newCursor2 = 0;

    ProcessJob();
    // Display tables of a freshly opened window: default colours, width 1, every channel shown,
    // then the recording's stored settings; the time origin from the recording's start time.
    void InitFrom(const CDataFile& source);
};

// Runs the job's operation on the calling thread (no delay, no JobStarted/JobEnded). Codes
// outside 0..12 run nothing (the progress box is closed all the same). A result that would be
// the source file itself is refused. The recording is only read: the header writers get the
// job's display tables and device mask as arguments.
void RunProcessJob(ProcessJob& job, IProcessObserver& observer);

// The worker routine: waits m_startDelayMs, JobStarted, RunProcessJob, JobEnded.
void ProcessThread(ProcessJob* job, IProcessObserver* observer);

// Starts ProcessThread on a new thread; the job and the observer must outlive it.
std::thread StartProcessThread(ProcessJob& job, IProcessObserver& observer);

// Removes the empty file reserved for a job that wrote no result (m_reservedTarget).
void ReleaseReservedTarget(ProcessJob& job);

// The result's three file times: start time + bias + trunc(first x 10^7 / rate).
int64_t ResultStartStamp(int64_t startTime, int64_t firstPosition, float rate);
// The stamp of a spectrum: the UTC file time that reads back, as local time, at the local day of
// `stamp` and the time of day `firstHz` seconds (the frequency of the first row), to 100 ns.
// `stamp` itself when firstHz is not in 0 .. 86 400.
int64_t SpectrumStamp(int64_t stamp, double firstHz);

} // namespace vistrel
