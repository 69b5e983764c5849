// The formats written without a library: CSV text and numpy's NPY 1.0, plus the choice of the
// writer by the target's extension.
#include "core/export/ExportWriters.h"

#include <algorithm>
#include <cctype>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/recording/TimeBase.h"

namespace vistrel::exporting {

std::unique_ptr<ExportWriter> MakeLibraryWriter(ExportFormat format, const ExportInfo& info,
                                                std::string& refusal);

ExportFormat FormatFromPath(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".csv")
        return ExportFormat::Csv;
    if (ext == ".wav")
        return ExportFormat::Wav;
    if (ext == ".h5")
        return ExportFormat::Hdf5;
    if (ext == ".mat")
        return ExportFormat::Mat;
    if (ext == ".npy")
        return ExportFormat::Npy;
    return ExportFormat::None;
}

const char* FormatLibrary(ExportFormat format) {
    switch (format) {
    case ExportFormat::Wav: return "libsndfile";
    case ExportFormat::Hdf5: return "libhdf5";
    case ExportFormat::Mat: return "matio";
    default: return "";
    }
}

std::string NpyHeader(uint64_t rows, size_t columns) {
    std::string dict = "{'descr': '<f4', 'fortran_order': False, 'shape': (" + std::to_string(rows) +
                       ", " + std::to_string(columns) + "), }";
    // Magic (6), version (2), length (2), the dictionary padded with spaces and ended by a
    // line feed so the data starts on a 64-byte boundary. Like numpy.save, the padding leaves
    // room for a row count of up to 21 digits, so the header reads the same as numpy's own.
    dict.append(21 - std::min<size_t>(21, std::to_string(rows).size()), ' ');
    const size_t unpadded = 10 + dict.size() + 1;
    dict.append((64 - unpadded % 64) % 64, ' ');
    dict += '\n';
    std::string header("\x93NUMPY\x01\x00", 8);
    header += static_cast<char>(dict.size() & 0xFF);
    header += static_cast<char>((dict.size() >> 8) & 0xFF);
    return header + dict;
}

std::string CsvField(const std::string& text, char separator) {
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos)
        return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

void AppendCsvFloat(std::string& out, float value, bool decimalComma) {
    // NaN is written "nan" whatever its sign bit: printf's spelling of a negative NaN differs
    // between C libraries ("-nan" or "nan"), and readers take "nan" everywhere.
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    char buf[48];
    // General format with 9 significant digits, exactly as printf's "%.9g", without the locale.
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value),
                                   std::chars_format::general, 9);
    if (decimalComma)
        std::replace(buf, res.ptr, '.', ',');
    out.append(buf, res.ptr);
}

std::string IsoTime(int64_t fileTime) {
    const FileTimeParts t = SplitFileTime(fileTime);
    int64_t sub = fileTime % kUnitsPerSecond;
    if (sub < 0)
        sub += kUnitsPerSecond;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%06d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, static_cast<int>(sub / 10));
    return buf;
}

namespace {

class CsvWriter : public ExportWriter {
public:
    explicit CsvWriter(const ExportInfo& info) : m_info(info) {
        m_sep = info.dialect == CsvDialect::Semicolon ? ';' : ',';
        m_comma = info.dialect == CsvDialect::Semicolon;
    }
    bool UsesSink() const override { return true; }
    bool Open(const std::filesystem::path&, ByteSink& sink) override {
        m_sink = &sink;
        std::string line;
        if (m_info.time == TimeColumn::Relative)
            line = CsvField("time_s", m_sep);
        else if (m_info.time == TimeColumn::Absolute)
            line = CsvField("time", m_sep);
        for (const int n : m_info.channelNumbers) {
            if (!line.empty())
                line += m_sep;
            line += CsvField("ch" + std::to_string(n), m_sep);
        }
        line += '\n';
        return m_sink->Put(line.data(), line.size());
    }
    bool Write(const float* values, size_t count, uint64_t firstRow) override {
        const size_t width = m_info.channelNumbers.size();
        m_text.clear();
        for (size_t r = 0; r < count; ++r) {
            const uint64_t row = firstRow + r;
            bool first = true;
            if (m_info.time == TimeColumn::Relative) {
                char buf[48];
                const auto res = std::to_chars(buf, buf + sizeof buf,
                                               static_cast<double>(row) / m_info.rate);
                if (m_comma)
                    std::replace(buf, res.ptr, '.', ',');
                m_text.append(buf, res.ptr);
                first = false;
            } else if (m_info.time == TimeColumn::Absolute) {
                // From the position itself, as the plot and the read-outs place it.
                const double position = static_cast<double>(m_info.firstPosition) + static_cast<double>(row);
                m_text += IsoTime(SampleTime(m_info.originLocal, position, static_cast<float>(m_info.rate)));
                first = false;
            }
            for (size_t i = 0; i < width; ++i) {
                if (!first)
                    m_text += m_sep;
                first = false;
                AppendCsvFloat(m_text, values[r * width + i], m_comma);
            }
            m_text += '\n';
        }
        return m_sink->Put(m_text.data(), m_text.size());
    }
    bool Finish() override { return true; }

private:
    ExportInfo m_info;
    ByteSink* m_sink = nullptr;
    char m_sep = ',';
    bool m_comma = false;
    std::string m_text;
};

class NpyWriter : public ExportWriter {
public:
    explicit NpyWriter(const ExportInfo& info) : m_info(info) {}
    bool UsesSink() const override { return true; }
    bool Open(const std::filesystem::path&, ByteSink& sink) override {
        m_sink = &sink;
        const std::string header = NpyHeader(m_info.rows, m_info.channelNumbers.size());
        return m_sink->Put(header.data(), header.size());
    }
    bool Write(const float* values, size_t count, uint64_t) override {
        const size_t n = count * m_info.channelNumbers.size();
        if constexpr (std::endian::native == std::endian::little)
            return m_sink->Put(values, n * sizeof(float));
        m_bytes.resize(n * sizeof(float));
        for (size_t i = 0; i < n; ++i) {
            uint32_t w = 0;
            std::memcpy(&w, values + i, 4);
            for (int b = 0; b < 4; ++b)
                m_bytes[i * 4 + b] = static_cast<char>((w >> (8 * b)) & 0xFF);
        }
        return m_sink->Put(m_bytes.data(), m_bytes.size());
    }
    bool Finish() override { return true; }

private:
    ExportInfo m_info;
    ByteSink* m_sink = nullptr;
    std::vector<char> m_bytes;
};

} // namespace

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, const ExportInfo& info,
                                               std::string& refusal) {
    refusal.clear();
    if (info.channelNumbers.empty()) {
        refusal = "no channel to export";
        return nullptr;
    }
    switch (format) {
    case ExportFormat::Csv: return std::make_unique<CsvWriter>(info);
    case ExportFormat::Npy: return std::make_unique<NpyWriter>(info);
    case ExportFormat::None:
        refusal = "unknown export format (use .csv, .wav, .h5, .mat or .npy)";
        return nullptr;
    default: break;
    }
    if (!FormatAvailable(format)) {
        refusal = std::string("this build cannot write ") + (format == ExportFormat::Wav ? ".wav" : format == ExportFormat::Hdf5 ? ".h5" : ".mat") +
                  " files (built without " + FormatLibrary(format) + ")";
        return nullptr;
    }
    return MakeLibraryWriter(format, info, refusal);
}

} // namespace vistrel::exporting
