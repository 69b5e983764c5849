#include "core/view/SpectrogramPicture.h"

#include <algorithm>
#include <cmath>

namespace vistrel::spectro {

Rgb Viridis(double t) {
    // A polynomial fit of the viridis map (within about 1 % of its table in every channel).
    static const double c[7][3] = {
        {0.2777273272234177, 0.005407344544966578, 0.3340998053353061},
        {0.1050930431085774, 1.404613529898575, 1.384590162594685},
        {-0.3308618287255563, 0.214847559468213, 0.09509516302823659},
        {-4.634230498983486, -5.799100973351585, -19.33244095627987},
        {6.228269936347081, 14.17993336680509, 56.69055260068105},
        {4.776384997670288, -13.74514537774601, -65.35303263337234},
        {-5.435455855934631, 4.645852612178535, 26.3124352495832},
    };
    t = std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.0;
    double v[3];
    for (int k = 0; k < 3; ++k) {
        double sum = c[6][k];
        for (int i = 5; i >= 0; --i)
            sum = c[i][k] + t * sum;
        v[k] = std::clamp(sum, 0.0, 1.0);
    }
    auto byte = [](double x) { return static_cast<uint8_t>(std::lround(x * 255.0)); };
    return {byte(v[0]), byte(v[1]), byte(v[2])};
}

Rgb LevelColour(float db, double rangeDb) {
    if (!(rangeDb > 0.0) || !(db > -rangeDb))
        return Viridis(0.0); // minus infinity and NaN too
    return Viridis(1.0 + static_cast<double>(db) / rangeDb);
}

double Picture::FrequencyAt(int y) const {
    return rate / 2.0 * (1.0 - (static_cast<double>(y) + 0.5) / height);
}

bool ComputePicture(const PictureRequest& rq, double rate, const SampleReader& read, Picture& out,
                    std::string& error, const StftProgress& progress, int workers) {
    error.clear();
    out = Picture();
    if (const StftCheck check = CheckStft(rq.settings); check != StftCheck::Ok) {
        error = StftCheckText(check);
        return false;
    }
    const int64_t n = static_cast<int64_t>(rq.settings.size);
    if (rq.samples < n || rq.width < 1 || rq.height < 1 || !(rate > 0.0)) {
        error = StftCheckText(StftCheck::TooShort);
        return false;
    }
    // The columns that show samples of the recording: a view may reach past its end, and
    // those columns stay empty.
    const int64_t from = std::clamp<int64_t>(rq.from, 0, rq.samples);
    const int64_t viewTo = std::max(rq.to, from + 1);
    const double perColumn = static_cast<double>(viewTo - from) / rq.width;
    const int columns = static_cast<int>(std::clamp<double>(std::ceil(static_cast<double>(rq.samples - from) / perColumn), 1.0, rq.width));
    const int64_t to = std::min(rq.samples, from + static_cast<int64_t>(std::llround(columns * perColumn)));
    FramePlan plan;
    int64_t first = 0;
    const int64_t hop = static_cast<int64_t>(HopSamples(rq.settings));
    if (to - from > static_cast<int64_t>(columns) * n) {
        plan = ViewFrames(from, to, rq.samples, columns, rq.perColumn, rq.settings);
    } else {
        // Frames centred on every visible sample: half a frame either side, within the recording.
        int64_t a = std::max<int64_t>(0, from - n / 2);
        int64_t b = std::min(rq.samples, to + n / 2);
        a = std::max<int64_t>(0, std::min(a, b - n));
        b = std::min(rq.samples, std::max(b, a + n));
        plan = StftFrames(a, b, rq.settings);
        first = a;
    }
    Spectrogram s;
    if (!ComputeSpectrogram(plan, rq.settings, rate, read, s, error, progress, workers))
        return false;
    out.width = rq.width;
    out.height = rq.height;
    out.rate = rate;
    out.size = rq.settings.size;
    out.bounded = plan.bounded;
    // The frame of each column, the bins of each row.
    std::vector<size_t> frameOf(static_cast<size_t>(columns));
    for (int x = 0; x < columns; ++x) {
        int64_t f = x;
        if (!plan.bounded) {
            const double centre = static_cast<double>(from) + (x + 0.5) * perColumn;
            f = std::llround((centre - static_cast<double>(n) / 2.0 - static_cast<double>(first)) / static_cast<double>(hop));
        }
        frameOf[static_cast<size_t>(x)] = static_cast<size_t>(std::clamp<int64_t>(f, 0, static_cast<int64_t>(s.Frames()) - 1));
    }
    const double binsPerHz = static_cast<double>(n) / rate;
    const int64_t lastBin = static_cast<int64_t>(s.bins) - 1;
    std::vector<std::pair<size_t, size_t>> binsOf(static_cast<size_t>(rq.height));
    for (int y = 0; y < rq.height; ++y) {
        const double hi = rate / 2.0 * (1.0 - static_cast<double>(y) / rq.height);
        const double lo = rate / 2.0 * (1.0 - static_cast<double>(y + 1) / rq.height);
        int64_t k0 = static_cast<int64_t>(std::ceil(lo * binsPerHz));
        int64_t k1 = static_cast<int64_t>(std::floor(hi * binsPerHz));
        if (k0 > k1) // a row narrower than a bin: the bin at its middle
            k0 = k1 = std::llround(out.FrequencyAt(y) * binsPerHz);
        binsOf[static_cast<size_t>(y)] = {static_cast<size_t>(std::clamp<int64_t>(k0, 0, lastBin)),
                                          static_cast<size_t>(std::clamp<int64_t>(k1, 0, lastBin))};
    }
    out.levels.assign(static_cast<size_t>(rq.width) * rq.height, -INFINITY);
    for (int y = 0; y < rq.height; ++y) {
        const auto [k0, k1] = binsOf[static_cast<size_t>(y)];
        for (int x = 0; x < columns; ++x) {
            // The largest magnitude of the row's bins, then one logarithm.
            const double* m = s.magnitude.data() + frameOf[static_cast<size_t>(x)] * s.bins;
            double largest = 0.0;
            for (size_t k = k0; k <= k1; ++k)
                largest = std::max(largest, m[k]);
            const double level = s.largest > 0.0 ? 20.0 * std::log10(largest / s.largest) : (largest > 0.0 ? 0.0 : -INFINITY);
            out.levels[static_cast<size_t>(y) * rq.width + x] = static_cast<float>(level);
        }
    }
    return true;
}

} // namespace vistrel::spectro
