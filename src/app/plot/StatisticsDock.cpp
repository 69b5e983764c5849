#include "StatisticsDock.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "Cursors.h"
#include "PlotWindow.h"
#include "core/common/StringIds.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "dialogs/ChannelLabel.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {

constexpr int kColumns = 13;
constexpr int kHeaderIds[kColumns] = {
    IDS_STATS_COL_CHANNEL, IDS_STATS_COL_COUNT,  IDS_STATS_COL_NON_FINITE, IDS_STATS_COL_MIN,
    IDS_STATS_COL_MIN_AT,  IDS_STATS_COL_MAX,    IDS_STATS_COL_MAX_AT,     IDS_STATS_COL_MEAN,
    IDS_STATS_COL_RMS,     IDS_STATS_COL_STD,    IDS_STATS_COL_P2P,        IDS_STATS_COL_MEAN_ABS,
    IDS_STATS_COL_FREQUENCY};
constexpr int kFrequencyColumn = kColumns - 1;
const QString kWaiting = QStringLiteral("…");

QString Number(double v) { return std::isfinite(v) ? QString::number(v, 'g', 10) : QString(); }

// Stops the scan when the dock asks; the scan polls between runs of samples.
class ScanObserver : public IProcessObserver {
public:
    explicit ScanObserver(const std::atomic<bool>& cancel) : m_cancel(cancel) {}
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Failed(const std::string&) override {}
    void OpenResult(const std::filesystem::path&) override {}
    bool StopRequested() override { return m_cancel.load(std::memory_order_relaxed); }

private:
    const std::atomic<bool>& m_cancel;
};

} // namespace

StatisticsDock::StatisticsDock(QWidget* parent) : QDockWidget(parent) {
    setObjectName(QStringLiteral("statisticsDock"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    m_tabs = new QTabWidget(body);
    for (QTableWidget*& t : m_tables) {
        t = new QTableWidget(0, kColumns, m_tabs);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->verticalHeader()->hide();
        t->setSelectionMode(QAbstractItemView::NoSelection);
        m_tabs->addTab(t, QString());
    }
    layout->addWidget(m_tabs);
    auto* buttons = new QHBoxLayout;
    m_copy = new QPushButton(body);
    buttons->addStretch();
    buttons->addWidget(m_copy);
    layout->addLayout(buttons);
    setWidget(body);
    connect(m_copy, &QPushButton::clicked, this, &StatisticsDock::Copy);
    auto* copyKey = new QShortcut(QKeySequence::Copy, this);
    copyKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copyKey, &QShortcut::activated, this, &StatisticsDock::Copy);
    m_poll = new QTimer(this);
    m_poll->setInterval(250);
    connect(m_poll, &QTimer::timeout, this, &StatisticsDock::Refresh);
    m_scanDelay = new QTimer(this);
    m_scanDelay->setSingleShot(true);
    m_scanDelay->setInterval(300);
    connect(m_scanDelay, &QTimer::timeout, this, &StatisticsDock::StartScan);
    Retranslate();
}

StatisticsDock::~StatisticsDock() { StopScan(); }

void StatisticsDock::Retranslate() {
    setWindowTitle(GetUiString(IDS_STATS_TITLE));
    m_tabs->setTabText(kCursors, GetUiString(IDS_STATS_TAB_CURSORS));
    m_tabs->setTabText(kVisible, GetUiString(IDS_STATS_TAB_VISIBLE));
    m_copy->setText(GetUiString(IDS_STATS_COPY));
    QStringList header;
    for (const int id : kHeaderIds) header << GetUiString(id);
    for (QTableWidget* t : m_tables) t->setHorizontalHeaderLabels(header);
}

void StatisticsDock::showEvent(QShowEvent* e) {
    QDockWidget::showEvent(e);
    m_poll->start();
    Refresh();
    // A scan stopped by hiding the dock starts again.
    if (m_pending && !m_worker.joinable()) m_scanDelay->start();
}

void StatisticsDock::hideEvent(QHideEvent* e) {
    QDockWidget::hideEvent(e);
    m_poll->stop();
    StopScan();
}

void StatisticsDock::SetWindow(PlotWindow* window) {
    if (window == m_window) return;
    StopScan();
    if (m_window) disconnect(m_window, nullptr, this, nullptr);
    m_window = window;
    m_fast.reset();
    m_sourcePlot = nullptr;
    for (int tab = 0; tab < 2; ++tab) {
        m_key[tab].clear();
        m_stats[tab].clear();
        m_from[tab] = m_to[tab] = 0;
        Fill(tab);
    }
    if (!window) return;
    // The read-out changes while a cursor is dragged: the quick values follow it at once.
    connect(window, &PlotWindow::statusChanged, this, [this](int part, const QString&) {
        if (part == 1 && isVisible()) Refresh();
    });
    // Nothing may read the recording once it goes.
    connect(window, &PlotWindow::recordingClosing, this, [this] {
        StopScan();
        m_fast.reset();
        m_sourcePlot = nullptr;
        for (QString& k : m_key) k.clear();
    });
    Refresh();
}

const ISampleSource* StatisticsDock::QuickSource(CPlotWnd* plot) {
    if (plot != m_sourcePlot || !m_fast) {
        m_fast = std::make_unique<CSummarizedSource>(plot->m_source);
        m_sourcePlot = plot;
    }
    if (!m_fast->HasSummaries() && plot->m_summaryBuilder.Ready()) m_fast->Attach(plot->m_summaryBuilder.Result());
    return m_fast.get();
}

void StatisticsDock::Refresh() {
    PlotWindow* w = m_window;
    CPlotWnd* plot = w ? w->Plot() : nullptr;
    CDataFile* file = w ? w->File() : nullptr;
    if (!plot || !file || !file->IsOpen()) return;
    const ISampleSource* src = QuickSource(plot);
    const uint64_t N = src->Samples();
    std::vector<int> shown;
    QString channels;
    for (int c = 0; c < std::min(file->Channels(), kCanvasChannels); ++c)
        if (plot->m_channelShown[c]) {
            shown.push_back(c);
            channels += QString::number(c) + QLatin1Char('#') + QString::number(plot->m_penColors[c]) + QLatin1Char(',');
        }
    const uint64_t c1 = static_cast<uint64_t>(std::max<int64_t>(0, w->CursorSample(1)));
    const uint64_t c2 = static_cast<uint64_t>(std::max<int64_t>(0, w->CursorSample(2)));
    const double vs = std::floor(std::max(0.0, plot->m_visibleStart));
    const double ve = std::ceil(std::max(0.0, plot->m_visibleEnd));
    const uint64_t from[2] = {std::min({c1, c2, N}), std::min(static_cast<uint64_t>(vs), N)};
    const uint64_t to[2] = {std::min(std::max(c1, c2), N), std::min(static_cast<uint64_t>(ve), N)};
    bool changed = false;
    for (int tab = 0; tab < 2; ++tab) {
        const QString key = QString::number(from[tab]) + QLatin1Char('-') + QString::number(to[tab]) +
                            QLatin1Char('|') + channels;
        if (key == m_key[tab]) continue;
        m_key[tab] = key;
        m_from[tab] = from[tab];
        m_to[tab] = to[tab];
        m_stats[tab] = QuickStatistics(*src, shown, from[tab], to[tab]);
        changed = true;
    }
    if (!changed) return;
    m_rate = static_cast<double>(file->Rate());
    StopScan();
    m_pending = !m_stats[kCursors].empty() || !m_stats[kVisible].empty();
    for (int tab = 0; tab < 2; ++tab) Fill(tab);
    if (m_pending) m_scanDelay->start();
}

void StatisticsDock::Fill(int tab) {
    QTableWidget* t = m_tables[tab];
    const std::vector<ChannelStatistics>& stats = m_stats[tab];
    PlotWindow* w = m_window;
    CPlotWnd* plot = w ? w->Plot() : nullptr;
    CDataFile* file = w ? w->File() : nullptr;
    t->setRowCount(plot && file ? static_cast<int>(stats.size()) : 0);
    if (!plot || !file) return;
    for (int r = 0; r < static_cast<int>(stats.size()); ++r) {
        const ChannelStatistics& s = stats[static_cast<size_t>(r)];
        QStringList cells;
        cells << ChannelLabel(*file, s.channel) << QString::number(s.count) << QString::number(s.nonFinite);
        if (s.HasValues())
            cells << Number(s.min) << QString::number(s.minAt) << Number(s.max) << QString::number(s.maxAt)
                  << Number(s.mean) << Number(s.rms) << Number(s.std) << Number(s.p2p) << Number(s.meanAbs);
        else
            for (int i = 0; i < 9; ++i) cells << QString();
        cells << (!s.frequencyDone ? kWaiting : s.hasFrequency ? Number(s.frequency) : QString());
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == 0) {
                QPixmap swatch(12, 12);
                swatch.fill(ColorFromRef(plot->m_penColors[s.channel]));
                item->setIcon(QIcon(swatch));
                item->setData(Qt::UserRole, s.channel);
            }
            t->setItem(r, c, item);
        }
    }
}

void StatisticsDock::StopScan() {
    m_scanDelay->stop();
    if (m_worker.joinable()) {
        m_cancel.store(true, std::memory_order_relaxed);
        m_worker.join();
    }
    m_cancel.store(false, std::memory_order_relaxed);
    ++m_generation;   // a result already queued is stale
}

void StatisticsDock::StartScan() {
    PlotWindow* w = m_window;
    CPlotWnd* plot = w ? w->Plot() : nullptr;
    if (!plot || m_worker.joinable()) return;
    int tab = -1;
    for (int t = 0; t < 2 && tab < 0; ++t)
        for (const ChannelStatistics& s : m_stats[t])
            if (!s.frequencyDone) {
                tab = t;
                break;
            }
    if (tab < 0) {
        m_pending = false;
        return;
    }
    m_scanTab = tab;
    const uint64_t generation = ++m_generation;
    // The worker reads the plot's own samples (const, safe for concurrent readers) and a
    // copy of the quick values; the window stops it before the recording goes.
    const ISampleSource* src = &plot->m_source;
    std::vector<ChannelStatistics> stats = m_stats[tab];
    const uint64_t a = m_from[tab], b = m_to[tab];
    const double rate = m_rate;
    m_worker = std::thread([this, src, stats, a, b, rate, generation]() mutable {
        ScanObserver observer(m_cancel);
        if (!AddCrossingFrequency(*src, a, b, rate, stats, &observer)) return;
        QMetaObject::invokeMethod(
            this, [this, generation, stats = std::move(stats)]() mutable { OnScanDone(generation, std::move(stats)); },
            Qt::QueuedConnection);
    });
}

void StatisticsDock::OnScanDone(uint64_t generation, std::vector<ChannelStatistics> result) {
    if (m_worker.joinable()) m_worker.join();
    if (generation != m_generation) return;
    m_stats[m_scanTab] = std::move(result);
    Fill(m_scanTab);
    StartScan();
}

QString StatisticsDock::TableText(int tab) const {
    const QTableWidget* t = m_tables[tab];
    QStringList lines;
    QStringList header;
    for (int c = 0; c < kColumns; ++c) header << t->horizontalHeaderItem(c)->text();
    lines << header.join(QLatin1Char('\t'));
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < kColumns; ++c) cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void StatisticsDock::Copy() { QApplication::clipboard()->setText(TableText(m_tabs->currentIndex())); }

} // namespace vistrel
