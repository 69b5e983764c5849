#pragma once
// Exporting a fragment of a recording to CSV, WAV, HDF5, MAT v7.3 or NPY: a job run like the
// processing operations (progress, stop, the unique temporary file renamed over the target).
#include <filesystem>
#include <vector>

#include "core/export/ExportWriters.h"
#include "core/processing/ProcessJob.h"

namespace vistrel::exporting {

struct ExportJob {
    const CDataFile* source = nullptr;
    int64_t from = 0;                 // the fragment: from .. to - 1 (in any order)
    int64_t to = 0;
    std::vector<int> channels;        // 0-based channels, in column order
    std::filesystem::path target;     // the format follows its extension
    TimeColumn time = TimeColumn::Relative;
    CsvDialect dialect = CsvDialect::Comma;
    bool forceRf64 = false;
    bool h5Deflate = true;            // .h5: shuffle+deflate chunks; false: one contiguous block

    // --- what the run sets (as a processing job does) ---
    bool succeeded = false;
    bool interrupted = false;
    std::string error;
    int errorId = 0;
    platform::FileProblem fileProblem = platform::FileProblem::None;
};

// Runs the export on the calling thread; the observer gets progress, may stop it and hears of
// a failure. The result is never opened.
void RunExport(ExportJob& job, IProcessObserver& observer);
// The same with the processing job that carries the run, as the user interface's job runner
// keeps one: its source, cursors and result name are set from `job`, and its result fields
// (m_succeeded, m_error, m_errorId, m_fileProblem, m_interrupted) say how the run ended.
void RunExport(ExportJob& job, ProcessJob& carrier, IProcessObserver& observer);

} // namespace vistrel::exporting
