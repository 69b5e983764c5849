// Configuration file "Vistrel.cfg": format, tolerance rules, history.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/config/Configuration.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& p, const std::string& s) {
    std::ofstream out(p, std::ios::binary);
    out << s;
}

struct TempDir {
    fs::path dir;
    TempDir() {
        dir = fs::temp_directory_path() / ("vistrel_cfg_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~TempDir() { fs::remove_all(dir); }
    std::string operator/(const char* name) const { return (dir / name).string(); }
};

SavedWindow SampleWindow(const std::string& path, int channels) {
    SavedWindow w;
    w.rect = {10, 20, 650, 500};
    w.path = path;
    w.channelCount = channels;
    w.settings.selectedChannel = 1;
    w.settings.timeLabelStyle = 1;
    w.settings.hZoom = 5;
    w.settings.vZoom = 2;
    w.settings.hCenter = 12345.4;
    w.settings.vCenter = 499.6;
    w.settings.widths.fill(1);
    for (int c = 0; c < channels; ++c) {
        w.settings.colors[c] = 0x00E0E0u + static_cast<uint32_t>(c);
        w.settings.shown[c] = c % 2 ? 0 : 1;
        w.settings.widths[c] = 1 + c % 3;
    }
    return w;
}

} // namespace

TEST(Config, MissingFileIsCreatedWithDefaults) {
    TempDir t;
    const std::string cfg = t / "Vistrel.cfg";
    ConfigRect r = ReadMainGeometry(cfg);
    EXPECT_EQ(r, (ConfigRect{20, 40, 1280, 960}));
    EXPECT_EQ(ReadFile(cfg), " 0\r\nMainWindow=  20   40 1280  960\r\n");

    // A second line that does not parse keeps the defaults field by field.
    WriteFile(cfg, " 0\r\nMainWindow= 100  200 abc\r\n");
    EXPECT_EQ(ReadMainGeometry(cfg), (ConfigRect{100, 200, 1280, 960}));
    // The name of the second line is not compared; parsing starts at its twelfth character.
    WriteFile(cfg, " 0\r\nXXXXXXXXXXX   1    2    3    4\r\n");
    EXPECT_EQ(ReadMainGeometry(cfg), (ConfigRect{1, 2, 3, 4}));
}

TEST(Config, WriteIsByteExact) {
    ConfigData d;
    d.mainRect = {5, 6, 1000, 800};
    d.windows.push_back(SampleWindow("/data/rec one.kvf", 2));
    d.history.entries[0] = {"07.12.26", "10:05", "60000x2", "1000", "60.0", "/data/a.kvf", 0};
    d.history.count = 1;
    const std::string s = FormatConfiguration(d);
    std::string visible, widths;
    for (int c = 0; c < 256; ++c) {
        visible += std::to_string(c < 2 ? (c % 2 ? 0 : 1) : 0) + "|";
        widths += std::to_string(c < 2 ? 1 + c % 3 : 1) + "|";
    }
    const std::string expected =
        " 1\r\n"
        "MainWindow=   5    6 1000  800\r\n"
        "Window=  10   20  650  500\r\n"
        "ScaleChan=1\r\n"
        "TitleW='/data/rec one.kvf'\r\n"
        "Scales=5 2 12345 500\r\n"
        "Colors=|00e0e0|00e0e1\r\n"
        "Visible=" + visible + "\r\n"
        "Widths=" + widths + "\r\n"
        "TimeScale=1\r\n"
        ";HistoryBegin\r\n"
        "07.12.26;10:05;60000x2;1000;60.0;/data/a.kvf;\r\n"
        ";HistoryEnd\r\n";
    EXPECT_EQ(s, expected);
}

TEST(Config, RoundTripAndBackup) {
    TempDir t;
    const std::string cfg = t / "Vistrel.cfg", bak = t / "Vistrel.bak";
    WriteFile(cfg, "old");
    ConfigData d;
    d.windows.push_back(SampleWindow("/x/a.kvf", 3));
    d.windows.push_back(SampleWindow("/x/b;c.kvf", 256));
    for (int i = 0; i < 12; ++i) {
        d.history.entries[i] = {"01.01.26", "00:00", "1x1", "1.0", "1.0", "/h/" + std::to_string(i) + ";x.kvf", 0};
    }
    d.history.count = 12;
    ASSERT_TRUE(SaveConfiguration(cfg, bak, d));
    EXPECT_EQ(ReadFile(bak), "old");

    ConfigData back;
    ASSERT_TRUE(LoadConfiguration(cfg, true, back));
    ASSERT_EQ(back.windows.size(), 2u);
    EXPECT_EQ(back.windows[1].path, "/x/b;c.kvf");
    EXPECT_EQ(back.windows[0].rect, d.windows[0].rect);
    EXPECT_EQ(back.windows[1].channelCount, 256);
    WindowSettings expected = d.windows[1].settings;
    expected.hCenter = 12345; // centres are stored rounded
    expected.vCenter = 500;
    EXPECT_EQ(back.windows[1].settings, expected);
    EXPECT_EQ(back.history.count, 12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(back.history.entries[i], d.history.entries[i]) << i;

    // A command line: no windows, the history still read.
    ConfigData noWindows;
    ASSERT_TRUE(LoadConfiguration(cfg, false, noWindows));
    EXPECT_TRUE(noWindows.windows.empty());
    EXPECT_EQ(noWindows.history.count, 12);

    // Saving a second time keeps exactly one backup generation: the previous file.
    const std::string first = ReadFile(cfg);
    ASSERT_TRUE(SaveConfiguration(cfg, bak, ConfigData{}));
    EXPECT_EQ(ReadFile(bak), first);
    EXPECT_FALSE(LoadConfiguration(t / "none.cfg", true, back));
    EXPECT_TRUE(back.windows.empty());
}

TEST(Config, ToleranceRules) {
    const std::string hist = ";HistoryBegin\r\n01.02.26;03:04;5x1;10.0;0.5;/p.kvf;\r\n;HistoryEnd\r\n";
    // A count outside 0..32 drops every window block and the history.
    ConfigData d = ParseConfiguration("33\r\nMainWindow=   1    2    3    4\r\n" + hist, true);
    EXPECT_TRUE(d.windows.empty());
    EXPECT_EQ(d.history.count, 0);
    EXPECT_EQ(d.mainRect, (ConfigRect{1, 2, 3, 4}));
    d = ParseConfiguration("-1\r\nMainWindow=   1    2    3    4\r\n" + hist, true);
    EXPECT_EQ(d.history.count, 0);

    // A block without the Widths line (older files): widths 1; a short Colors line leaves
    // the other colours 0; no apostrophes: the title line is taken whole.
    const std::string block =
        " 1\nMainWindow=   0    0  800  600\n"
        "Window=   1    2    3    4\nScaleChan=2\nTitleW=noquotes\nScales=3 1 77.5 250\n"
        "Colors=|ff0000|00ff00\nVisible=1|0|1|\nTimeScale=1\n" + hist;
    d = ParseConfiguration(block, true);
    ASSERT_EQ(d.windows.size(), 1u);
    const WindowSettings& s = d.windows[0].settings;
    EXPECT_EQ(d.windows[0].path, "TitleW=noquotes");
    EXPECT_EQ(s.selectedChannel, 2);
    EXPECT_EQ(s.hZoom, 3);
    EXPECT_EQ(s.vZoom, 1);
    EXPECT_DOUBLE_EQ(s.hCenter, 77.5);
    EXPECT_DOUBLE_EQ(s.vCenter, 250.0);
    EXPECT_EQ(s.colors[0], 0xff0000u);
    EXPECT_EQ(s.colors[1], 0x00ff00u);
    EXPECT_EQ(s.colors[2], 0u);
    EXPECT_EQ(s.shown[0], 1);
    EXPECT_EQ(s.shown[1], 0);
    EXPECT_EQ(s.shown[2], 1);
    EXPECT_EQ(s.shown[3], 0);
    for (int c = 0; c < 256; ++c) ASSERT_EQ(s.widths[c], 1);
    EXPECT_EQ(s.timeLabelStyle, 1);
    EXPECT_EQ(d.history.count, 1);
    EXPECT_EQ(d.history.entries[0].path, "/p.kvf");

    // Absurd values are tamed: non-finite centres, huge pen widths.
    d = ParseConfiguration(" 1\nMainWindow=\nWindow=\nScaleChan=0\nTitleW='/a'\nScales=1 1 nan inf\n"
                           "Colors=\nVisible=1|\nWidths=99999|-4|2|\nTimeScale=0\n", true);
    ASSERT_EQ(d.windows.size(), 1u);
    EXPECT_EQ(d.windows[0].settings.hCenter, 0.0);
    EXPECT_EQ(d.windows[0].settings.vCenter, 0.0);
    EXPECT_EQ(d.windows[0].settings.widths[0], 15);
    EXPECT_EQ(d.windows[0].settings.widths[1], 0);
    EXPECT_EQ(d.windows[0].settings.widths[2], 2);

    // History: a line with fewer than six ";" ends it; at most 12 entries are read.
    std::string many = " 0\r\nMainWindow=\r\n;HistoryBegin\r\n";
    for (int i = 0; i < 14; ++i) many += "a;b;c;d;e;/f" + std::to_string(i) + ";\r\n";
    many += ";HistoryEnd\r\n";
    d = ParseConfiguration(many, true);
    EXPECT_EQ(d.history.count, 12);
    EXPECT_EQ(d.history.entries[11].path, "/f11");
    d = ParseConfiguration(" 0\r\nMainWindow=\r\n;HistoryBegin\r\na;b;c;d;e;/ok;\r\nbroken;line\r\na;b;c;d;e;/late;\r\n", true);
    EXPECT_EQ(d.history.count, 1);
    // An entry without a path is skipped rather than cutting the history short.
    d = ParseConfiguration(" 0\r\nMainWindow=\r\n;HistoryBegin\r\na;b;c;d;e;;\r\na;b;c;d;e;/next;\r\n", true);
    EXPECT_EQ(d.history.count, 1);
    EXPECT_EQ(d.history.entries[0].path, "/next");
    // Empty or garbage files give the defaults.
    d = ParseConfiguration("", true);
    EXPECT_EQ(d.mainRect, kDefaultMainRect);
    d = ParseConfiguration("xx\n", true);
    EXPECT_TRUE(d.windows.empty());
}

TEST(Config, MoreThan32WindowsAreCappedOnSave) {
    ConfigData d;
    for (int i = 0; i < 40; ++i) d.windows.push_back(SampleWindow("/w" + std::to_string(i), 1));
    d.history.entries[0].path = "/h.kvf";
    d.history.count = 1;
    ConfigData back = ParseConfiguration(FormatConfiguration(d), true);
    EXPECT_EQ(back.windows.size(), 32u);
    EXPECT_EQ(back.history.count, 1);
}

TEST(Config, HistoryEntries) {
    LocalClock now{2026, 12, 7, 14, 5, 9};
    HistoryEntry e = MakeHistoryEntry("/r.kvf", now, 60000, 2, 1000.0f);
    EXPECT_EQ(e.date, "07.12.26");
    EXPECT_EQ(e.time, "14:05");
    EXPECT_EQ(e.size, "60000x2");
    EXPECT_EQ(e.rate, "1000");
    EXPECT_EQ(e.duration, "60.0");
    e = MakeHistoryEntry("/r.kvf", now, 1500000, 8, 500.0f);
    EXPECT_EQ(e.rate, "500.0");
    EXPECT_EQ(e.duration, "3000");
    e = MakeHistoryEntry("/r.kvf", now, 10, 1, 0.0f); // broken rate: no crash, zero length
    EXPECT_EQ(e.duration, "0.0");

    History h;
    for (int i = 0; i < 13; ++i) {
        HistoryEntry x;
        x.path = "/p" + std::to_string(i);
        AddToHistory(h, x);
    }
    EXPECT_EQ(h.count, 12);
    EXPECT_EQ(h.entries[0].path, "/p12");
    EXPECT_EQ(h.entries[11].path, "/p1");

    TempDir t;
    const std::string existing = t / "there.kvf";
    WriteFile(existing, "x");
    History c;
    c.entries[0].path = existing;
    c.entries[1].path = t / "gone.kvf";
    c.entries[1].missing = 0;
    c.count = 2;
    CheckHistoryFiles(c);
    EXPECT_EQ(c.entries[0].missing, 0);
    EXPECT_EQ(c.entries[1].missing, 1);
}

TEST(Config, UnwritableTargetReportsFailure) {
    TempDir t;
    const std::string cfg = (t.dir / "missing" / "Vistrel.cfg").string();
    EXPECT_FALSE(SaveConfiguration(cfg, (t.dir / "missing" / "Vistrel.bak").string(), ConfigData{}));
    EXPECT_FALSE(fs::exists(t.dir / "missing"));
}
