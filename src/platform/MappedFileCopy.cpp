// Copies of a byte range of a mapped file into another file: copy_file_range where the system
// has it, large reads and writes otherwise.
#include "platform/MappedFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vistrel::platform {

namespace {
std::atomic<bool> g_copyByReads{false};
constexpr std::uint64_t kPiece = std::uint64_t{8} << 20; // bytes per read and write
} // namespace

void CMappedFile::ForceCopyByReadsForTest(bool on) {
    g_copyByReads = on;
}

#ifdef _WIN32

// The file cannot change while it is mapped here, so the mapping itself is the read.
std::uint64_t CMappedFile::CopyTo(std::FILE* out, std::uint64_t offset, std::uint64_t length, int* error) const {
    *error = 0;
    const std::uint64_t end = std::min(m_size, offset + length);
    std::uint64_t done = 0;
    for (std::uint64_t at = offset; at < end;) {
        const std::size_t n = static_cast<std::size_t>(std::min(kPiece, end - at));
        errno = 0;
        if (std::fwrite(m_data + at, 1, n, out) != n) {
            *error = errno != 0 ? errno : EIO;
            return done;
        }
        at += n;
        done += n;
    }
    return done;
}

#else

std::uint64_t CMappedFile::CopyTo(std::FILE* out, std::uint64_t offset, std::uint64_t length, int* error) const {
    *error = 0;
    errno = 0;
    if (std::fflush(out) != 0) {
        *error = errno != 0 ? errno : EIO;
        return 0;
    }
    const int to = ::fileno(out);
    std::uint64_t done = 0;
    // The descriptors' positions move underneath the stream: it goes to its end afterwards.
    auto finish = [&](int code) {
        *error = code;
        if (std::fseek(out, 0, SEEK_END) != 0 && *error == 0)
            *error = errno != 0 ? errno : EIO;
        return done;
    };
#ifdef __linux__
    if (!g_copyByReads) {
        off_t from = static_cast<off_t>(offset);
        while (done < length) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, std::uint64_t{1} << 30));
            const ssize_t got = ::copy_file_range(m_fd, &from, to, nullptr, n, 0);
            if (got > 0) {
                done += static_cast<std::uint64_t>(got);
                continue;
            }
            if (got == 0)
                return finish(0); // the file ended
            if (errno == EINTR)
                continue;
            // Files on different file systems (before Linux 5.19 not at all, since then not
            // every pair), a kernel without the call, a file system that refuses it: the
            // reads below do the rest.
            if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF)
                break;
            return finish(errno);
        }
        if (done == length)
            return finish(0);
    }
#endif
    std::vector<char> buffer(static_cast<std::size_t>(std::min(kPiece, length - done)));
    while (done < length) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, buffer.size()));
        const ssize_t got = ::pread(m_fd, buffer.data(), n, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return finish(errno);
        if (got == 0)
            return finish(0); // the file ended
        for (std::size_t put = 0; put < static_cast<std::size_t>(got);) {
            const ssize_t w = ::write(to, buffer.data() + put, static_cast<std::size_t>(got) - put);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return finish(w < 0 ? errno : EIO);
            put += static_cast<std::size_t>(w);
            done += static_cast<std::uint64_t>(w);
        }
    }
    return finish(0);
}

#endif

} // namespace vistrel::platform
