#pragma once
// Long recordings for tests of whole-file passes: sparse files of several GiB (their holes
// read fast), and the peak of this process's resident memory while a pass runs.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "core/recording/KvfWriter.h"
#include "platform/Memory.h"
#include "ShadowMemory.h"


namespace vistrel::test {

// A float recording of `samples` rows of `channels` zeros but for the last row, `last`
// (channels values); its data area is a hole. False when the file system keeps no such file.
inline bool WriteSparseFloatRecording(const std::filesystem::path& path, int channels, std::uint64_t samples,
                                      const std::vector<float>& last) {
    FloatRecordingLayout layout;
    layout.channels = channels;
    layout.rate = 1000.0;
    const std::vector<std::uint8_t> header = BuildFloatRecordingHeader(layout);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    const std::uint64_t rowBytes = 4 * static_cast<std::uint64_t>(channels);
    out.seekp(static_cast<std::streamoff>(header.size() + rowBytes * (samples - 1)));
    out.write(reinterpret_cast<const char*>(last.data()), static_cast<std::streamsize>(rowBytes));
    return out.good();
}

// The peak of this process's resident memory from construction to Growth, sampled on a
// thread of its own every 2 ms.
class ResidentPeak {
public:
    ResidentPeak() : m_start(platform::ResidentBytes()), m_peak(m_start), m_watch([this] { Watch(); }) {}
    ~ResidentPeak() { Stop(); }
    ResidentPeak(const ResidentPeak&) = delete;
    ResidentPeak& operator=(const ResidentPeak&) = delete;

    // Whether the system tells the resident memory at all.
    bool Known() const { return m_start > 0; }
    // Stops sampling; the peak's growth over the start.
    std::uint64_t Growth() {
        Stop();
        return m_peak.load() - m_start;
    }

private:
    void Watch() {
        while (m_running.load()) {
            const std::uint64_t now = platform::ResidentBytes();
            if (now > m_peak.load()) m_peak = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    void Stop() {
        m_running = false;
        if (m_watch.joinable()) m_watch.join();
    }

    const std::uint64_t m_start;
    std::atomic<std::uint64_t> m_peak;
    std::atomic<bool> m_running{true};
    std::thread m_watch;
};

} // namespace vistrel::test
