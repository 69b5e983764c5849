#pragma once
// View > Statistics: a dock beside the plots with the statistics of every shown channel of the
// active plot window, on two tabs: the fragment between the time cursors and the visible range.
// The values from the summaries (all but the frequency) follow the cursors while they are
// dragged; the crossing frequency needs a pass over the samples and runs on a worker thread
// once the cursors rest, shown as "…" until it is ready. Copy (Ctrl+C or the button) puts the
// current tab on the clipboard as tab-separated text with a header row.

#include <QDockWidget>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "core/measure/Statistics.h"
#include "core/view/Summaries.h"

class QTabWidget;
class QTableWidget;
class QPushButton;
class QTimer;

namespace vistrel {

class PlotWindow;
class CPlotWnd;

class StatisticsDock : public QDockWidget {
    Q_OBJECT
public:
    enum Tab { kCursors = 0, kVisible = 1 };

    explicit StatisticsDock(QWidget* parent = nullptr);
    ~StatisticsDock() override;

    // The plot window whose channels are shown (null: none). Stops a running scan.
    void SetWindow(PlotWindow* window);
    PlotWindow* Window() const { return m_window; }

    // Recomputes both tabs now if what they describe changed (cursors, view, channels).
    void Refresh();
    // The current tab (or the given one) as tab-separated lines with a header row.
    QString TableText(int tab) const;
    // The current tab's text to the clipboard.
    void Copy();
    // True while the frequency of the cursors' fragment is being computed.
    bool FrequencyPending() const { return m_pending; }

    QTabWidget* Tabs() const { return m_tabs; }
    QTableWidget* Table(int tab) const { return m_tables[tab]; }
    QPushButton* CopyButton() const { return m_copy; }
    // The fragment a tab describes, samples [first, second).
    std::pair<uint64_t, uint64_t> Range(int tab) const { return {m_from[tab], m_to[tab]}; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void Retranslate();
    void Fill(int tab);
    void StopScan();
    void StartScan();
    void OnScanDone(uint64_t generation, std::vector<ChannelStatistics> result);
    const ISampleSource* QuickSource(CPlotWnd* plot);

    QPointer<PlotWindow> m_window;
    QTabWidget* m_tabs = nullptr;
    QTableWidget* m_tables[2] = {};
    QPushButton* m_copy = nullptr;
    QTimer* m_poll = nullptr;        // catches view and channel changes
    QTimer* m_scanDelay = nullptr;   // the scan starts once the cursors rest
    QString m_key[2];                // what each tab was computed for
    uint64_t m_from[2] = {}, m_to[2] = {};
    std::vector<ChannelStatistics> m_stats[2];
    double m_rate = 0;
    bool m_pending = false;
    // The quick values read through the plot's samples with its summaries once ready.
    const CPlotWnd* m_sourcePlot = nullptr;
    std::unique_ptr<CSummarizedSource> m_fast;
    // The frequency scan of the cursors' tab (the visible tab's frequency follows the same
    // pass when both ranges agree, else it runs after it).
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    uint64_t m_generation = 0;
    int m_scanTab = 0;
};

} // namespace vistrel
