// vistrel-cli spectrogram: the matrix, its axes and sidecar as the engine computes them on
// the recording's samples; refusals name the reason and leave no file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "FilterTestSignals.h"
#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "core/export/SpectrogramExport.h"

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::spectro;

namespace {

constexpr int kRows = 6000;
constexpr double kRate = 8000.0;

FloatFixture Signal() {
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = static_cast<float>(kRate);
    fx.samples = kRows;
    auto columns = std::make_shared<std::vector<std::vector<double>>>();
    for (const char* kind : {"random", "sine"})
        columns->push_back(filters::ReferenceSignal(kind, kRows, kRate));
    fx.value = [columns](uint64_t k, int c) {
        return static_cast<float>((*columns)[static_cast<size_t>(c)][static_cast<size_t>(k)]);
    };
    return fx;
}

struct Matrix {
    size_t rows = 0, columns = 0;
    std::vector<double> values, times, freqs;
};

std::string Text(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The numbers of the JSON array after "key": [.
std::vector<double> JsonArray(const std::string& json, const std::string& key) {
    std::vector<double> out;
    const size_t at = json.find("\"" + key + "\": [");
    if (at == std::string::npos)
        return out;
    std::istringstream in(json.substr(json.find('[', at) + 1, json.find(']', at) - json.find('[', at) - 1));
    std::string item;
    while (std::getline(in, item, ','))
        out.push_back(std::stod(item));
    return out;
}

std::vector<double> CsvRow(const std::string& line) {
    std::vector<double> out;
    std::istringstream in(line);
    std::string item;
    while (std::getline(in, item, ','))
        out.push_back(item == "-inf" ? -INFINITY : std::stod(item));
    return out;
}

bool ReadNpy(const std::filesystem::path& p, Matrix& m) {
    const std::string bytes = Text(p);
    if (bytes.size() < 10 || bytes.compare(0, 8, std::string("\x93NUMPY\x01\x00", 8)) != 0)
        return false;
    const size_t length = static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
    const std::string dict = bytes.substr(10, length);
    if (dict.find("'descr': '<f8'") == std::string::npos || (10 + length) % 64 != 0)
        return false;
    std::sscanf(dict.c_str() + dict.find("'shape': (") + 10, "%zu, %zu", &m.rows, &m.columns);
    if (bytes.size() != 10 + length + m.rows * m.columns * 8)
        return false;
    m.values.resize(m.rows * m.columns);
    std::memcpy(m.values.data(), bytes.data() + 10 + length, m.values.size() * 8);
    const std::string json = Text(std::filesystem::path(p).replace_extension(".json"));
    m.times = JsonArray(json, "frame_centre_s");
    m.freqs = JsonArray(json, "bin_frequency_hz");
    return true;
}

bool ReadCsv(const std::filesystem::path& p, Matrix& m) {
    std::istringstream in(Text(p));
    std::string line;
    const char* heads[] = {"# frame_centre_s,", "# bin_frequency_hz,"};
    std::vector<double>* axes[] = {&m.times, &m.freqs};
    for (int i = 0; i < 2; ++i) {
        if (!std::getline(in, line) || line.rfind(heads[i], 0) != 0)
            return false;
        *axes[i] = CsvRow(line.substr(std::strlen(heads[i])));
    }
    while (std::getline(in, line)) {
        const std::vector<double> row = CsvRow(line);
        m.columns = row.size();
        m.values.insert(m.values.end(), row.begin(), row.end());
        ++m.rows;
    }
    return true;
}

} // namespace

// Each option reaches the matrix: the values, frame times and bin frequencies equal the
// engine's on the recording's samples, in both formats.
TEST(SpectrogramCli, MatrixAndAxesEqualTheEngine) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Signal()));
    CDataFile source;
    ASSERT_EQ(source.Open(dir / "s.kvf"), 1);
    const struct {
        const char* args;
        int channel;
        int64_t from, to;
        StftSettings settings;
    } cases[] = {
        {"--channel 1 --out m.npy", 0, 0, kRows, {1024, 50.0, 3}},
        {"--channel 2 --size 256 --overlap 90 --window 4 --out m.csv", 1, 0, kRows, {256, 90.0, 4}},
        {"--channel 2 --size 300 --overlap 33 --window 0 --from 5000 --to 700 --out M.NPY", 1, 700, 5000, {300, 33.0, 0}},
        {"--channel 1 --size 512 --overlap 0 --window 1 --from 100 --out m.csv", 0, 100, kRows, {512, 0.0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string out = std::string(c.args).substr(std::string(c.args).find("--out ") + 6);
        const ProcessRun r = RunProcess(CliProgram(), SplitArgs(std::string("spectrogram s.kvf ") + c.args), dir.Path());
        ASSERT_EQ(r.status, 0) << r.err;
        Matrix m;
        ASSERT_TRUE(MatrixFormatOf(out) == MatrixFormat::Npy ? ReadNpy(dir / out, m) : ReadCsv(dir / out, m));
        Spectrogram want;
        std::string error;
        ASSERT_TRUE(ComputeSpectrogram(StftFrames(c.from, c.to, c.settings), c.settings, kRate,
                                       [&](int64_t first, size_t count, double* x) {
                                           for (size_t i = 0; i < count; ++i)
                                               x[i] = static_cast<double>(source.SampleValue(first + i, c.channel));
                                       },
                                       want, error));
        ASSERT_EQ(m.rows, want.Frames());
        ASSERT_EQ(m.columns, want.bins);
        ASSERT_EQ(m.times.size(), want.Frames());
        ASSERT_EQ(m.freqs.size(), want.bins);
        for (size_t f = 0; f < m.rows; ++f) {
            EXPECT_EQ(m.times[f], want.FrameCentre(f));
            for (size_t k = 0; k < m.columns; ++k)
                ASSERT_EQ(m.values[f * m.columns + k], want.Decibels(f, k)) << f << "," << k;
        }
        for (size_t k = 0; k < m.columns; ++k)
            EXPECT_EQ(m.freqs[k], want.BinHz(k));
        EXPECT_EQ(*std::max_element(m.values.begin(), m.values.end()), 0.0);
        std::filesystem::remove(dir / out);
        std::filesystem::remove(std::filesystem::path(dir / out).replace_extension(".json"));
    }
}

// Bad parameters are refused with the reason before anything is written.
TEST(SpectrogramCli, RefusalsNameTheReasonAndLeaveNoFile) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Signal()));
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"spectrogram s.kvf --out m.npy", "--channel is required"},
        {"spectrogram s.kvf --channel 1", "--out is required"},
        {"spectrogram s.kvf --channel 1 --out m.txt", "--out must name a .npy or .csv file"},
        {"spectrogram s.kvf --channel 3 --out m.npy", "--channel must be an integer from 1 to 2"},
        {"spectrogram s.kvf --channel 1 --size 255 --out m.npy", "--size must be an integer from 256 to 65536"},
        {"spectrogram s.kvf --channel 1 --size 65537 --out m.npy", "--size must be an integer from 256 to 65536"},
        {"spectrogram s.kvf --channel 1 --overlap 91 --out m.npy", "--overlap must be"},
        {"spectrogram s.kvf --channel 1 --overlap -1 --out m.csv", "--overlap must be"},
        {"spectrogram s.kvf --channel 1 --window 5 --out m.npy", "--window must be an integer from 0 to 4"},
        {"spectrogram s.kvf --channel 1 --from 100 --to 1000 --out m.npy",
         "s.kvf: the fragment of 900 samples is shorter than one frame of 1024"},
        {"spectrogram s.kvf --channel 1 --to 6001 --out m.npy", "--to must be an integer from 0 to 6000"},
        {"spectrogram s.kvf --channel 1 --hide 2 --out m.npy", "--hide does not apply"},
        {"spectrogram s.kvf --channel 1 --out s.kvf", "--out must name a .npy or .csv file"},
        {"spectrogram s.kvf --channel 1 --out nosuchdir/m.csv", "cannot create"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const ProcessRun r = RunProcess(CliProgram(), SplitArgs(c.args), dir.Path());
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"s.kvf"});
    }
}

// The float64 header has the layout numpy writes: the float32 one with the other type.
TEST(SpectrogramCli, NpyHeaderIsAlignedAndNamesFloat64) {
    for (const uint64_t rows : {uint64_t{0}, uint64_t{7}, uint64_t{123456789012}}) {
        const std::string h = NpyHeader64(rows, 513);
        EXPECT_EQ(h.size() % 64, 0u);
        EXPECT_NE(h.find("'descr': '<f8'"), std::string::npos);
        EXPECT_NE(h.find("(" + std::to_string(rows) + ", 513)"), std::string::npos);
        EXPECT_EQ(h.back(), '\n');
    }
    EXPECT_EQ(DoubleText(-INFINITY), "-inf");
    EXPECT_EQ(DoubleText(0.1), "0.1");
    EXPECT_EQ(std::stod(DoubleText(1.0 / 3.0)), 1.0 / 3.0);
}
