// The spectrogram picture of a view: the colour map, where a tone lands, and the cost of a
// wide view bounded by the picture's columns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/processing/RealFft.h"
#include "core/processing/WindowFft.h"
#include "core/view/SpectrogramPicture.h"

namespace vistrel::spectro {
namespace {

// The published viridis table at five points.
TEST(SpectrogramColours, ViridisFollowsItsTable) {
    const struct {
        double t;
        Rgb want;
    } rows[] = {{0.0, {68, 1, 84}}, {0.25, {59, 82, 139}}, {0.5, {33, 145, 140}}, {0.75, {94, 201, 98}},
                {1.0, {253, 231, 37}}};
    for (const auto& r : rows) {
        const Rgb got = Viridis(r.t);
        EXPECT_LE(std::abs(got.r - r.want.r), 4) << r.t;
        EXPECT_LE(std::abs(got.g - r.want.g), 4) << r.t;
        EXPECT_LE(std::abs(got.b - r.want.b), 4) << r.t;
    }
}

TEST(SpectrogramColours, LevelsMapOntoTheRange) {
    auto same = [](Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    const struct {
        float db;
        double range, t;
    } rows[] = {{0.0f, 80.0, 1.0}, {-40.0f, 80.0, 0.5}, {-80.0f, 80.0, 0.0}, {-120.0f, 80.0, 0.0},
                {-INFINITY, 80.0, 0.0}, {NAN, 80.0, 0.0}, {-15.0f, 60.0, 0.75}, {3.0f, 80.0, 1.0}};
    for (const auto& r : rows)
        EXPECT_TRUE(same(LevelColour(r.db, r.range), Viridis(r.t))) << r.db << " of " << r.range;
}

SampleReader Tone(double hz, double rate, int64_t samples) {
    return [=](int64_t first, size_t count, double* out) {
        for (size_t i = 0; i < count; ++i) {
            const int64_t k = first + static_cast<int64_t>(i);
            out[i] = k < samples ? std::sin(kTwoPi * hz * static_cast<double>(k) / rate) : 0.0;
        }
    };
}

// In every column the brightest row is the one whose band holds the tone, at 0 dB; a view
// shorter than a frame, a close one and a wide one alike.
TEST(SpectrogramPictureRun, ToneIsTheBrightestRowOfEveryColumn) {
    const double rate = 10000.0;
    const struct {
        double hz;
        int64_t from, to, samples;
        int width, height;
        size_t size;
        bool bounded;
    } rows[] = {
        {1000.0, 5000, 5100, 100000, 50, 100, 256, false},
        {2500.0, 0, 100000, 100000, 300, 64, 1024, false},
        {333.0, 1000, 1 << 22, 1 << 22, 200, 250, 4096, true},
        {4800.0, 0, 1 << 20, 1 << 20, 120, 40, 512, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.hz);
        PictureRequest rq;
        rq.from = r.from;
        rq.to = r.to;
        rq.samples = r.samples;
        rq.width = r.width;
        rq.height = r.height;
        rq.settings = {r.size, 50.0, WINDOW_HANN};
        Picture p;
        std::string error;
        ASSERT_TRUE(ComputePicture(rq, rate, Tone(r.hz, rate, r.samples), p, error, {}, 2)) << error;
        EXPECT_EQ(p.bounded, r.bounded);
        const double rowHz = rate / 2 / r.height;
        for (int x = 0; x < r.width; ++x) {
            int best = 0;
            for (int y = 1; y < r.height; ++y)
                if (p.LevelAt(x, y) > p.LevelAt(x, best))
                    best = y;
            EXPECT_NEAR(p.FrequencyAt(best), r.hz, rowHz / 2 + rate / static_cast<double>(r.size)) << "column " << x;
            EXPECT_GT(p.LevelAt(x, best), -1.0f) << "column " << x;
        }
    }
}

// A view reaching past the recording's end leaves the columns beyond it empty and keeps the
// columns before it where they belong (the tone changes at the middle of the recording).
TEST(SpectrogramPictureRun, ColumnsPastTheEndStayEmpty) {
    const double rate = 10000.0;
    const int64_t samples = 1 << 21;
    const SampleReader read = [&](int64_t first, size_t count, double* out) {
        for (size_t i = 0; i < count; ++i) {
            const int64_t k = first + static_cast<int64_t>(i);
            out[i] = std::sin(kTwoPi * (k < samples / 2 ? 1000.0 : 3000.0) * static_cast<double>(k) / rate);
        }
    };
    for (const size_t size : {size_t{256}, size_t{4096}}) { // plain and one frame per column
        PictureRequest rq;
        rq.samples = samples;
        rq.to = samples * 2; // the recording fills the left half of the view
        rq.width = 200;
        rq.height = 100;
        rq.settings = {size, 50.0, WINDOW_HANN};
        Picture p;
        std::string error;
        ASSERT_TRUE(ComputePicture(rq, rate, read, p, error)) << error;
        for (int x = 100; x < 200; ++x)
            for (int y = 0; y < 100; ++y)
                ASSERT_EQ(p.LevelAt(x, y), -INFINITY) << size << ": " << x << "," << y;
        for (const auto& [x, hz] : {std::pair{10, 1000.0}, std::pair{45, 1000.0}, std::pair{55, 3000.0}, std::pair{95, 3000.0}}) {
            int best = 0;
            for (int y = 1; y < 100; ++y)
                if (p.LevelAt(x, y) > p.LevelAt(x, best))
                    best = y;
            EXPECT_NEAR(p.FrequencyAt(best), hz, 50.0 + rate / size) << size << ": column " << x;
        }
    }
}

// A wide view costs columns x transforms per column, whatever its length; too short a
// recording is refused.
TEST(SpectrogramPictureRun, WideViewCostFollowsThePicture) {
    const double rate = 1000.0;
    for (const int64_t samples : {int64_t{1} << 24, int64_t{1} << 30}) {
        PictureRequest rq;
        rq.to = rq.samples = samples;
        rq.width = 160;
        rq.height = 30;
        rq.perColumn = 2;
        rq.settings = {1024, 50.0, WINDOW_HANN};
        Picture p;
        std::string error;
        const uint64_t before = RealFftExecutions();
        ASSERT_TRUE(ComputePicture(rq, rate, Tone(50.0, rate, samples), p, error)) << error;
        EXPECT_EQ(RealFftExecutions() - before, 320u) << samples;
    }
    PictureRequest rq;
    rq.to = rq.samples = 1000;
    rq.width = rq.height = 10;
    rq.settings = {1024, 50.0, WINDOW_HANN};
    Picture p;
    std::string error;
    EXPECT_FALSE(ComputePicture(rq, rate, Tone(50.0, rate, 1000), p, error));
    EXPECT_EQ(error, StftCheckText(StftCheck::TooShort));
}

} // namespace
} // namespace vistrel::spectro
