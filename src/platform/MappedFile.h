#pragma once
// Read-only memory mapping of a whole file. The mapping stays valid until Close or
// destruction; readers on several threads may use it at the same time.
//
// Another program may truncate or rewrite the file while it is mapped. On POSIX systems a read
// of a page that no longer exists raises SIGBUS; a handler installed once by the first Open
// catches faults inside registered mappings, puts zero pages from the faulting page to the
// end of that mapping, and marks it damaged: the read resumes and yields zeros. Faults
// elsewhere go to the previous handler or take the default action. On Windows the file stays
// open, shared with readers only, while it is mapped: other programs can neither write nor cut
// it, so there is no guard there; Damaged() stays false.

#include "platform/FileCheck.h"
#include "platform/FileIdentity.h"

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace vistrel::platform {

class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile() { Close(); }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Maps the whole file. Returns false on failure and stores the system error code in
    // *error when given. An empty file maps successfully with Data() == nullptr. The file stays
    // open (not its path) until Close: its identity can be asked without the path, which
    // another program may meanwhile point at another file.
    bool Open(const std::filesystem::path& path, int* error = nullptr);
    void Close();

    // The identity of the mapped file as Open found it (taken from the open file itself).
    const FileIdentity& Identity() const { return m_identity; }
    // The identity of the mapped file now, whatever its path names now; false when closed or
    // the system cannot tell.
    bool CurrentIdentity(FileIdentity& identity) const;

    const std::uint8_t* Data() const { return m_data; }
    std::uint64_t Size() const { return m_size; }
    bool IsOpen() const { return m_open; }
    // True once a read of this mapping found a page missing (the file shrank under it).
    bool Damaged() const;

    // How bytes offset .. offset + length - 1 will be read, as a hint to the system's paging:
    // scattered reads (no read-ahead), one pass in order, soon, or now: Populate maps the
    // range's cached pages into the process in one call (where the system has that call; else
    // as WillNeed), so that a system call reading from the mapping (a write of it to a file)
    // does not stop at a fault on every few pages. The range is clipped to the file. A closed
    // or empty mapping does nothing. Returns whether the system took the hint; callers may
    // ignore a refusal. Done says the range has been read and will not be again soon: its
    // pages leave the process (the system's page cache keeps the file's pages as it sees
    // fit, and a later read maps them again); the page holding the range's end stays, as
    // does, on systems without such a call, everything.
    enum class Access { Random, Sequential, WillNeed, Populate, Done };
    bool Advise(std::uint64_t offset, std::uint64_t length, Access access) const;

    // Appends bytes offset .. offset + length - 1 of the mapped file to `out` (its buffered
    // bytes are flushed first; its position ends at its end). On Linux copy_file_range moves
    // them inside the kernel (or the file system) without passing them through this process;
    // elsewhere, or where the two files do not allow it (another file system, EXDEV), large
    // sequential reads and writes do. Returns the bytes copied: fewer than `length` with
    // *error the system's error code, or 0 when the file ended early (it shrank).
    std::uint64_t CopyTo(std::FILE* out, std::uint64_t offset, std::uint64_t length, int* error) const;
    // Test hook: true makes CopyTo take its read-and-write path everywhere.
    static void ForceCopyByReadsForTest(bool on);

private:
    const std::uint8_t* m_data = nullptr;
    int m_slot = -1; // entry in the table of guarded mappings
    std::uint64_t m_size = 0;
    bool m_open = false;
    FileIdentity m_identity;
#ifdef _WIN32
    void* m_hFile = nullptr;    // open for the mapping's lifetime (shared with readers only)
    void* m_hMapping = nullptr;
#else
    int m_fd = -1;              // open for the mapping's lifetime (identity only)
#endif
};

// Reads up to maxBytes from the start of a regular file into out. Never blocks: a FIFO or a
// device is refused (NotRegular) without waiting for a writer.
FileProblem ReadFileHead(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::uint8_t>& out);

// Size of a file in bytes, or -1 when it cannot be read.
std::int64_t FileSize(const std::filesystem::path& path);

} // namespace vistrel::platform
