// MOVAVG, EFU and the number parsing they rely on.
#include "DialogTestUtil.h"

#include "dialogs/EfuDialog.h"
#include "dialogs/MovAvgDialog.h"

using namespace vistrel;
using namespace vistrel::test;

TEST(DialogParse, ReadsLikeScanf) {
    double v = 0;
    EXPECT_TRUE(ParseG("  12.5abc", &v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(ParseG("-1e3", &v));
    EXPECT_DOUBLE_EQ(v, -1000);
    EXPECT_TRUE(ParseG("+.5", &v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_FALSE(ParseG("abc", &v));
    EXPECT_FALSE(ParseG("", &v));
    EXPECT_FALSE(ParseG("--1", &v));
    EXPECT_TRUE(ParseG("1e999", &v));
    EXPECT_TRUE(std::isinf(v));
    long long n = 0;
    EXPECT_TRUE(ParseInt(" 42x", &n));
    EXPECT_EQ(n, 42);
    EXPECT_TRUE(ParseInt("-7", &n));
    EXPECT_EQ(n, -7);
    EXPECT_FALSE(ParseInt("x1", &n));
    EXPECT_EQ(FormatG(0.1), "0.1");
    EXPECT_EQ(FormatG(1234567.0), "1.23457e+06");
}

TEST(DialogMovAvg, FactorMustBeAtLeastTwo) {
    MovAvgDialog d(nullptr, "Moving average");
    EXPECT_EQ(d.windowTitle(), "Moving average");
    EXPECT_EQ(Edit(&d, 1069)->text(), "10");
    d.show();
    for (const char* bad : {"1", "0", "-3", "text", "", "99999999999"}) {
        Edit(&d, 1069)->setText(bad);
        Click(&d, 1);
        EXPECT_TRUE(d.isVisible()) << bad;
        EXPECT_FALSE(Message(&d).isEmpty()) << bad;
    }
    Edit(&d, 1069)->setText("2");
    Click(&d, 1);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), 2);
    EXPECT_EQ(d.Factor(), 2);

    // The field shows 10 again at the next opening; closing gives 0.
    SetDialogTestHook([](QDialog& dlg) {
        EXPECT_EQ(Edit(&dlg, 1069)->text(), "10");
        Edit(&dlg, 1069)->setText("25");
        Click(&dlg, 1);
    });
    EXPECT_EQ(RunMovAvgDialog(nullptr, "Averaging"), 25);
    SetDialogTestHook([](QDialog& dlg) { dlg.reject(); });
    EXPECT_EQ(RunMovAvgDialog(nullptr, "Averaging"), 0);
    SetDialogTestHook({});
}

TEST(DialogEfu, FrequencyMustBePositive) {
    float f = 50.0f;
    SetDialogTestHook([](QDialog& dlg) {
        EXPECT_EQ(Edit(&dlg, 1141)->text(), "50");
        for (const char* bad : {"0", "-5", "abc", ""}) {
            Edit(&dlg, 1141)->setText(bad);
            Click(&dlg, 1142);
            EXPECT_TRUE(dlg.isVisible()) << bad;
            EXPECT_FALSE(Message(&dlg).isEmpty());
        }
        // Only the first seven characters count: "0.00000" then "1" is zero.
        Edit(&dlg, 1141)->setText("0.000001");
        Click(&dlg, 1142);
        EXPECT_TRUE(dlg.isVisible());
        Edit(&dlg, 1141)->setText("60.5");
        Click(&dlg, 1142);
    });
    EXPECT_EQ(RunEfuDialog(nullptr, "RMS", &f), 1);
    EXPECT_FLOAT_EQ(f, 60.5f);
    SetDialogTestHook([](QDialog& dlg) {
        EXPECT_EQ(Edit(&dlg, 1141)->text(), "60.5");
        Edit(&dlg, 1141)->setText("70");
        dlg.reject();
    });
    EXPECT_EQ(RunEfuDialog(nullptr, "RMS", &f), 0);
    EXPECT_FLOAT_EQ(f, 60.5f);
    SetDialogTestHook({});
}
