// Dialog pages for devices of more than 32 channels, decimal commas, messages that wrap, and
// the placement of dialogs.
#include "DialogTestUtil.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTranslator>
#include <QTreeWidget>

#include <array>

#include "core/recording/DataFile.h"
#include "dialogs/AxbDialog.h"
#include "dialogs/ChannelLabel.h"
#include "dialogs/EfuDialog.h"
#include "dialogs/HistoryDialog.h"
#include "dialogs/MovAvgDialog.h"
#include "dialogs/ParamsDialog.h"
#include "dialogs/SpectrDialog.h"
#include "plot/PlotWindow.h"
#include "shell/UiUtils.h"
#include "support/Fixtures.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

std::unique_ptr<PlotWindow> OpenFloat(const TempDir& dir, int channels, int devices) {
    FloatRecordingLayout layout;
    layout.channels = channels;
    layout.devices = devices;
    const auto path = dir / "rec.kvf";
    EXPECT_TRUE(WriteFloatRecording(path, layout, 100, [&](uint64_t k, float* row) {
        for (int c = 0; c < channels; ++c) row[c] = float(k % 10) + float(c);
    }));
    QString error;
    auto w = PlotWindow::CreateDetached(QString::fromStdString(path.string()), &error);
    EXPECT_NE(w, nullptr) << error.toStdString();
    return w;
}

// Installs one language module for the life of the object.
struct Language {
    QTranslator tr;
    explicit Language(const char* module) {
        EXPECT_TRUE(tr.load(QStringLiteral(VISTREL_LANG_DIR "/") + QLatin1String(module)));
        QCoreApplication::installTranslator(&tr);
    }
    ~Language() { QCoreApplication::removeTranslator(&tr); }
};

} // namespace

TEST(DialogPages, ParametersReachEveryChannelOfFortyPerDevice) {
    Language en("LangRsEn.qm");
    TempDir dir;
    auto w = OpenFloat(dir, 80, 2);
    ASSERT_NE(w, nullptr);
    CPlotWnd* plot = w->Plot();
    const CDataFile& file = *w->File();
    ParamsDialog d(nullptr, w.get());
    d.show();
    auto* tabs = d.findChild<QTabBar*>("1001");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 4);  // two pages per device
    EXPECT_EQ(tabs->tabText(1), DeviceTabTitle(1) + " channels 33–40");
    EXPECT_EQ(tabs->tabText(2), DeviceTabTitle(2) + " channels 1–32");

    // Second device, first page: channels 41..72.
    tabs->setCurrentIndex(2);
    EXPECT_EQ(ParamsDialog::DeviceTab(), 1);
    EXPECT_EQ(Check(&d, 1002)->text(), ChannelLabel(file, 40));
    EXPECT_EQ(Check(&d, 1064)->text(), ChannelLabel(file, 71));
    // Second device, second page: channels 73..80, the rest unused.
    tabs->setCurrentIndex(3);
    EXPECT_EQ(Check(&d, 1002)->text(), ChannelLabel(file, 72));
    EXPECT_EQ(Check(&d, ParamsDialog::CheckId(7))->text(), ChannelLabel(file, 79));
    EXPECT_FALSE(Check(&d, ParamsDialog::CheckId(8))->isEnabled());
    Check(&d, ParamsDialog::CheckId(7))->setChecked(false);
    EXPECT_EQ(plot->m_channelShown[79], 0);
    EXPECT_EQ(plot->m_channelShown[39], 1);
    // The lists hold every shown channel of the device.
    EXPECT_EQ(List(&d, 1000)->count(), 39);
    // "Clear all" clears the whole device, the other page too.
    Click(&d, 1067);
    for (int c = 40; c < 80; ++c) EXPECT_EQ(plot->m_channelShown[c], 0) << c;
    EXPECT_EQ(plot->m_channelShown[39], 1);
    // First device, second page: channels 33..40.
    tabs->setCurrentIndex(1);
    EXPECT_EQ(ParamsDialog::DeviceTab(), 0);
    EXPECT_EQ(Check(&d, 1002)->text(), ChannelLabel(file, 32));
    Check(&d, 1002)->setChecked(false);
    EXPECT_EQ(plot->m_channelShown[32], 0);
}

TEST(DialogPages, TimeStyleRadioShowsTheRestoredStyle) {
    TempDir dir;
    auto w = OpenFloat(dir, 2, 1);
    ASSERT_NE(w, nullptr);
    WindowSettings s;
    w->ExtractSettings(s);
    s.timeLabelStyle = 1;
    w->ApplySettings(s);
    ASSERT_EQ(w->Plot()->m_timeLabelStyle, 1);
    ParamsDialog d(nullptr, w.get());
    EXPECT_TRUE(d.findChild<QRadioButton*>("1071")->isChecked());
    EXPECT_FALSE(d.findChild<QRadioButton*>("1070")->isChecked());
    EXPECT_EQ(w->Data().timeLabelStyle, 1);
}

TEST(DialogPages, AxbReachesEveryChannelAndSaveRefusesWhatExecuteRefuses) {
    QTemporaryDir dir;
    const DialogSource src = MakeSource(2, 40);
    std::array<float, 256> a, b;
    a.fill(1.0f);
    b.fill(0.0f);
    int fileDialogs = 0;
    int boxes = 0;
    SetMessageBoxAnswerer([&](BoxKind, const QString&, const QString&) { return ++boxes, true; });
    SetFileDialogAnswerer([&](FileDialogMode, const QString&, const QList<FileFilter>&, const QString&, int* i) {
        ++fileDialogs;
        *i = 0;
        return dir.filePath("c.txt");
    });
    SetDialogTestHook([&](QDialog& d) {
        auto* tabs = d.findChild<QTabBar*>("1001");
        ASSERT_NE(tabs, nullptr);
        ASSERT_EQ(tabs->count(), 4);
        tabs->setCurrentIndex(1);                       // device 1, channels 33..40
        EXPECT_EQ(Edit(&d, AxbDialog::AId(7))->text(), "1");
        EXPECT_FALSE(Edit(&d, AxbDialog::AId(8))->isEnabled());
        Edit(&d, AxbDialog::AId(7))->setText("5");      // channel 40
        tabs->setCurrentIndex(3);                       // device 2, channels 73..80
        Edit(&d, AxbDialog::AId(7))->setText("7");      // channel 80
        Edit(&d, AxbDialog::BId(0))->setText("abc");
        Click(&d, 1137);
        EXPECT_EQ(fileDialogs, 0);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("c.txt")));
        EXPECT_FALSE(Message(&d).isEmpty());
        Click(&d, 1138);
        EXPECT_TRUE(d.isVisible());
        Edit(&d, AxbDialog::BId(0))->setText("0,25");   // a decimal comma
        Click(&d, 1137);
        EXPECT_EQ(fileDialogs, 1);
        EXPECT_TRUE(QFileInfo::exists(dir.filePath("c.txt")));
        Click(&d, 1138);
    });
    EXPECT_EQ(RunAxbDialog(nullptr, "t", src, a.data(), b.data()), 1);
    SetDialogTestHook({});
    SetFileDialogAnswerer({});
    SetMessageBoxAnswerer({});
    EXPECT_EQ(boxes, 0);
    EXPECT_FLOAT_EQ(a[39], 5.0f);
    EXPECT_FLOAT_EQ(a[79], 7.0f);
    EXPECT_FLOAT_EQ(b[72], 0.25f);
    EXPECT_FLOAT_EQ(a[32 + 40], 1.0f);
}

TEST(DialogNumbers, DecimalCommaReadsAsThePoint) {
    double v = 0;
    EXPECT_TRUE(ParseG("0,5", &v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_TRUE(ParseG(" -1,25e2", &v));
    EXPECT_DOUBLE_EQ(v, -125.0);
    EXPECT_TRUE(ParseG("1.5,2", &v));   // a point wins; the rest is trailing text
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_FALSE(ParseG(",", &v));
    float f = 50.0f;
    SetDialogTestHook([](QDialog& dlg) {
        Edit(&dlg, 1141)->setText("50,5");
        Click(&dlg, 1142);
    });
    EXPECT_EQ(RunEfuDialog(nullptr, "RMS", &f), 1);
    EXPECT_FLOAT_EQ(f, 50.5f);
    SetDialogTestHook({});
}

TEST(DialogLayout, WrappedMessageGrowsTheDialog) {
    Language en("LangRsEn.qm");
    MovAvgDialog d(nullptr, "Moving average");
    d.show();
    d.resize(d.minimumSizeHint().width(), d.minimumSizeHint().height());
    Edit(&d, 1069)->setText("1");
    Click(&d, 1);
    QCoreApplication::processEvents();
    QLabel* message = d.findChild<QLabel*>(QStringLiteral("message"));
    ASSERT_NE(message, nullptr);
    ASSERT_FALSE(message->text().isEmpty());
    EXPECT_GE(message->height(), message->heightForWidth(message->width()));
    EXPECT_LE(message->geometry().bottom(), d.height());
}

TEST(DialogLayout, SpectrumRowsOfBothHalvesAlike) {
    Language ru("LangRsRu.qm");
    SpectrDialog::ForgetRemembered();
    SpectrDialog d(nullptr, MakeSource(1, 8));
    d.show();
    QCoreApplication::processEvents();
    QComboBox* left = List(&d, SpectrDialog::ChannelId(0));
    QComboBox* right = List(&d, SpectrDialog::ChannelId(16));
    ASSERT_TRUE(left && right);
    EXPECT_NEAR(left->width(), right->width(), 2);
    EXPECT_NEAR(List(&d, SpectrDialog::DeviceId(0))->width(), List(&d, SpectrDialog::DeviceId(16))->width(), 2);
    EXPECT_LT(right->geometry().right(), d.width() - 4);
}

TEST(DialogLayout, HistoryOpensCentredOverItsOwner) {
    QWidget owner;
    owner.setGeometry(150, 100, 500, 400);
    owner.show();
    History h;
    h.entries[0].path = "/data/a.kvf";
    h.count = 1;
    HistoryDialog d(&owner, h);
    d.show();
    QCoreApplication::processEvents();
    const QPoint centre = d.frameGeometry().center();
    const QPoint ownerCentre = owner.frameGeometry().center();
    EXPECT_NEAR(centre.x(), ownerCentre.x(), 20);
    EXPECT_NEAR(centre.y(), ownerCentre.y(), 20);
    EXPECT_GT(d.y(), 0);
}

TEST(DialogLayout, FileDialogFiltersNameTheirPatternOnce) {
    const QStringList shown = FileDialogNameFilters(
        {{GetUiString(201) + "(*.kvf)", "*.kvf"}, {QStringLiteral("Text"), QStringLiteral("*.txt")}});
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], GetUiString(201) + "(*.kvf)");
    EXPECT_EQ(shown[1], "Text(*.txt)");
}
