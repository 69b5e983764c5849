// The markers sidecar: its lines read and written back (markers sorted, other lines in place,
// CR LF read, numbers independent of the locale), edits, the jump order, and the file itself
// (atomic rewrite only on a change, unreadable and unwritable places).
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <functional>
#include <fstream>
#include <iterator>
#include <locale>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/Fixtures.h"
#include "TestPlatform.h"
#include "core/markers/MarkerStore.h"

using namespace vistrel;
using namespace vistrel::markers;
using vistrel::platform::FileProblem;

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::filesystem::path> FolderEntries(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename());
    return names;
}

} // namespace

TEST(MarkerLines, ReadAndWrittenBack) {
    struct Case {
        const char* name;
        std::string in;
        std::vector<Marker> markers; // listed order
        std::string out;             // what a rewrite writes
    };
    const std::vector<Case> cases = {
        {"points and spans sorted by start then end; other lines keep their places",
         "# session\n5\t7\tspan\n\\\t100.0\t200.0\n1.25\t1.25\tpoint\n5\t6\tshort\n",
         {{1.25, 1.25, "point"}, {5, 6, "short"}, {5, 7, "span"}},
         "# session\n1.250000000\t1.250000000\tpoint\n\\\t100.0\t200.0\n5.000000000\t6.000000000\tshort\n"
         "5.000000000\t7.000000000\tspan\n"},
        {"CR LF and a lone CR end lines; LF is written",
         "1\t1\ta\r\n2\t3\tb\rjunk\r\n",
         {{1, 1, "a"}, {2, 3, "b"}},
         "1.000000000\t1.000000000\ta\n2.000000000\t3.000000000\tb\njunk\n"},
        {"empty text, with or without the third field; no line end at the end",
         "0\t0\t\n2.5\t4",
         {{0, 0, ""}, {2.5, 4, ""}},
         "0.000000000\t0.000000000\t\n2.500000000\t4.000000000\t\n"},
        {"tabs inside the text become spaces; UTF-8 kept; byte order mark dropped",
         "\xEF\xBB\xBF" "3\t3\tx\ty \xD0\xBF\xD1\x83\xD1\x81\xD0\xBA\n",
         {{3, 3, "x y \xD0\xBF\xD1\x83\xD1\x81\xD0\xBA"}},
         "3.000000000\t3.000000000\tx y \xD0\xBF\xD1\x83\xD1\x81\xD0\xBA\n"},
        {"lines that are no markers are kept byte for byte",
         "\n1,5\t2,5\tcomma\n-1\t2\tnegative\n3\t2\tbackwards\nnan\tnan\tx\n1e3\t1e3\texp\n+1\t1\tplus\nonly text\n",
         {},
         "\n1,5\t2,5\tcomma\n-1\t2\tnegative\n3\t2\tbackwards\nnan\tnan\tx\n1e3\t1e3\texp\n+1\t1\tplus\nonly text\n"},
        {"blanks around the numbers; equal markers keep their file order",
         " 2 \t 2 \tsecond\n1\t1\tfirst\n2\t2\tthird\n",
         {{1, 1, "first"}, {2, 2, "second"}, {2, 2, "third"}},
         "1.000000000\t1.000000000\tfirst\n2.000000000\t2.000000000\tsecond\n2.000000000\t2.000000000\tthird\n"},
        {"read exactly, written with nine decimals",
         "0.1234567894\t12345.0000000006\tr\n",
         {{0.1234567894, 12345.0000000006, "r"}},
         "0.123456789\t12345.000000001\tr\n"},
        {"an empty file", "", {}, ""},
    };
    for (const Case& c : cases) {
        const MarkerList list = MarkerList::Parse(c.in);
        ASSERT_EQ(list.Size(), c.markers.size()) << c.name;
        for (size_t i = 0; i < c.markers.size(); ++i) {
            EXPECT_EQ(list.Markers()[i].start, c.markers[i].start) << c.name << " #" << i;
            EXPECT_EQ(list.Markers()[i].end, c.markers[i].end) << c.name << " #" << i;
            EXPECT_EQ(list.Markers()[i].text, c.markers[i].text) << c.name << " #" << i;
        }
        EXPECT_EQ(list.Format(), c.out) << c.name;
        // What was written reads back to the same lines.
        EXPECT_EQ(MarkerList::Parse(c.out).Format(), c.out) << c.name;
    }
}

TEST(MarkerLines, EditsKeepOtherLinesInPlace) {
    MarkerList list = MarkerList::Parse("head\n2\t2\tb\nafter b\n4\t4\td\ntail\n");
    struct Step {
        const char* what;
        std::function<bool(MarkerList&)> edit;
        std::string file;
    };
    const std::vector<Step> steps = {
        {"a point before every marker goes before the first marker's line",
         [](MarkerList& l) { return l.Add({1, 1, "a"}) == 0u; },
         "head\n1.000000000\t1.000000000\ta\n2.000000000\t2.000000000\tb\nafter b\n4.000000000\t4.000000000\td\ntail\n"},
        {"a span goes right after the marker before it",
         [](MarkerList& l) { return l.Add({2, 3.5, "c\tspan\n"}) == 2u; },
         "head\n1.000000000\t1.000000000\ta\n2.000000000\t2.000000000\tb\n2.000000000\t3.500000000\tc span \n"
         "after b\n4.000000000\t4.000000000\td\ntail\n"},
        {"a marker after every other one follows the last marker's line",
         [](MarkerList& l) { return l.Add({9, 9, ""}) == 4u; },
         "head\n1.000000000\t1.000000000\ta\n2.000000000\t2.000000000\tb\n2.000000000\t3.500000000\tc span \n"
         "after b\n4.000000000\t4.000000000\td\n9.000000000\t9.000000000\t\ntail\n"},
        {"removing takes out that marker's line only",
         [](MarkerList& l) { return l.Remove(1); },
         "head\n1.000000000\t1.000000000\ta\n2.000000000\t3.500000000\tc span \n"
         "after b\n4.000000000\t4.000000000\td\n9.000000000\t9.000000000\t\ntail\n"},
        {"renaming changes the text, cleaned",
         [](MarkerList& l) { return l.Rename(3, "end\r\nof it"); },
         "head\n1.000000000\t1.000000000\ta\n2.000000000\t3.500000000\tc span \n"
         "after b\n4.000000000\t4.000000000\td\n9.000000000\t9.000000000\tend  of it\ntail\n"},
        {"the same text again is no change", [](MarkerList& l) { return !l.Rename(3, "end  of it"); }, ""},
        {"no such index", [](MarkerList& l) { return !l.Remove(4) && !l.Rename(4, "x"); }, ""},
        {"times outside 0 <= start <= end are refused",
         [](MarkerList& l) {
             return !l.Add({-1, 1, "x"}) && !l.Add({2, 1, "x"}) && !l.Add({std::nan(""), 1, "x"}) &&
                    !l.Add({0, INFINITY, "x"});
         },
         ""},
    };
    std::string expected = list.Format();
    for (const Step& s : steps) {
        EXPECT_TRUE(s.edit(list)) << s.what;
        if (!s.file.empty())
            expected = s.file;
        EXPECT_EQ(list.Format(), expected) << s.what;
    }
    EXPECT_EQ(list.KeptLines(), (std::vector<std::string>{"head", "after b", "tail"}));
    // Without markers the other lines remain, and a list without lines is empty.
    while (list.Size())
        list.Remove(0);
    EXPECT_EQ(list.Format(), "head\nafter b\ntail\n");
    EXPECT_FALSE(list.Empty());
    EXPECT_TRUE(MarkerList::Parse("").Empty());
}

TEST(MarkerLines, NumbersIgnoreTheLocale) {
    // A decimal-comma locale for C and C++ must change neither what is written nor what is read.
    const char* names[] = {"ru_RU.UTF-8", "ru_RU.utf8", "Russian_Russia.1251", "de_DE.UTF-8"};
    const std::string oldC = std::setlocale(LC_ALL, nullptr);
    std::string set;
    for (const char* n : names)
        if (std::setlocale(LC_ALL, n)) {
            set = n;
            break;
        }
    if (set.empty())
        GTEST_SKIP() << "no locale with a decimal comma installed";
    // The C++ global locale too where the library has named locales (MinGW's has none).
    std::optional<std::locale> oldCpp;
    try {
        oldCpp = std::locale::global(std::locale(set));
    } catch (const std::runtime_error&) {
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    const std::string seen = buf;
    const std::string written = FormatSeconds(1234.5);
    double back = 0;
    const bool read = ParseSeconds("1234.500000000", back);
    const bool commaRefused = !ParseSeconds("1234,5", back) || back == 1234.5;
    const MarkerList list = MarkerList::Parse("0.25\t0.75\tx\n");
    if (oldCpp)
        std::locale::global(*oldCpp);
    std::setlocale(LC_ALL, oldC.c_str());
    EXPECT_EQ(seen, "1,5") << "the locale " << set << " does not use a decimal comma";
    EXPECT_EQ(written, "1234.500000000");
    EXPECT_TRUE(read);
    EXPECT_TRUE(commaRefused);
    ASSERT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.Markers()[0].start, 0.25);
    EXPECT_EQ(list.Format(), "0.250000000\t0.750000000\tx\n");
}

TEST(MarkerLines, StepToNextAndPrevious) {
    // Markers at samples 100, 100, 250 and 400 of a 1 kHz recording.
    const std::vector<Marker> m = {{0.1, 0.1, ""}, {0.1, 0.3, ""}, {0.25, 0.25, ""}, {0.4, 0.5, ""}};
    struct Case {
        std::int64_t from;
        bool forward;
        std::optional<size_t> expected;
    };
    const Case cases[] = {
        {0, true, 0},     {99, true, 0},      {100, true, 2},      {249, true, 2},  {400, true, std::nullopt},
        {0, false, std::nullopt}, {100, false, std::nullopt}, {101, false, 1}, {250, false, 1}, {10000, false, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepMarker(m, c.from, 1000.0, c.forward), c.expected) << c.from << (c.forward ? " forward" : " back");
    EXPECT_EQ(StepMarker({}, 0, 1000.0, true), std::nullopt);
    // Times are compared in whole samples: 0.0004 s at 1 kHz is sample 0, 0.0006 s sample 1.
    EXPECT_EQ(SecondsToSample(0.0004, 1000.0), 0);
    EXPECT_EQ(SecondsToSample(0.0006, 1000.0), 1);
    EXPECT_EQ(StepMarker({{0.0004, 0.0004, ""}}, 0, 1000.0, true), std::nullopt);
}

TEST(MarkerSidecar, RoundTripThroughTheFile) {
    test::TempDir dir;
    const auto recording = dir / "rec.kvf";
    EXPECT_EQ(SidecarPath(recording), dir / "rec.kvf.labels");
    const std::string original = "# kept\r\n3\t4\tlater\r\n1\t1\tfirst\r\n";
    WriteBytes(SidecarPath(recording), original);

    MarkerStore store(recording);
    ASSERT_TRUE(store.Load().Ok());
    ASSERT_EQ(store.Markers().size(), 2u);
    EXPECT_EQ(store.Markers()[0].text, "first");
    // Reading, and changes that change nothing, leave the file as it was (CR LF and all).
    EXPECT_TRUE(store.Rename(0, "first").Ok());
    EXPECT_TRUE(store.Remove(7).Ok());
    EXPECT_TRUE(store.Add({5, 1, "bad"}).Ok());
    EXPECT_EQ(ReadBytes(store.Sidecar()), original);

    size_t index = 99;
    ASSERT_TRUE(store.Add({2, 2, "middle"}, &index).Ok());
    EXPECT_EQ(index, 1u);
    const std::string rewritten = "# kept\n1.000000000\t1.000000000\tfirst\n2.000000000\t2.000000000\tmiddle\n"
                                  "3.000000000\t4.000000000\tlater\n";
    EXPECT_EQ(ReadBytes(store.Sidecar()), rewritten);
    // Written through a temporary file that is gone afterwards.
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::filesystem::path>{"rec.kvf.labels"});

    MarkerStore again(recording);
    ASSERT_TRUE(again.Load().Ok());
    EXPECT_EQ(again.Markers(), store.Markers());
    EXPECT_EQ(again.List().KeptLines(), std::vector<std::string>{"# kept"});

    // The last marker and line gone: no file is left behind.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(again.Remove(0).Ok());
    EXPECT_TRUE(std::filesystem::exists(again.Sidecar()));
    WriteBytes(again.Sidecar(), "1\t1\tx\n");
    ASSERT_TRUE(again.Load().Ok());
    ASSERT_TRUE(again.Remove(0).Ok());
    EXPECT_FALSE(std::filesystem::exists(again.Sidecar()));
    // No sidecar: no markers, no error.
    EXPECT_TRUE(again.Load().Ok());
    EXPECT_EQ(again.Markers().size(), 0u);
}

// Two writers of one sidecar (a window and vistrel-cli labels): neither loses the other's
// markers, and an index of the window's list still names the marker it showed.
TEST(MarkerSidecar, ChangesByAnotherProgramAreKept) {
    test::TempDir dir;
    const auto recording = dir / "rec.kvf";
    WriteBytes(SidecarPath(recording), "1\t1\tone\n3\t3\tthree\n");
    MarkerStore window(recording), tool(recording);
    ASSERT_TRUE(window.Load().Ok());
    ASSERT_TRUE(tool.Load().Ok());
    ASSERT_TRUE(tool.Add({0.5, 0.5, "early"}).Ok());
    ASSERT_TRUE(window.Rename(0, "uno").Ok()); // "one", now second in the file
    ASSERT_TRUE(window.Add({4, 4, "four"}).Ok());
    ASSERT_TRUE(tool.Load().Ok());             // the tool reads the file at every run
    ASSERT_TRUE(tool.Remove(3).Ok());          // "four", added by the window
    ASSERT_TRUE(window.Remove(2).Ok());        // "three" in the window's list
    MarkerStore file(recording);
    ASSERT_TRUE(file.Load().Ok());
    EXPECT_EQ(file.Markers(), (std::vector<Marker>{{0.5, 0.5, "early"}, {1, 1, "uno"}}));
    EXPECT_EQ(window.Markers(), file.Markers());
}

TEST(MarkerSidecar, UnusablePlacesKeepMarkersInMemory) {
    test::TempDir dir;
    // The folder vanished after the markers were read: the write fails, naming the reason.
    {
        const auto folder = dir / "gone";
        std::filesystem::create_directory(folder);
        MarkerStore store(folder / "rec.kvf");
        ASSERT_TRUE(store.Load().Ok());
        std::filesystem::remove(folder);
        const MarkerFileStatus s = store.Add({1, 1, "kept"});
        EXPECT_EQ(s.error, MarkerFileError::CannotWrite);
        EXPECT_EQ(s.problem, FileProblem::NotFound);
        EXPECT_EQ(s.English(), "cannot write the markers file: the file or its folder does not exist");
        ASSERT_EQ(store.Markers().size(), 1u);
        EXPECT_EQ(store.Markers()[0].text, "kept");
    }
    // A folder in the sidecar's place cannot be read, and is never written over.
    {
        MarkerStore store(dir / "dir.kvf");
        std::filesystem::create_directory(store.Sidecar());
        const MarkerFileStatus read = store.Load();
        EXPECT_EQ(read.error, MarkerFileError::CannotRead);
        EXPECT_EQ(read.problem, FileProblem::IsDirectory);
        EXPECT_EQ(store.Add({1, 1, "x"}).error, MarkerFileError::CannotRead);
        EXPECT_EQ(store.Markers().size(), 1u);
        EXPECT_TRUE(std::filesystem::is_directory(store.Sidecar()));
    }
    // A sidecar too large to be a list of markers is refused, not read.
    {
        MarkerStore store(dir / "big.kvf");
        std::filesystem::resize_file((WriteBytes(store.Sidecar(), ""), store.Sidecar()), kMaxSidecarBytes + 1);
        EXPECT_EQ(store.Load().error, MarkerFileError::TooLarge);
        EXPECT_EQ(store.Add({1, 1, "x"}).error, MarkerFileError::TooLarge);
        EXPECT_EQ(std::filesystem::file_size(store.Sidecar()), kMaxSidecarBytes + 1);
    }
}

POSIX_ONLY_TEST(MarkerSidecar, ReadOnlyFolderIsReported, "no folder write permission bits", {
    if (test::RunsAsSuperuser())
        GTEST_SKIP() << "the superuser writes into read-only folders";
    test::TempDir dir;
    const auto folder = dir / "ro";
    std::filesystem::create_directory(folder);
    WriteBytes(folder / "rec.kvf.labels", "1\t1\told\n");
    std::filesystem::permissions(folder, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    MarkerStore store(folder / "rec.kvf");
    ASSERT_TRUE(store.Load().Ok());
    const MarkerFileStatus s = store.Add({2, 2, "new"});
    std::filesystem::permissions(folder, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(s.error, MarkerFileError::CannotWrite);
    EXPECT_EQ(s.problem, FileProblem::PermissionDenied);
    EXPECT_EQ(store.Markers().size(), 2u);
    EXPECT_EQ(ReadBytes(folder / "rec.kvf.labels"), "1\t1\told\n");
})
