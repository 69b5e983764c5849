// "PRMTRS" on plot windows of recordings the tests write.
#include "DialogTestUtil.h"

#include <QTabBar>
#include <QTest>

#include "core/recording/DataFile.h"
#include "dialogs/ChannelLabel.h"
#include "dialogs/ColourSwatch.h"
#include "dialogs/ParamsDialog.h"
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
    EXPECT_TRUE(WriteFloatRecording(path, layout, 1000, [&](uint64_t k, float* row) {
        for (int c = 0; c < channels; ++c) row[c] = float(k % 100) + float(c);
    }));
    QString error;
    auto w = PlotWindow::CreateDetached(QString::fromStdString(path.string()), &error);
    EXPECT_NE(w, nullptr) << error.toStdString();
    return w;
}

QStringList Entries(const QWidget* d, int id) {
    QStringList out;
    QComboBox* list = List(d, id);
    for (int i = 0; list && i < list->count(); ++i) out << list->itemText(i);
    return out;
}

} // namespace

TEST(DialogParams, DevicesChecksListsAndClosingRule) {
    TempDir dir;
    auto w = OpenFloat(dir, 8, 2);
    ASSERT_NE(w, nullptr);
    CPlotWnd* plot = w->Plot();
    plot->SetSelectedChannel(1);
    ParamsDialog d(nullptr, w.get());
    d.show();
    EXPECT_EQ(d.windowTitle(), "rec.kvf");
    auto* tabs = d.findChild<QTabBar*>("1001");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->count(), 2);
    // 4 channels per device: four labelled boxes, the other 28 show "-" and are disabled.
    EXPECT_EQ(Check(&d, 1002)->text(), "01");
    EXPECT_EQ(Check(&d, 1008)->text(), "04");
    EXPECT_TRUE(Check(&d, 1008)->isEnabled());
    EXPECT_EQ(Check(&d, 1010)->text(), "-");
    EXPECT_FALSE(Check(&d, 1010)->isEnabled());
    EXPECT_FALSE(Control<QWidget>(&d, 1011)->isEnabled());
    EXPECT_EQ(Check(&d, 1064)->text(), "-");
    EXPECT_EQ(Entries(&d, 1000), QStringList({"01", "02", "03", "04"}));
    EXPECT_EQ(List(&d, 1000)->currentIndex(), 1);
    EXPECT_EQ(List(&d, 1069)->currentIndex(), 0);

    // Hiding channel 2 reaches the window at once and leaves the lists.
    Check(&d, 1003)->setChecked(false);
    EXPECT_EQ(plot->m_channelShown[1], 0);
    EXPECT_EQ(Entries(&d, 1000), QStringList({"01", "03", "04"}));
    EXPECT_EQ(List(&d, 1000)->currentIndex(), -1);

    // Device 2: clear all empties and disables both lists and the thick-pen box.
    tabs->setCurrentIndex(1);
    EXPECT_EQ(ParamsDialog::DeviceTab(), 1);
    EXPECT_EQ(Check(&d, 1002)->text(), "05");
    Click(&d, 1067);
    for (int c = 4; c < 8; ++c) EXPECT_EQ(plot->m_channelShown[c], 0);
    EXPECT_EQ(List(&d, 1000)->count(), 0);
    EXPECT_FALSE(List(&d, 1000)->isEnabled());
    EXPECT_FALSE(List(&d, 1069)->isEnabled());
    EXPECT_FALSE(Control<QAbstractButton>(&d, 1244)->isEnabled());
    EXPECT_FALSE(Control<QAbstractButton>(&d, 1244)->isChecked());
    Click(&d, 1066);
    for (int c = 4; c < 8; ++c) EXPECT_EQ(plot->m_channelShown[c], 1);

    // Thick pen for the third entry of 1069 (channel 7).
    List(&d, 1069)->setCurrentIndex(2);
    emit List(&d, 1069)->activated(2);
    Click(&d, 1244);
    EXPECT_EQ(plot->m_penWidths[6], 2);
    EXPECT_EQ(plot->m_penWidths[4], 1);
    Click(&d, 1244);
    EXPECT_EQ(plot->m_penWidths[6], 1);

    // Choosing the selected channel on device 2 maps the entry to its channel.
    List(&d, 1000)->setCurrentIndex(1);
    emit List(&d, 1000)->activated(1);
    EXPECT_EQ(plot->m_selectedChannel, 5);

    // Time style radios.
    Click(&d, 1071);
    EXPECT_EQ(w->Data().timeLabelStyle, 1);
    EXPECT_EQ(plot->m_timeLabelStyle, 1);
    Click(&d, 1070);
    EXPECT_EQ(w->Data().timeLabelStyle, 0);

    // Colour of a swatch: the trace colour changes, the chooser saw the window's colours.
    uint32_t initialSeen = 0;
    SetColorAnswerer([&](uint32_t initial, uint32_t* colour) {
        initialSeen = initial;
        *colour = 0x123456;
        return true;
    });
    const uint32_t before = plot->m_penColors[5];
    QTest::mouseClick(Control<QWidget>(&d, 1005), Qt::LeftButton);
    SetColorAnswerer({});
    EXPECT_EQ(initialSeen, before);
    EXPECT_EQ(plot->m_penColors[5], 0x123456u);
    EXPECT_EQ(Control<ColourSwatch>(&d, 1005)->Colour(), 0x123456u);
    EXPECT_EQ(plot->m_pens[5].color(), FromBgr(0x123456));

    // Hiding the selected channel and closing moves the scale to the first shown channel.
    Check(&d, 1003)->setChecked(false);
    tabs->setCurrentIndex(0);
    Check(&d, 1002)->setChecked(false);
    Click(&d, 1068);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(plot->m_selectedChannel, 2);
}

TEST(DialogParams, TwoChannelLabels) {
    TempDir dir;
    SdFixture fx;
    fx.twoChannel = true;
    fx.descriptors = {0, 0};
    fx.sectorNumbers = RingNumbers(20, 0, 0, 20);
    const auto path = dir / "sd.kvf";
    ASSERT_TRUE(WriteSdFixture(path, fx));
    QString error;
    auto w = PlotWindow::CreateDetached(QString::fromStdString(path.string()), &error);
    ASSERT_NE(w, nullptr) << error.toStdString();
    const CDataFile& file = *w->File();
    ASSERT_TRUE(file.TwoChannelMode());
    ASSERT_GE(file.Channels(), 4);
    ParamsDialog d(nullptr, w.get());
    d.show();
    EXPECT_EQ(Check(&d, 1002)->text(), "1A");
    EXPECT_EQ(Check(&d, 1003)->text(), "1B");
    EXPECT_EQ(Check(&d, 1006)->text(), "2A");
    EXPECT_EQ(Check(&d, 1008)->text(), "2B");
    EXPECT_EQ(Entries(&d, 1069).mid(0, 4), QStringList({"1A", "1B", "2A", "2B"}));
    // The pen width reaches the channel of the entry, not the label's leading number.
    List(&d, 1069)->setCurrentIndex(3);
    emit List(&d, 1069)->activated(3);
    Click(&d, 1244);
    EXPECT_EQ(w->Plot()->m_penWidths[3], 2);
    EXPECT_EQ(w->Plot()->m_penWidths[1], 1);
    List(&d, 1000)->setCurrentIndex(2);
    emit List(&d, 1000)->activated(2);
    EXPECT_EQ(w->Plot()->m_selectedChannel, 2);
}
