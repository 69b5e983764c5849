#pragma once
// Streaming writers of the export formats: each takes the exported rows (rows x channels,
// float32) block by block, so memory does not grow with the length of the recording. CSV and
// NPY are written here as bytes; WAV, HDF5 and MAT v7.3 go through their libraries, which
// write a file by its path, and are present only when the build found those libraries.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vistrel::exporting {

enum class ExportFormat { None, Csv, Wav, Hdf5, Mat, Npy };
enum class TimeColumn { Relative, Absolute, None };
enum class CsvDialect { Comma, Semicolon };

// The format named by the file's extension (any case); None for an unknown one.
ExportFormat FormatFromPath(const std::filesystem::path& path);
// Whether this build can write the format, and the library a missing one needs.
bool FormatAvailable(ExportFormat format);
const char* FormatLibrary(ExportFormat format);

// What every writer needs to know before the first row.
struct ExportInfo {
    std::vector<int> channelNumbers;  // 1-based channel of each column
    std::vector<double> displayLow;   // display range of each column
    std::vector<double> displayHigh;
    double rate = 1.0;                // samples per second
    uint64_t rows = 0;                // rows that will be written
    int64_t startUtc = 0;             // UTC file time (100 ns since 1601) of the first row
    int64_t originLocal = 0;          // local file time of the recording's sample 0 and
    int64_t firstPosition = 0;        // the position of the first row (the CSV's time column)
    std::string source;               // the recording's file name
    TimeColumn time = TimeColumn::Relative;
    CsvDialect dialect = CsvDialect::Comma;
    bool forceRf64 = false;           // WAV: RF64 even when plain RIFF would do
    bool h5Deflate = true;            // HDF5: chunked, shuffled and deflated; false: contiguous
};

// Receives the bytes of the formats written here.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Put(const void* bytes, size_t count) = 0;
};

class ExportWriter {
public:
    virtual ~ExportWriter() = default;
    // True: the bytes go to the sink passed to Open; false: the writer creates `path` itself.
    virtual bool UsesSink() const = 0;
    // Starts the file. False on failure: Error() says why.
    virtual bool Open(const std::filesystem::path& path, ByteSink& sink) = 0;
    // Rows firstRow .. firstRow + count - 1 of the export (counted from 0), channel after
    // channel within a row.
    virtual bool Write(const float* values, size_t count, uint64_t firstRow) = 0;
    // True when WriteStored takes rows as the recording stores them (little-endian float32,
    // every channel in order) straight from its mapping, without a copy.
    virtual bool TakesStoredRows() const { return false; }
    // Rows firstRow .. firstRow + count - 1 given as stored bytes (4 * channels per row, any
    // alignment); only called when TakesStoredRows().
    virtual bool WriteStored(const void* rows, size_t count, uint64_t firstRow) {
        (void)rows, (void)count, (void)firstRow;
        return false;
    }
    // Completes and closes the file.
    virtual bool Finish() = 0;
    // Closes without completing (a stop or a failure elsewhere); the file is then removed.
    virtual void Abort() {}
    const std::string& Error() const { return m_error; }
    // errno of the failed system call, when the library left one (a full disk); else 0.
    int SystemError() const { return m_errno; }

protected:
    std::string m_error;
    int m_errno = 0;
};

// The writer of a format; nullptr and `refusal` set when the format cannot be written (not
// built in, or the data does not fit it).
std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, const ExportInfo& info,
                                               std::string& refusal);

// Pieces of the formats, exposed for their tests.
// The NPY 1.0 header of a rows x columns little-endian float32 array in C order: magic,
// version, length and the padded dictionary, 64-byte aligned.
std::string NpyHeader(uint64_t rows, size_t columns);
// A CSV field as RFC 4180 writes it: quoted when it holds the separator, a quote or a line
// end, its quotes doubled.
std::string CsvField(const std::string& text, char separator);
// A float as "%.9g" prints it (it reads back exactly), with a decimal comma when asked;
// appended to `out`.
void AppendCsvFloat(std::string& out, float value, bool decimalComma);
// "YYYY-MM-DDTHH:MM:SS.ffffff" of a file time (no zone conversion).
std::string IsoTime(int64_t fileTime);

} // namespace vistrel::exporting
