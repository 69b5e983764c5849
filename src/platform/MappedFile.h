#pragma once
// Read-only memory mapping of a whole file. The mapping stays valid until Close or
// destruction; readers on several threads may use it at the same time.

#include <cstdint>
#include <filesystem>

namespace vistrel::platform {

class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile() { Close(); }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Maps the whole file. Returns false on failure and stores the system error code in
    // *error when given. An empty file maps successfully with Data() == nullptr.
    bool Open(const std::filesystem::path& path, int* error = nullptr);
    void Close();

    const std::uint8_t* Data() const { return m_data; }
    std::uint64_t Size() const { return m_size; }
    bool IsOpen() const { return m_open; }

private:
    const std::uint8_t* m_data = nullptr;
    std::uint64_t m_size = 0;
    bool m_open = false;
#ifdef _WIN32
    void* m_hMapping = nullptr;
#endif
};

// Size of a file in bytes, or -1 when it cannot be read.
std::int64_t FileSize(const std::filesystem::path& path);

} // namespace vistrel::platform
