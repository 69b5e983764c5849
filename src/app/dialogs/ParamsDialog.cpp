#include "ParamsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <algorithm>

#include "core/recording/DataFile.h"
#include "core/view/TraceDecimation.h"
#include "dialogs/ChannelLabel.h"
#include "plot/PlotWindow.h"
#include "plot/PlotWnd.h"

namespace vistrel {

namespace {
int g_deviceTab = 0;
}

int ParamsDialog::DeviceTab() { return g_deviceTab; }

ParamsDialog::ParamsDialog(QWidget* owner, PlotWindow* window)
    : QDialog(owner), m_window(window), m_plot(window->Plot()) {
    setObjectName(QStringLiteral("PRMTRS"));
    g_deviceTab = 0;
    const CDataFile* file = window->File();
    m_channels = std::min(file->Channels(), 256);
    m_devices = std::max(1, file->Devices());
    m_perDevice = std::clamp(DialogPerDevice(*file), 1, 256);
    m_pages = ChannelPages(m_devices, m_perDevice);

    // Title: the file name of the window's path, or "*" without a folder.
    const QString path = window->Path();
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    setWindowTitle(slash >= 0 ? path.mid(slash + 1) : QStringLiteral("*"));

    auto* grid = new QGridLayout(this);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("1001"));
    // One tab per device, or several when a device has more channels than one page holds.
    for (const ChannelPage& page : m_pages) m_tabs->addTab(ChannelPageTitle(page, m_perDevice));
    grid->addWidget(m_tabs, 0, 0, 1, 8);
    for (int i = 0; i < 32; ++i) {
        const int line = 1 + i % 8;
        const int col = (i / 8) * 2;
        m_checks[i] = IdCheck(this, CheckId(i), QString());
        m_swatches[i] = new ColourSwatch(this, SwatchId(i));
        grid->addWidget(m_checks[i], line, col);
        grid->addWidget(m_swatches[i], line, col + 1);
    }
    auto* all = IdButton(this, 1066, DlgText("PRMTRS.1066"));
    auto* none = IdButton(this, 1067, DlgText("PRMTRS.1067"));
    grid->addWidget(all, 9, 0, 1, 2);
    grid->addWidget(none, 9, 2, 1, 2);

    grid->addWidget(new QLabel(DlgText("PRMTRS.1000"), this), 10, 0, 1, 3);
    m_selectedList = new QComboBox(this);
    m_selectedList->setObjectName(QStringLiteral("1000"));
    grid->addWidget(m_selectedList, 10, 3, 1, 2);
    grid->addWidget(new QLabel(DlgText("PRMTRS.1069"), this), 11, 0, 1, 3);
    m_widthList = new QComboBox(this);
    m_widthList->setObjectName(QStringLiteral("1069"));
    grid->addWidget(m_widthList, 11, 3, 1, 2);
    m_thick = IdButton(this, 1244, DlgText("PRMTRS.1244"));
    m_thick->setCheckable(true);
    grid->addWidget(m_thick, 11, 5, 1, 2);

    auto* group = new QGroupBox(DlgText("PRMTRS.timescale"), this);
    auto* radios = new QHBoxLayout(group);
    m_real = new QRadioButton(DlgText("PRMTRS.1070"), group);
    m_real->setObjectName(QStringLiteral("1070"));
    m_fromStart = new QRadioButton(DlgText("PRMTRS.1071"), group);
    m_fromStart->setObjectName(QStringLiteral("1071"));
    radios->addWidget(m_real);
    radios->addWidget(m_fromStart);
    grid->addWidget(group, 12, 0, 1, 6);
    auto* close = IdButton(this, 1068, DlgText("PRMTRS.1068"));
    close->setDefault(true);
    grid->addWidget(close, 12, 6, 1, 2);

    // The plot's own style is what the axis shows.
    const int style = m_plot->m_timeLabelStyle;
    m_real->setChecked(style == 0);
    m_fromStart->setChecked(style == 1);

    for (int i = 0; i < 32; ++i) {
        connect(m_checks[i], &QAbstractButton::toggled, this, [this] { Refresh(); });
        connect(m_swatches[i], &ColourSwatch::clicked, this, [this, i] { OnSwatch(i); });
    }
    connect(all, &QPushButton::clicked, this, [this] { SetWholeDevice(true); });
    connect(none, &QPushButton::clicked, this, [this] { SetWholeDevice(false); });
    connect(close, &QPushButton::clicked, this, [this] { done(0); });
    connect(m_real, &QRadioButton::clicked, this, [this] { OnTimeStyle(0); });
    connect(m_fromStart, &QRadioButton::clicked, this, [this] { OnTimeStyle(1); });
    connect(m_selectedList, &QComboBox::activated, this, &ParamsDialog::OnSelectedChosen);
    connect(m_widthList, &QComboBox::activated, this, [this] { Refresh(); });
    connect(m_thick, &QPushButton::clicked, this, &ParamsDialog::OnWidthBox);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int t) { ShowDevice(t); });

    FillWidthList(false);
    ShowDevice(0);
}

int ParamsDialog::SlotChannel(int slot) const { return g_deviceTab * m_perDevice + m_first + slot; }

void ParamsDialog::SetWholeDevice(bool shown) {
    // Every channel of the device, on the other pages too.
    m_busy = true;
    const int base = g_deviceTab * m_perDevice;
    for (int i = 0; i < m_perDevice && base + i < m_channels; ++i) m_plot->m_channelShown[base + i] = shown ? 1 : 0;
    for (int i = 0; i < m_rows; ++i) m_checks[i]->setChecked(shown);
    m_busy = false;
    Refresh();
}

void ParamsDialog::ClearViewCache() {
    if (m_plot->m_cache) m_plot->m_cache->Invalidate();
}

void ParamsDialog::FillSelectedList() {
    m_selectedList->clear();
    const int base = g_deviceTab * m_perDevice;
    int selectedRow = -1;
    for (int i = 0; i < m_perDevice; ++i) {
        const int c = base + i;
        if (c >= m_channels || !m_plot->m_channelShown[c]) continue;
        if (c == m_plot->m_selectedChannel) selectedRow = m_selectedList->count();
        // Entries carry their channel: 2-channel labels do not read back as numbers.
        m_selectedList->addItem(ChannelLabel(*m_window->File(), c), c);
    }
    m_selectedList->setCurrentIndex(selectedRow);
    m_selectedList->setEnabled(m_selectedList->count() > 0);
    ClearViewCache();
    update();
}

void ParamsDialog::FillWidthList(bool keepSelection) {
    const int previous = keepSelection ? WidthChannel() : -1;
    m_widthList->clear();
    const int base = g_deviceTab * m_perDevice;
    for (int i = 0; i < m_perDevice; ++i) {
        const int c = base + i;
        if (c >= m_channels || !m_plot->m_channelShown[c]) continue;
        m_widthList->addItem(ChannelLabel(*m_window->File(), c), c);
    }
    const int keep = previous >= 0 ? m_widthList->findData(previous) : -1;
    if (keep >= 0) m_widthList->setCurrentIndex(keep);
    else if (m_widthList->count() > 0) m_widthList->setCurrentIndex(0);
    const bool any = m_widthList->count() > 0;
    m_widthList->setEnabled(any);
    if (!any) m_thick->setChecked(false);
    m_thick->setEnabled(any);
    ClearViewCache();
    update();
}

int ParamsDialog::WidthChannel() const {
    return m_widthList->currentIndex() >= 0 ? m_widthList->currentData().toInt() : -1;
}

void ParamsDialog::SetWidthBoxFromChannel(int channel) {
    m_thick->setChecked(channel >= 0 && m_plot->m_penWidths[channel] != 1);
}

void ParamsDialog::ShowDevice(int tab) {
    m_busy = true;
    const ChannelPage page = m_pages[std::clamp<size_t>(size_t(std::max(tab, 0)), 0, m_pages.size() - 1)];
    g_deviceTab = std::clamp(page.device, 0, m_devices - 1);
    m_first = page.first;
    m_rows = page.count;
    for (int i = 0; i < 32; ++i) {
        const int c = SlotChannel(i);
        const bool used = i < m_rows && c < m_channels;
        if (used) {
            m_checks[i]->setText(ChannelLabel(*m_window->File(), c));
            m_checks[i]->setChecked(m_plot->m_channelShown[c] != 0);
            m_swatches[i]->SetColour(m_plot->m_penColors[c]);
        } else {
            m_checks[i]->setText(QStringLiteral("-"));
            m_checks[i]->setChecked(false);
        }
        m_checks[i]->setEnabled(used);
        m_swatches[i]->setEnabled(used);
    }
    FillSelectedList();
    FillWidthList(false);
    m_lastWidthChannel = WidthChannel();
    SetWidthBoxFromChannel(m_lastWidthChannel);
    m_busy = false;
}

void ParamsDialog::Refresh() {
    if (m_busy) return;
    m_busy = true;
    for (int i = 0; i < m_rows && SlotChannel(i) < m_channels; ++i)
        m_plot->m_channelShown[SlotChannel(i)] = m_checks[i]->isChecked() ? 1 : 0;
    FillSelectedList();
    FillWidthList(true);
    const int channel = WidthChannel();
    if (channel != m_lastWidthChannel) {
        SetWidthBoxFromChannel(channel);
        m_lastWidthChannel = channel;
    }
    m_plot->InvalidateCanvas();
    m_busy = false;
}

void ParamsDialog::OnSelectedChosen(int index) {
    if (index >= 0) m_plot->SetSelectedChannel(m_selectedList->itemData(index).toInt());
    Refresh();
}

void ParamsDialog::OnTimeStyle(int style) {
    m_window->Data().timeLabelStyle = style;
    m_plot->m_timeLabelStyle = style;
    m_plot->m_axisOrigin = style == 1 ? 0 : m_plot->m_startTime;
    Refresh();
}

void ParamsDialog::OnWidthBox(bool checked) {
    const int channel = WidthChannel();
    if (channel >= 0) m_plot->SetChannelPenWidth(channel, checked ? 2 : 1);
    Refresh();
}

void ParamsDialog::OnSwatch(int slot) {
    const int c = SlotChannel(slot);
    if (slot >= m_rows || c >= m_channels) return;
    uint32_t before[16];
    std::copy(m_plot->m_penColors, m_plot->m_penColors + 16, before);
    const bool chosen = ChooseChannelColor(this, m_plot->m_penColors, 256, c);
    // The chooser's custom colours are the first 16 channel colours: edits there recolour them.
    for (int i = 0; i < 16; ++i)
        if (m_plot->m_penColors[i] != before[i]) m_plot->SetChannelColour(i, m_plot->m_penColors[i], m_plot->m_penWidths[i]);
    if (chosen) m_plot->SetChannelColour(c, m_plot->m_penColors[c], m_plot->m_penWidths[c]);
    for (int i = 0; i < m_rows && SlotChannel(i) < m_channels; ++i)
        m_swatches[i]->SetColour(m_plot->m_penColors[SlotChannel(i)]);
    m_plot->InvalidateCanvas();
}

void ParamsDialog::done(int result) {
    // A hidden selected channel hands the value scale to the first shown channel.
    const int sel = m_plot->m_selectedChannel;
    if (sel < 0 || sel >= m_channels || !m_plot->m_channelShown[sel]) {
        for (int c = 0; c < m_channels; ++c) {
            if (m_plot->m_channelShown[c]) {
                m_plot->SetSelectedChannel(c);
                break;
            }
        }
    }
    m_plot->InvalidateCanvas();
    QDialog::done(result);
}

} // namespace vistrel

