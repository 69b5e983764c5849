#include "core/export/SpectrogramExport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>

#include "core/common/FileProblemText.h"
#include "core/export/ExportWriters.h"
#include "core/processing/Engine.h"
#include "core/processing/FileUtil.h"
#include "core/processing/WindowFft.h"
#include "core/recording/DataFile.h"
#include "platform/FileTimes.h"
#include "platform/UniqueFile.h"

namespace vistrel::spectro {

namespace {

const char* const kWindowNames[] = {"rectangular", "gauss", "hamming", "hann", "blackman-harris"};

std::string LowerExtension(const std::filesystem::path& p) {
    std::string ext = PathToUtf8(p.extension());
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// One temporary file beside its target, written whole and renamed only when every file of
// the run is complete.
class PendingFile {
public:
    explicit PendingFile(std::filesystem::path target) : m_target(std::move(target)) {}
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool Create(std::string& error) {
        const std::string name = PathToUtf8(m_target);
        platform::FileProblem problem = platform::CheckWritableTarget(m_target);
        if (problem == platform::FileProblem::None)
            m_temp = platform::CreateTempBeside(m_target, &problem);
        if (!m_temp.empty() && !(m_file = platform::OpenFile(m_temp, "wb")))
            problem = platform::LastSystemProblem();
        if (!m_file) {
            error = "cannot create " + name + ": " +
                    FileProblemEnglish(problem == platform::FileProblem::None ? platform::FileProblem::Other : problem);
            return false;
        }
        m_buffer.reserve(1 << 20);
        return true;
    }
    bool Put(const std::string& bytes) { return Put(bytes.data(), bytes.size()); }
    bool Put(const void* bytes, size_t count) {
        const char* p = static_cast<const char*>(bytes);
        m_buffer.insert(m_buffer.end(), p, p + count);
        return m_buffer.size() < (1 << 20) || Flush();
    }
    // Flushes and closes; false (and `error` set) when the data did not all reach the disk.
    bool Close(std::string& error) {
        const bool flushed = Flush();
        const bool closed = m_file && std::fclose(m_file) == 0;
        m_file = nullptr;
        if (flushed && closed)
            return true;
        error = "cannot write " + PathToUtf8(m_target) + ": " +
                FileProblemEnglish(m_problem != platform::FileProblem::None ? m_problem : platform::LastSystemProblem());
        return false;
    }
    bool Rename(std::string& error) {
        std::error_code ec;
        std::filesystem::rename(m_temp, m_target, ec);
        if (ec) {
            error = "cannot replace " + PathToUtf8(m_target) + ": " +
                    FileProblemEnglish(platform::ProblemFromSystemError(ec.value()));
            return false;
        }
        m_temp.clear();
        return true;
    }
    const std::filesystem::path& Target() const { return m_target; }

private:
    bool Flush() {
        if (!m_file)
            return false;
        if (!m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size()) {
            m_problem = platform::LastSystemProblem();
            m_buffer.clear();
            return false;
        }
        m_buffer.clear();
        return std::fflush(m_file) == 0 || ((m_problem = platform::LastSystemProblem()), false);
    }
    void Discard() {
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
        if (!m_temp.empty()) {
            std::error_code ec;
            std::filesystem::remove(m_temp, ec);
        }
    }
    std::filesystem::path m_target, m_temp;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    platform::FileProblem m_problem = platform::FileProblem::None;
};

std::string NumberRow(const char* label, const std::vector<double>& values) {
    std::string row = std::string("# ") + label;
    for (const double v : values)
        row += "," + DoubleText(v);
    return row + "\n";
}

std::string JsonNumbers(const std::vector<double>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? ", " : "") + DoubleText(values[i]);
    return out + "]";
}

bool WriteMatrix(PendingFile& file, MatrixFormat format, const Spectrogram& s, const std::vector<double>& times,
                 const std::vector<double>& freqs, const std::function<bool()>& stop) {
    const size_t frames = s.Frames();
    if (format == MatrixFormat::Npy) {
        if (!file.Put(NpyHeader64(frames, s.bins)))
            return false;
    } else if (!file.Put(NumberRow("frame_centre_s", times)) || !file.Put(NumberRow("bin_frequency_hz", freqs))) {
        return false;
    }
    std::vector<double> row(s.bins);
    std::string text;
    for (size_t f = 0; f < frames; ++f) {
        if (f % 256 == 0 && stop && stop())
            return false;
        for (size_t k = 0; k < s.bins; ++k)
            row[k] = s.Decibels(f, k);
        if (format == MatrixFormat::Npy) {
            if (!file.Put(row.data(), row.size() * sizeof(double)))
                return false;
            continue;
        }
        text.clear();
        for (size_t k = 0; k < s.bins; ++k) {
            if (k)
                text += ',';
            text += DoubleText(row[k]);
        }
        text += '\n';
        if (!file.Put(text))
            return false;
    }
    return true;
}

void Run(SpectrogramExportJob& job) {
    const CDataFile& src = *job.source;
    const std::string target = PathToUtf8(job.target);
    const MatrixFormat format = MatrixFormatOf(job.target);
    if (format == MatrixFormat::None) {
        job.error = "cannot write " + target + ": the name must end in .npy or .csv";
        return;
    }
    if (const StftCheck check = CheckStft(job.settings); check != StftCheck::Ok) {
        job.error = StftCheckText(check);
        return;
    }
    if (job.channel < 0 || job.channel >= src.Channels()) {
        job.error = "channel " + std::to_string(job.channel + 1) + " is not a channel of the recording (1 to " +
                    std::to_string(src.Channels()) + ")";
        return;
    }
    const int64_t from = std::clamp<int64_t>(std::min(job.from, job.to), 0, src.Samples());
    const int64_t to = std::clamp<int64_t>(std::max(job.from, job.to), 0, src.Samples());
    if (to - from < static_cast<int64_t>(job.settings.size)) {
        job.error = "the fragment of " + std::to_string(to - from) + " samples is shorter than one frame of " +
                    std::to_string(job.settings.size) + "; nothing was written";
        return;
    }
    if (platform::IsSameFile(job.target, src.Path()) ||
        (format == MatrixFormat::Npy && platform::IsSameFile(SidecarPath(job.target), src.Path()))) {
        job.error = "the result file " + target + " is the source recording itself; nothing was written";
        return;
    }
    const FramePlan plan = StftFrames(from, to, job.settings);
    const uint64_t cells = static_cast<uint64_t>(plan.starts.size()) * (job.settings.size / 2 + 1);
    if (!engine::FitsBudget(cells, sizeof(double))) {
        job.error = "the spectrogram of " + std::to_string(plan.starts.size()) + " frames does not fit in memory; "
                    "choose a shorter fragment, a smaller overlap or a larger FFT size";
        return;
    }
    src.AdviseSequential(static_cast<uint64_t>(from), static_cast<uint64_t>(to));
    const int channel = job.channel;
    const SampleReader read = [&src, channel](int64_t first, size_t count, double* out) {
        std::vector<long double> values(count);
        src.ReadRun(static_cast<uint64_t>(first), count, channel, values.data());
        for (size_t i = 0; i < count; ++i)
            out[i] = static_cast<double>(values[i]);
    };
    Spectrogram s;
    std::string error;
    const bool computed = ComputeSpectrogram(plan, job.settings, static_cast<double>(src.Rate()), read, s, error,
                                             [&](uint64_t, uint64_t) { return !(job.stopRequested && job.stopRequested()); },
                                             job.workers);
    if (!computed) {
        if (error.empty())
            job.interrupted = true;
        else
            job.error = error;
        return;
    }
    std::vector<double> times(s.Frames()), freqs(s.bins);
    for (size_t f = 0; f < s.Frames(); ++f)
        times[f] = s.FrameCentre(f);
    for (size_t k = 0; k < s.bins; ++k)
        freqs[k] = s.BinHz(k);

    std::vector<std::unique_ptr<PendingFile>> files;
    files.push_back(std::make_unique<PendingFile>(job.target));
    if (format == MatrixFormat::Npy)
        files.push_back(std::make_unique<PendingFile>(SidecarPath(job.target)));
    for (auto& f : files)
        if (!f->Create(job.error))
            return;
    if (!WriteMatrix(*files[0], format, s, times, freqs, job.stopRequested)) {
        if (job.stopRequested && job.stopRequested())
            job.interrupted = true;
        else
            files[0]->Close(job.error);
        return;
    }
    if (format == MatrixFormat::Npy) {
        const int32_t w = job.settings.window;
        std::string json = "{\n";
        json += "  \"source\": " + JsonString(PathToUtf8(src.Path().filename())) + ",\n";
        json += "  \"channel\": " + std::to_string(job.channel + 1) + ",\n";
        json += "  \"rate_hz\": " + DoubleText(s.rate) + ",\n";
        json += "  \"from\": " + std::to_string(from) + ",\n";
        json += "  \"to\": " + std::to_string(to) + ",\n";
        json += "  \"fft_size\": " + std::to_string(job.settings.size) + ",\n";
        json += "  \"overlap_samples\": " + std::to_string(OverlapSamples(job.settings)) + ",\n";
        json += "  \"window\": " + JsonString(kWindowNames[w]) + ",\n";
        json += "  \"values\": \"20 log10 of the magnitude relative to the largest (dB), frames x bins\",\n";
        json += "  \"frames\": " + std::to_string(s.Frames()) + ",\n";
        json += "  \"bins\": " + std::to_string(s.bins) + ",\n";
        json += "  \"frame_centre_s\": " + JsonNumbers(times) + ",\n";
        json += "  \"bin_frequency_hz\": " + JsonNumbers(freqs) + "\n}\n";
        if (!files[1]->Put(json)) {
            files[1]->Close(job.error);
            return;
        }
    }
    for (auto& f : files)
        if (!f->Close(job.error))
            return;
    if (job.stopRequested && job.stopRequested()) {
        job.interrupted = true;
        return;
    }
    if (src.ChangedOnDisk()) {
        job.error = PathToUtf8(src.Path()) + ": " + kChangedOnDiskEnglish + "; nothing was written";
        return;
    }
    // The sidecar first: a reader that finds the matrix finds its axes too.
    for (size_t i = files.size(); i-- > 0;) {
        if (!files[i]->Rename(job.error))
            return;
        job.written.insert(job.written.begin(), files[i]->Target());
    }
    job.succeeded = true;
}

} // namespace

MatrixFormat MatrixFormatOf(const std::filesystem::path& target) {
    const std::string ext = LowerExtension(target);
    if (ext == ".npy")
        return MatrixFormat::Npy;
    if (ext == ".csv")
        return MatrixFormat::Csv;
    return MatrixFormat::None;
}

std::filesystem::path SidecarPath(const std::filesystem::path& target) {
    std::filesystem::path p = target;
    return p.replace_extension(".json");
}

std::string NpyHeader64(uint64_t rows, size_t columns) {
    // The float32 header with the other type: the same length, so the same padding.
    std::string header = exporting::NpyHeader(rows, columns);
    const size_t at = header.find("'<f4'");
    if (at != std::string::npos)
        header.replace(at, 5, "'<f8'");
    return header;
}

std::string DoubleText(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

void RunSpectrogramExport(SpectrogramExportJob& job) {
    job.succeeded = false;
    job.interrupted = false;
    job.error.clear();
    job.written.clear();
    if (job.source == nullptr || !job.source->IsOpen()) {
        job.error = "no open recording";
        return;
    }
    try {
        Run(job);
    } catch (const std::bad_alloc&) {
        job.error = engine::kNoMemory;
    } catch (const std::exception& e) {
        job.error = std::string("the spectrogram failed: ") + e.what();
    }
    if (!job.succeeded && job.error.empty() && !job.interrupted)
        job.error = "the spectrogram failed";
}

} // namespace vistrel::spectro
