#include "core/processing/Engine.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <system_error>

#include "core/common/TextFormat.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TempResults.h"
#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"
#include "platform/TimeZone.h"

namespace vistrel {

namespace engine {

const char* const kNoMemory = "Not enough memory for the operation";

uint64_t MemoryBudget() {
    static const uint64_t budget = [] {
        uint64_t total = 0;
        // Systems with /proc/meminfo say how much memory and swap there is.
        if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, f)) {
                unsigned long long kb = 0;
                if (std::sscanf(line, "MemTotal: %llu kB", &kb) == 1 ||
                    std::sscanf(line, "SwapTotal: %llu kB", &kb) == 1)
                    total += kb * 1024ull;
            }
            std::fclose(f);
        }
        const uint64_t cap = uint64_t{1} << 40;
        return total == 0 || total > cap ? cap : total;
    }();
    return budget;
}

bool FitsBudget(uint64_t count, uint64_t size, uint64_t already) {
    const uint64_t budget = MemoryBudget();
    if (size == 0 || already > budget || count > (budget - already) / size)
        return false;
    return true;
}

std::string PathText(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

JobContext::JobContext(ProcessJob& j, IProcessObserver& o) : job(j), observer(o), src(*j.m_source) {
    header.selected = j.m_selected;
    header.colours = j.m_colours;
    header.visible = j.m_channelShown;
    header.widths = j.m_widths;
    header.deviceMask = 0;
}

bool JobContext::OrderFragment() {
    start = std::min(job.m_cursor1, job.m_cursor2);
    end = std::max(job.m_cursor1, job.m_cursor2);
    if (start == end) {
        EndQuietly("The fragment between the cursors is empty");
        return false;
    }
    return true;
}

void JobContext::SendPercent(int percent) {
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        observer.Progress(percent);
    }
}

void JobContext::Progress(int64_t p) {
    const double fraction = static_cast<double>(p - start) * (1.0 / static_cast<double>(end - start));
    SendPercent(static_cast<int>(fraction * 100.0));
}

void JobContext::Fail(const std::string& message) {
    job.m_succeeded = false;
    job.m_error = message;
    observer.Failed(message);
    observer.Progress(100);
}

void JobContext::EndQuietly(const std::string& reason) {
    job.m_succeeded = false;
    job.m_error = reason;
    observer.Progress(100);
}

void JobContext::Succeed() {
    job.m_succeeded = true;
    if (SetsSavedFlag(job.m_op))
        job.m_saved = 1;
    observer.Progress(100);
    if (job.m_op != OP_SAVE_FRAGMENT && job.m_op != OP_SAVE_CHANNELS)
        observer.OpenResult(job.m_resultName);
}

std::vector<int> JobContext::ShownChannels() const {
    std::vector<int> shown;
    for (int c = 0; c < src.Channels() && c < kJobChannels; ++c)
        if (job.m_channelShown[c] != 0)
            shown.push_back(c);
    return shown;
}

bool JobContext::CheckSources(int count, int perOutput) {
    const int limit = perOutput == 2 ? kMaxAddSubOutputs : kMaxOutputs;
    if (count < 1 || count > limit) {
        Fail("The number of output channels must be 1 to " + std::to_string(limit));
        return false;
    }
    for (int i = 0; i < count * perOutput; ++i) {
        const int s = job.m_outputs.sources[i];
        if (s < 1 || s > src.Channels()) {
            Fail("Channel " + std::to_string(s) + " is not a channel of the recording (1 to " +
                 std::to_string(src.Channels()) + ")");
            return false;
        }
    }
    return true;
}

ResultFile::ResultFile(JobContext& ctx) : m_ctx(ctx) {}

ResultFile::~ResultFile() {
    Discard();
}

void ResultFile::Discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_temp, ec);
        m_temp.clear();
    }
}

std::filesystem::path ResultFile::TempPath(bool tilde) {
    const std::filesystem::path& target = m_ctx.job.m_resultName;
    std::filesystem::path name = target.filename();
    name += ".part";
    if (tilde && PathText(name).rfind('~', 0) != 0)
        name = std::filesystem::path("~") += name;
    m_temp = target.parent_path() / name;
    return m_temp;
}

bool ResultFile::Open(int headerResult, int rowValues) {
    const std::string target = PathText(m_ctx.job.m_resultName);
    if (headerResult == 0) {
        m_ctx.Fail("Cannot create the result file " + target);
        Discard();
        return false;
    }
    m_file = platform::OpenFile(m_temp, "r+b");
    if (!m_file) {
        m_ctx.Fail("Cannot open the result file " + target + " for writing");
        Discard();
        return false;
    }
    uint8_t word[4] = {};
    if (std::fseek(m_file, 68, SEEK_SET) != 0 || std::fread(word, 1, 4, m_file) != 4 ||
        std::fseek(m_file, 0, SEEK_END) != 0) {
        m_ctx.Fail("Cannot read back the header of " + target);
        Discard();
        return false;
    }
    const int channels = static_cast<int>((word[0] | (word[1] << 8)) & 0x1FF);
    if (channels != rowValues) {
        m_ctx.Fail("The header of " + target + " names " + std::to_string(channels) +
                   " channels but the rows hold " + std::to_string(rowValues));
        Discard();
        return false;
    }
    m_buffer.resize(1 << 20);
    m_used = 0;
    return true;
}

bool ResultFile::WriteRow(const float* values, size_t count) {
    if (m_failed)
        return false;
    // Rows gather in a block that goes to the file in one checked write when full.
    const size_t bytes = count * sizeof(float);
    if (m_used + bytes > m_buffer.size() && !FlushBlock())
        return false;
    if (bytes > m_buffer.size())
        m_buffer.resize(bytes);
    std::memcpy(m_buffer.data() + m_used, values, bytes);
    m_used += bytes;
    return true;
}

bool ResultFile::FlushBlock() {
    if (m_used != 0 && std::fwrite(m_buffer.data(), 1, m_used, m_file) != m_used) {
        m_failed = true;
        m_ctx.Fail("Writing " + PathText(m_ctx.job.m_resultName) +
                   " failed (is the disk full?); no result was kept");
        Discard();
        return false;
    }
    m_used = 0;
    return true;
}

bool ResultFile::Finish(int64_t stamp, bool spectrumStamp, double lowerHz) {
    if (m_failed || !m_file)
        return false;
    const std::string target = PathText(m_ctx.job.m_resultName);
    if (!FlushBlock())
        return false;
    const bool flushed = std::fflush(m_file) == 0 && std::ferror(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!flushed || !closed) {
        m_ctx.Fail("Writing " + target + " failed (is the disk full?); no result was kept");
        Discard();
        return false;
    }
    if (spectrumStamp)
        stamp = SpectrumStamp(stamp, lowerHz);
    if (!platform::SetFileTimes(m_temp, stamp, stamp, stamp)) {
        m_ctx.Fail("Cannot set the start time of " + target);
        Discard();
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(m_temp, m_ctx.job.m_resultName, ec);
    if (ec) {
        m_ctx.Fail("Cannot replace " + target + ": " + ec.message());
        Discard();
        return false;
    }
    m_temp.clear();
    const ProcessOp op = m_ctx.job.m_op;
    if (op != OP_SAVE_FRAGMENT && op != OP_SAVE_CHANNELS &&
        PathText(m_ctx.job.m_resultName.filename()).rfind('~', 0) == 0)
        RegisterTempResult(m_ctx.job.m_resultName);
    return true;
}

} // namespace engine

ProcessJob::ProcessJob() {
    for (int i = 0; i < kJobChannels; ++i) {
        m_channelShown[i] = 1;
        m_colours[i] = DefaultTraceColour(i);
        m_widths[i] = 1;
        m_coeffA[i] = 1.0f;
        m_coeffB[i] = 0.0f;
    }
}

void ProcessJob::InitFrom(const CDataFile& source) {
    m_source = &source;
    for (int i = 0; i < kJobChannels; ++i) {
        m_channelShown[i] = 1;
        m_colours[i] = DefaultTraceColour(i);
        m_widths[i] = 1;
    }
    m_selected = 0;
    source.ReadDisplaySettings(&m_selected, m_colours, m_channelShown, m_widths);
    if (m_selected < 0 || m_selected >= source.Channels())
        m_selected = 0;
    m_startTime = ToLocalTime(source.StartTime());
    m_axisOrigin = m_timeStyle == 1 ? 0 : m_startTime;
    m_cursor1 = 0;
    m_cursor2 = source.Samples();
}

int64_t ResultStartStamp(int64_t startTime, int64_t firstPosition, float rate) {
    const long double offset =
        static_cast<long double>(firstPosition) * 10'000'000.0L / static_cast<long double>(rate);
    return startTime + static_cast<int64_t>(platform::TimeZoneBiasMinutes()) * kUnitsPerMinute +
           TruncToInt64(static_cast<double>(offset));
}

int64_t SpectrumStamp(int64_t stamp, double lowerHz) {
    // Midnight local time by the base bias alone, as every reader converts.
    const int bias = platform::TimeZoneBiasMinutes();
    CalendarFields f = FileTimeToFields(stamp);
    f.hour = ((bias / 60) % 24 + 24) % 24;
    const int64_t hz = std::isfinite(lowerHz) && lowerHz >= 0 && lowerHz < 1e9
                           ? static_cast<int64_t>(lowerHz) : 1'000'000'000;
    f.minute = static_cast<int>(hz / 60);
    f.second = static_cast<int>(hz % 60);
    f.millisecond = 0;
    int64_t result = stamp;
    if (!FieldsToFileTime(f, result))
        return stamp;
    return result;
}

void RunProcessJob(ProcessJob& job, IProcessObserver& observer) {
    job.m_succeeded = false;
    job.m_error.clear();
    job.m_cursorsMoved = false;
    if (job.m_op < OP_SAVE_FRAGMENT || job.m_op > OP_SPECTRUM_FFT) {
        job.m_error = "Unknown operation " + std::to_string(static_cast<int>(job.m_op));
        observer.Progress(100); // runs nothing, but the progress box must not stay open
        return;
    }
    if (job.m_source == nullptr || !job.m_source->IsOpen() || job.m_source->Channels() < 1) {
        job.m_error = "No open recording";
        observer.Failed(job.m_error);
        observer.Progress(100);
        return;
    }
    engine::JobContext ctx(job, observer);
    try {
        switch (job.m_op) {
        case OP_SAVE_FRAGMENT: engine::SaveFragment(ctx); break;
        case OP_MOVING_AVERAGE: engine::MovingAverage(ctx, false); break;
        case OP_AVERAGE: engine::MovingAverage(ctx, true); break;
        case OP_LINEAR: engine::LinearTransform(ctx); break;
        case OP_RMS: engine::Rms(ctx); break;
        case OP_ADD_SUB: engine::AddSub(ctx); break;
        case OP_TABLE_FUNCTION: engine::TableFunctionOp(ctx); break;
        case OP_SAVE_CHANNELS: engine::SaveChannels(ctx); break;
        case OP_SPECTRUM: engine::SpectrumDirect(ctx); break;
        case OP_SPECTRUM_FFT: engine::SpectrumFft(ctx); break;
        }
    } catch (const std::bad_alloc&) {
        ctx.Fail(engine::kNoMemory);
    } catch (const std::exception& e) {
        ctx.Fail(std::string("The operation failed: ") + e.what());
    }
}

void ProcessThread(ProcessJob* job, IProcessObserver* observer) {
    if (job->m_startDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(job->m_startDelayMs));
    observer->JobStarted();
    RunProcessJob(*job, *observer);
    observer->JobEnded();
}

std::thread StartProcessThread(ProcessJob& job, IProcessObserver& observer) {
    return std::thread(ProcessThread, &job, &observer);
}

} // namespace vistrel
