#include "core/config/Configuration.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/FileCheck.h"

namespace vistrel {
namespace {

// Splits text into lines. A line ends at LF, at CR LF, or at a CR alone (files written with
// CR line ends); a run of CRs before one LF counts as one line end.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}
    bool Next(std::string& line) {
        if (m_pos >= m_text.size()) return false;
        size_t end = m_text.find_first_of("\r\n", m_pos);
        if (end == std::string_view::npos) end = m_text.size();
        line.assign(m_text.substr(m_pos, end - m_pos));
        m_pos = end;
        while (m_pos < m_text.size() && m_text[m_pos] == '\r') ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A small scanf-like reader: numbers skip leading blanks; a failed field leaves its target
// untouched and stops nothing else (callers decide). Locale-independent.
class Scanner {
public:
    explicit Scanner(std::string_view s) : m_s(s) {}
    void SkipWs() {
        while (m_p < m_s.size() && IsSpace(m_s[m_p])) ++m_p;
    }
    // "%d" with an optional field width (counted after the blanks, sign included).
    bool Int(int32_t& out, size_t width = 64) {
        SkipWs();
        size_t p = m_p;
        size_t limit = std::min(m_s.size(), p + width);
        bool neg = false;
        if (p < limit && (m_s[p] == '-' || m_s[p] == '+')) {
            neg = m_s[p] == '-';
            ++p;
        }
        size_t digits = p;
        int64_t v = 0;
        while (p < limit && m_s[p] >= '0' && m_s[p] <= '9') {
            if (v < 10000000000LL) v = v * 10 + (m_s[p] - '0');
            ++p;
        }
        if (p == digits) return false;
        if (neg) v = -v;
        if (v > INT32_MAX) v = INT32_MAX;
        if (v < INT32_MIN) v = INT32_MIN;
        out = static_cast<int32_t>(v);
        m_p = p;
        return true;
    }
    // "%x": optional sign and "0x" prefix, hexadecimal digits.
    bool Hex(uint32_t& out) {
        SkipWs();
        size_t p = m_p;
        bool neg = false;
        if (p < m_s.size() && (m_s[p] == '-' || m_s[p] == '+')) {
            neg = m_s[p] == '-';
            ++p;
        }
        if (p + 2 < m_s.size() && m_s[p] == '0' && (m_s[p + 1] | 0x20) == 'x' &&
            std::isxdigit(static_cast<unsigned char>(m_s[p + 2])))
            p += 2;
        uint32_t v = 0;
        size_t digits = p;
        while (p < m_s.size() && std::isxdigit(static_cast<unsigned char>(m_s[p]))) {
            char c = m_s[p];
            int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            v = v * 16 + static_cast<uint32_t>(d);
            ++p;
        }
        if (p == digits) return false;
        out = neg ? 0u - v : v;
        m_p = p;
        return true;
    }
    // "%lg".
    bool Double(double& out) {
        SkipWs();
        size_t p = m_p;
        if (p < m_s.size() && m_s[p] == '+') ++p;
        double v = 0;
        auto [ptr, ec] = std::from_chars(m_s.data() + p, m_s.data() + m_s.size(), v);
        if (ec != std::errc()) return false;
        out = v;
        m_p = static_cast<size_t>(ptr - m_s.data());
        return true;
    }

private:
    std::string_view m_s;
    size_t m_p = 0;
};

std::string_view Behind(std::string_view line, size_t prefixLength) {
    return line.size() > prefixLength ? line.substr(prefixLength) : std::string_view{};
}

// Whole numbers: "%4d" only pads, so -1920 or 10240 are five characters wide.
void ScanRect(std::string_view s, ConfigRect& r) {
    Scanner sc(s);
    sc.Int(r.left) && sc.Int(r.top) && sc.Int(r.right) && sc.Int(r.bottom);
}

// Value lists "v0|v1|...": slot 0 from the start, each next slot behind the next "|".
void ScanBarList(std::string_view s, std::array<int32_t, kConfigChannels>& slots) {
    size_t p = 0;
    for (int i = 0; i < kConfigChannels; ++i) {
        if (i > 0) {
            size_t bar = s.find('|', p);
            if (bar == std::string_view::npos) return;
            p = bar + 1;
        }
        Scanner sc(s.substr(p));
        sc.Int(slots[i]);
    }
}

void ScanColors(std::string_view s, std::array<uint32_t, kConfigChannels>& colors) {
    size_t p = 0;
    for (int i = 0; i < kConfigChannels; ++i) {
        size_t bar = s.find('|', p);
        if (bar == std::string_view::npos) return;
        p = bar + 1;
        Scanner sc(s.substr(p));
        sc.Hex(colors[i]);
    }
}

std::string TitlePath(std::string line) {
    size_t last = line.rfind('\'');
    if (last != std::string::npos) line.resize(last);
    size_t first = line.find('\'');
    if (first != std::string::npos) return line.substr(first + 1);
    return line;
}

bool ParseHistoryLine(const std::string& line, HistoryEntry& e) {
    // Five fields, then the path up to the last ";" (a path may itself hold ";").
    size_t p = 0;
    std::string* fields[5] = {&e.date, &e.time, &e.size, &e.rate, &e.duration};
    for (std::string* f : fields) {
        size_t semi = line.find(';', p);
        if (semi == std::string::npos) return false;
        f->assign(line, p, semi - p);
        p = semi + 1;
    }
    size_t last = line.rfind(';');
    if (last == std::string::npos || last < p) return false;
    e.path.assign(line, p, last - p);
    e.missing = 0;
    return true;
}

std::string FormatFixed(double v, int precision) {
    if (!std::isfinite(v)) v = 0.0;
    char buf[400];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    if (ec != std::errc()) return "0";
    return std::string(buf, ptr);
}

template <typename... Args>
void Append(std::string& out, const char* fmt, Args... args) {
    char buf[256];
    int n = std::snprintf(buf, sizeof buf, fmt, args...);
    if (n > 0) out.append(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

// Reads a regular file only (a FIFO or a folder would hang or throw); never throws.
bool ReadWholeFile(const std::string& path, std::string& out, platform::FileProblem* problem = nullptr) {
    platform::FileProblem why = platform::CheckReadableFile(path);
    if (why == platform::FileProblem::None) {
        try {
            std::ifstream in(path, std::ios::binary);
            if (!in) {
                why = platform::FileProblem::Other;
            } else {
                out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                if (in.bad()) why = platform::FileProblem::Other;
            }
        } catch (const std::exception&) {
            why = platform::FileProblem::Other;
        }
    }
    if (problem) *problem = why;
    if (why != platform::FileProblem::None) out.clear();
    return why == platform::FileProblem::None;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

std::string DefaultConfigText() {
    std::string s;
    Append(s, "%2d\r\n", 0);
    Append(s, "MainWindow=%4d %4d %4d %4d\r\n", kDefaultMainRect.left, kDefaultMainRect.top,
           kDefaultMainRect.right, kDefaultMainRect.bottom);
    return s;
}

ConfigRect ReadMainGeometry(const std::string& cfgPath, platform::FileProblem* problem) {
    ConfigRect r = kDefaultMainRect;
    std::string text;
    platform::FileProblem why = platform::FileProblem::None;
    if (!ReadWholeFile(cfgPath, text, &why)) {
        // Only a missing file is created; anything else in its place is left alone.
        if (why != platform::FileProblem::NotFound) {
            if (problem) *problem = why;
            return r;
        }
        WriteWholeFile(cfgPath, DefaultConfigText());
        ReadWholeFile(cfgPath, text);
    }
    if (problem) *problem = platform::FileProblem::None;
    LineReader lines(text);
    std::string line;
    if (!lines.Next(line) || !lines.Next(line)) return r;
    ScanRect(Behind(line, 11), r);
    return r;
}

ConfigData ParseConfiguration(std::string_view text, bool restoreWindows) {
    ConfigData d;
    LineReader lines(text);
    std::string line;
    if (!lines.Next(line)) return d;
    int32_t n = 0;
    Scanner(line).Int(n);
    if (lines.Next(line)) ScanRect(Behind(line, 11), d.mainRect);
    if (n < 0 || n > kMaxSavedWindows) return d;

    bool pending = false; // `line` already holds the line after the blocks
    for (int i = 0; i < n; ++i) {
        // A file announcing more blocks than it holds: the blocks end where no "Window" line
        // follows, and that line is read again as the history's start.
        if (!lines.Next(line)) break;
        if (line.compare(0, 6, "Window") != 0) {
            pending = true;
            break;
        }
        SavedWindow w;
        w.settings.widths.fill(1);
        WindowSettings& s = w.settings;
        ScanRect(Behind(line, 7), w.rect);
        if (lines.Next(line)) Scanner(Behind(line, 10)).Int(s.selectedChannel);
        if (lines.Next(line)) w.path = TitlePath(line);
        if (lines.Next(line)) {
            Scanner sc(Behind(line, 7));
            sc.Int(s.hZoom) && sc.Int(s.vZoom) && sc.Double(s.hCenter) && sc.Double(s.vCenter);
        }
        if (lines.Next(line)) {
            ScanColors(Behind(line, 7), s.colors);
            w.channelCount = static_cast<int32_t>(std::count(line.begin(), line.end(), '|'));
        }
        if (lines.Next(line)) ScanBarList(Behind(line, 8), s.shown);
        if (lines.Next(line)) {
            if (line.compare(0, 6, "Widths") == 0) {
                ScanBarList(Behind(line, 7), s.widths);
                if (!lines.Next(line)) line.clear();
            }
            Scanner(Behind(line, 10)).Int(s.timeLabelStyle);
        }
        // Values no window could use: non-finite centres read as not given, pen widths stay
        // within what a recording can store (4 bits).
        if (!std::isfinite(s.hCenter)) s.hCenter = 0.0;
        if (!std::isfinite(s.vCenter)) s.vCenter = 0.0;
        for (int32_t& width : s.widths) width = std::clamp(width, 0, 15);
        if (restoreWindows) d.windows.push_back(std::move(w));
    }

    if ((pending || lines.Next(line)) && line.compare(0, 13, ";HistoryBegin") == 0) {
        while (d.history.count < kMaxHistory && lines.Next(line)) {
            if (line.compare(0, 11, ";HistoryEnd") == 0) break;
            HistoryEntry e;
            if (!ParseHistoryLine(line, e)) break;
            if (e.path.empty()) continue; // a free entry would end the history when saved
            d.history.entries[d.history.count++] = std::move(e);
        }
    }
    return d;
}

bool LoadConfiguration(const std::string& cfgPath, bool restoreWindows, ConfigData& out) {
    std::string text;
    if (!ReadWholeFile(cfgPath, text)) {
        out = ConfigData{};
        return false;
    }
    out = ParseConfiguration(text, restoreWindows);
    return true;
}

std::string FormatConfiguration(const ConfigData& data) {
    std::string s;
    int n = static_cast<int>(std::min<size_t>(data.windows.size(), kMaxSavedWindows));
    Append(s, "%2d\r\n", n);
    const ConfigRect& m = data.mainRect;
    Append(s, "MainWindow=%4d %4d %4d %4d\r\n", m.left, m.top, m.right, m.bottom);
    for (int i = 0; i < n; ++i) {
        const SavedWindow& w = data.windows[i];
        const WindowSettings& st = w.settings;
        Append(s, "Window=%4d %4d %4d %4d\r\n", w.rect.left, w.rect.top, w.rect.right, w.rect.bottom);
        Append(s, "ScaleChan=%d\r\n", st.selectedChannel);
        s += "TitleW='";
        s += w.path;
        s += "'\r\n";
        Append(s, "Scales=%d %d %.0f %.0f\r\n", st.hZoom, st.vZoom,
               std::isfinite(st.hCenter) ? st.hCenter : 0.0, std::isfinite(st.vCenter) ? st.vCenter : 0.0);
        s += "Colors=";
        int colours = std::clamp(w.channelCount, 0, kConfigChannels);
        for (int c = 0; c < colours; ++c) Append(s, "|%06x", static_cast<unsigned>(st.colors[c]));
        s += "\r\nVisible=";
        for (int c = 0; c < kConfigChannels; ++c) Append(s, "%d|", st.shown[c]);
        s += "\r\nWidths=";
        for (int c = 0; c < kConfigChannels; ++c) Append(s, "%d|", st.widths[c]);
        s += "\r\n";
        Append(s, "TimeScale=%d\r\n", st.timeLabelStyle);
    }
    s += ";HistoryBegin\r\n";
    for (int i = 0; i < kMaxHistory; ++i) {
        const HistoryEntry& e = data.history.entries[i];
        if (e.path.empty()) break;
        s += e.date + ';' + e.time + ';' + e.size + ';' + e.rate + ';' + e.duration + ';' + e.path + ";\r\n";
    }
    s += ";HistoryEnd\r\n";
    return s;
}

bool SaveConfiguration(const std::string& cfgPath, const std::string& bakPath, const ConfigData& data) {
    // Something that is not a readable file (a folder, a FIFO) stays where it is.
    const platform::FileProblem problem = platform::CheckReadableFile(cfgPath);
    if (problem != platform::FileProblem::None && problem != platform::FileProblem::NotFound) return false;
    std::remove(bakPath.c_str());
    const bool backedUp = std::rename(cfgPath.c_str(), bakPath.c_str()) == 0;
    if (WriteWholeFile(cfgPath, FormatConfiguration(data))) return true;
    // The new file could not be written: the previous one stays the configuration.
    std::remove(cfgPath.c_str());
    if (backedUp) std::rename(bakPath.c_str(), cfgPath.c_str());
    return false;
}

HistoryEntry MakeHistoryEntry(const std::string& path, const LocalClock& now, int64_t samplesPerChannel,
                              int channels, float rate) {
    HistoryEntry e;
    e.path = path;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%02d", now.day, now.month, now.year - 2000);
    e.date = buf;
    std::snprintf(buf, sizeof buf, "%02d:%02d", now.hour, now.minute);
    e.time = buf;
    e.size = FormatFixed(static_cast<double>(samplesPerChannel), 0) + "x" + std::to_string(channels);
    double r = rate;
    e.rate = FormatFixed(r, r < 1000.0 ? 1 : 0);
    int64_t t = 0; // length in 100-ns units
    if (r > 0.0 && std::isfinite(r)) {
        double v = (10000000.0 / r) * static_cast<double>(samplesPerChannel);
        if (v < 9.2e18 && v > -9.2e18) t = static_cast<int64_t>(v);
    }
    double seconds = static_cast<double>(t) * 0.0000001;
    e.duration = FormatFixed(seconds, seconds < 1000.0 ? 1 : 0);
    return e;
}

bool IsSameHistoryFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false; // free entries are no file
    if (a == b) return true;
    try {
        return platform::IsSameFile(std::filesystem::path(a), std::filesystem::path(b));
    } catch (const std::exception&) {
        return false; // a name the system cannot take: only its text counts
    }
}

namespace {
// Removes entry i and closes up the list behind it.
void RemoveHistoryEntry(History& history, int i) {
    for (int k = i; k + 1 < kMaxHistory; ++k) history.entries[k] = std::move(history.entries[k + 1]);
    history.entries[kMaxHistory - 1] = HistoryEntry{};
    history.count = std::max(history.count - 1, 0);
}
} // namespace

void AddToHistory(History& history, HistoryEntry entry) {
    for (int i = std::min(history.count, kMaxHistory) - 1; i >= 0; --i)
        if (IsSameHistoryFile(history.entries[i].path, entry.path)) RemoveHistoryEntry(history, i);
    for (int i = kMaxHistory - 1; i > 0; --i) history.entries[i] = std::move(history.entries[i - 1]);
    entry.missing = 0;
    history.entries[0] = std::move(entry);
    history.count = std::min(history.count + 1, kMaxHistory);
}

void DropDuplicateHistoryEntries(History& history) {
    for (int i = 0; i < std::min(history.count, kMaxHistory); ++i)
        for (int k = std::min(history.count, kMaxHistory) - 1; k > i; --k)
            if (IsSameHistoryFile(history.entries[i].path, history.entries[k].path)) RemoveHistoryEntry(history, k);
}

std::vector<SavedWindow> ReadSavedWindows(const std::string& cfgPath) {
    ConfigData data;
    if (!LoadConfiguration(cfgPath, true, data)) return {};
    return std::move(data.windows);
}

void CheckHistoryFiles(History& history) {
    DropDuplicateHistoryEntries(history);
    for (int i = 0; i < history.count && i < kMaxHistory; ++i) {
        HistoryEntry& e = history.entries[i];
        if (e.path.empty()) continue;
        // Checked without opening for reading: a FIFO under a remembered name must not hang.
        e.missing = platform::CheckReadableFile(e.path) == platform::FileProblem::None ? 0 : 1;
    }
}

} // namespace vistrel
