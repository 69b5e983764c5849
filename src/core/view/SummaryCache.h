#pragma once
// Summaries kept on disk between runs, in the user's cache folder (never beside the
// recording). An entry is named after the file's identity and holds the file's size, times
// and a hash of its first and last 64 KiB; an entry that does not match the file now, or
// whose checksums fail, is not used. The folder is held under a size bound, oldest first out;
// temporaries left by a writer that died count toward the bound and are removed once stale.
// No entry is larger than its recording: such summaries are kept in memory only.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/view/Summaries.h"
#include "platform/FileIdentity.h"

namespace vistrel {

class CDataFile;

struct SummaryCacheKey {
    platform::FileIdentity identity;
    uint64_t contentHash = 0;   // first and last 64 KiB (the header lies in the first)
    bool operator==(const SummaryCacheKey& o) const;
    std::string EntryName() const;
};

// The key of an open recording: the identity taken from the file when it was mapped and a
// hash of the first and last 64 KiB read from that mapping. The path is never opened again,
// so the key always describes the bytes the summaries are built from. False when the
// recording is not open or a read of its mapping found a page missing.
bool MakeSummaryCacheKey(const CDataFile& recording, SummaryCacheKey& key);

// Format version of an entry; Load uses only entries of this version.
constexpr uint32_t kSummaryEntryVersion = 3;

constexpr uint64_t kSummaryCacheLimit = uint64_t{1} << 30;
// A temporary older than this is a dead writer's, whatever its name says.
constexpr int64_t kStaleTempSeconds = 3600;

class CSummaryCache {
public:
    explicit CSummaryCache(std::filesystem::path folder, uint64_t limitBytes = kSummaryCacheLimit)
        : m_folder(std::move(folder)), m_limit(limitBytes) {}

    // The entry for key if it is intact, matches key and fits src; null otherwise. A damaged
    // or stale entry is removed. A hit counts as a use for the size bound.
    std::shared_ptr<CSummaries> Load(const SummaryCacheKey& key, const ISampleSource& src) const;
    // Writes the entry (complete files only appear under the entry's name), then holds the
    // folder under the bound. False when it cannot be written, or when it would be larger
    // than the recording itself (a tiny file claiming a huge length must not fill the cache).
    bool Store(const SummaryCacheKey& key, const CSummaries& summaries) const;
    // Store with a payload already serialized and a given format version (Store passes the
    // current one; a test writes the entries an older program left).
    bool StorePayload(const SummaryCacheKey& key, const std::vector<uint8_t>& payload, uint32_t version) const;
    // Removes stale temporaries (older than kStaleTempSeconds, or written by a process that
    // no longer runs), then the least recently used entries until the folder, temporaries
    // still being written included, holds at most the bound.
    void Trim() const;

    // The temporary an entry is written to before it is renamed into place: the writer's
    // process id and a random part follow the entry's name.
    static std::string TempName(const SummaryCacheKey& key, long long pid, uint64_t random);

    std::filesystem::path EntryPath(const SummaryCacheKey& key) const { return m_folder / key.EntryName(); }
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    uint64_t m_limit;
};

} // namespace vistrel
