// vistrel-cli labels as a user runs it: listing, adding and removing markers one call at a time,
// and the refusals, each naming the file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestPlatform.h"
#include "core/markers/MarkerStore.h"
#include "support/Fixtures.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(MarkerCli, ListAddRemove) {
    TempDir dir;
    FloatFixture fx;
    fx.layout.rate = 100.0;
    fx.samples = 1000; // 10 s
    const auto rec = dir / "rec.kvf";
    ASSERT_TRUE(WriteFloatFixture(rec, fx));
    const auto sidecar = markers::SidecarPath(rec);
    {
        std::ofstream(sidecar, std::ios::binary) << "# from elsewhere\r\n4\t4\tfour\r\n";
    }
    const std::string r = rec.string();
    struct Step {
        std::vector<std::string> args; // after "labels FILE"
        int status;
        std::string out;      // standard output (every line of a successful run)
        std::string err;      // part of the message of a failure, after "vistrel-cli: <file>: "
        std::string sidecar;  // the file afterwards
    };
    const std::string kept = "# from elsewhere\r\n4\t4\tfour\r\n";
    const std::vector<Step> steps = {
        {{}, 0, "4.000000000\t4.000000000\tfour\n", "", kept},
        {{"--add", "1.5", "point one"}, 0,
         "1.500000000\t1.500000000\tpoint one\n4.000000000\t4.000000000\tfour\n", "",
         "# from elsewhere\n1.500000000\t1.500000000\tpoint one\n4.000000000\t4.000000000\tfour\n"},
        {{"--add", "2,10", "a\tspan"}, 0,
         "1.500000000\t1.500000000\tpoint one\n2.000000000\t10.000000000\ta span\n4.000000000\t4.000000000\tfour\n", "",
         "# from elsewhere\n1.500000000\t1.500000000\tpoint one\n2.000000000\t10.000000000\ta span\n"
         "4.000000000\t4.000000000\tfour\n"},
        {{"--remove", "1"}, 0, "2.000000000\t10.000000000\ta span\n4.000000000\t4.000000000\tfour\n", "",
         "# from elsewhere\n2.000000000\t10.000000000\ta span\n4.000000000\t4.000000000\tfour\n"},
        {{"--add", "0", ""}, 0,
         "0.000000000\t0.000000000\t\n2.000000000\t10.000000000\ta span\n4.000000000\t4.000000000\tfour\n", "",
         "# from elsewhere\n0.000000000\t0.000000000\t\n2.000000000\t10.000000000\ta span\n"
         "4.000000000\t4.000000000\tfour\n"},
    };
    const std::string last = steps.back().sidecar;
    // Refusals: status 2, a message naming the file, the sidecar untouched.
    const std::vector<Step> refusals = {
        {{"--remove", "4"}, 2, "", "rec.kvf.labels: --remove 4: there are 3 markers", last},
        {{"--remove", "0"}, 2, "", "rec.kvf: --remove must be an integer from 1 to", last},
        {{"--add", "10.01", "late"}, 2, "", "rec.kvf: --add: the time lies beyond the end of the recording (10 s)", last},
        {{"--add", "3,2", "x"}, 2, "", "rec.kvf: --add 3,2: give START or START,END in seconds", last},
        {{"--add", "-1", "x"}, 2, "", "rec.kvf: --add -1: give START", last},
        {{"--add", "nan", "x"}, 2, "", "rec.kvf: --add nan: give START", last},
        {{"--add", "1"}, 2, "", "rec.kvf: --add needs START[,END] and TEXT", last},
        {{"--add", "1", "x", "--remove", "1"}, 2, "", "rec.kvf: give one --add or --remove per call", last},
        {{"--nosuch"}, 2, "", "rec.kvf: unknown option --nosuch", last},
    };
    for (const auto* list : {&steps, &refusals})
        for (const Step& s : *list) {
            std::vector<std::string> args = {"labels", r};
            args.insert(args.end(), s.args.begin(), s.args.end());
            const ProcessRun run = RunProcess(CliProgram(), args);
            std::string what = "labels";
            for (const std::string& a : s.args)
                what += " " + a;
            EXPECT_EQ(run.status, s.status) << what << ": " << run.err;
            EXPECT_EQ(run.out, s.out) << what;
            if (s.err.empty())
                EXPECT_EQ(run.err, "") << what;
            else
                EXPECT_NE(run.err.find(s.err), std::string::npos) << what << ": " << run.err;
            EXPECT_EQ(ReadBytes(sidecar), s.sidecar) << what;
        }

    // Not a recording: nothing is listed and no sidecar appears.
    const auto text = dir / "notes.txt";
    std::ofstream(text) << "hello\n";
    const ProcessRun bad = RunProcess(CliProgram(), {"labels", text.string(), "--add", "1", "x"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("notes.txt: cannot open recording"), std::string::npos) << bad.err;
    EXPECT_FALSE(std::filesystem::exists(markers::SidecarPath(text)));
    // A sidecar that cannot be read is reported, not replaced.
    const auto other = dir / "other.kvf";
    ASSERT_TRUE(WriteFloatFixture(other, fx));
    std::filesystem::create_directory(markers::SidecarPath(other));
    const ProcessRun unreadable = RunProcess(CliProgram(), {"labels", other.string(), "--add", "1", "x"});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_NE(unreadable.err.find("other.kvf.labels: cannot read the markers file: it is a folder"), std::string::npos)
        << unreadable.err;
    EXPECT_TRUE(std::filesystem::is_directory(markers::SidecarPath(other)));
}
