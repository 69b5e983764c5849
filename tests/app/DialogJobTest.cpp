// Each command's dialog fills a job that the engines then run on a recording the test writes.
#include "DialogTestUtil.h"

#include <QDir>
#include <QFile>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "dialogs/AddSubDialog.h"
#include "dialogs/ProcessDialogs.h"
#include "dialogs/SaveChasDialog.h"
#include "dialogs/SpectrDialog.h"
#include "dialogs/TableFuncDialog.h"
#include "shell/FrameApp.h"
#include "support/Fixtures.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

struct Observer : IProcessObserver {
    std::string failure;
    std::filesystem::path opened;
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Failed(const std::string& m) override { failure = m; }
    void OpenResult(const std::filesystem::path& p) override { opened = p; }
};

// A 2-device recording of 4 channels each; channel c holds c + 1 everywhere.
struct Fixture {
    TempDir dir;
    CDataFile file;
    Fixture() {
        FloatRecordingLayout layout;
        layout.channels = 8;
        layout.devices = 2;
        EXPECT_TRUE(WriteFloatRecording(dir / "rec.kvf", layout, 2000, [](uint64_t, float* row) {
            for (int c = 0; c < 8; ++c) row[c] = float(c + 1);
        }));
        EXPECT_EQ(file.Open(dir / "rec.kvf"), 1);
    }
    ProcessJob Job() {
        ProcessJob job;
        job.InitFrom(file);
        job.m_cursor1 = 1000;
        job.m_cursor2 = 1010;
        job.m_startDelayMs = 0;
        return job;
    }
    // Runs the job and reads the result back.
    bool Run(ProcessJob& job, ProcessOp op, const std::string& name, CDataFile& result) {
        job.m_op = op;
        job.m_resultName = dir / name;
        Observer obs;
        RunProcessJob(job, obs);
        EXPECT_EQ(obs.failure, "");
        return result.Open(job.m_resultName) == 1;
    }
};

struct HookGuard {
    explicit HookGuard(DialogHook h) { SetDialogTestHook(std::move(h)); }
    ~HookGuard() { SetDialogTestHook({}); }
};

} // namespace

TEST(DialogJob, SourceCountsAndLabels) {
    Fixture fx;
    ProcessJob job = fx.Job();
    job.m_channelShown[2] = 0;
    const DialogSource s = SourceOfJob(job);
    EXPECT_EQ(s.devices, 2);
    EXPECT_EQ(s.perDevice, 4);
    EXPECT_EQ(s.Channels(), 8);
    EXPECT_FALSE(s.Shown(2));
    EXPECT_EQ(s.Label(7), "08");
    EXPECT_FLOAT_EQ(s.Low(0), -10.0f);
    EXPECT_EQ(s.cursor2, 1010);
}

TEST(DialogJob, AddSubFillsSignsSourcesAndRuns) {
    AddSubDialog::ForgetRemembered();
    Fixture fx;
    ProcessJob job = fx.Job();
    HookGuard hook([](QDialog& d) {
        Choose(&d, 1048, "2");
        Choose(&d, 1003, "-");  // row 1: ch1 - ch1
        Choose(&d, 1007, "2");  // row 2: dev2 ch3 (7) + dev1 ch2 (2)
        Choose(&d, 1008, "3");
        Choose(&d, 1011, "2");
        Click(&d, 1);
    });
    ASSERT_EQ(RunProcessDialog(32792, nullptr, "t", nullptr, &job), 1);
    const OutputChannelList& l = job.m_outputs;
    EXPECT_EQ(l.count, 2);
    EXPECT_EQ(l.coefficients[0], 1);
    EXPECT_EQ(l.coefficients[1], -1);
    EXPECT_EQ(l.sources[2], 7);
    EXPECT_EQ(l.sources[3], 2);
    EXPECT_EQ(l.widths[31], 1);
    EXPECT_FLOAT_EQ(l.rangeLow[1], -20.0f);
    CDataFile result;
    ASSERT_TRUE(fx.Run(job, OP_ADD_SUB, "~as.KVF", result));
    EXPECT_EQ(result.Channels(), 2);
    EXPECT_EQ(result.Samples(), 10);
    EXPECT_EQ(result.SampleValue(3, 0), 0.0L);
    EXPECT_EQ(result.SampleValue(3, 1), 9.0L);
}

TEST(DialogJob, TableFunctionReadsPointsOnExecute) {
    TableFuncDialog::ForgetRemembered();
    Fixture fx;
    const auto table = fx.dir / "t.txt";
    {
        QFile f(QString::fromStdString(table.string()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("0 0\r\n10 1\r\n20 2\r\n30 3\r\n40 4\r\n");
    }
    ProcessJob job = fx.Job();
    HookGuard hook([&](QDialog& d) {
        Choose(&d, 1000, "2");
        Choose(&d, 1146, "2");  // channel 2 holds 2 -> 20
        Edit(&d, 1147)->setText(QString::fromStdString(table.string()));
        Choose(&d, 1149, "3");  // row 2: channel 3 passes through
        Click(&d, 1);
    });
    ASSERT_EQ(RunProcessDialog(32794, nullptr, "t", nullptr, &job), 1);
    EXPECT_EQ(job.m_tables[0].m_count, 5);
    EXPECT_EQ(job.m_tables[1].m_count, 0);
    EXPECT_FLOAT_EQ(job.m_outputs.rangeLow[0], 0.0f);  // more than 3 points: the values' extent
    EXPECT_FLOAT_EQ(job.m_outputs.rangeHigh[0], 40.0f);
    EXPECT_FLOAT_EQ(job.m_outputs.rangeLow[1], -10.0f);
    CDataFile result;
    ASSERT_TRUE(fx.Run(job, OP_TABLE_FUNCTION, "~tf.KVF", result));
    EXPECT_EQ(result.SampleValue(0, 0), 20.0L);
    EXPECT_EQ(result.SampleValue(0, 1), 3.0L);
}

TEST(DialogJob, SpectrumAndSaveChannelsAndFactors) {
    SpectrDialog::ForgetRemembered();
    SaveChasDialog::ForgetRemembered();
    Fixture fx;
    ProcessJob job = fx.Job();
    {
        HookGuard hook([](QDialog& d) {
            Edit(&d, 1071)->setText("50");
            Edit(&d, 1070)->setText("100");
            Choose(&d, 1145, "2");
            Click(&d, 1);
        });
        ASSERT_EQ(RunProcessDialog(32800, nullptr, "t", nullptr, &job), 1);
    }
    EXPECT_EQ(job.m_outputs.count, 1);
    EXPECT_EQ(job.m_outputs.sources[0], 5);
    EXPECT_EQ(job.m_outputs.spectrumPoints, 50);
    EXPECT_DOUBLE_EQ(job.m_spectrum.m_upperW, 6.283185307179586 * 100);
    EXPECT_EQ(job.m_spectrum.m_fft, 0);
    CDataFile spectrum;
    ASSERT_TRUE(fx.Run(job, OP_SPECTRUM, "~sp.KVF", spectrum));
    EXPECT_EQ(spectrum.Samples(), 50);

    ProcessJob save = fx.Job();
    {
        HookGuard hook([](QDialog& d) {
            Choose(&d, 1000, "2");
            Choose(&d, 1145, "2");
            Choose(&d, 1146, "4");
            Check(&d, 1244)->setChecked(true);
            Edit(&d, 1074)->setText("-1");
            Edit(&d, 1075)->setText("1");
            Click(&d, 1);
        });
        ASSERT_EQ(RunProcessDialog(32796, nullptr, "t", nullptr, &save), 1);
    }
    CDataFile saved;
    ASSERT_TRUE(fx.Run(save, OP_SAVE_CHANNELS, "chosen.kvf", saved));
    EXPECT_EQ(saved.Channels(), 2);
    EXPECT_EQ(saved.SampleValue(0, 0), 8.0L);
    EXPECT_EQ(saved.SampleValue(0, 1), 1.0L);
    EXPECT_DOUBLE_EQ(saved.Channel(1).high, 1.0);

    ProcessJob avg = fx.Job();
    {
        HookGuard hook([](QDialog& d) {
            Edit(&d, 1069)->setText("5");
            Click(&d, 1);
        });
        EXPECT_EQ(RunProcessDialog(32776, nullptr, "Averaging", nullptr, &avg), 5);
    }
    EXPECT_EQ(avg.m_averagingFactor, 5);
    {
        HookGuard hook([](QDialog& d) {
            Edit(&d, 1141)->setText("25");
            Click(&d, 1142);
        });
        EXPECT_EQ(RunProcessDialog(32790, nullptr, "RMS", nullptr, &avg), 1);
    }
    EXPECT_FLOAT_EQ(avg.m_ratedFrequency, 25.0f);
}

TEST(DialogJob, LinearUsesTheApplicationCoefficients) {
    Fixture fx;
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(fx.dir.Path().string())));
    {
        CFrameApp app(0);
        CFrameApp* saved = g_app;
        g_app = &app;
        ProcessJob job = fx.Job();
        HookGuard hook([](QDialog& d) {
            Edit(&d, 1071)->setText("2");
            Edit(&d, 1072)->setText("1");
            Click(&d, 1138);
        });
        EXPECT_EQ(RunProcessDialog(32788, nullptr, "AXB", nullptr, &job), 1);
        EXPECT_FLOAT_EQ(app.m_coeffA[0], 2.0f);
        EXPECT_FLOAT_EQ(job.m_coeffA[0], 2.0f);
        EXPECT_FLOAT_EQ(job.m_coeffB[0], 1.0f);
        g_app = saved;
    }
    QDir::setCurrent(cwd);
}
