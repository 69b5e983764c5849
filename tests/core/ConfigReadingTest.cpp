// Reading "Vistrel.cfg" robustly: whole numbers, CR-only files, short files, and names that
// are taken by something other than a readable file (folder, FIFO).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

#include "core/config/Configuration.h"
#include "support/Fixtures.h"
#include "TestPlatform.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& p, const std::string& s) {
    std::ofstream out(p, std::ios::binary);
    out << s;
}

std::string Block(const std::string& rect, const std::string& path) {
    return "Window=" + rect + "\r\nScaleChan=0\r\nTitleW='" + path + "'\r\nScales=0 0 0 0\r\nColors=|000000\r\n"
           "Visible=1|\r\nWidths=1|\r\nTimeScale=0\r\n";
}

const std::string kHistory = ";HistoryBegin\r\n01.02.26;03:04;5x1;10.0;0.5;/p.kvf;\r\n;HistoryEnd\r\n";

} // namespace

TEST(ConfigReading, WideAndNegativeNumbersAreReadWhole) {
    // A window on a monitor left of the primary one and a main window on a wide desktop.
    ConfigData d;
    d.mainRect = {-1920, -12, 10240, 99999};
    SavedWindow w;
    w.rect = {-1920, -1080, -10, 12345};
    w.path = "/r.kvf";
    w.settings.widths.fill(1);
    d.windows.push_back(w);
    const ConfigData back = ParseConfiguration(FormatConfiguration(d), true);
    EXPECT_EQ(back.mainRect, d.mainRect);
    ASSERT_EQ(back.windows.size(), 1u);
    EXPECT_EQ(back.windows[0].rect, w.rect);

    // The main window geometry read at start-up, too.
    test::TempDir t;
    WriteText(t / "Vistrel.cfg", FormatConfiguration(d));
    EXPECT_EQ(ReadMainGeometry((t / "Vistrel.cfg").string()), d.mainRect);
    // A count of three characters is not cut to two: 100 is out of range.
    const ConfigData many = ParseConfiguration("100\r\nMainWindow=1 2 3 4\r\n" + kHistory, true);
    EXPECT_EQ(many.history.count, 0);
}

TEST(ConfigReading, LineEndsOfEveryKind) {
    const std::string crlf = " 1\r\nMainWindow=   1    2    3    4\r\n" + Block("5 6 7 8", "/a.kvf") + kHistory;
    std::string cr = crlf, lf = crlf;
    for (size_t p; (p = cr.find("\r\n")) != std::string::npos;) cr.erase(p + 1, 1);
    for (size_t p; (p = lf.find("\r\n")) != std::string::npos;) lf.erase(p, 1);
    for (const std::string& text : {crlf, cr, lf}) {
        const ConfigData d = ParseConfiguration(text, true);
        EXPECT_EQ(d.mainRect, (ConfigRect{1, 2, 3, 4}));
        ASSERT_EQ(d.windows.size(), 1u);
        EXPECT_EQ(d.windows[0].rect, (ConfigRect{5, 6, 7, 8}));
        EXPECT_EQ(d.windows[0].path, "/a.kvf");
        ASSERT_EQ(d.history.count, 1);
        EXPECT_EQ(d.history.entries[0].path, "/p.kvf");
    }
}

TEST(ConfigReading, FewerBlocksThanAnnounced) {
    // 32 announced, one present: one window, and the history after it is still read.
    const std::string text = "32\r\nMainWindow=1 2 3 4\r\n" + Block("5 6 7 8", "/only.kvf") + kHistory;
    const ConfigData d = ParseConfiguration(text, true);
    ASSERT_EQ(d.windows.size(), 1u);
    EXPECT_EQ(d.windows[0].path, "/only.kvf");
    EXPECT_EQ(d.history.count, 1);
    // Without a history the file simply ends.
    EXPECT_EQ(ParseConfiguration("32\r\nMainWindow=1 2 3 4\r\n" + Block("5 6 7 8", "/x"), true).windows.size(), 1u);
    // Blocks skipped for a command line still leave the history readable.
    EXPECT_EQ(ParseConfiguration(text, false).history.count, 1);
}

TEST(ConfigReading, NameTakenByAFolderOrFifoIsLeftAlone) {
    test::TempDir t;
    const fs::path cfg = t / "Vistrel.cfg";
    const fs::path bak = t / "Vistrel.bak";
    fs::create_directory(cfg);
    platform::FileProblem why = platform::FileProblem::None;
    EXPECT_EQ(ReadMainGeometry(cfg.string(), &why), kDefaultMainRect);
    EXPECT_EQ(why, platform::FileProblem::IsDirectory);
    ConfigData d;
    EXPECT_FALSE(LoadConfiguration(cfg.string(), true, d));
    EXPECT_FALSE(SaveConfiguration(cfg.string(), bak.string(), ConfigData{}));
    EXPECT_TRUE(fs::is_directory(cfg));
    EXPECT_FALSE(fs::exists(bak));
    fs::remove(cfg);

    // A FIFO (none on Windows) would block any reader: every entry point returns at once.
    if (test::MakeFifo(cfg)) {
        auto run = std::async(std::launch::async, [&] {
            platform::FileProblem p = platform::FileProblem::None;
            ReadMainGeometry(cfg.string(), &p);
            ConfigData data;
            const bool loaded = LoadConfiguration(cfg.string(), true, data);
            const bool saved = SaveConfiguration(cfg.string(), bak.string(), ConfigData{});
            History h;
            h.entries[0].path = cfg.string();
            h.count = 1;
            CheckHistoryFiles(h);
            return p == platform::FileProblem::NotRegular && !loaded && !saved && h.entries[0].missing == 1;
        });
        if (run.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Release the blocked reader so that the test ends and reports.
            for (int i = 0; i < 8; ++i) test::OpenFifoBriefly(cfg);
            ADD_FAILURE() << "blocked on a FIFO";
        }
        EXPECT_TRUE(run.get());
        EXPECT_EQ(fs::status(cfg).type(), fs::file_type::fifo);
        EXPECT_FALSE(fs::exists(bak));
    }

    // A missing file is still created with the defaults.
    fs::remove(cfg);
    EXPECT_EQ(ReadMainGeometry(cfg.string(), &why), kDefaultMainRect);
    EXPECT_EQ(why, platform::FileProblem::None);
    EXPECT_EQ(ReadText(cfg), DefaultConfigText());
}
