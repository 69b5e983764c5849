// The averaged (Welch) variant of the spectral analysis dialog: enabled with the FFT, the
// segment length shown in the points field, refusals, and what reaches the job.
#include <gtest/gtest.h>

#include "DialogTestUtil.h"
#include "core/common/StringIds.h"
#include "dialogs/SpectrDialog.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {
struct HookGuard {
    explicit HookGuard(DialogHook h) { SetDialogTestHook(std::move(h)); }
    ~HookGuard() { SetDialogTestHook({}); }
};

// Runs the dialog on a fragment of `length` samples; `drive` sets the controls and clicks Execute.
int RunOn(int64_t length, const std::function<void(QDialog&)>& drive, SpectrResult& result) {
    DialogSource src = MakeSource(1, 2, 10000.0f, 100000);
    src.cursor1 = 2000 + length;
    src.cursor2 = 2000;
    HookGuard hook([&](QDialog& d) {
        Edit(&d, 1245)->setText("0");
        Edit(&d, 1070)->setText("5000");
        drive(d);
    });
    return RunSpectrDialog(nullptr, src, &result);
}
} // namespace

TEST(DialogWelch, AveragedSpectrumSettings) {
    const QString badSegments = GetUiString(IDS_SPECTRO_BAD_SEGMENTS).arg(2).arg(1024);
    struct Case {
        int64_t length;
        bool fft, average;
        const char* segments;
        int scaling;
        QString message;  // empty: accepted
        QString points;   // the points field after the settings
        int wantAverage, wantDensity;
    } cases[] = {
        {6000, true, true, "8", 0, QString(), "1333", 8, 0},
        {6000, true, true, "1024", 1, QString(), "11", 1024, 1},
        {6000, false, true, "8", 1, QString(), "400", 0, 0},     // without the FFT the box does nothing
        {6000, true, false, "8", 1, QString(), "8192", 0, 0},    // the single FFT over its span
        {6000, true, true, "1", 0, badSegments, "", 0, 0},
        {6000, true, true, "1025", 0, badSegments, "", 0, 0},
        {6000, true, true, "", 0, badSegments, "", 0, 0},
        {1000, true, true, "1000", 0, GetUiString(IDS_SPECTRO_SHORT_FRAGMENT).arg(1000).arg(1000), "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " " << c.fft << c.average << " " << c.segments);
        SpectrDialog::ForgetRemembered();
        SpectrResult result;
        QString message, points;
        bool averageEnabled = false;
        const int accepted = RunOn(c.length, [&](QDialog& d) {
            Check(&d, 1246)->setChecked(c.fft);
            Check(&d, SpectrDialog::kAverageId)->setChecked(c.average);
            Edit(&d, SpectrDialog::kSegmentsId)->setText(QString::fromLatin1(c.segments));
            List(&d, SpectrDialog::kScalingId)->setCurrentIndex(c.scaling);
            points = Edit(&d, 1071)->text();
            averageEnabled = Check(&d, SpectrDialog::kAverageId)->isEnabled();
            Click(&d, 1);
            message = Message(&d);
        }, result);
        EXPECT_EQ(averageEnabled, c.fft);
        EXPECT_EQ(points, c.points);
        if (c.message.isEmpty()) {
            EXPECT_EQ(accepted, 1) << message.toStdString();
            EXPECT_EQ(result.average, c.wantAverage);
            EXPECT_EQ(result.density, c.wantDensity);
        } else {
            EXPECT_EQ(accepted, 0);
            EXPECT_EQ(message, c.message);
        }
    }
}

// The settings of an accepted averaged run come back the next time the dialog opens.
TEST(DialogWelch, SettingsAreRemembered) {
    SpectrDialog::ForgetRemembered();
    SpectrResult result;
    ASSERT_EQ(RunOn(6000, [](QDialog& d) {
        Check(&d, 1246)->setChecked(true);
        Check(&d, SpectrDialog::kAverageId)->setChecked(true);
        Edit(&d, SpectrDialog::kSegmentsId)->setText("16");
        List(&d, SpectrDialog::kScalingId)->setCurrentIndex(1);
        Click(&d, 1);
    }, result), 1);
    ASSERT_EQ(RunOn(6000, [](QDialog& d) {
        EXPECT_TRUE(Check(&d, SpectrDialog::kAverageId)->isChecked());
        EXPECT_EQ(Edit(&d, SpectrDialog::kSegmentsId)->text(), "16");
        EXPECT_EQ(List(&d, SpectrDialog::kScalingId)->currentIndex(), 1);
        EXPECT_EQ(Edit(&d, 1071)->text(), "705");
        Click(&d, 1);
    }, result), 1);
    EXPECT_EQ(result.average, 16);
    EXPECT_EQ(result.density, 1);
}
