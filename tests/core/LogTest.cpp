#include "core/common/DebugLog.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include "TestPlatform.h"

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
    const std::string head = "Test messages\r\n(int)lang=1049(419)\r\nneg=-1(ffffffff)\r\na\r\nb\r\n" +
                             std::string(255, 'x') + "\r\n";
    const std::string tail = "\r\nDuration of a file(sec)=1.500000\r\n";
    const std::string text = Text(file);
    ASSERT_GE(text.size(), head.size() + tail.size()) << text;
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // A UTF-16 line is in the system's 8-bit code page, whatever the locale: it reads back
    // through the system's own decoder, or each letter the page lacks is a '?'.
    const std::string russian = text.substr(head.size(), text.size() - head.size() - tail.size());
    const std::optional<std::u16string> decoded = SystemDecode(AnsiCodePage(), russian);
    if (russian != "????") {
        ASSERT_TRUE(decoded.has_value()) << "code page " << AnsiCodePage();
        EXPECT_EQ(*decoded, u"Язык") << "code page " << AnsiCodePage();
    }
    if (AnsiCodePage() == 1251) {
        EXPECT_EQ(russian, "\xDF\xE7\xFB\xEA");
    }
    // The Russian keys are Windows-1251 in every locale.
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
