// Parameter dialogs refuse values that cannot be meant: coefficients beyond a float, whole
// numbers typed with a fraction, an RMS frequency the sampling rate cannot resolve, and an
// output range whose lower limit is not below the upper one. Nothing runs after a refusal.
#include "DialogTestUtil.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTabBar>
#include <QTranslator>
#include <array>
#include <functional>

#include "core/common/StringIds.h"
#include "dialogs/AddSubDialog.h"
#include "dialogs/AxbDialog.h"
#include "dialogs/EfuDialog.h"
#include "dialogs/MovAvgDialog.h"
#include "dialogs/SpectrDialog.h"
#include "shell/UiUtils.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

struct HookGuard {
    explicit HookGuard(DialogHook h) { SetDialogTestHook(std::move(h)); }
    ~HookGuard() {
        SetDialogTestHook({});
        SetFileDialogAnswerer({});
    }
};

QString Overflow(const char* label, const char* lo, const char* hi) {
    return GetUiString(IDS_COEFF_OVERFLOW).arg(QString::fromLatin1(label), QString::fromLatin1(lo),
                                               QString::fromLatin1(hi));
}

} // namespace

TEST(DialogValueChecks, AxbRefusesCoefficientsBeyondAFloat) {
    // Two devices of four channels; channel i has the range [-(i+1), 2(i+1)].
    const DialogSource src = MakeSource(2, 4);
    const QString notFloat1 = GetUiString(IDS_COEFF_NOT_FLOAT).arg("01");
    struct Case {
        int row;
        const char* a;
        const char* b;
        QString message;  // empty: accepted
    };
    const Case cases[] = {
        {0, "inf", "0", notFloat1},
        {0, "-inf", "0", notFloat1},
        {0, "1", "1e40", notFloat1},
        {0, "nan", "0", notFloat1},
        {0, "2e38", "0", Overflow("01", "-1", "2")},          // 2e38 * 2 is beyond a float
        {2, "-1.2e38", "0", Overflow("03", "-3", "6")},       // -1.2e38 * 6 below -3.4e38
        {0, "1e38", "3e38", Overflow("01", "-1", "2")},       // 2e38 + 3e38
        {0, "1e38", "1e38", QString()},                       // 3e38 still fits
    };
    for (const Case& c : cases) {
        std::array<float, 256> a{}, b{};
        a.fill(1.0f);
        int runs = 0;
        HookGuard hook([&](QDialog& d) {
            Edit(&d, AxbDialog::AId(c.row))->setText(c.a);
            Edit(&d, AxbDialog::BId(c.row))->setText(c.b);
            // Save refuses as Execute does: the file dialog is never asked.
            SetFileDialogAnswerer([&](FileDialogMode, const QString&, const QList<FileFilter>&, const QString&, int*) {
                ++runs;
                return QString();
            });
            Click(&d, 1137);
            EXPECT_EQ(runs, c.message.isEmpty() ? 1 : 0) << c.a << " " << c.b;
            Click(&d, 1138);
            EXPECT_EQ(d.isVisible(), !c.message.isEmpty()) << c.a << " " << c.b;
            EXPECT_EQ(Message(&d), c.message) << c.a << " " << c.b;
        });
        EXPECT_EQ(RunAxbDialog(nullptr, "t", src, a.data(), b.data()), c.message.isEmpty() ? 1 : 0);
    }

    // A value stored on another tab is found too: its tab comes to the front.
    std::array<float, 256> a{}, b{};
    a.fill(1.0f);
    HookGuard hook([&](QDialog& d) {
        auto* tabs = d.findChild<QTabBar*>(QStringLiteral("1001"));
        ASSERT_NE(tabs, nullptr);
        tabs->setCurrentIndex(1);
        Edit(&d, AxbDialog::BId(1))->setText("1e39");  // channel 6
        tabs->setCurrentIndex(0);
        Click(&d, 1138);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(tabs->currentIndex(), 1);
        EXPECT_EQ(Message(&d), GetUiString(IDS_COEFF_NOT_FLOAT).arg("06"));
        Edit(&d, AxbDialog::BId(1))->setText("5");
        Click(&d, 1138);
    });
    ASSERT_EQ(RunAxbDialog(nullptr, "t", src, a.data(), b.data()), 1);
    EXPECT_EQ(b[5], 5.0f);

    // A hidden channel's fields are not read, so they cannot stop a run.
    DialogSource hidden = src;
    hidden.shown[0] = 0;
    a.fill(1.0f);
    a[0] = 3e38f;
    HookGuard again([](QDialog& d) { Click(&d, 1138); });
    EXPECT_EQ(RunAxbDialog(nullptr, "t", hidden, a.data(), b.data()), 1);
}

TEST(DialogValueChecks, WholeNumberFieldsRefuseFractions) {
    long long n = 0;
    struct Parse {
        const char* text;
        bool ok;
        long long value;
    };
    for (const Parse& p : {Parse{" 12 ", true, 12}, Parse{"-7", true, -7}, Parse{"+3", true, 3},
                           Parse{"2.5", false, 0}, Parse{"2,5", false, 0}, Parse{"1e3", false, 0},
                           Parse{"12abc", false, 0}, Parse{"", false, 0}, Parse{"- 1", false, 0}}) {
        EXPECT_EQ(ParseWhole(p.text, &n), p.ok) << p.text;
        if (p.ok) EXPECT_EQ(n, p.value) << p.text;
    }

    // Every whole-number field: its edit, its button and a run that reads it.
    struct Field {
        const char* name;
        int edit, button;
        std::function<int()> run;
    };
    SpectrDialog::ForgetRemembered();
    const Field fields[] = {
        {"averaging factor", 1069, 1, [] { return RunMovAvgDialog(nullptr, "t"); }},
        {"spectrum points", 1071, 1, [] {
             SpectrResult r;
             return RunSpectrDialog(nullptr, MakeSource(1, 2, 1000.0f, 100000), &r);
         }},
    };
    for (const Field& f : fields)
        for (const char* text : {"2.5", "2,5", "3e1", "12abc"}) {
            HookGuard hook([&](QDialog& d) {
                Edit(&d, f.edit)->setText(text);
                Click(&d, f.button);
                EXPECT_TRUE(d.isVisible()) << f.name << " " << text;
                EXPECT_EQ(Message(&d), NotWholeText(text)) << f.name << " " << text;
            });
            EXPECT_EQ(f.run(), 0) << f.name << " " << text;
        }
}

TEST(DialogValueChecks, RmsFrequencyUpToHalfTheRate) {
    struct Case {
        double rate;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {1000, "500", true},  {1000, "500,5", false}, {1000, "1e9", false},
        {1000, "0", false},   {30, "50", false},      {30, "15", true},
        {0, "1e9", true}, // no rate known: no upper limit
    };
    for (const Case& c : cases) {
        float f = 50.0f;
        HookGuard hook([&](QDialog& d) {
            Edit(&d, 1141)->setText(c.text);
            Click(&d, 1142);
            if (!c.accepted && QString(c.text) != "0")
                EXPECT_EQ(Message(&d), GetUiString(IDS_RMS_ABOVE_HALF_RATE).arg(FormatG(c.rate / 2)))
                    << c.rate << " " << c.text;
        });
        EXPECT_EQ(RunEfuDialog(nullptr, "RMS", &f, c.rate), c.accepted ? 1 : 0) << c.rate << " " << c.text;
        EXPECT_EQ(f, c.accepted ? static_cast<float>(QString(c.text).toDouble()) : 50.0f) << c.text;
    }
}

TEST(DialogValueChecks, AddSubOwnRangeMustBeARange) {
    struct Case {
        const char* low;
        const char* high;
        QString message;
    };
    const QString notOrdered = GetUiString(IDS_RANGE_NOT_ORDERED).arg(1);
    const Case cases[] = {
        {"5", "5", notOrdered},
        {"6", "-6", notOrdered},
        {"1e40", "2e40", DlgText("ADDSUB.badlimit").arg(1)},
        {"-inf", "0", DlgText("ADDSUB.badlimit").arg(1)},
        {"-6", "6", QString()},
    };
    for (const Case& c : cases) {
        AddSubDialog::ForgetRemembered();
        AddSubResult result;
        HookGuard hook([&](QDialog& d) {
            Check(&d, 1243)->setChecked(true);
            Edit(&d, 1070)->setText(c.low);
            Edit(&d, 1071)->setText(c.high);
            Click(&d, 1);
            EXPECT_EQ(Message(&d), c.message) << c.low << " " << c.high;
        });
        EXPECT_EQ(RunAddSubDialog(nullptr, MakeSource(1, 4), &result), c.message.isEmpty() ? 1 : 0)
            << c.low << " " << c.high;
        if (c.message.isEmpty()) {
            EXPECT_EQ(result.rows[0].low, -6.0f);
            EXPECT_EQ(result.rows[0].high, 6.0f);
        }
    }
}

TEST(DialogValueChecks, MessagesInBothLanguages) {
    // Each refusal reads in the interface's language, with its place holders kept.
    struct Module {
        const char* file;
        QRegularExpression foreign;
    };
    const Module modules[] = {{"LangRsRu.qm", QRegularExpression(QStringLiteral("[a-zA-Z]{2,}"))},
                              {"LangRsEn.qm", QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]"))}};
    const int ids[] = {IDS_COEFF_NOT_FLOAT, IDS_COEFF_OVERFLOW, IDS_NOT_WHOLE_NUMBER, IDS_RMS_ABOVE_HALF_RATE,
                       IDS_RANGE_NOT_ORDERED};
    const int placeHolders[] = {1, 3, 1, 1, 1};
    for (const Module& m : modules) {
        QTranslator tr;
        ASSERT_TRUE(tr.load(QStringLiteral(VISTREL_LANG_DIR "/") + QLatin1String(m.file)));
        QCoreApplication::installTranslator(&tr);
        for (size_t i = 0; i < std::size(ids); ++i) {
            const QString text = GetUiString(ids[i]);
            EXPECT_NE(text, QString::number(ids[i])) << m.file;
            EXPECT_FALSE(text.contains(m.foreign)) << m.file << ": " << text.toStdString();
            for (int k = 1; k <= placeHolders[i]; ++k)
                EXPECT_TRUE(text.contains(QStringLiteral("%%1").arg(k))) << m.file << ": " << text.toStdString();
        }
        QCoreApplication::removeTranslator(&tr);
    }
}
