#include "platform/MappedFile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

#ifdef _WIN32

bool CMappedFile::Open(const std::filesystem::path& path, int* error)
{
    Close();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = static_cast<int>(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        if (error) *error = static_cast<int>(GetLastError());
        CloseHandle(file);
        return false;
    }
    m_size = static_cast<std::uint64_t>(size.QuadPart);
    if (m_size == 0) {
        CloseHandle(file);
        m_open = true;
        return true;
    }
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    CloseHandle(file);
    if (!mapping) {
        if (error) *error = static_cast<int>(GetLastError());
        m_size = 0;
        return false;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        if (error) *error = static_cast<int>(GetLastError());
        CloseHandle(mapping);
        m_size = 0;
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
    m_data = nullptr;
    m_hMapping = nullptr;
    m_size = 0;
    m_open = false;
}

std::int64_t FileSize(const std::filesystem::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

#else

bool CMappedFile::Open(const std::filesystem::path& path, int* error)
{
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
    m_size = static_cast<std::uint64_t>(st.st_size);
    if (m_size == 0) {
        ::close(fd);
        m_open = true;
        return true;
    }
    void* p = ::mmap(nullptr, static_cast<size_t>(m_size), PROT_READ, MAP_SHARED, fd, 0);
    int err = errno;
    ::close(fd);
    if (p == MAP_FAILED) {
        if (error) *error = err;
        m_size = 0;
        return false;
    }
    m_data = static_cast<const std::uint8_t*>(p);
    m_open = true;
    return true;
}

void CMappedFile::Close()
{
    if (m_data) ::munmap(const_cast<std::uint8_t*>(m_data), static_cast<size_t>(m_size));
    m_data = nullptr;
    m_size = 0;
    m_open = false;
}

std::int64_t FileSize(const std::filesystem::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

#endif

} // namespace vistrel::platform
