// File > Export...: the dialog's choices reach the file, the job runs like every other (the
// result is not opened, a failure is told with the file and the reason).
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>

#include <filesystem>
#include <functional>

#include "ShellTestSupport.h"
#include "core/common/StringIds.h"
#include "core/export/ExportWriters.h"
#include "core/processing/Engine.h"
#include "dialogs/ExportDialog.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/JobRunner.h"
#include "shell/SelectDevsDialog.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

class ShellExport : public ::testing::Test {
protected:
    void TearDown() override {
        engine::FailResultWritesForTest(-1, platform::FileProblem::None);
        CJobRunner::SetStartDelay(500);
        SetShellDialogHook({});
    }
};

bool WaitForJob() {
    QDeadlineTimer deadline(10000);
    while (CJobRunner::Running() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !CJobRunner::Running();
}

// Answers the export dialog: format index, whole recording or not, the ticked channels
// (0-based), the dialect, time and HDF5 compression indexes; OK.
ShellDialogHook Answer(int format, bool whole, std::vector<int> ticked, int dialect = 0, int time = 0, int h5 = 0) {
    return [=](QDialog& d) {
        auto* dlg = qobject_cast<ExportDialog*>(&d);
        ASSERT_NE(dlg, nullptr);
        dlg->FormatList()->setCurrentIndex(format);
        dlg->WholeButton()->setChecked(whole);
        for (int i = 0; i < dlg->ChannelList()->count(); ++i)
            dlg->ChannelList()->item(i)->setCheckState(
                std::find(ticked.begin(), ticked.end(), i) != ticked.end() ? Qt::Checked : Qt::Unchecked);
        dlg->DialectList()->setCurrentIndex(dialect);
        dlg->TimeList()->setCurrentIndex(time);
        dlg->H5CompressionList()->setCurrentIndex(h5);
        d.accept();
    };
}

} // namespace

TEST_F(ShellExport, ChoicesReachTheFileAndNothingOpens) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    FloatFixture f;
    f.layout.channels = 3;
    f.layout.rate = 100.0;
    f.samples = 50;
    ASSERT_TRUE(WriteFloatFixture(env.File("rec.kvf").toStdString(), f));
    env.paths = {env.File("rec.kvf")};
    env.Frame()->OnCommand(cmd::Open);
    ASSERT_EQ(g_app->m_windowCount, 1);
    auto* pw = qobject_cast<PlotWindow*>(g_app->m_windows[0]->widget());
    ASSERT_NE(pw, nullptr);
    pw->OnFirstTimer();
    pw->Plot()->m_timeCursor1->m_sample = 30;
    pw->Plot()->m_timeCursor2->m_sample = 10;
    CJobRunner::SetStartDelay(0);
    const int npy = 4, csv = 0, h5 = 2;
    // Rows 10..29 of channel 3 as the floats' bytes: an uncompressed .h5 holds them in one run.
    QByteArray rows;
    for (int k = 10; k < 30; ++k) {
        const float v = f.value(static_cast<uint64_t>(k), 2);
        rows.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    const struct {
        ShellDialogHook hook;
        QString typed, written;
        qint64 size;
        bool needsHdf5 = false;
        bool holdsRows = false; // the file holds `rows` as they are
    } cases[] = {
        // Rows 10..29 of channel 3 as NPY: the header, then 20 floats.
        {Answer(npy, false, {2}), QStringLiteral("frag.npy"), QStringLiteral("frag.npy"), 128 + 20 * 4},
        // The whole recording as CSV with semicolons and no time column; a name without the
        // format's extension gets it.
        {Answer(csv, true, {0, 1}, 1, 2), QStringLiteral("all"), QStringLiteral("all.csv"), -1},
        // HDF5 without compression (the CSV choices greyed and ignored), then deflated.
        {Answer(h5, false, {2}, 1, 2, 1), QStringLiteral("plain.h5"), QStringLiteral("plain.h5"), 0, true, true},
        {Answer(h5, false, {2}, 0, 0, 0), QStringLiteral("packed.h5"), QStringLiteral("packed.h5"), 0, true, false},
    };
    for (const auto& c : cases) {
        if (c.needsHdf5 && !exporting::FormatAvailable(exporting::ExportFormat::Hdf5))
            continue;
        SetShellDialogHook(c.hook);
        env.boxes.clear();
        env.paths = {env.File(c.typed)};
        env.Frame()->MdiArea()->setActiveSubWindow(g_app->m_windows[0]);
        env.Frame()->OnCommand(cmd::Export);
        ASSERT_TRUE(WaitForJob());
        EXPECT_TRUE(env.boxes.isEmpty()) << env.boxes[0].text.toStdString();
        EXPECT_EQ(g_app->m_windowCount, 1); // the result is not opened
        QFile out(env.File(c.written));
        ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << c.written.toStdString();
        const QByteArray bytes = out.readAll();
        if (c.needsHdf5) {
            EXPECT_EQ(bytes.contains(rows), c.holdsRows) << c.written.toStdString();
        } else if (c.size >= 0) {
            EXPECT_EQ(bytes.size(), c.size);
        } else {
            EXPECT_EQ(bytes.count('\n'), 51);
            EXPECT_TRUE(bytes.startsWith("ch1;ch2\n0;0,00999999978\n1;1,00999999\n")) << bytes.left(60).toStdString();
        }
    }
}

TEST_F(ShellExport, RefusalsAndFailuresAreTold) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    FloatFixture f;
    f.layout.channels = 2;
    f.samples = 100000;
    ASSERT_TRUE(WriteFloatFixture(env.File("rec.kvf").toStdString(), f));
    env.paths = {env.File("rec.kvf")};
    env.Frame()->OnCommand(cmd::Open);
    ASSERT_EQ(g_app->m_windowCount, 1);
    CJobRunner::SetStartDelay(0);

    // No channel ticked: told, nothing written.
    SetShellDialogHook(Answer(0, true, {}));
    env.boxes.clear();
    env.paths = {env.File("none.csv")};
    env.Frame()->OnCommand(cmd::Export);
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].text, GetUiString(IDS_EXPORT_NO_CHANNEL));
    EXPECT_FALSE(QFile::exists(env.File("none.csv")));

    // A full disk: the caption and the reason in the user's language, no file, no part left.
    engine::FailResultWritesForTest(0, platform::FileProblem::DiskFull);
    SetShellDialogHook(Answer(4, true, {0, 1}));
    env.boxes.clear();
    env.paths = {env.File("full.npy")};
    env.Frame()->OnCommand(cmd::Export);
    ASSERT_TRUE(WaitForJob());
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].caption, GetUiString(IDS_RESULT_WRITE_FAILED));
    EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(IDS_FILE_DISK_FULL))) << env.boxes[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(env.File("full.npy")));
    for (const QString& name : QDir(env.Dir()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.endsWith(QLatin1String(".part"))) << name.toStdString();
}
