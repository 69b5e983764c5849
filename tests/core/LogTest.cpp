#include "core/common/DebugLog.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::test;

namespace {
std::string Text(const std::filesystem::path& p)
{
    auto b = ReadAll(p);
    return std::string(b.begin(), b.end());
}
} // namespace

TEST(DebugLog, LinesValuesTruncationAndLineEnds)
{
    TempDir dir;
    const auto file = dir / "Debug.txt";
    {
        CDebugLog log(file);
        log.WriteLine("first run");
    }
    CDebugLog log(file); // a new run truncates
    log.WriteValue("(int)lang", 1049);
    log.WriteValue("neg", -1);
    log.WriteLine("a\nb");
    log.WriteLineW(std::u16string(300, u'x'));
    log.WriteLineW(u"Язык");
    log.WriteFormat("%s=%lf", "Duration of a file(sec)", 1.5);
    const std::string expected = "Test messages\r\n(int)lang=1049(419)\r\nneg=-1(ffffffff)\r\na\r\nb\r\n" +
                                 std::string(255, 'x') + "\r\n\xDF\xE7\xFB\xEA\r\nDuration of a file(sec)=1.500000\r\n";
    EXPECT_EQ(Text(file), expected);
    EXPECT_EQ(LogKey("Число"), "\xD7\xE8\xF1\xEB\xEE");
}

TEST(DebugLog, UnwritableFileLosesTheLineQuietly)
{
    TempDir dir;
    CDebugLog log(dir / "missing" / "Debug.txt");
    log.WriteLine("lost");
    log.WriteValue("x", 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}
