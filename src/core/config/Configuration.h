#pragma once
// The configuration file "Vistrel.cfg": main window geometry, the saved plot windows with
// their display settings, and the open history. 8-bit text, CR LF line ends on every system.
// Texts (paths, history fields) are kept as the file's 8-bit bytes; the GUI converts them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileCheck.h"

namespace vistrel {

inline constexpr int kMaxHistory = 12;
inline constexpr int kMaxSavedWindows = 32;
inline constexpr int kConfigChannels = 256;

inline constexpr const char* kConfigFileName = "Vistrel.cfg";
inline constexpr const char* kConfigBackupName = "Vistrel.bak";

struct ConfigRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const ConfigRect&) const = default;
};

inline constexpr ConfigRect kDefaultMainRect{20, 40, 1280, 960};

struct HistoryEntry {
    std::string date;     // "dd.mm.yy"
    std::string time;     // "hh:mm"
    std::string size;     // "<samples>x<channels>"
    std::string rate;     // Hz
    std::string duration; // seconds
    std::string path;     // empty: free entry
    int32_t missing = 0;  // 1 when the file failed to open at the last check
    bool operator==(const HistoryEntry&) const = default;
};

// The history: entry 0 is the newest.
struct History {
    std::array<HistoryEntry, kMaxHistory> entries{};
    int32_t count = 0;
    void Clear() { *this = History{}; }
};

// Display settings of one saved plot window.
struct WindowSettings {
    std::array<int32_t, kConfigChannels> shown{};
    int32_t selectedChannel = 0;
    int32_t timeLabelStyle = 0;
    std::array<uint32_t, kConfigChannels> colors{}; // 0x00BBGGRR
    int32_t hZoom = 0;
    int32_t vZoom = 0;
    double hCenter = 0.0;
    double vCenter = 0.0;
    std::array<int32_t, kConfigChannels> widths{};
    bool operator==(const WindowSettings&) const = default;
};

// One window block of the file.
struct SavedWindow {
    ConfigRect rect;
    std::string path;       // the window title, i.e. the recording's path
    int32_t channelCount = 0; // colours written for this many channels
    WindowSettings settings;
};

struct ConfigData {
    ConfigRect mainRect = kDefaultMainRect;
    std::vector<SavedWindow> windows;
    History history;
};

// Text of a file created from scratch: " 0" and the default geometry.
std::string DefaultConfigText();

// Main window geometry from the second line; creates the file with the defaults when it
// is missing. Fields that do not parse keep their defaults. When something other than a
// readable file stands under the name, it is left alone, the defaults are returned and
// `problem` says why (None otherwise).
ConfigRect ReadMainGeometry(const std::string& cfgPath, platform::FileProblem* problem = nullptr);

// Parses the whole file. With restoreWindows false the window blocks are read past but not
// returned (a command line switches the saved windows off; the history is still read).
// A count outside 0..32 discards every window block and the history. Numbers are read whole;
// lines may end in CR LF, LF or CR. Fewer blocks than announced: the blocks end at the first
// line that is not a "Window" line.
ConfigData ParseConfiguration(std::string_view text, bool restoreWindows);

// Reads and parses the file; false (and empty data) when it cannot be opened.
bool LoadConfiguration(const std::string& cfgPath, bool restoreWindows, ConfigData& out);

// The file's bytes for the data. At most 32 windows are written (more could not be read
// back), the history from entry 0 while paths are not empty.
std::string FormatConfiguration(const ConfigData& data);

// Keeps the old file as the backup and writes the new one. When the new file cannot be
// written, the old one is put back and false returned. A name held by something other than a
// readable file (a folder, a FIFO, an unreadable file) is not touched: false.
bool SaveConfiguration(const std::string& cfgPath, const std::string& bakPath,
                       const ConfigData& data);

struct LocalClock {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// The history entry for a recording opened now.
HistoryEntry MakeHistoryEntry(const std::string& path, const LocalClock& now,
                              int64_t samplesPerChannel, int channels, float rate);

// Whether two history paths name one file: the same device and inode (volume and file id)
// when both exist, else the same text.
bool IsSameHistoryFile(const std::string& a, const std::string& b);

// Pushes the entry in front; an older entry of the same file (under any spelling) leaves the
// list, else the twelfth entry is dropped.
void AddToHistory(History& history, HistoryEntry entry);

// Keeps one entry per file, the newest one with its spelling; later ones close up.
void DropDuplicateHistoryEntries(History& history);

// Drops duplicate entries, then marks every used entry whose file cannot be opened for reading.
void CheckHistoryFiles(History& history);

// The window blocks of the file at cfgPath as a plain start would restore them (none when it
// cannot be read). A run that does not save its own windows writes these back unchanged.
std::vector<SavedWindow> ReadSavedWindows(const std::string& cfgPath);

} // namespace vistrel
