// "AXB" with its coefficient files, and "HISTORY".
#include "DialogTestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <array>

#include "dialogs/AxbDialog.h"
#include "dialogs/HistoryDialog.h"
#include "shell/UiUtils.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

struct Answerers {
    QStringList errors;            // texts of error boxes
    QStringList questions;
    bool answerYes = true;
    QString nextFile;              // what the file dialog returns
    Answerers() {
        SetMessageBoxAnswerer([this](BoxKind kind, const QString&, const QString& text) {
            (kind == BoxKind::Error ? errors : questions) << text;
            return answerYes;
        });
        SetFileDialogAnswerer([this](FileDialogMode, const QString&, const QList<FileFilter>& filters,
                                     const QString&, int* index) {
            EXPECT_EQ(filters.size(), 1);
            if (!filters.isEmpty()) EXPECT_EQ(filters[0].pattern, "*.txt");
            *index = 0;
            return nextFile;
        });
    }
    ~Answerers() {
        SetMessageBoxAnswerer({});
        SetFileDialogAnswerer({});
        SetDialogTestHook({});
    }
};

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(DialogAxb, TabsFilesAndStoring) {
    Answerers answer;
    QTemporaryDir dir;
    DialogSource src = MakeSource(2, 4);
    src.shown[1] = 0;  // channel 2 hidden
    std::array<float, 256> a, b;
    a.fill(1.0f);
    b.fill(0.0f);
    a[2] = 1.23456789f;  // more digits than a field shows
    const QString saved = dir.filePath("coeffs.txt");

    SetDialogTestHook([&](QDialog& d) {
        auto* tabs = d.findChild<QTabBar*>("1001");
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->count(), 2);
        EXPECT_EQ(Edit(&d, 1071)->text(), "1");
        EXPECT_TRUE(Edit(&d, 1071)->isEnabled());
        EXPECT_FALSE(Edit(&d, 1073)->isEnabled());  // hidden channel
        EXPECT_EQ(Edit(&d, 1079)->text(), "");       // row 5 beyond 4 channels
        EXPECT_FALSE(Edit(&d, 1079)->isEnabled());
        EXPECT_EQ(List(&d, 1139)->count(), 3);       // shown channels of device 1
        Edit(&d, 1071)->setText("2");
        Edit(&d, 1072)->setText("0.5");
        // "All as" row 1 copies into the other shown rows only.
        List(&d, 1139)->setCurrentIndex(0);
        Click(&d, 1136);
        EXPECT_EQ(Edit(&d, 1077)->text(), "2");
        EXPECT_EQ(Edit(&d, 1073)->text(), "1");
        Edit(&d, 1075)->setText("1.23457");  // back to what was shown
        Edit(&d, 1077)->setText("1");
        tabs->setCurrentIndex(1);
        EXPECT_FLOAT_EQ(a[0], 2.0f);
        EXPECT_FLOAT_EQ(b[0], 0.5f);
        EXPECT_EQ(a[2], 1.23456789f);  // untouched: exact
        Edit(&d, 1077)->setText("3");  // channel 8

        // Save writes devices x channels lines numbered from 1, whatever tab is shown.
        answer.nextFile = saved;
        Click(&d, 1137);
        EXPECT_FLOAT_EQ(a[7], 3.0f);
        const QByteArray text = ReadFile(saved);
        EXPECT_TRUE(text.startsWith("#Linear Transformation Coeffs#\r\n1;2;0.5\r\n2;1;0\r\n"));
        EXPECT_TRUE(text.endsWith("8;3;0\r\n"));
        EXPECT_EQ(text.count("\r\n"), 9);
        // Edits after saving are still stored (the tab stays current).
        Edit(&d, 1075)->setText("4");  // channel 7

        // Saving over an existing file asks first; No keeps the file.
        answer.answerYes = false;
        Edit(&d, 1071)->setText("9");
        Click(&d, 1137);
        EXPECT_EQ(answer.questions.size(), 1);
        EXPECT_EQ(ReadFile(saved), text);
        Edit(&d, 1071)->setText("1");
        answer.answerYes = true;

        // Open: a file with one line changes only that channel; missing and foreign files fail.
        const QString one = dir.filePath("one.txt");
        WriteFile(one, "#Linear Transformation Coeffs#\r\n6;-2;7\r\n");
        answer.nextFile = one;
        Click(&d, 4);
        EXPECT_FLOAT_EQ(a[5], -2.0f);
        EXPECT_FLOAT_EQ(b[5], 7.0f);
        EXPECT_EQ(Edit(&d, 1073)->text(), "-2");  // row 2 of device 2
        answer.nextFile = dir.filePath("nothing.txt");
        Click(&d, 4);
        ASSERT_EQ(answer.errors.size(), 1);
        EXPECT_EQ(answer.errors[0], GetUiString(221));
        const QString foreign = dir.filePath("foreign.txt");
        WriteFile(foreign, "1;5;5\r\n");
        answer.nextFile = foreign;
        Click(&d, 4);
        ASSERT_EQ(answer.errors.size(), 2);
        EXPECT_EQ(answer.errors[1], GetUiString(220));
        EXPECT_FLOAT_EQ(a[0], 2.0f);

        // Clear puts 1.0 / 0.0 into the fields; closing the box keeps the shown tab's edits.
        Click(&d, 3);
        EXPECT_EQ(Edit(&d, 1071)->text(), "1.0");
        Edit(&d, 1072)->setText("5");
        d.reject();
    });
    EXPECT_EQ(RunAxbDialog(nullptr, "AXB", src, a.data(), b.data()), 0);
    EXPECT_FLOAT_EQ(a[4], 1.0f);
    EXPECT_FLOAT_EQ(b[4], 5.0f);
    EXPECT_FLOAT_EQ(a[5], 1.0f);
    EXPECT_FLOAT_EQ(a[6], 1.0f);  // cleared after the edit to 4
    EXPECT_FLOAT_EQ(a[0], 2.0f);  // other tab untouched

    // Execute refuses a field that is not a number, then stores and returns 1.
    SetDialogTestHook([&](QDialog& d) {
        EXPECT_EQ(Edit(&d, 1071)->text(), "2");
        Edit(&d, 1071)->setText("abc");
        Click(&d, 1138);
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(Message(&d).isEmpty());
        Edit(&d, 1071)->setText("-1");
        Click(&d, 1138);
    });
    EXPECT_EQ(RunAxbDialog(nullptr, "AXB", src, a.data(), b.data()), 1);
    EXPECT_FLOAT_EQ(a[0], -1.0f);
}

TEST(DialogHistory, RowsColoursAndDoubleClick) {
    History h;
    for (int k = 0; k < 3; ++k) {
        HistoryEntry& e = h.entries[k];
        e.date = "07.12.26";
        e.time = "10:0" + std::to_string(k);
        e.size = "60000x2";
        e.rate = "1000";
        e.duration = "60.0";
        e.path = "/data/rec" + std::to_string(k) + ".kvf";
        e.missing = k == 1;
    }
    h.count = 3;
    HistoryDialog d(nullptr, h);
    d.show();
    QTreeWidget* list = d.List();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->headerItem()->text(0), GetUiString(232));
    EXPECT_EQ(list->headerItem()->text(5), GetUiString(235));
    QTreeWidgetItem* r0 = list->topLevelItem(0);
    EXPECT_EQ(r0->text(0), "/data/rec0.kvf");
    EXPECT_EQ(r0->text(2), "10:00");
    EXPECT_EQ(r0->background(3).color(), QColor(Qt::white));
    EXPECT_EQ(r0->foreground(0).color(), QColor(0, 0, 255));
    EXPECT_EQ(r0->foreground(1).color(), QColor(Qt::black));
    QTreeWidgetItem* r1 = list->topLevelItem(1);
    EXPECT_EQ(r1->background(0).color(), QColor(240, 240, 240));
    for (int c = 0; c < 6; ++c) EXPECT_EQ(r1->foreground(c).color(), QColor(128, 128, 128));
    EXPECT_EQ(list->topLevelItem(2)->background(0).color(), QColor(Qt::white));

    // A double-click below the rows does nothing; on a row it returns that row's path.
    QWidget* vp = list->viewport();
    QTest::mouseDClick(vp, Qt::LeftButton, {}, QPoint(5, vp->height() - 2));
    EXPECT_TRUE(d.isVisible());
    const QRect rect = list->visualItemRect(r1);
    ASSERT_FALSE(rect.isEmpty());
    QTest::mousePress(vp, Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(vp, Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(vp, Qt::LeftButton, {}, rect.center());
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(d.Path(), "/data/rec1.kvf");

    HistoryDialog empty(nullptr, History{});
    EXPECT_EQ(empty.List()->topLevelItemCount(), 0);
    EXPECT_EQ(empty.List()->columnCount(), 6);
}
