#include "core/processing/ProcessOp.h"

#include <cstdio>

#include "core/common/StringIds.h"

namespace vistrel {

std::string ResultFileName(ProcessOp op, const std::tm& t) {
    const char* format = nullptr;
    switch (op) {
    case OP_MOVING_AVERAGE: format = "~movavg%02d_%02d%02d%02d.KVF"; break;
    case OP_AVERAGE: format = "~average%02d_%02d%02d%02d.KVF"; break;
    case OP_LINEAR: format = "~axb%02d_%02d%02d%02d.KVF"; break;
    case OP_RMS: format = "~efu%02d_%02d%02d%02d.KVF"; break;
    case OP_ADD_SUB: format = "~addsub%02d_%02d%02d%02d.KVF"; break;
    case OP_TABLE_FUNCTION: format = "~tablefun%02d_%02d%02d%02d.KVF"; break;
    case OP_SPECTRUM: format = "~spectr%02d_%02d%02d%02d.KVF"; break;
    case OP_SPECTRUM_FFT: format = "~spectrFFT%02d_%02d%02d%02d.KVF"; break;
    case OP_FILTER: format = "~filter%02d_%02d%02d%02d.KVF"; break;
    case OP_NOTCH: format = "~notch%02d_%02d%02d%02d.KVF"; break;
    case OP_DETREND: format = "~detrend%02d_%02d%02d%02d.KVF"; break;
    default: return {};
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, format, t.tm_mday % 100, t.tm_hour % 100, t.tm_min % 100,
                  t.tm_sec % 100);
    return buf;
}

std::string ResultFileName(ProcessOp op) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (const std::tm* p = std::localtime(&now))
        local = *p;
    return ResultFileName(op, local);
}

int ProgressTitleId(ProcessOp op) {
    switch (op) {
    case OP_SAVE_FRAGMENT: return IDS_PROGRESS_SAVE;
    case OP_MOVING_AVERAGE:
    case OP_AVERAGE: return IDS_PROGRESS_AVERAGE;
    default: return IDS_PROGRESS_PROCESS;
    }
}

bool SetsSavedFlag(ProcessOp op) {
    switch (op) {
    case OP_SAVE_FRAGMENT:
    case OP_LINEAR:
    case OP_ADD_SUB:
    case OP_TABLE_FUNCTION:
    case OP_SAVE_CHANNELS:
    case OP_SPECTRUM:
    case OP_SPECTRUM_FFT: return true;
    default: return false;
    }
}

} // namespace vistrel
