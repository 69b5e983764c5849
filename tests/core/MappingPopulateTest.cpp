// The Populate hint maps a range of a mapped file into the process at once: reading it
// afterwards takes no page fault (a write of the mapping to a file then copies without
// stopping on faults).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include "support/Fixtures.h"
#include "support/ShadowMemory.h"
#include "platform/MappedFile.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

#ifdef __linux__
long MinorFaults() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}
#endif

} // namespace


TEST(MappingPopulate, RangeReadsWithoutFaults) {
#if !defined(__linux__)
    GTEST_SKIP() << "page fault counts are read through getrusage on Linux";
#elif defined(VISTREL_SHADOW_MEMORY)
    GTEST_SKIP() << "a sanitizer's shadow memory takes page faults of its own";
#else
    TempDir dir;
    const size_t pages = 8192; // 32 MiB
    std::vector<std::uint8_t> bytes(pages * 4096 + 123, 7);
    WriteAll(dir / "f.bin", bytes);
    using Access = platform::CMappedFile::Access;
    struct Case {
        const char* what;
        bool populate;
        size_t most; // faults allowed while reading every page
    };
    const Case cases[] = {
        {"populated", true, 2},
        {"not populated (the reference: faults every few pages)", false, pages},
    };
    long unpopulated = 0;
    for (const Case& c : cases) {
        platform::CMappedFile map;
        ASSERT_TRUE(map.Open(dir / "f.bin"));
        if (c.populate) {
            ASSERT_TRUE(map.Advise(0, map.Size(), Access::Populate)) << c.what;
        }
        const long before = MinorFaults();
        unsigned sum = 0;
        for (size_t p = 0; p < pages; ++p)
            sum += map.Data()[p * 4096 + 5];
        const long faults = MinorFaults() - before;
        EXPECT_EQ(sum, 7u * pages) << c.what;
        EXPECT_LE(faults, static_cast<long>(c.most)) << c.what;
        if (!c.populate)
            unpopulated = faults;
    }
    if (unpopulated <= 4)
        GTEST_SKIP() << "this system maps a read file's pages without faults anyway";
#endif
}
