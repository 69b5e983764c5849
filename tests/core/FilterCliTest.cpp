// vistrel-cli filter, notch and detrend: the options reach the operation, refusals name the
// file and the reason and leave no file.
#include <gtest/gtest.h>

#include <cmath>

#include "FilterTestSignals.h"
#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "core/processing/filters/SosFilter.h"

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::filters;

namespace {

constexpr int kRows = 3000;

FloatFixture Signal() {
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = 48000.0;
    fx.samples = kRows;
    auto columns = std::make_shared<std::vector<std::vector<double>>>();
    for (const char* kind : {"sine", "trend"})
        columns->push_back(ReferenceSignal(kind, kRows, 48000.0));
    fx.value = [columns](uint64_t k, int c) {
        return static_cast<float>((*columns)[static_cast<size_t>(c)][static_cast<size_t>(k)]);
    };
    return fx;
}

} // namespace

TEST(FilterCli, OptionsReachTheOperation) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Signal()));
    CDataFile source;
    ASSERT_EQ(source.Open(dir / "s.kvf"), 1);
    std::vector<double> x(kRows);
    for (int i = 0; i < kRows; ++i)
        x[static_cast<size_t>(i)] = source.SampleValue(static_cast<uint64_t>(i), 0);
    const double fs = 48000.0;
    struct Case {
        const char* args;
        std::vector<double> expected; // channel 1 of the result
    } cases[] = {
        {"filter s.kvf --kind chebyshev1 --band bandpass --order 3 --cutoff 30,2000 --ripple 0.5 --hide 2",
         FilterSignal(DesignFilter({Design::Chebyshev1, Band::BandPass, 3, 30, 2000, 0.5}, fs), x)},
        {"filter s.kvf --kind bessel --band highpass --order 2 --cutoff 100 --zero-phase --hide 2",
         FilterSignalZeroPhase(DesignFilter({Design::Bessel, Band::HighPass, 2, 100, 0, 0}, fs), x)},
        {"filter s.kvf --kind butterworth --band lowpass --order 5 --cutoff 500 --hide 2",
         FilterSignal(DesignFilter({Design::Butterworth, Band::LowPass, 5, 500, 0, 0}, fs), x)},
        {"notch s.kvf --freq 50 --harmonics 4 --q 10 --zero-phase --hide 2",
         FilterSignalZeroPhase(DesignNotch({50, 4, 10}, fs), x)},
        {"notch s.kvf --freq 50 --hide 2", FilterSignal(DesignNotch({50, 1, 30}, fs), x)},
        {"detrend s.kvf --mode linear --hide 2", Detrend(x, true)},
        {"detrend s.kvf --mode mean --hide 2", Detrend(x, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ProcessRun r = RunProcess(CliProgram(), SplitArgs(std::string(c.args) + " --out r.kvf"), dir.Path());
        ASSERT_EQ(r.status, 0) << r.err;
        const Result result = ReadResult(dir / "r.kvf");
        ASSERT_TRUE(result.ok);
        ASSERT_EQ(result.channels, 1);
        ASSERT_EQ(result.samples, kRows);
        for (int i = 0; i < kRows; ++i)
            ASSERT_NEAR(result.at(i, 0), c.expected[static_cast<size_t>(i)], 2e-6) << "row " << i;
    }
}

TEST(FilterCli, RefusalsNameTheFileAndTheReason) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Signal()));
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"filter s.kvf --kind elliptic --band lowpass --order 2 --cutoff 10", "--kind must be butterworth, chebyshev1 or bessel"},
        {"filter s.kvf --kind bessel --band notch --order 2 --cutoff 10", "--band must be lowpass"},
        {"filter s.kvf --kind bessel --band lowpass --order 0 --cutoff 10", "--order must be an integer from 1 to 10"},
        {"filter s.kvf --kind bessel --band bandpass --order 2 --cutoff 10", "--cutoff F1,F2"},
        {"filter s.kvf --kind bessel --band lowpass --order 2 --cutoff 10,20", "--cutoff F (in Hz) is required"},
        {"filter s.kvf --kind bessel --band lowpass --order 2 --cutoff 24000.5",
         "s.kvf: The cut-off frequency 24000.5 Hz is not below the Nyquist frequency 24000 Hz"},
        {"filter s.kvf --kind bessel --band lowpass --order 2 --cutoff 10 --ripple 1", "--ripple applies only to"},
        {"filter s.kvf --kind chebyshev1 --band lowpass --order 2 --cutoff 10 --ripple 0", "--ripple must be a number above 0"},
        {"filter s.kvf --kind butterworth --band lowpass --order 4 --cutoff 100 --zero-phase --from 5 --to 20",
         "s.kvf: The fragment has 15 samples; the zero-phase filter needs more than 15"},
        {"notch s.kvf --harmonics 2", "--freq F"},
        {"notch s.kvf --freq 5000 --harmonics 5", "notch at 25000 Hz is not below the Nyquist frequency 24000 Hz"},
        {"notch s.kvf --freq 50 --q -1", "--q must be a number above 0"},
        {"detrend s.kvf --mode quadratic", "--mode must be mean or linear"},
        {"detrend s.kvf", "--mode must be mean or linear"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const ProcessRun r = RunProcess(CliProgram(), SplitArgs(c.args), dir.Path());
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"s.kvf"});
    }
}
