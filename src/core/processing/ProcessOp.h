#pragma once
// Operation codes of the processing and saving commands, result names and progress titles.
#include <cstdint>
#include <ctime>
#include <string>

namespace vistrel {

enum ProcessOp : int32_t {
    OP_SAVE_FRAGMENT = 0,
    OP_MOVING_AVERAGE = 1,
    OP_AVERAGE = 2,
    OP_LINEAR = 3,
    OP_RMS = 4,
    OP_ADD_SUB = 5,
    OP_TABLE_FUNCTION = 6,
    OP_SAVE_CHANNELS = 7,
    OP_SPECTRUM = 8,
    OP_SPECTRUM_FFT = 9,
    OP_FILTER = 10,  // IIR filter of the shown channels
    OP_NOTCH = 11,   // mains notch and its harmonics
    OP_DETREND = 12, // removal of each channel's mean or least-squares line
};

// "~movavg%02d_%02d%02d%02d.KVF" and the others, from the day of the month, hour, minute and
// second of `localTime`; empty for the operations whose target the user chooses (0 and 7).
std::string ResultFileName(ProcessOp op, const std::tm& localTime);
// The same for the current local time.
std::string ResultFileName(ProcessOp op);

// Title string id of the progress box of an operation.
int ProgressTitleId(ProcessOp op);

// Whether a finished operation marks its source window saved (m_saved).
bool SetsSavedFlag(ProcessOp op);

} // namespace vistrel
