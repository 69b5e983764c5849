#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/processing/LinearCoeffs.h"
#include "core/processing/ProcessOp.h"
#include "core/processing/TableFunction.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {
fs::path TempDir() {
    fs::path d = fs::temp_directory_path() / ("vistrel_params_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(d);
    return d;
}
void WriteText(const fs::path& p, const std::string& s) {
    std::ofstream(p, std::ios::binary) << s;
}
std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
} // namespace

TEST(ProcessingParamFiles, CoefficientFileRoundTripAndSubsets) {
    const fs::path dir = TempDir();
    float a[256], b[256];
    std::fill(a, a + 256, 1.0f);
    std::fill(b, b + 256, 0.0f);
    a[0] = 2.5f, b[0] = -1.0f, a[3] = -0.125f, b[3] = 1e-7f;
    const std::string path = (dir / "c.txt").string();
    ASSERT_TRUE(WriteCoeffFile(path, a, b, 4));
    EXPECT_EQ(ReadText(path), "#Linear Transformation Coeffs#\r\n1;2.5;-1\r\n2;1;0\r\n3;1;0\r\n"
                              "4;-0.125;1e-07\r\n");
    float a2[256], b2[256];
    std::fill(a2, a2 + 256, 7.0f);
    std::fill(b2, b2 + 256, 7.0f);
    std::vector<int> changed;
    ASSERT_EQ(ReadCoeffFile(path, a2, b2, &changed), CoeffFileStatus::Ok);
    EXPECT_EQ(changed, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(a2[0], 2.5f);
    EXPECT_EQ(b2[3], 1e-7f);
    EXPECT_EQ(a2[4], 7.0f);

    // Any order, any subset, out-of-range numbers ignored, missing B reads 0, short lines
    // skipped.
    WriteText(dir / "s.txt", "#Linear Transformation Coeffs# extra\n5;3;4\n0;9;9\n257;9;9\n"
                             "2;6\n\n1;\n");
    std::fill(a2, a2 + 256, 1.0f);
    std::fill(b2, b2 + 256, 0.0f);
    changed.clear();
    ASSERT_EQ(ReadCoeffFile((dir / "s.txt").string(), a2, b2, &changed), CoeffFileStatus::Ok);
    EXPECT_EQ(changed, (std::vector<int>{4, 1}));
    EXPECT_EQ(a2[4], 3.0f);
    EXPECT_EQ(b2[4], 4.0f);
    EXPECT_EQ(a2[1], 6.0f);
    EXPECT_EQ(b2[1], 0.0f);
    EXPECT_EQ(a2[0], 1.0f); // "1;" is 2 characters: skipped

    WriteText(dir / "bad.txt", "Linear\n1;2;3\n");
    EXPECT_EQ(ReadCoeffFile((dir / "bad.txt").string(), a2, b2), CoeffFileStatus::NotCoeffFile);
    EXPECT_EQ(ReadCoeffFile((dir / "missing.txt").string(), a2, b2), CoeffFileStatus::NotFound);
    EXPECT_FALSE(WriteCoeffFile((dir / "no" / "dir.txt").string(), a, b, 4));
    fs::remove_all(dir);
}

TEST(ProcessingParamFiles, TableFunctionPointsAndLookup) {
    const fs::path dir = TempDir();
    TableFunction t;
    WriteText(dir / "p.txt", "0 0\r\n10 1\r\n");
    ASSERT_TRUE(ReadPointsFile((dir / "p.txt").string(), t));
    ASSERT_EQ(t.m_count, 2);
    EXPECT_EQ(static_cast<double>(TableLookup(t, 0.5f)), 5.0);
    EXPECT_EQ(static_cast<double>(TableLookup(t, -3.0f)), 0.0);
    EXPECT_EQ(static_cast<double>(TableLookup(t, 7.0f)), 10.0);
    EXPECT_EQ(t.m_minValue, 0.0f);
    EXPECT_EQ(t.m_maxValue, 10.0f);

    // One point: constant. Short lines are skipped (two bytes with the line end).
    WriteText(dir / "one.txt", "\n5\n4 2\n");
    ASSERT_TRUE(ReadPointsFile((dir / "one.txt").string(), t));
    ASSERT_EQ(t.m_count, 1);
    EXPECT_EQ(static_cast<double>(TableLookup(t, -100.0f)), 4.0);
    EXPECT_EQ(static_cast<double>(TableLookup(t, 100.0f)), 4.0);

    // Repeated argument: 1 gives the second point, 1.5 interpolates the third and fourth.
    WriteText(dir / "rep.txt", "0 0\n10 1\n20 1\n40 2\n");
    ASSERT_TRUE(ReadPointsFile((dir / "rep.txt").string(), t));
    EXPECT_EQ(static_cast<double>(TableLookup(t, 1.0f)), 10.0);
    EXPECT_EQ(static_cast<double>(TableLookup(t, 1.5f)), 30.0);

    // A long table exercises the search; more than 256 lines keep the first 256.
    std::string big;
    for (int i = 0; i < 300; ++i)
        big += std::to_string(2 * i) + " " + std::to_string(i) + "\n";
    WriteText(dir / "big.txt", big);
    ASSERT_TRUE(ReadPointsFile((dir / "big.txt").string(), t));
    ASSERT_EQ(t.m_count, 256);
    EXPECT_EQ(t.m_maxValue, 510.0f);
    for (float x : {0.25f, 17.5f, 100.0f, 128.75f, 254.5f})
        EXPECT_NEAR(static_cast<double>(TableLookup(t, x)), 2.0 * x, 1e-9) << x;
    EXPECT_EQ(static_cast<double>(TableLookup(t, 400.0f)), 510.0);

    EXPECT_FALSE(ReadPointsFile((dir / "none.txt").string(), t));
    EXPECT_EQ(t.m_count, 0);
    fs::remove_all(dir);
}

TEST(ProcessingParamFiles, ResultNames) {
    std::tm t{};
    t.tm_mday = 6, t.tm_hour = 14, t.tm_min = 5, t.tm_sec = 3;
    EXPECT_EQ(ResultFileName(OP_LINEAR, t), "~axb06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_MOVING_AVERAGE, t), "~movavg06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_AVERAGE, t), "~average06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_RMS, t), "~efu06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_ADD_SUB, t), "~addsub06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_TABLE_FUNCTION, t), "~tablefun06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_SPECTRUM, t), "~spectr06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_SPECTRUM_FFT, t), "~spectrFFT06_140503.KVF");
    EXPECT_EQ(ResultFileName(OP_SAVE_FRAGMENT, t), "");
    EXPECT_EQ(ResultFileName(OP_SAVE_CHANNELS, t), "");
    EXPECT_EQ(ProgressTitleId(OP_AVERAGE), 207);
    EXPECT_EQ(ProgressTitleId(OP_RMS), 204);
    EXPECT_EQ(ProgressTitleId(OP_SAVE_FRAGMENT), 212);
    EXPECT_FALSE(SetsSavedFlag(OP_MOVING_AVERAGE));
    EXPECT_FALSE(SetsSavedFlag(OP_RMS));
    EXPECT_TRUE(SetsSavedFlag(OP_LINEAR));
    EXPECT_TRUE(SetsSavedFlag(OP_SAVE_CHANNELS));
}
