// FILTER: the filter, notch and trend-removal dialogs, their refusals, the response plot that
// follows the fields, and the operations run from the Processing menu.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <cmath>

#include "ShellTestSupport.h"
#define VISTREL_QSTRING_PRINTTO
#include "DialogTestUtil.h"
#include "core/common/StringIds.h"
#include "core/recording/DataFile.h"
#include "dialogs/FilterDialog.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QSpinBox* Spin(const QWidget* d, int id) {
    auto* w = Control<QSpinBox>(d, id);
    EXPECT_NE(w, nullptr) << "spin box " << id;
    return w;
}

} // namespace

TEST(DialogFilter, RefusesUnusableValuesWithTheReason) {
    ShellEnv env; // the English texts
    ASSERT_TRUE(env.Start());
    FilterDialog::ForgetRemembered();
    struct Case {
        FilterDialogMode mode;
        std::vector<std::pair<int, QString>> edits; // edit id, text
        int band;                                   // band index for the filter, -1: as is
        int design;
        int harmonics;                              // 0: as is
        QString message;                            // part of the refusal; empty: accepted
        int64_t fragment = 100000;                  // samples between the cursors
        bool zeroPhase = false;
    } cases[] = {
        {FilterDialogMode::Filter, {{1603, "500"}}, 0, 0, 0, "500"},
        {FilterDialogMode::Filter, {{1603, "0"}}, 1, 0, 0, "500"},
        {FilterDialogMode::Filter, {{1603, "abc"}}, 0, 2, 0, "500"},
        {FilterDialogMode::Filter, {{1603, "200"}, {1604, "100"}}, 2, 0, 0, "lower edge"},
        {FilterDialogMode::Filter, {{1603, "100"}, {1604, "600"}}, 3, 0, 0, "500"},
        {FilterDialogMode::Filter, {{1603, "100"}, {1605, "0"}}, 0, 1, 0, "ripple"},
        {FilterDialogMode::Filter, {{1603, "100"}, {1605, "0"}}, 0, 0, 0, ""}, // ripple unused
        {FilterDialogMode::Notch, {{1606, "60"}}, -1, 0, 9, "540 Hz is not below the Nyquist frequency 500"},
        {FilterDialogMode::Notch, {{1606, "50"}, {1608, "0"}}, -1, 0, 1, "quality factor"},
        {FilterDialogMode::Notch, {{1606, "-50"}}, -1, 0, 1, "500"},
        {FilterDialogMode::Notch, {{1606, "50"}, {1608, "10"}}, -1, 0, 9, ""},
        // Zero phase needs a fragment longer than its padding: 15 for a low-pass of order 4,
        // 6 for one notch.
        {FilterDialogMode::Filter, {{1603, "100"}}, 0, 0, 0, "has 15 samples; the zero-phase filter needs more than 15", 15, true},
        {FilterDialogMode::Filter, {{1603, "100"}}, 0, 0, 0, "", 16, true},
        {FilterDialogMode::Filter, {{1603, "100"}}, 0, 0, 0, "", 15, false},
        {FilterDialogMode::Notch, {{1606, "50"}}, -1, 0, 1, "has 6 samples", 6, true},
    };
    for (const Case& c : cases) {
        FilterDialog d(nullptr, c.mode, 1000.0, c.fragment);
        d.show();
        Check(&d, 1609)->setChecked(c.zeroPhase);
        if (c.band >= 0 && c.mode == FilterDialogMode::Filter) {
            List(&d, 1601)->setCurrentIndex(c.band);
            List(&d, 1600)->setCurrentIndex(c.design);
        }
        if (c.harmonics > 0)
            Spin(&d, 1607)->setValue(c.harmonics);
        for (const auto& [id, text] : c.edits)
            Edit(&d, id)->setText(text);
        Click(&d, 1612);
        SCOPED_TRACE(c.edits.front().second.toStdString() + " " + c.message.toStdString());
        if (c.message.isEmpty()) {
            EXPECT_EQ(d.result(), 1) << Message(&d).toStdString();
        } else {
            EXPECT_TRUE(d.isVisible());
            EXPECT_TRUE(Message(&d).contains(c.message)) << Message(&d).toStdString();
        }
    }
    FilterDialog::ForgetRemembered();
}

TEST(DialogFilter, PlotFollowsTheFieldsAndValuesAreRemembered) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    FilterDialog::ForgetRemembered();
    FilterParams params;
    SetDialogTestHook([](QDialog& dlg) {
        auto& d = static_cast<FilterDialog&>(dlg);
        FilterResponsePlot* plot = d.Plot();
        ASSERT_NE(plot, nullptr);
        // The default low-pass at 1000 Hz of a 48 kHz recording: -3 dB near 1000 Hz, phase shown.
        ASSERT_FALSE(plot->Points().empty());
        EXPECT_TRUE(plot->ShowsPhase());
        auto dbAt = [&](double hz) {
            const auto& pts = plot->Points();
            auto it = std::lower_bound(pts.begin(), pts.end(), hz,
                                       [](const filters::ResponsePoint& p, double f) { return p.hz < f; });
            return it->db;
        };
        EXPECT_NEAR(dbAt(1000.0), -3.0, 1.0); // the next plotted point lies up to 3 % higher
        Edit(&d, 1603)->setText("4000");
        EXPECT_NEAR(dbAt(1000.0), 0.0, 0.1);
        EXPECT_NEAR(dbAt(4000.0), -3.0, 1.0);
        // Zero phase: the magnitude squared and no phase.
        Check(&d, 1609)->setChecked(true);
        EXPECT_FALSE(plot->ShowsPhase());
        EXPECT_NEAR(dbAt(4000.0), -6.0, 2.0);
        // A value that cannot be used clears the plot; the ripple field is only for Chebyshev.
        Edit(&d, 1603)->setText("30000");
        EXPECT_TRUE(plot->Points().empty());
        EXPECT_FALSE(Edit(&d, 1605)->isEnabled());
        EXPECT_FALSE(Edit(&d, 1604)->isEnabled());
        List(&d, 1600)->setCurrentIndex(1);
        List(&d, 1601)->setCurrentIndex(2);
        EXPECT_TRUE(Edit(&d, 1605)->isEnabled());
        EXPECT_TRUE(Edit(&d, 1604)->isEnabled());
        Edit(&d, 1603)->setText("100");
        Edit(&d, 1604)->setText("300");
        Spin(&d, 1602)->setValue(6);
        EXPECT_FALSE(plot->Points().empty());
        Click(&d, 1612);
    });
    ASSERT_EQ(RunFilterDialog(nullptr, FilterDialogMode::Filter, 48000.0, 100000, &params), 1);
    EXPECT_EQ(params.filter.design, filters::Design::Chebyshev1);
    EXPECT_EQ(params.filter.band, filters::Band::BandPass);
    EXPECT_EQ(params.filter.order, 6);
    EXPECT_EQ(params.filter.f1, 100.0);
    EXPECT_EQ(params.filter.f2, 300.0);
    EXPECT_TRUE(params.zeroPhase);
    // The next opening shows the accepted values; closing it changes nothing.
    SetDialogTestHook([](QDialog& d) {
        EXPECT_EQ(List(&d, 1600)->currentIndex(), 1);
        EXPECT_EQ(Edit(&d, 1604)->text(), "300");
        EXPECT_EQ(Spin(&d, 1602)->value(), 6);
        EXPECT_TRUE(Check(&d, 1609)->isChecked());
        d.reject();
    });
    FilterParams untouched;
    EXPECT_EQ(RunFilterDialog(nullptr, FilterDialogMode::Filter, 48000.0, 100000, &untouched), 0);
    EXPECT_EQ(untouched.filter.order, FilterParams{}.filter.order);
    SetDialogTestHook({});
    FilterDialog::ForgetRemembered();
}

// From the Processing menu to the opened result: a 1000 Hz recording whose channel 1 is a 50 Hz
// sine of amplitude 2 and channel 2 a constant 3.
TEST(DialogFilter, MenuCommandsOpenTheirResults) {
    FilterDialog::ForgetRemembered();
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    FloatRecordingLayout layout;
    layout.channels = 2;
    const QString path = env.File("src.kvf");
    ASSERT_TRUE(WriteFloatRecording(path.toStdString(), layout, 4000, [](uint64_t k, float* row) {
        row[0] = float(2.0 * std::sin(2 * 3.141592653589793 * 50.0 * double(k) / 1000.0));
        row[1] = 3.0f;
    }));
    QMdiSubWindow* source = g_app->OpenRecording(path, -1, kNoVCenter);
    ASSERT_NE(source, nullptr);
    auto* window = qobject_cast<PlotWindow*>(source->widget());
    window->OnFirstTimer();
    window->Plot()->m_timeCursor1->m_sample = 1000;
    window->Plot()->m_timeCursor2->m_sample = 3000;
    CJobRunner::SetStartDelay(0);
    struct Case {
        int command;
        const char* prefix;
        DialogHook hook;
        double channel1, channel2; // |value| bound at row 1500 of channel 1; value of channel 2
        double tolerance;
    } cases[] = {
        // A 50 Hz notch removes the sine once settled; the constant passes.
        {32831, "~notch", [](QDialog& d) { Edit(&d, 1606)->setText("50"); Click(&d, 1612); }, 0.0, 3.0, 0.01},
        // A zero-phase 10 Hz low-pass removes the sine everywhere, the constant stays.
        {32830, "~filter", [](QDialog& d) {
             Edit(&d, 1603)->setText("10");
             Check(&d, 1609)->setChecked(true);
             Click(&d, 1612);
         }, 0.0, 3.0, 0.01},
        // Removing the mean leaves the sine and zero for the constant.
        {32832, "~detrend", [](QDialog& d) { Click(&d, 1612); }, 2.0, 0.0, 1e-5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        env.Frame()->MdiArea()->setActiveSubWindow(source);
        const int before = g_app->m_windowCount;
        bool shown = false;
        SetDialogTestHook([&](QDialog& d) {
            shown = true;
            c.hook(d);
        });
        env.Frame()->OnCommand(c.command);
        SetDialogTestHook({});
        EXPECT_TRUE(shown);
        EXPECT_TRUE(QTest::qWaitFor([] { return !CJobRunner::Running(); }, 20000));
        QCoreApplication::processEvents();
        ASSERT_EQ(g_app->m_windowCount, before + 1);
        QMdiSubWindow* r = g_app->m_windows[before];
        EXPECT_TRUE(PlotPath(r).startsWith(c.prefix)) << PlotPath(r).toStdString();
        const CDataFile* result = PlotRecording(r);
        ASSERT_EQ(result->Samples(), 2000);
        EXPECT_LE(std::abs(double(result->SampleValue(1500, 0))), c.channel1 + c.tolerance);
        EXPECT_NEAR(double(result->SampleValue(1500, 1)), c.channel2, c.tolerance);
    }
    CJobRunner::SetStartDelay(500);
    for (int i = 0; i < 64; ++i) env.answers.append(true);
    g_app->CloseAllWindows();
    QCoreApplication::processEvents();
    FilterDialog::ForgetRemembered();
}
