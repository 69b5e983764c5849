#include "core/markers/MarkerStore.h"

#include "core/common/FileProblemText.h"
#include "platform/UniqueFile.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace vistrel::markers {

using platform::FileProblem;

std::filesystem::path SidecarPath(const std::filesystem::path& recording) {
    std::filesystem::path sidecar = recording;
    sidecar += ".labels";
    return sidecar;
}

std::string MarkerFileStatus::English() const {
    switch (error) {
    case MarkerFileError::None: return "no problem";
    case MarkerFileError::CannotRead: return std::string("cannot read the markers file: ") + FileProblemEnglish(problem);
    case MarkerFileError::TooLarge: return "the markers file is too large (over 16 MiB)";
    case MarkerFileError::CannotWrite: return std::string("cannot write the markers file: ") + FileProblemEnglish(problem);
    }
    return "unknown problem";
}

MarkerFileStatus ReadSidecar(const std::filesystem::path& sidecar, MarkerList& list) {
    list = MarkerList();
    std::error_code ec;
    // Checked before opening: a FIFO or a folder of that name is refused without blocking.
    const FileProblem why = platform::CheckReadableFile(sidecar);
    if (why == FileProblem::NotFound)
        return {};
    if (why != FileProblem::None)
        return {MarkerFileError::CannotRead, why};
    const std::uintmax_t size = std::filesystem::file_size(sidecar, ec);
    if (ec)
        return {MarkerFileError::CannotRead, platform::ProblemFromPathError(sidecar, ec.value())};
    if (size > kMaxSidecarBytes)
        return {MarkerFileError::TooLarge, FileProblem::Other};
    std::string bytes;
    try {
        std::ifstream in(sidecar, std::ios::binary);
        if (!in)
            return {MarkerFileError::CannotRead, platform::LastSystemProblem()};
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            return {MarkerFileError::CannotRead, FileProblem::Other};
    } catch (const std::exception&) {
        return {MarkerFileError::CannotRead, FileProblem::Other};
    }
    if (bytes.size() > kMaxSidecarBytes)
        return {MarkerFileError::TooLarge, FileProblem::Other};
    list = MarkerList::Parse(bytes);
    return {};
}

MarkerFileStatus WriteSidecar(const std::filesystem::path& sidecar, const MarkerList& list) {
    std::error_code ec;
    if (list.Empty()) {
        std::filesystem::remove(sidecar, ec);
        if (ec && ec != std::errc::no_such_file_or_directory)
            return {MarkerFileError::CannotWrite, platform::ProblemFromPathError(sidecar, ec.value())};
        return {};
    }
    FileProblem why = FileProblem::None;
    const std::filesystem::path temp = platform::CreateTempBeside(sidecar, &why);
    if (temp.empty())
        return {MarkerFileError::CannotWrite, why == FileProblem::None ? FileProblem::Other : why};
    const std::string bytes = list.Format();
    bool written = false;
    try {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        written = static_cast<bool>(out);
    } catch (const std::exception&) {
        written = false;
    }
    if (!written) {
        FileProblem writeWhy = platform::LastSystemProblem();
        if (writeWhy == FileProblem::None)
            writeWhy = FileProblem::Other;
        std::filesystem::remove(temp, ec);
        return {MarkerFileError::CannotWrite, writeWhy};
    }
    // The rename replaces the old sidecar in one step: a reader sees the old or the new file.
    std::filesystem::rename(temp, sidecar, ec);
    if (ec) {
        const FileProblem renameWhy = platform::ProblemFromPathError(sidecar, ec.value());
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return {MarkerFileError::CannotWrite, renameWhy};
    }
    return {};
}

MarkerStore::MarkerStore(const std::filesystem::path& recording) : m_sidecar(SidecarPath(recording)) {}

MarkerFileStatus MarkerStore::Load() {
    m_seenExists = platform::GetFileIdentity(m_sidecar, m_seen);
    m_readFailure = ReadSidecar(m_sidecar, m_list);
    return m_readFailure;
}

MarkerFileStatus MarkerStore::Save() {
    if (!m_readFailure.Ok())
        return m_readFailure;
    const MarkerFileStatus status = WriteSidecar(m_sidecar, m_list);
    if (status.Ok())
        m_seenExists = platform::GetFileIdentity(m_sidecar, m_seen);
    return status;
}

void MarkerStore::FollowFile() {
    platform::FileIdentity now;
    const bool exists = platform::GetFileIdentity(m_sidecar, now);
    if (m_readFailure.Ok() && (exists != m_seenExists || (exists && !platform::SameFileState(now, m_seen))))
        Load();
}

std::optional<size_t> MarkerStore::Find(const Marker& marker) const {
    for (size_t i = 0; i < m_list.Markers().size(); ++i)
        if (m_list.Markers()[i] == marker)
            return i;
    return std::nullopt;
}

MarkerFileStatus MarkerStore::Add(const Marker& marker, size_t* index) {
    FollowFile();
    const std::optional<size_t> at = m_list.Add(marker);
    if (!at)
        return {};
    if (index)
        *index = *at;
    return Save();
}

MarkerFileStatus MarkerStore::Remove(size_t index) {
    if (index >= m_list.Markers().size())
        return {};
    const Marker was = m_list.Markers()[index];
    FollowFile();
    const std::optional<size_t> now = Find(was);
    return now && m_list.Remove(*now) ? Save() : MarkerFileStatus{};
}

MarkerFileStatus MarkerStore::Rename(size_t index, std::string_view text) {
    if (index >= m_list.Markers().size())
        return {};
    const Marker was = m_list.Markers()[index];
    FollowFile();
    const std::optional<size_t> now = Find(was);
    return now && m_list.Rename(*now, text) ? Save() : MarkerFileStatus{};
}

} // namespace vistrel::markers
