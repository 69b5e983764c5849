#include "platform/MappedFile.h"

#ifdef _WIN32
#include <algorithm>
#include <windows.h>
#else
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

#ifdef _WIN32

bool CMappedFile::Open(const std::filesystem::path& path, int* error)
{
    Close();
    // The handle stays open as long as the mapping: its share mode (readers only) keeps other
    // programs from writing or cutting the recording while it is shown.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = static_cast<int>(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        const DWORD why = GetLastError();
        if (error) *error = why ? static_cast<int>(why) : ERROR_INVALID_FUNCTION;
        CloseHandle(file);
        return false;
    }
    if (!GetOpenFileIdentity(reinterpret_cast<std::intptr_t>(file), m_identity)) {
        if (error) *error = static_cast<int>(GetLastError());
        CloseHandle(file);
        return false;
    }
    m_size = static_cast<std::uint64_t>(size.QuadPart);
    m_hFile = file;
    if (m_size == 0) {
        m_open = true;
        return true;
    }
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        if (error) *error = static_cast<int>(GetLastError());
        Close();
        return false;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        if (error) *error = static_cast<int>(GetLastError());
        CloseHandle(mapping);
        Close();
        return false;
    }
    m_hMapping = mapping;
    m_data = static_cast<const std::uint8_t*>(view);
    m_open = true;
    return true;
}

void CMappedFile::Close()
{
    if (m_data) UnmapViewOfFile(m_data);
    if (m_hMapping) CloseHandle(m_hMapping);
    if (m_hFile) CloseHandle(m_hFile);
    m_data = nullptr;
    m_hMapping = nullptr;
    m_hFile = nullptr;
    m_size = 0;
    m_open = false;
    m_identity = FileIdentity{};
}

bool CMappedFile::CurrentIdentity(FileIdentity& identity) const
{
    return m_hFile && GetOpenFileIdentity(reinterpret_cast<std::intptr_t>(m_hFile), identity);
}

bool CMappedFile::Damaged() const { return false; }

bool CMappedFile::Advise(std::uint64_t offset, std::uint64_t length, Access access) const
{
    if (!m_data || offset >= m_size || length == 0) return false;
    length = std::min(length, m_size - offset);
    // Windows has no read-ahead policy per range; only "soon" has a call (Windows 8 and
    // later, looked up so that older systems still start). Nor has it one that takes a
    // file view's pages out of the process alone (VirtualUnlock and OfferVirtualMemory are
    // for private memory): the working-set manager trims a view's pages under pressure, so
    // Done is left to it.
    if (access != Access::WillNeed && access != Access::Populate) return true;
    struct Range {
        void* address;
        SIZE_T bytes;
    };
    using Prefetch = BOOL(WINAPI*)(HANDLE, ULONG_PTR, Range*, ULONG);
    static const auto prefetch = reinterpret_cast<Prefetch>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "PrefetchVirtualMemory")));
    if (!prefetch) return true;
    Range range{const_cast<std::uint8_t*>(m_data) + offset, static_cast<SIZE_T>(length)};
    prefetch(GetCurrentProcess(), 1, &range, 0);
    return true;
}

FileProblem ReadFileHead(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::uint8_t>& out)
{
    out.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ProblemFromPathError(path, static_cast<int>(GetLastError()));
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return FileProblem::NotRegular;
    }
    out.resize(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(maxBytes - got, 1u << 20));
        if (!ReadFile(file, out.data() + got, want, &n, nullptr)) {
            const int error = static_cast<int>(GetLastError());
            CloseHandle(file);
            out.clear();
            return ProblemFromSystemError(error);
        }
        if (n == 0) break;
        got += n;
    }
    CloseHandle(file);
    out.resize(got);
    return FileProblem::None;
}

std::int64_t FileSize(const std::filesystem::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

#else

namespace {

// Mappings guarded against SIGBUS. The handler reads this table, so it holds only atomics
// and is never resized.
struct GuardSlot {
    std::atomic<bool> used{false};
    std::atomic<std::uintptr_t> base{0};
    std::atomic<std::size_t> size{0};
    std::atomic<bool> damaged{false};
};
constexpr int kGuardSlots = 1024;
GuardSlot g_guards[kGuardSlots];
struct sigaction g_previousSigbus;
std::uintptr_t g_pageSize = 4096;
std::once_flag g_guardInstalled;

void OnSigbus(int sig, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardSlot& slot : g_guards) {
        const std::uintptr_t base = slot.base.load(std::memory_order_acquire);
        if (base == 0 || address < base) continue;
        const std::size_t size = slot.size.load(std::memory_order_acquire);
        if (address - base >= size) continue;
        // Zero pages from the faulting page to the end of the mapping: the pages past a
        // truncation are all gone, and one fault per page would be slow.
        const std::uintptr_t start = address & ~(g_pageSize - 1);
        const std::uintptr_t end = (base + size + g_pageSize - 1) & ~(g_pageSize - 1);
        void* p = ::mmap(reinterpret_cast<void*>(start), end - start, PROT_READ,
                         MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            slot.damaged.store(true, std::memory_order_release);
            return;
        }
        break;
    }
    // Not one of ours: whoever handled SIGBUS before, or the default action.
    if ((g_previousSigbus.sa_flags & SA_SIGINFO) && g_previousSigbus.sa_sigaction) {
        g_previousSigbus.sa_sigaction(sig, info, context);
        return;
    }
    if (!(g_previousSigbus.sa_flags & SA_SIGINFO) && g_previousSigbus.sa_handler != SIG_DFL &&
        g_previousSigbus.sa_handler != SIG_IGN) {
        g_previousSigbus.sa_handler(sig);
        return;
    }
    ::signal(SIGBUS, SIG_DFL);
    // A fault repeats on return and now kills; a signal sent by kill() must be raised again.
    if (info->si_code <= 0) ::raise(SIGBUS);
}

void InstallSigbusGuard()
{
    std::call_once(g_guardInstalled, [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        if (page > 0) g_pageSize = static_cast<std::uintptr_t>(page);
        struct sigaction action {};
        action.sa_sigaction = OnSigbus;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previousSigbus);
    });
}

int RegisterGuard(const void* data, std::size_t size)
{
    for (int i = 0; i < kGuardSlots; ++i) {
        bool expected = false;
        if (g_guards[i].used.compare_exchange_strong(expected, true)) {
            g_guards[i].damaged.store(false);
            g_guards[i].size.store(size, std::memory_order_release);
            g_guards[i].base.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
            return i;
        }
    }
    return -1; // table full: this mapping is not guarded
}

void UnregisterGuard(int slot)
{
    g_guards[slot].base.store(0, std::memory_order_release);
    g_guards[slot].size.store(0, std::memory_order_release);
    g_guards[slot].used.store(false, std::memory_order_release);
}

} // namespace

bool CMappedFile::Damaged() const
{
    return m_slot >= 0 && g_guards[m_slot].damaged.load(std::memory_order_acquire);
}

bool CMappedFile::Advise(std::uint64_t offset, std::uint64_t length, Access access) const
{
    if (!m_data || offset >= m_size || length == 0) return false;
    length = std::min(length, m_size - offset);
    // madvise wants a page-aligned start; the mapping itself starts on a page.
    const std::uint64_t start = offset & ~static_cast<std::uint64_t>(g_pageSize - 1);
    std::uint64_t end = offset + length;
    int advice = MADV_NORMAL;
    switch (access) {
    case Access::Random: advice = MADV_RANDOM; break;
    case Access::Sequential: advice = MADV_SEQUENTIAL; break;
    case Access::WillNeed: advice = MADV_WILLNEED; break;
    case Access::Done:
        // Whole pages only up to the end: the one holding it may still be read. The mapping
        // is read-only, so dropping its pages loses nothing; a later read maps them again
        // from the page cache (or the file).
        end = end == m_size ? end : end & ~static_cast<std::uint64_t>(g_pageSize - 1);
        if (end <= start) return true;
        advice = MADV_DONTNEED;
        break;
    case Access::Populate:
#ifdef MADV_POPULATE_READ
        advice = MADV_POPULATE_READ;
        // Kernels before 5.14 refuse it (EINVAL): then the pages are only read ahead.
        if (::madvise(const_cast<std::uint8_t*>(m_data) + start, static_cast<size_t>(end - start), advice) == 0)
            return true;
#endif
        advice = MADV_WILLNEED;
        break;
    }
    return ::madvise(const_cast<std::uint8_t*>(m_data) + start, static_cast<size_t>(end - start), advice) == 0;
}

FileProblem ReadFileHead(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::uint8_t>& out)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ProblemFromSystemError(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return ProblemFromSystemError(error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? FileProblem::IsDirectory : FileProblem::NotRegular;
    }
    out.resize(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
        const ssize_t n = ::read(fd, out.data() + got, maxBytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            out.clear();
            return ProblemFromSystemError(error);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return FileProblem::None;
}

bool CMappedFile::Open(const std::filesystem::path& path, int* error)
{
    Close();
    InstallSigbusGuard();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error) *error = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = errno ? errno : EINVAL;
        ::close(fd);
        return false;
    }
    // The identity comes from this descriptor, so it names exactly the file mapped below.
    GetOpenFileIdentity(fd, m_identity);
    m_size = static_cast<std::uint64_t>(st.st_size);
    m_fd = fd;
    if (m_size == 0) {
        m_open = true;
        return true;
    }
    void* p = ::mmap(nullptr, static_cast<size_t>(m_size), PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        if (error) *error = errno;
        Close();
        return false;
    }
    m_data = static_cast<const std::uint8_t*>(p);
    m_slot = RegisterGuard(m_data, static_cast<std::size_t>(m_size));
    m_open = true;
    return true;
}

void CMappedFile::Close()
{
    if (m_slot >= 0) UnregisterGuard(m_slot);
    m_slot = -1;
    if (m_data) ::munmap(const_cast<std::uint8_t*>(m_data), static_cast<size_t>(m_size));
    m_data = nullptr;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_open = false;
    m_identity = FileIdentity{};
}

bool CMappedFile::CurrentIdentity(FileIdentity& identity) const
{
    return m_fd >= 0 && GetOpenFileIdentity(m_fd, identity);
}

std::int64_t FileSize(const std::filesystem::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

#endif

} // namespace vistrel::platform
