#include "core/view/SummaryCache.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/recording/DataFile.h"
#include "platform/FileTimes.h"
#include "platform/MappedFile.h"

namespace vistrel {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'V', 'S', 'U', 'M', 'M', 'A', 'R', 'Y'};
// 3: the 65 536-row blocks carry moments. An entry of another version is removed and rebuilt.
constexpr uint32_t kVersion = kSummaryEntryVersion;
constexpr size_t kEdgeBytes = 64 * 1024;
constexpr const char* kEntrySuffix = ".vsum";
constexpr const char* kTempMarker = ".vsum.tmp";

struct EntryHeader {
    char magic[8];
    uint32_t version;
    uint32_t headerBytes;
    uint64_t device, file;
    int64_t size, writeTime, changeTime;
    uint64_t contentHash;
    uint64_t payloadBytes;
    uint64_t payloadHash;
    uint64_t headerHash;   // of everything above
};

uint64_t Fnv(const uint8_t* p, size_t n, uint64_t h = 0xcbf29ce484222325ull) {
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 0x100000001b3ull;
    }
    return h;
}

// Hash of a large payload: four independent multiply-xorshift lanes over 8-byte words (one
// byte-wise chain would take longer than reading the entry), the tail byte by byte.
uint64_t PayloadHash(const uint8_t* p, size_t n) {
    uint64_t lane[4] = {0x243f6a8885a308d3ull, 0x13198a2e03707344ull, 0xa4093822299f31d0ull, 0x082efa98ec4e6c89ull};
    size_t i = 0;
    for (; i + 32 <= n; i += 32)
        for (int j = 0; j < 4; ++j) {
            uint64_t w;
            std::memcpy(&w, p + i + 8 * j, 8);
            lane[j] = (lane[j] ^ w) * 0x9e3779b97f4a7c15ull;
            lane[j] ^= lane[j] >> 29;
        }
    uint64_t h = Fnv(p + i, n - i, n);
    for (const uint64_t l : lane) h = (h ^ l) * 0x100000001b3ull;
    return h;
}

uint64_t HeaderHash(const EntryHeader& h) {
    return Fnv(reinterpret_cast<const uint8_t*>(&h), offsetof(EntryHeader, headerHash));
}

// A file name with everything outside ASCII as '?': no conversion that could fail on a name
// someone else put in the folder.
std::string AsciiName(const fs::path& path) {
    std::string out;
    const fs::path name = path.filename();   // kept alive for the loop
    for (const auto ch : name.native()) {
        const auto code = static_cast<uint32_t>(ch);   // as unsigned, for char and wchar_t alike
        out += code > 0 && code < 128 ? static_cast<char>(code) : '?';
    }
    return out;
}

// Whether a temporary of this name is a dead writer's, judged by the process id in its name
// ("<entry>.vsum.tmp-<pid>-<random>"); a name without one is judged by age only.
bool WriterGone(const std::string& name) {
    const size_t at = name.find(kTempMarker);
    if (at == std::string::npos) return false;
    const char* p = name.c_str() + at + std::strlen(kTempMarker);
    if (*p != '-') return false;
    char* end = nullptr;
    const long long pid = std::strtoll(p + 1, &end, 10);
    if (end == p + 1 || *end != '-') return false;
    return !platform::ProcessMayBeAlive(pid);
}

} // namespace

bool SummaryCacheKey::operator==(const SummaryCacheKey& o) const {
    return identity.device == o.identity.device && identity.file == o.identity.file &&
           identity.size == o.identity.size && identity.writeTime == o.identity.writeTime &&
           contentHash == o.contentHash;
}

std::string SummaryCacheKey::EntryName() const {
    char name[64];
    std::snprintf(name, sizeof name, "%016llx-%016llx%s", static_cast<unsigned long long>(identity.device),
                  static_cast<unsigned long long>(identity.file), kEntrySuffix);
    return name;
}

bool MakeSummaryCacheKey(const CDataFile& recording, SummaryCacheKey& key) {
    if (!recording.IsOpen()) return false;
    key.identity = recording.OpenIdentity();
    const uint8_t* data = recording.MappedData();
    const uint64_t size = recording.FileSize();
    const size_t head = static_cast<size_t>(std::min<uint64_t>(size, kEdgeBytes));
    const size_t tail = static_cast<size_t>(std::min<uint64_t>(size, kEdgeBytes));
    uint64_t h = 0xcbf29ce484222325ull;
    if (size > 0) {
        h = Fnv(data, head, h);
        h = Fnv(data + (size - tail), tail, h);
    }
    key.contentHash = h;
    // A page that went missing under the reads hashed zeros, not the file.
    return !recording.MappingDamaged();
}

std::string CSummaryCache::TempName(const SummaryCacheKey& key, long long pid, uint64_t random) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%lld-%016llx", pid, static_cast<unsigned long long>(random));
    return key.EntryName() + suffix;
}

std::shared_ptr<CSummaries> CSummaryCache::Load(const SummaryCacheKey& key, const ISampleSource& src) const {
    if (m_folder.empty()) return nullptr;
    const fs::path path = EntryPath(key);
    std::error_code ec;
    if (!fs::exists(path, ec)) return nullptr;
    // Mapped rather than read: the entry is hashed and copied once, straight from the pages.
    // A writer replaces entries by renaming, so the mapped file never changes under us; a
    // file cut short by someone else reads as zeros and fails the check.
    std::shared_ptr<CSummaries> s;
    {
        platform::CMappedFile map;
        if (map.Open(path) && map.Size() >= sizeof(EntryHeader)) {
            const uint8_t* bytes = map.Data();
            const uint64_t size = map.Size();
            EntryHeader h;
            std::memcpy(&h, bytes, sizeof h);
            const uint8_t* payload = bytes + sizeof h;
            const bool intact = std::memcmp(h.magic, kMagic, 8) == 0 && h.version == kVersion &&
                                h.headerBytes == sizeof h && h.headerHash == HeaderHash(h) &&
                                h.payloadBytes == size - sizeof h &&
                                h.payloadHash == PayloadHash(payload, static_cast<size_t>(h.payloadBytes));
            const bool current = intact && h.device == key.identity.device && h.file == key.identity.file &&
                                 h.size == key.identity.size && h.writeTime == key.identity.writeTime &&
                                 h.contentHash == key.contentHash;
            if (current) s = CSummaries::Deserialize(payload, static_cast<size_t>(h.payloadBytes));
            if (s && (!s->Fits(src) || map.Damaged())) s.reset();
        }
    }
    if (!s) {
        fs::remove(path, ec);   // damaged or stale: rebuilt and written again
        return nullptr;
    }
    fs::last_write_time(path, fs::file_time_type::clock::now(), ec);
    return s;
}

bool CSummaryCache::Store(const SummaryCacheKey& key, const CSummaries& summaries) const {
    return StorePayload(key, summaries.Serialize(), kVersion);
}

bool CSummaryCache::StorePayload(const SummaryCacheKey& key, const std::vector<uint8_t>& payload,
                                 uint32_t version) const {
    if (m_folder.empty()) return false;
    if (sizeof(EntryHeader) + payload.size() > static_cast<uint64_t>(std::max<int64_t>(key.identity.size, 0)))
        return false;
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    EntryHeader h{};
    std::memcpy(h.magic, kMagic, 8);
    h.version = version;
    h.headerBytes = sizeof h;
    h.device = key.identity.device;
    h.file = key.identity.file;
    h.size = key.identity.size;
    h.writeTime = key.identity.writeTime;
    h.changeTime = key.identity.changeTime;
    h.contentHash = key.contentHash;
    h.payloadBytes = payload.size();
    h.payloadHash = PayloadHash(payload.data(), payload.size());
    h.headerHash = HeaderHash(h);
    // A uniquely named temporary, renamed over the entry once complete: a reader or a
    // second run never sees half an entry. The writer's process id in the name lets a later
    // trim tell a killed writer's leftover from one still being written.
    std::random_device rd;
    const uint64_t random = (uint64_t{rd()} << 32) ^ rd();
    const fs::path final = EntryPath(key);
    const fs::path temp = m_folder / TempName(key, platform::CurrentProcessId(), random);
    std::FILE* f = platform::OpenFile(temp, "wb");
    if (!f) return false;
    bool ok = std::fwrite(&h, sizeof h, 1, f) == 1 &&
              (payload.empty() || std::fwrite(payload.data(), payload.size(), 1, f) == 1);
    ok = std::fclose(f) == 0 && ok;
    if (ok) fs::rename(temp, final, ec);
    if (!ok || ec) {
        fs::remove(temp, ec);
        return false;
    }
    Trim();
    return true;
}

void CSummaryCache::Trim() const {
    struct Entry {
        fs::path path;
        fs::file_time_type time;
        uintmax_t size;
    };
    std::vector<Entry> entries;
    uintmax_t total = 0;
    std::error_code ec;
    const fs::file_time_type staleBefore = fs::file_time_type::clock::now() - std::chrono::seconds(kStaleTempSeconds);
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (!it->is_regular_file(e2)) continue;
        const std::string name = AsciiName(it->path());
        const bool temp = name.find(kTempMarker) != std::string::npos;
        if (!temp && it->path().extension() != kEntrySuffix) continue;
        Entry e{it->path(), it->last_write_time(e2), it->file_size(e2)};
        if (e2) continue;
        if (temp) {
            // A live writer's temporary is counted, never evicted: it is renamed shortly.
            if ((e.time < staleBefore || WriterGone(name)) && fs::remove(e.path, e2)) continue;
            total += e.size;
            continue;
        }
        total += e.size;
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) { return x.time < y.time; });
    for (const Entry& e : entries) {
        if (total <= m_limit) break;
        if (fs::remove(e.path, ec)) total -= e.size;
    }
}

} // namespace vistrel
