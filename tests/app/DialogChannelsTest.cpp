// SAVECHAS, ADDSUB, TABLEFUNC and SPECTR driven by control id.
#include "DialogTestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/common/StringIds.h"
#include "dialogs/AddSubDialog.h"
#include "dialogs/SaveChasDialog.h"
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

TEST(DialogSaveChas, RowsLimitsAndRememberedChoice) {
    SaveChasDialog::ForgetRemembered();
    const DialogSource src = MakeSource(2, 4);
    SaveChasResult result;
    {
        HookGuard hook([](QDialog& d) {
            // Opening: one row, a two-device recording enables the device box.
            EXPECT_EQ(List(&d, 1000)->currentText(), "1");
            EXPECT_TRUE(List(&d, 1145)->isEnabled());
            EXPECT_FALSE(List(&d, 1148)->isEnabled());
            EXPECT_EQ(List(&d, 1146)->count(), 4);
            // Limits follow the chosen channel while the Set box is clear.
            EXPECT_EQ(Edit(&d, 1070)->text(), "-1");
            EXPECT_FALSE(Edit(&d, 1070)->isEnabled());
            Choose(&d, 1145, "2");
            Choose(&d, 1146, "3");  // absolute channel 7
            EXPECT_EQ(Edit(&d, 1070)->text(), "-7");
            EXPECT_EQ(Edit(&d, 1071)->text(), "14");
            Choose(&d, 1000, "3");
            Choose(&d, 1151, "1");
            Choose(&d, 1152, "2");  // row 3: channel 2 with own limits
            Check(&d, 1245)->setChecked(true);
            EXPECT_TRUE(Edit(&d, 1076)->isEnabled());
            Edit(&d, 1076)->setText("oops");
            Edit(&d, 1077)->setText("5");
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            EXPECT_FALSE(Message(&d).isEmpty());
            Edit(&d, 1076)->setText("-0.5");
            Click(&d, 1);
        });
        ASSERT_EQ(RunSaveChasDialog(nullptr, src, &result), 1);
    }
    EXPECT_EQ(result.count, 3);
    EXPECT_EQ(result.rows[0].source, 7);
    EXPECT_FLOAT_EQ(result.rows[0].low, -7);
    EXPECT_EQ(result.rows[0].colour, 0x60001u);
    EXPECT_EQ(result.rows[1].source, 1);
    EXPECT_EQ(result.rows[2].source, 2);
    EXPECT_FLOAT_EQ(result.rows[2].low, -0.5f);
    EXPECT_FLOAT_EQ(result.rows[2].high, 5.0f);

    // Same shape: the last choice comes back; shrinking the count resets the dropped rows.
    {
        HookGuard hook([](QDialog& d) {
            EXPECT_EQ(List(&d, 1000)->currentText(), "3");
            EXPECT_EQ(List(&d, 1145)->currentText(), "2");
            EXPECT_EQ(List(&d, 1146)->currentText(), "3");
            EXPECT_TRUE(Check(&d, 1245)->isChecked());
            EXPECT_EQ(Edit(&d, 1076)->text(), "-0.5");
            Choose(&d, 1000, "1");
            EXPECT_FALSE(Check(&d, 1245)->isChecked());
            EXPECT_EQ(Edit(&d, 1076)->text(), "");
            EXPECT_EQ(List(&d, 1151)->currentIndex(), 0);
            d.reject();
        });
        EXPECT_EQ(RunSaveChasDialog(nullptr, src, &result), 0);
    }
    // Another shape starts afresh; one device disables the device boxes.
    {
        HookGuard hook([](QDialog& d) {
            EXPECT_EQ(List(&d, 1000)->currentText(), "1");
            EXPECT_EQ(List(&d, 1146)->currentText(), "1");
            EXPECT_FALSE(List(&d, 1145)->isEnabled());
            d.reject();
        });
        EXPECT_EQ(RunSaveChasDialog(nullptr, MakeSource(1, 8), &result), 0);
    }
}

TEST(DialogAddSub, RangesFollowChannelsAndChoiceIsRemembered) {
    AddSubDialog::ForgetRemembered();
    const DialogSource src = MakeSource(2, 4);
    AddSubResult result;
    {
        HookGuard hook([](QDialog& d) {
            EXPECT_EQ(List(&d, 1000)->currentText(), "+");
            EXPECT_EQ(List(&d, 1000)->count(), 2);
            EXPECT_TRUE(Control<QWidget>(&d, 1049)->isVisibleTo(&d));
            EXPECT_FALSE(Control<QWidget>(&d, 1130)->isVisibleTo(&d));
            // Range = sum of the operands' limits, following the choice at once.
            EXPECT_EQ(Edit(&d, 1070)->text(), "-2");
            EXPECT_EQ(Edit(&d, 1071)->text(), "4");
            Choose(&d, 1003, "-");
            Choose(&d, 1004, "2");
            Choose(&d, 1005, "4");  // channel 8
            EXPECT_EQ(Edit(&d, 1070)->text(), "-9");
            EXPECT_EQ(Edit(&d, 1071)->text(), "18");
            EXPECT_FALSE(Edit(&d, 1070)->isEnabled());
            // Row 2 with its own range box.
            Choose(&d, 1048, "2");
            EXPECT_TRUE(Control<QWidget>(&d, 1130)->isVisibleTo(&d));
            Check(&d, 1244)->setChecked(true);
            Edit(&d, 1074)->setText("x");
            Edit(&d, 1075)->setText("3");
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            Edit(&d, 1074)->setText("-3");
            Click(&d, 1);
        });
        ASSERT_EQ(RunAddSubDialog(nullptr, src, &result), 1);
    }
    EXPECT_EQ(result.count, 2);
    EXPECT_EQ(result.rows[0].sign1, 1);
    EXPECT_EQ(result.rows[0].source1, 1);
    EXPECT_EQ(result.rows[0].sign2, -1);
    EXPECT_EQ(result.rows[0].source2, 8);
    EXPECT_FLOAT_EQ(result.rows[0].low, -9);
    EXPECT_EQ(result.rows[0].colour, 0xFF0000u);
    EXPECT_EQ(result.rows[1].colour, 0x008000u);
    EXPECT_FLOAT_EQ(result.rows[1].low, -3);
    EXPECT_FLOAT_EQ(result.rows[1].high, 3);
    {
        HookGuard hook([](QDialog& d) {
            EXPECT_EQ(List(&d, 1048)->currentText(), "2");
            EXPECT_EQ(List(&d, 1003)->currentText(), "-");
            EXPECT_EQ(List(&d, 1005)->currentText(), "4");
            EXPECT_TRUE(Check(&d, 1244)->isChecked());
            EXPECT_EQ(Edit(&d, 1074)->text(), "-3");
            d.reject();
        });
        EXPECT_EQ(RunAddSubDialog(nullptr, src, &result), 0);
    }
    {
        HookGuard hook([](QDialog& d) {
            EXPECT_EQ(List(&d, 1048)->currentText(), "1");
            EXPECT_FALSE(List(&d, 1001)->isEnabled());
            EXPECT_EQ(List(&d, 1003)->currentText(), "+");
            d.reject();
        });
        EXPECT_EQ(RunAddSubDialog(nullptr, MakeSource(1, 8), &result), 0);
    }
}

TEST(DialogTableFunc, RowsFilesAndAllAsFirst) {
    TableFuncDialog::ForgetRemembered();
    QTemporaryDir dir;
    const QString table = dir.filePath("t.txt");
    QFile f(table);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0 0\r\n10 1\r\n");
    f.close();
    TableFuncResult result;
    {
        HookGuard hook([&](QDialog& d) {
            Choose(&d, 1000, "3");
            EXPECT_TRUE(Edit(&d, 1153)->isEnabled());
            EXPECT_FALSE(Edit(&d, 1156)->isEnabled());
            Edit(&d, 1147)->setText(table);
            Click(&d, 1241);
            EXPECT_EQ(Edit(&d, 1150)->text(), table);
            EXPECT_EQ(Edit(&d, 1156)->text(), "");  // inactive rows stay empty
            Choose(&d, 1149, "4");
            Edit(&d, 1153)->setText(dir.filePath("missing.txt"));
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            EXPECT_FALSE(Message(&d).isEmpty());
            Edit(&d, 1153)->clear();
            Click(&d, 1);
        });
        ASSERT_EQ(RunTableFuncDialog(nullptr, MakeSource(1, 4), &result), 1);
    }
    EXPECT_EQ(result.count, 3);
    EXPECT_EQ(result.rows[0].source, 1);
    EXPECT_EQ(result.rows[1].source, 4);
    EXPECT_EQ(result.rows[1].file, table);
    EXPECT_EQ(result.rows[2].file, "");
    {
        HookGuard hook([&](QDialog& d) {
            EXPECT_EQ(List(&d, 1000)->currentText(), "3");
            EXPECT_EQ(List(&d, 1149)->currentText(), "4");
            EXPECT_EQ(Edit(&d, 1150)->text(), table);
            d.reject();
        });
        EXPECT_EQ(RunTableFuncDialog(nullptr, MakeSource(1, 4), &result), 0);
    }
}

TEST(DialogSpectr, LimitsPointsAndFftSpan) {
    SpectrDialog::ForgetRemembered();
    DialogSource src = MakeSource(1, 4, 1000.0f, 100000);
    src.cursor1 = 5000;
    src.cursor2 = 6000;
    SpectrResult result;
    {
        HookGuard hook([](QDialog& d) {
            EXPECT_EQ(Edit(&d, 1071)->text(), "400");
            EXPECT_EQ(Edit(&d, 1245)->text(), "0");
            EXPECT_EQ(Edit(&d, 1070)->text(), "400");
            EXPECT_EQ(List(&d, 1001)->count(), 5);
            EXPECT_EQ(List(&d, 1001)->itemText(0), GetUiString(236));
            EXPECT_EQ(List(&d, 1001)->itemText(4), "Blackmann-Harris");
            EXPECT_FALSE(List(&d, 1145)->isEnabled());
            // FFT: the span length from the cursors, the point field disabled.
            Check(&d, 1246)->setChecked(true);
            EXPECT_EQ(Edit(&d, 1071)->text(), "1024");
            EXPECT_FALSE(Edit(&d, 1071)->isEnabled());
            Check(&d, 1246)->setChecked(false);
            EXPECT_EQ(Edit(&d, 1071)->text(), "400");
            EXPECT_TRUE(Edit(&d, 1071)->isEnabled());
            // An upper limit above half the rate is lowered to it on leaving the field, and
            // the dialog says so.
            Edit(&d, 1070)->setText("5000");
            emit Edit(&d, 1070)->editingFinished();
            EXPECT_EQ(Edit(&d, 1070)->text(), "500");
            EXPECT_EQ(Message(&d), GetUiString(IDS_SPECTRUM_UPPER_LOWERED).arg("5000", "500"));
            Edit(&d, 1071)->setText("0");
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            Edit(&d, 1071)->setText("101");
            Edit(&d, 1245)->setText("abc");
            Click(&d, 1);
            EXPECT_TRUE(d.isVisible());
            Edit(&d, 1245)->setText("-5");
            Choose(&d, 1000, "2");
            Choose(&d, 1149, "3");
            List(&d, 1001)->setCurrentIndex(3);
            Click(&d, 1);
        });
        ASSERT_EQ(RunSpectrDialog(nullptr, src, &result), 1);
    }
    EXPECT_EQ(result.count, 2);
    EXPECT_EQ(result.sources[0], 1);
    EXPECT_EQ(result.sources[1], 3);
    EXPECT_EQ(result.points, 101);
    EXPECT_DOUBLE_EQ(result.lowerW, 0.0);  // -5 becomes 0
    EXPECT_DOUBLE_EQ(result.upperW, 6.283185307179586 * 500);
    EXPECT_EQ(result.window, 3);
    EXPECT_EQ(result.fft, 0);
    {
        HookGuard hook([](QDialog& d) {
            EXPECT_EQ(Edit(&d, 1071)->text(), "101");
            EXPECT_EQ(Edit(&d, 1070)->text(), "500");
            EXPECT_EQ(List(&d, 1000)->currentText(), "2");
            EXPECT_EQ(List(&d, 1001)->currentIndex(), 3);
            Edit(&d, 1245)->setText("1000");  // not below the upper limit: becomes 0
            Check(&d, 1246)->setChecked(true);
            Click(&d, 1);
        });
        ASSERT_EQ(RunSpectrDialog(nullptr, src, &result), 1);
    }
    EXPECT_EQ(result.fft, 1);
    EXPECT_DOUBLE_EQ(result.lowerW, 0.0);
}
