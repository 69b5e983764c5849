#pragma once
// Writing the spectrogram of one channel as a matrix other tools read: frames x bins of
// float64 decibels relative to the largest magnitude, as NPY (with a JSON sidecar of the frame
// centre times and bin frequencies) or CSV (those two as the header rows). Every file goes to a
// temporary file beside its target and is renamed over it only when all of them are complete.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/processing/Spectrogram.h"
#include "platform/FileCheck.h"

namespace vistrel {
class CDataFile;
}

namespace vistrel::spectro {

enum class MatrixFormat { None, Npy, Csv };
// The format named by the extension of the target (any case).
MatrixFormat MatrixFormatOf(const std::filesystem::path& target);
// The JSON sidecar of an NPY target: the same name with the extension .json.
std::filesystem::path SidecarPath(const std::filesystem::path& target);

struct SpectrogramExportJob {
    const CDataFile* source = nullptr;
    int channel = 0;              // 0-based
    int64_t from = 0;             // samples [from, to), in either order
    int64_t to = 0;
    StftSettings settings;
    std::filesystem::path target; // .npy or .csv
    int workers = 1;
    // Asked now and then: true stops the run (no file is left behind).
    std::function<bool()> stopRequested;

    // --- what the run sets ---
    bool succeeded = false;
    bool interrupted = false;
    std::string error;            // English, names the file and the reason
    std::vector<std::filesystem::path> written; // the files made, the matrix first
};

// Validates, computes and writes. Never throws.
void RunSpectrogramExport(SpectrogramExportJob& job);

// Pieces of the files, exposed for their tests.
// NPY 1.0 header of a rows x columns little-endian float64 array in C order.
std::string NpyHeader64(uint64_t rows, size_t columns);
// The shortest text that reads back as the same double ("-inf" for minus infinity).
std::string DoubleText(double value);

} // namespace vistrel::spectro
