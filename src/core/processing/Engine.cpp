#include "core/processing/Engine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "core/common/TextFormat.h"
#include "core/processing/SpectrumChecks.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TempResults.h"
#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"
#include "platform/Memory.h"
#include "platform/TimeZone.h"
#include "platform/UniqueFile.h"
#include "platform/Threads.h"

namespace vistrel {

namespace engine {

const char* const kNoMemory = "Not enough memory for the operation";

namespace {
std::atomic<uint64_t> g_budgetOverride{0};
std::atomic<int> g_coreWorkersOverride{0};
std::mutex g_hookMutex;
std::function<void(int)> g_beforeWorkerStart, g_workerStarted;
} // namespace

uint64_t MemoryBudget() {
    if (const uint64_t o = g_budgetOverride.load())
        return o;
    const uint64_t available = platform::AvailableMemoryBytes();
    const uint64_t cap = uint64_t{1} << 40;
    return available == 0 || available > cap ? cap : available;
}

void SetMemoryBudgetForTest(std::optional<uint64_t> bytes) {
    g_budgetOverride = bytes ? std::max<uint64_t>(*bytes, 1) : 0;
}

void SetWorkerHooksForTest(std::function<void(int)> beforeStart, std::function<void(int)> started) {
    std::lock_guard lock(g_hookMutex);
    g_beforeWorkerStart = std::move(beforeStart);
    g_workerStarted = std::move(started);
}

void BeforeWorkerStart(int index) {
    std::function<void(int)> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_beforeWorkerStart;
    }
    if (hook)
        hook(index);
}

void WorkerStarted(int index) {
    std::function<void(int)> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_workerStarted;
    }
    if (hook)
        hook(index);
}

int CoreWorkers() {
    if (const int o = g_coreWorkersOverride.load())
        return o;
    return std::clamp(platform::AvailableCores(), 1, 1024);
}

void SetCoreWorkersForTest(std::optional<int> count) {
    g_coreWorkersOverride = count ? std::max(*count, 1) : 0;
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
        Stopping();
    }
}

bool JobContext::Stopping() {
    if (!m_stopping && observer.StopRequested())
        m_stopping = true;
    return m_stopping;
}

void JobContext::Interrupted() {
    job.m_succeeded = false;
    job.m_interrupted = true;
    job.m_cursorsMoved = false; // a stopped job changes nothing, not even the cursors
    job.m_error = "Interrupted; no result was kept";
    observer.Progress(100);
}

void JobContext::FailFile(int captionId, platform::FileProblem problem, const std::string& message) {
    job.m_errorId = captionId;
    job.m_fileProblem = problem;
    Fail(message + ": " + FileProblemEnglish(problem));
}

JobContext::~JobContext() {
    if (m_pages && end > 0) m_pages->Finish(static_cast<uint64_t>(end));
}

void JobContext::Follow(int64_t p) {
    if (p < 0) return;
    if (m_pages)
        m_pages->Advance(static_cast<uint64_t>(p));
    else
        m_pages.emplace(src, static_cast<uint64_t>(p));
}

void JobContext::Progress(int64_t p) {
    Follow(p);
    const double fraction = static_cast<double>(p - start) * (1.0 / static_cast<double>(end - start));
    SendPercent(static_cast<int>(fraction * 100.0));
}

void JobContext::ProgressRows(int64_t p, int64_t count, int64_t step) {
    if (count <= 0)
        return;
    Follow(p);
    // The percent never falls as p grows: positions i .. j whose ends give the same percent
    // all give it, and one report stands for them; other runs are halved. The reports are
    // those of every position in turn, at a cost of the percents crossed, not of the rows.
    const double inv = 1.0 / static_cast<double>(end - start);
    auto percent = [&](int64_t i) { return static_cast<int>(static_cast<double>(p + i * step - start) * inv * 100.0); };
    auto visit = [&](auto& self, int64_t i, int64_t j, int pi, int pj) -> void {
        if (pi == pj) {
            if (pi != m_lastPercent)
                Progress(p + i * step);
            return;
        }
        if (j == i + 1) {
            Progress(p + i * step);
            Progress(p + j * step);
            return;
        }
        const int64_t mid = i + (j - i) / 2;
        const int pm = percent(mid);
        self(self, i, mid, pi, pm);
        if (mid + 1 <= j)
            self(self, mid + 1, j, percent(mid + 1), pj);
    };
    visit(visit, 0, count - 1, percent(0), percent(count - 1));
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

bool JobContext::ShownChannelsOrFail(std::vector<int>& shown) {
    shown = ShownChannels();
    if (shown.empty())
        Fail("No channel is shown, so there is nothing to process");
    return !shown.empty();
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

namespace {
std::atomic<int64_t> g_failWritesAfter{-1};
std::atomic<platform::FileProblem> g_failWritesWith{platform::FileProblem::DiskFull};
} // namespace

void FailResultWritesForTest(int64_t bytes, platform::FileProblem problem) {
    g_failWritesWith = problem;
    g_failWritesAfter = bytes;
}

namespace {
std::function<void()> g_beforeRename;
} // namespace

void SetBeforeResultRenameForTest(std::function<void()> hook) {
    g_beforeRename = std::move(hook);
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

std::filesystem::path ResultFile::TempPath() {
    const std::filesystem::path& target = m_ctx.job.m_resultName;
    m_createProblem = platform::CheckWritableTarget(target);
    if (m_createProblem == platform::FileProblem::None && !m_ctx.Stopping())
        m_temp = platform::CreateTempBeside(target, &m_createProblem);
    return m_temp;
}

bool ResultFile::Open(int headerResult, int rowValues) {
    const std::string target = PathText(m_ctx.job.m_resultName);
    if (headerResult == 0 || m_temp.empty()) {
        // The reason of a failed header write is the errno of its last call.
        platform::FileProblem problem = m_createProblem;
        if (problem == platform::FileProblem::None && !m_temp.empty())
            problem = platform::LastSystemProblem();
        if (problem == platform::FileProblem::None)
            problem = platform::FileProblem::Other;
        Discard();
        if (m_ctx.Stopping())
            m_ctx.Interrupted();
        else
            m_ctx.FailFile(IDS_RESULT_CANNOT_CREATE, problem, "Cannot create the result file " + target);
        return false;
    }
    m_file = platform::OpenFile(m_temp, "r+b");
    if (!m_file) {
        const platform::FileProblem problem = platform::LastSystemProblem();
        Discard();
        m_ctx.FailFile(IDS_RESULT_CANNOT_CREATE, problem, "Cannot open the result file " + target + " for writing");
        return false;
    }
    uint8_t word[4] = {};
    if (std::fseek(m_file, 68, SEEK_SET) != 0 || std::fread(word, 1, 4, m_file) != 4 ||
        std::fseek(m_file, 0, SEEK_END) != 0) {
        Discard();
        m_ctx.Fail("Cannot read back the header of " + target);
        return false;
    }
    const int channels = static_cast<int>((word[0] | (word[1] << 8)) & 0x1FF);
    if (channels != rowValues) {
        Discard();
        m_ctx.Fail("The header of " + target + " names " + std::to_string(channels) +
                   " channels but the rows hold " + std::to_string(rowValues));
        return false;
    }
    m_buffer.resize(1 << 20);
    m_used = 0;
    return true;
}

bool ResultFile::OpenText() {
    const std::string target = PathText(m_ctx.job.m_resultName);
    if (m_temp.empty() && TempPath().empty()) {
        if (m_ctx.Stopping())
            m_ctx.Interrupted();
        else
            m_ctx.FailFile(IDS_RESULT_CANNOT_CREATE, m_createProblem, "Cannot create the text file " + target);
        return false;
    }
    // The temporary file was just created empty: opened without truncating it, as some file
    // systems (ext4) write out at close every file that was truncated while open for writing.
    m_file = platform::OpenFile(m_temp, "r+b");
    if (!m_file) {
        const platform::FileProblem problem = platform::LastSystemProblem();
        Discard();
        m_ctx.FailFile(IDS_RESULT_CANNOT_CREATE, problem, "Cannot create the text file " + target);
        return false;
    }
    m_buffer.resize(1 << 20);
    m_used = 0;
    return true;
}

bool ResultFile::WriteRow(const float* values, size_t count) {
    return Write(values, count * sizeof(float));
}

void ResultFile::Interrupt() {
    if (m_failed)
        return;
    m_failed = true;
    Discard();
    m_ctx.Interrupted();
}

bool ResultFile::Write(const void* bytes, size_t count) {
    if (m_failed || !m_file)
        return false;
    if (m_ctx.Tick(count)) {
        Interrupt();
        return false;
    }
    // Rows gather in a block that goes to the file in one checked write when full.
    if (m_used + count > m_buffer.size() && !FlushBlock())
        return false;
    if (count > m_buffer.size())
        m_buffer.resize(count);
    std::memcpy(m_buffer.data() + m_used, bytes, count);
    m_used += count;
    return true;
}

void ResultFile::FailWrite(platform::FileProblem problem) {
    m_failed = true;
    Discard();
    m_ctx.FailFile(IDS_RESULT_WRITE_FAILED, problem,
                   "Writing " + PathText(m_ctx.job.m_resultName) + " failed; no result was kept");
}

float* ResultFile::RowSpace(size_t& rows, size_t perRow) {
    if (m_failed || !m_file)
        return nullptr;
    if (m_ctx.Stopping()) { // asked once per block
        Interrupt();
        return nullptr;
    }
    const size_t rowBytes = perRow * sizeof(float);
    if (m_used + rowBytes > m_buffer.size() && !FlushBlock())
        return nullptr;
    if (rowBytes > m_buffer.size())
        m_buffer.resize(rowBytes);
    if (rowBytes != 0)
        rows = std::min(rows, (m_buffer.size() - m_used) / rowBytes);
    // The block holds only whole floats here (text tables never ask for row space), and its
    // storage comes from operator new, aligned for any scalar.
    return reinterpret_cast<float*>(m_buffer.data() + m_used);
}

bool ResultFile::WriteLimitReached(uint64_t bytes) {
    const int64_t limit = g_failWritesAfter.load();
    if (limit >= 0 && m_written + bytes > static_cast<uint64_t>(limit)) {
        FailWrite(g_failWritesWith.load());
        return true;
    }
    return false;
}

bool ResultFile::FlushBlock() {
    if (m_ctx.Stopping()) {
        Interrupt();
        return false;
    }
    if (m_used == 0)
        return true;
    if (WriteLimitReached(m_used))
        return false;
    errno = 0;
    if (std::fwrite(m_buffer.data(), 1, m_used, m_file) != m_used) {
        FailWrite(errno != 0 ? platform::LastSystemProblem() : platform::FileProblem::Other);
        return false;
    }
    m_written += m_used;
    m_used = 0;
    return true;
}

bool ResultFile::Finish(int64_t stamp, bool spectrumStamp, double firstHz) {
    if (spectrumStamp)
        stamp = SpectrumStamp(stamp, firstHz);
    return Complete(&stamp);
}

bool ResultFile::FinishText() {
    return Complete(nullptr);
}

bool ResultFile::FinishWritten() {
    if (m_temp.empty())
        return false;
    m_writtenByPath = true;
    return Complete(nullptr);
}

bool ResultFile::Complete(const int64_t* stamp) {
    if (m_failed || (!m_file && !m_writtenByPath))
        return false;
    const std::string target = PathText(m_ctx.job.m_resultName);
    if (m_file) {
        if (!FlushBlock())
            return false;
        errno = 0;
        const bool flushed = std::fflush(m_file) == 0 && std::ferror(m_file) == 0;
        const platform::FileProblem flushProblem =
            errno != 0 ? platform::LastSystemProblem() : platform::FileProblem::Other;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!flushed || !closed) {
            FailWrite(!flushed ? flushProblem : platform::LastSystemProblem());
            return false;
        }
    }
    if (stamp && !platform::SetFileTimes(m_temp, *stamp, *stamp, *stamp)) {
        Discard();
        m_ctx.Fail("Cannot set the start time of " + target);
        return false;
    }
    if (m_ctx.Stopping()) {
        Interrupt();
        return false;
    }
    // Values read from a file that changed meanwhile are no result: the target stays as it was.
    if (m_ctx.src.ChangedOnDisk()) {
        Discard();
        m_ctx.Fail("the file changed on disk while it was read; no result was kept");
        return false;
    }
    if (g_beforeRename)
        g_beforeRename();
    // Rename replaces an existing target in one step; a reader sees the old or the new file.
    // From here on the result stands, whatever happens to the source.
    std::error_code ec;
    std::filesystem::rename(m_temp, m_ctx.job.m_resultName, ec);
    if (ec) {
        const platform::FileProblem problem = platform::ProblemFromSystemError(ec.value());
        Discard();
        m_ctx.FailFile(IDS_RESULT_CANNOT_REPLACE, problem, "Cannot replace " + target);
        return false;
    }
    m_temp.clear();
    m_ctx.job.m_reservedTarget = false;
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

int64_t SpectrumStamp(int64_t stamp, double firstHz) {
    // The local day of the stamp (by the base bias alone, as every reader converts) plus the
    // frequency as a time of day, to the 100 ns of a file time.
    if (!std::isfinite(firstHz) || firstHz < 0 || !(firstHz < kSpectrumFrequencyLimitHz))
        return stamp;
    const int64_t bias = static_cast<int64_t>(platform::TimeZoneBiasMinutes()) * kUnitsPerMinute;
    constexpr int64_t kDay = 86'400 * kUnitsPerSecond;
    const int64_t local = stamp - bias;
    int64_t day = local / kDay;
    if (local % kDay < 0)
        --day;
    const int64_t ticks = std::min<int64_t>(std::llround(firstHz * 1e7), kDay - 1);
    int64_t result = day * kDay + ticks + bias;
    if (result < 0) // file times before 1601 cannot be stored: the next day reads the same
        result += kDay;
    return result;
}

void RunProcessJob(ProcessJob& job, IProcessObserver& observer) {
    job.m_succeeded = false;
    job.m_error.clear();
    job.m_errorId = 0;
    job.m_fileProblem = platform::FileProblem::None;
    job.m_interrupted = false;
    job.m_cursorsMoved = false;
    if (job.m_op < OP_SAVE_FRAGMENT || job.m_op > OP_DETREND) {
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
    job.m_source->AdviseSequential(std::max<int64_t>(0, std::min(job.m_cursor1, job.m_cursor2)), std::max<int64_t>(0, std::max(job.m_cursor1, job.m_cursor2)));
    // Identity, not spelling: a relative, absolute or linked path of the source is the source.
    if (platform::IsSameFile(job.m_resultName, job.m_source->Path())) {
        job.m_errorId = IDS_RESULT_IS_SOURCE;
        ctx.Fail("The result file " + engine::PathText(job.m_resultName) +
                 " is the source recording itself; nothing was written");
        ReleaseReservedTarget(job);
        return;
    }
    // A stop asked for before the operation began (during the start delay) runs nothing.
    if (ctx.Stopping()) {
        ctx.Interrupted();
        ReleaseReservedTarget(job);
        return;
    }
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
        case OP_FILTER:
        case OP_NOTCH: engine::FilterOp(ctx); break;
        case OP_DETREND: engine::DetrendOp(ctx); break;
        }
    } catch (const std::bad_alloc&) {
        ctx.Fail(engine::kNoMemory);
    } catch (const std::exception& e) {
        ctx.Fail(std::string("The operation failed: ") + e.what());
    }
    if (!job.m_succeeded)
        ReleaseReservedTarget(job);
}

void ReleaseReservedTarget(ProcessJob& job) {
    if (!job.m_reservedTarget)
        return;
    job.m_reservedTarget = false;
    // Only the empty placeholder goes; anything written there since is left alone.
    std::error_code ec;
    if (std::filesystem::is_regular_file(job.m_resultName, ec) &&
        std::filesystem::file_size(job.m_resultName, ec) == 0 && !ec)
        std::filesystem::remove(job.m_resultName, ec);
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
