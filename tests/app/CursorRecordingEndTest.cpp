// Time cursors of short recordings, whose view reaches past the last sample: placed, dragged
// or double-clicked, they stay on samples of the recording and read their values.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include <memory>

#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "plot/PlotWnd.h"
#include "support/Fixtures.h"

using namespace vistrel;

TEST(CursorRecordingEnd, TimeCursorsReadSamplesOfTheRecording) {
    for (const uint64_t samples : {1ull, 2ull, 5ull}) {
        SCOPED_TRACE(samples);
        test::TempDir dir;
        test::FloatFixture fx;
        fx.layout.channels = 1;
        fx.layout.rate = 1000.0;
        fx.samples = samples;
        fx.value = [](uint64_t k, int) { return 7.5f + static_cast<float>(k); };
        const auto path = dir / "short.kvf";
        ASSERT_TRUE(test::WriteFloatFixture(path, fx));
        QString error;
        std::unique_ptr<PlotWindow> window = PlotWindow::CreateDetached(QString::fromStdString(path.string()), &error);
        ASSERT_TRUE(window) << error.toStdString();
        window->resize(800, 500);
        window->show();
        window->LayoutChildren();
        window->Canvas()->repaint();
        window->OnFirstTimer();
        window->Canvas()->repaint();
        QCoreApplication::processEvents();
        CPlotWnd* plot = window->Plot();
        ASSERT_TRUE(plot);
        auto expectOnRecording = [&](const char* when) {
            for (int n : {1, 2}) {
                const CTimeCursor* cur = plot->TimeCursor(n);
                EXPECT_LT(cur->m_sample, samples) << when << " cursor " << n;
                EXPECT_EQ(cur->m_value, 7.5f + static_cast<float>(cur->m_sample)) << when << " cursor " << n;
            }
        };
        expectOnRecording("placed");
        // A double-click at the plot's right end places cursor 1 there.
        const QPoint end(plot->m_plotRect.right - 2, (plot->m_plotRect.top + plot->m_plotRect.bottom) / 2);
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(end), QPointF(window->Canvas()->mapToGlobal(end)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->Canvas(), &click);
        window->Canvas()->repaint();
        expectOnRecording("double-clicked");
        EXPECT_EQ(plot->TimeCursor(1)->m_sample, samples - 1);
    }
}
