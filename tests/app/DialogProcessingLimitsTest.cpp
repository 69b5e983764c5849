// Parameter dialogs refuse values whose result could not be written or read back.
#include "DialogTestUtil.h"

#include <QFile>
#include <QTemporaryDir>

#include "core/common/StringIds.h"
#include "dialogs/SpectrDialog.h"
#include "dialogs/TableFuncDialog.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {
struct HookGuard {
    explicit HookGuard(DialogHook h) { SetDialogTestHook(std::move(h)); }
    ~HookGuard() { SetDialogTestHook({}); }
};
} // namespace

TEST(DialogProcessingLimits, SpectrumRefusesUnstampableAndUnreadableResults) {
    SpectrDialog::ForgetRemembered();
    DialogSource src = MakeSource(1, 4, 200000.0f, 1000000);
    src.cursor1 = 5000;
    src.cursor2 = 6000;
    SpectrResult result;
    {
        HookGuard hook([](QDialog& d) {
            // A lower limit of a day in hertz: no time of day can carry it.
            Edit(&d, 1245)->setText("86400");
            Edit(&d, 1070)->setText("90000");
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(Message(&d), GetUiString(IDS_SPECTRUM_LOWER_TOO_HIGH));
            // FFT: the first bin past the limit although the limit is below it.
            Edit(&d, 1245)->setText("86390");
            Check(&d, 1246)->setChecked(true);
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(Message(&d), GetUiString(IDS_SPECTRUM_LOWER_TOO_HIGH));
            // Rows per hertz that overflow.
            Check(&d, 1246)->setChecked(false);
            Edit(&d, 1245)->setText("0");
            Edit(&d, 1070)->setText("1e-40");
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(Message(&d), GetUiString(IDS_SPECTRUM_RATE_UNUSABLE));
            Edit(&d, 1245)->setText("3600");
            Edit(&d, 1070)->setText("3700");
            Click(&d, 1);
        });
        ASSERT_EQ(RunSpectrDialog(nullptr, src, &result), 1);
    }
    EXPECT_DOUBLE_EQ(result.lowerW, 6.283185307179586 * 3600);
}

TEST(DialogProcessingLimits, TableFunctionRefusesNonNumbers) {
    TableFuncDialog::ForgetRemembered();
    QTemporaryDir dir;
    const QString table = dir.filePath("t.txt");
    QFile f(table);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0 0\r10 1\rinf 2\r");
    f.close();
    TableFuncResult result;
    {
        HookGuard hook([&](QDialog& d) {
            Edit(&d, 1147)->setText(table);
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(Message(&d), GetUiString(IDS_POINTS_BAD_NUMBER).arg(1).arg(3).arg(table));
            Edit(&d, 1147)->clear();
            Click(&d, 1);
        });
        ASSERT_EQ(RunTableFuncDialog(nullptr, MakeSource(1, 4), &result), 1);
    }
    EXPECT_EQ(result.count, 1);
}
