// The export job: reads the fragment in blocks of rows and hands them to the format's writer.
// The file is written to a temporary file beside the target and renamed over it when
// complete, like every other result.
#include "core/export/Export.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

#include "core/common/StringIds.h"
#include "core/processing/Engine.h"
#include "core/processing/RowBlocks.h"
#include "core/recording/DataFile.h"
#include "core/recording/TimeBase.h"
#include "platform/FileCheck.h"
#include "platform/UniqueFile.h"

namespace vistrel::exporting {

namespace {

// The byte formats write through the result file's checked, buffered writes (stop requests
// and a full disk are handled and reported there).
class ResultSink : public ByteSink {
public:
    explicit ResultSink(engine::ResultFile& file) : m_file(file) {}
    bool Put(const void* bytes, size_t count) override { return m_file.Write(bytes, count); }

private:
    engine::ResultFile& m_file;
};

ExportInfo InfoOf(const ExportJob& job, const engine::JobContext& ctx) {
    const CDataFile& src = ctx.src;
    ExportInfo info;
    for (const int c : job.channels) {
        const ChannelEntry entry = src.Channel(c);
        info.channelNumbers.push_back(c + 1);
        info.displayLow.push_back(entry.low);
        info.displayHigh.push_back(entry.high);
    }
    info.rate = static_cast<double>(src.Rate());
    info.rows = static_cast<uint64_t>(ctx.end - ctx.start);
    info.startUtc = SampleTime(src.StartTime(), static_cast<double>(ctx.start), src.Rate());
    info.originLocal = ToLocalTime(src.StartTime());
    info.firstPosition = ctx.start;
    info.source = engine::PathText(src.Path().filename());
    info.time = job.time;
    info.dialect = job.dialect;
    info.forceRf64 = job.forceRf64;
    info.h5Deflate = job.h5Deflate;
    return info;
}

platform::FileProblem ProblemOf(const ExportWriter& writer) {
    return writer.SystemError() != 0 ? platform::ProblemFromSystemError(writer.SystemError())
                                     : platform::FileProblem::Other;
}

// Hands the writer the fragment's rows from the recording's mapping, in blocks of about a
// percent of the export (a stop is seen within one) between 4 and 64 MiB. False on a stop
// (the result then interrupted) or a failed write (reported); the writer is then aborted.
bool WriteStoredRows(ExportWriter& writer, engine::JobContext& ctx, engine::ResultFile& out) {
    const CDataFile& src = ctx.src;
    const uint64_t rowBytes = 4 * static_cast<uint64_t>(src.Channels());
    const uint64_t total = static_cast<uint64_t>(ctx.end - ctx.start);
    const uint64_t block = std::clamp<uint64_t>(total / 100, std::max<uint64_t>(1, (uint64_t{4} << 20) / rowBytes),
                                                std::max<uint64_t>(1, (uint64_t{64} << 20) / rowBytes));
    for (uint64_t done = 0; done < total;) {
        const uint64_t rows = std::min(block, total - done);
        const int64_t p = ctx.start + static_cast<int64_t>(done);
        ctx.ProgressRows(p, static_cast<int64_t>(rows));
        if (ctx.Stopping()) {
            writer.Abort();
            out.Interrupt();
            return false;
        }
        // The library writes the block with one system call from the mapping: its pages are
        // mapped first, in one call, instead of by a fault every few pages inside the write.
        src.AdvisePopulate(static_cast<uint64_t>(p), static_cast<uint64_t>(p) + rows);
        if (!writer.WriteStored(src.DataArea() + static_cast<uint64_t>(p) * rowBytes, static_cast<size_t>(rows), done)) {
            writer.Abort();
            out.FailWrite(ProblemOf(writer));
            return false;
        }
        done += rows;
    }
    return true;
}

void Run(ExportJob& job, engine::JobContext& ctx) {
    const CDataFile& src = ctx.src;
    if (!ctx.OrderFragment())
        return;
    if (ctx.start < 0 || ctx.end > src.Samples()) {
        ctx.Fail("The fragment " + std::to_string(ctx.start) + " to " + std::to_string(ctx.end) +
                 " lies outside the recording (0 to " + std::to_string(src.Samples()) + ")");
        return;
    }
    for (const int c : job.channels)
        if (c < 0 || c >= src.Channels()) {
            ctx.Fail("Channel " + std::to_string(c + 1) + " is not a channel of the recording (1 to " +
                     std::to_string(src.Channels()) + ")");
            return;
        }
    const std::string target = engine::PathText(job.target);
    std::string refusal;
    const ExportInfo info = InfoOf(job, ctx);
    std::unique_ptr<ExportWriter> writer = MakeExportWriter(FormatFromPath(job.target), info, refusal);
    if (!writer) {
        ctx.Fail("Cannot export to " + target + ": " + refusal);
        return;
    }
    engine::ResultFile out(ctx);
    ResultSink sink(out);
    const std::filesystem::path temp = out.TempPath();
    if (temp.empty()) {
        if (ctx.Stopping())
            ctx.Interrupted();
        else
            ctx.FailFile(IDS_RESULT_CANNOT_CREATE, out.CreateProblem(), "Cannot create " + target);
        return;
    }
    if (writer->UsesSink() && !out.OpenText())
        return;
    // A library's own failure is reported here; the sink reports its failures itself.
    auto failed = [&] {
        writer->Abort();
        if (!writer->UsesSink())
            out.FailWrite(ProblemOf(*writer));
    };
    if (!writer->Open(temp, sink)) {
        failed();
        return;
    }
    const RowBlockReader reader(src, job.channels);
    // A .npy of every channel of a float recording holds the stored rows as they are (both
    // little-endian float32): they are copied straight from the source after the header.
    if constexpr (std::endian::native == std::endian::little) {
        if (FormatFromPath(job.target) == ExportFormat::Npy && out.CanCopySourceRows(reader)) {
            if (out.CopySourceRows() && writer->Finish() && out.FinishText())
                ctx.Succeed();
            return;
        }
    }
    // Every channel of a float recording, to a writer that takes stored rows: each block goes
    // to the writer straight from the mapping (no copy through a buffer).
    if (writer->TakesStoredRows() && out.CanCopySourceRows(reader)) {
        if (!WriteStoredRows(*writer, ctx, out))
            return;
        if (!writer->Finish())
            failed();
        else if (out.FinishWritten())
            ctx.Succeed();
        return;
    }
    const size_t width = job.channels.size();
    // Blocks of 256 KiB for the byte formats (the result file gathers them); the libraries
    // get up to 4 MiB per call, as each call has a cost of its own (selections, conversions),
    // but no more than about a percent of the export, so a stop is seen soon.
    const uint64_t total = static_cast<uint64_t>(ctx.end - ctx.start) * width;
    const size_t values = writer->UsesSink() ? size_t{1} << 16
                                             : static_cast<size_t>(std::clamp<uint64_t>(total / 100, 1 << 16, 1 << 20));
    const size_t block = std::max<size_t>(1, values / width);
    std::vector<float> rowsRead(block * width);
    for (int64_t p = ctx.start; p < ctx.end;) {
        const size_t rows = static_cast<size_t>(std::min<int64_t>(ctx.end - p, static_cast<int64_t>(block)));
        ctx.ProgressRows(p, static_cast<int64_t>(rows));
        if (ctx.Stopping()) {
            writer->Abort();
            out.Interrupt();
            return;
        }
        reader.Read(p, rows, rowsRead.data());
        if (!writer->Write(rowsRead.data(), rows, static_cast<uint64_t>(p - ctx.start))) {
            failed();
            return;
        }
        p += static_cast<int64_t>(rows);
    }
    if (!writer->Finish()) {
        failed();
        return;
    }
    if (writer->UsesSink() ? out.FinishText() : out.FinishWritten())
        ctx.Succeed();
}

} // namespace

void RunExport(ExportJob& job, IProcessObserver& observer) {
    auto carrier = std::make_unique<ProcessJob>();
    if (job.source != nullptr && job.source->IsOpen())
        carrier->InitFrom(*job.source);
    RunExport(job, *carrier, observer);
}

void RunExport(ExportJob& job, ProcessJob& carrier, IProcessObserver& observer) {
    // The shared machinery works on a processing job: a fragment save, which opens no result.
    ProcessJob* pj = &carrier;
    pj->m_op = OP_SAVE_FRAGMENT;
    pj->m_source = job.source;
    pj->m_cursor1 = job.from;
    pj->m_cursor2 = job.to;
    pj->m_resultName = job.target;
    pj->m_succeeded = false;
    pj->m_interrupted = false;
    pj->m_error.clear();
    pj->m_errorId = 0;
    pj->m_fileProblem = platform::FileProblem::None;
    pj->m_cursorsMoved = false;
    const auto copyBack = [&] {
        job.succeeded = pj->m_succeeded;
        job.interrupted = pj->m_interrupted;
        job.error = pj->m_error;
        job.errorId = pj->m_errorId;
        job.fileProblem = pj->m_fileProblem;
        pj->m_saved = 0; // an export leaves the recording's saved state alone
    };
    if (job.source == nullptr || !job.source->IsOpen() || job.source->Channels() < 1) {
        pj->m_error = "No open recording";
        observer.Failed(pj->m_error);
        observer.Progress(100);
        copyBack();
        return;
    }
    engine::JobContext ctx(*pj, observer);
    observer.ProgressTitle(IDS_PROGRESS_SAVE);
    if (job.channels.empty()) {
        ctx.Fail("No channel to export");
    } else if (platform::IsSameFile(job.target, job.source->Path())) {
        pj->m_errorId = IDS_RESULT_IS_SOURCE;
        ctx.Fail("The result file " + engine::PathText(job.target) +
                 " is the source recording itself; nothing was written");
    } else if (ctx.Stopping()) {
        ctx.Interrupted();
    } else {
        job.source->AdviseSequential(std::max<int64_t>(0, std::min(job.from, job.to)),
                                     std::max<int64_t>(0, std::max(job.from, job.to)));
        try {
            Run(job, ctx);
        } catch (const std::bad_alloc&) {
            ctx.Fail(engine::kNoMemory);
        } catch (const std::exception& e) {
            ctx.Fail(std::string("The export failed: ") + e.what());
        }
    }
    copyBack();
}

} // namespace vistrel::exporting
