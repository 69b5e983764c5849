#pragma once
// The markers of one recording and their sidecar file: read once, rewritten atomically (a
// temporary file beside it, renamed over it) after every change and only then. When the
// sidecar cannot be written (a read-only folder) the change stays in memory and the reason is
// given back; when it exists but cannot be read it is never overwritten.

#include "core/markers/MarkerList.h"
#include "platform/FileCheck.h"
#include "platform/FileIdentity.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vistrel::markers {

// "NAME.kvf" -> "NAME.kvf.labels": the recording's full file name and ".labels".
std::filesystem::path SidecarPath(const std::filesystem::path& recording);

// Sidecars beyond this size are refused rather than read into memory.
inline constexpr std::uintmax_t kMaxSidecarBytes = 16u << 20;

enum class MarkerFileError {
    None,
    CannotRead,  // the sidecar exists but cannot be read (problem says why)
    TooLarge,    // larger than kMaxSidecarBytes
    CannotWrite, // the sidecar cannot be written (problem says why); markers kept in memory
};

struct MarkerFileStatus {
    MarkerFileError error = MarkerFileError::None;
    platform::FileProblem problem = platform::FileProblem::None;

    bool Ok() const { return error == MarkerFileError::None; }
    // "cannot write the markers file: the file or the disk is read-only", in English.
    std::string English() const;
};

// Reads a sidecar; an absent one is an empty list without error.
MarkerFileStatus ReadSidecar(const std::filesystem::path& sidecar, MarkerList& list);
// Writes the list's bytes through a temporary file renamed over the sidecar; an empty list
// removes the sidecar instead (nothing is left behind for a recording without markers).
MarkerFileStatus WriteSidecar(const std::filesystem::path& sidecar, const MarkerList& list);

class MarkerStore {
public:
    explicit MarkerStore(const std::filesystem::path& recording);

    // Reads the sidecar (again). After a failed read the list is empty and nothing is written
    // over the unreadable file: every later change reports that read failure.
    MarkerFileStatus Load();

    const MarkerList& List() const { return m_list; }
    const std::vector<Marker>& Markers() const { return m_list.Markers(); }
    const std::filesystem::path& Sidecar() const { return m_sidecar; }

    // Each change is made in memory, then written; `index` (when given) gets the new marker's
    // place. A change that does nothing (bad times, no such index, the same text) writes nothing.
    // When another program (vistrel-cli labels, an editor) changed the sidecar since it was
    // read or written here, it is read again first and the change applies to what it holds
    // now, so the other program's markers are kept; a removed or renamed marker is found by
    // its times and text, and a change to one that is gone does nothing.
    MarkerFileStatus Add(const Marker& marker, size_t* index = nullptr);
    MarkerFileStatus Remove(size_t index);
    MarkerFileStatus Rename(size_t index, std::string_view text);

private:
    MarkerFileStatus Save();
    // Reads the sidecar again when it is no longer the version read or written here.
    void FollowFile();
    // The index of `marker` after FollowFile, or nothing when it is gone.
    std::optional<size_t> Find(const Marker& marker) const;

    std::filesystem::path m_sidecar;
    MarkerList m_list;
    MarkerFileStatus m_readFailure;
    // The version of the sidecar read or written here: absent, or the file (each atomic
    // rewrite is a new one), its size and last-write time.
    bool m_seenExists = false;
    platform::FileIdentity m_seen;
};

} // namespace vistrel::markers
