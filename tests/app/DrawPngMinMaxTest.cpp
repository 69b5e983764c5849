// `vistrel --png --minmax`: the min-max view of the whole recording from its summaries, which
// it builds into (and later takes from) the user's cache folder.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <filesystem>

#include "core/recording/DisplayDefaults.h"
#include "plot/GraphCanvas.h"
#include "support/Fixtures.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

int RenderPng(const fs::path& cache, const QStringList& args) {
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), QString::fromStdString(cache.string()));
    proc.setProcessEnvironment(env);
    proc.setProcessChannelMode(QProcess::ForwardedChannels);
    proc.start(VISTREL_APP_PATH, args);
    if (!proc.waitForFinished(120000) || proc.exitStatus() != QProcess::NormalExit) return -1;
    return proc.exitCode();
}

int BlackPixels(const QString& png) {
    const QImage img = QImage(png).convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == ColorFromRef(DefaultTraceColour(0)).rgb();
    return n;
}

int CacheEntries(const fs::path& folder) {
    std::error_code ec;
    int n = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        n += it->path().extension() == ".vsum";
    return n;
}

} // namespace

TEST(DrawPngMinMax, SpikesShowAndTheCacheIsFilledThenUsed) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 1;
    fx.layout.rate = 48000.0;
    fx.samples = 600000;
    // Zero with a one-sample spike every 997 samples: a column sample almost never meets one,
    // the min-max view shows every one.
    fx.value = [](uint64_t k, int) { return k % 997 == 500 ? 8.0f : 0.0f; };
    const auto kvf = dir / "spikes.kvf";
    ASSERT_TRUE(test::WriteFloatFixture(kvf, fx));
    const fs::path cache = dir / "cache";
    const QString file = QString::fromStdString(kvf.string());
    const QString plain = QString::fromStdString((dir / "plain.png").string());
    const QString first = QString::fromStdString((dir / "first.png").string());
    const QString second = QString::fromStdString((dir / "second.png").string());

    ASSERT_EQ(RenderPng(cache, {"--png", plain, "--size", "900x600", file}), 0);
    EXPECT_FALSE(fs::exists(cache / "vistrel")) << "plain --png builds no summaries";

    ASSERT_EQ(RenderPng(cache, {"--png", first, "--size", "900x600", "--minmax", file}), 0);
    EXPECT_EQ(CacheEntries(cache / "vistrel"), 1);
    EXPECT_GT(BlackPixels(first), 5 * BlackPixels(plain));

    // Served from the cache: the same picture.
    const auto entry = fs::directory_iterator(cache / "vistrel")->path();
    const auto written = fs::last_write_time(entry);
    ASSERT_EQ(RenderPng(cache, {"--png", second, "--minmax", "--size", "900x600", file}), 0);
    QFile a(first), b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_EQ(CacheEntries(cache / "vistrel"), 1);
    EXPECT_GT(fs::last_write_time(entry), written) << "a hit counts as a use";
    // Nothing beside the recording but the pictures.
    for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_TRUE(e.path().extension() == ".png" || e.path() == kvf || e.path() == cache) << e.path();
}
