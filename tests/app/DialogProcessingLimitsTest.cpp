// Parameter dialogs refuse values whose result could not be written or read back.
#include "DialogTestUtil.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>

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
    // Each named file is refused with its own message; only an empty field copies the channel.
    struct Case {
        const char* name;
        QByteArray bytes;
        int id;
        int line;
    } cases[] = {
        {"inf.txt", "0 0\r10 1\rinf 2\r", IDS_POINTS_BAD_NUMBER, 3},
        {"words.txt", "0 0\r\n# value argument\r\n10 1\r\n", IDS_POINTS_NOT_NUMBERS, 2},
        {"empty.txt", "\r\n", IDS_POINTS_EMPTY, 0},
    };
    for (const Case& c : cases) {
        QFile f(dir.filePath(c.name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
    }
    TableFuncResult result;
    {
        HookGuard hook([&](QDialog& d) {
            EXPECT_EQ(Edit(&d, 1147)->placeholderText(), GetUiString(IDS_TABLE_NO_FILE));
            for (const Case& c : cases) {
                const QString table = dir.filePath(c.name);
                Edit(&d, 1147)->setText(table);
                Click(&d, 1);
                EXPECT_TRUE(d.isVisible()) << c.name;
                const QString expected = c.line > 0 ? GetUiString(c.id).arg(1).arg(c.line).arg(table)
                                                    : GetUiString(c.id).arg(1).arg(table);
                EXPECT_EQ(Message(&d), expected);
            }
            Edit(&d, 1147)->clear();
            Click(&d, 1);
        });
        ASSERT_EQ(RunTableFuncDialog(nullptr, MakeSource(1, 4), &result), 1);
    }
    EXPECT_EQ(result.count, 1);
}

TEST(DialogProcessingLimits, OperationMessagesAreInBothModules) {
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    for (const bool russian : {true, false}) {
        QTranslator tr;
        const QString module = russian ? QStringLiteral("LangRsRu.qm") : QStringLiteral("LangRsEn.qm");
        ASSERT_TRUE(tr.load(QStringLiteral(VISTREL_LANG_DIR "/") + module)) << module.toStdString();
        QCoreApplication::installTranslator(&tr);
        for (int id = IDS_SPECTRUM_UPPER_LOWERED; id <= IDS_TABLE_NO_FILE; ++id) {
            const QString text = GetUiString(id);
            EXPECT_NE(text, QString::number(id));
            EXPECT_EQ(text.contains(cyrillic), russian) << text.toStdString();
        }
        QCoreApplication::removeTranslator(&tr);
    }
}
