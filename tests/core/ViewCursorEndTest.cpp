// Time cursors read samples of the recording even where the view reaches past its end.
#include <gtest/gtest.h>

#include "core/view/CursorMath.h"

using namespace vistrel;

TEST(ViewCursorEnd, CursorSamplesStayWithinTheRecording) {
    struct Case {
        double S0, S1;
        uint64_t last;   // last sample of the recording
        uint64_t asked, kept;
    };
    const Case cases[] = {
        {0.0, 2.0, 0, 1, 0},          // one-sample recording
        {0.0, 2.0, 0, 0, 0},
        {0.0, 1000.0, 499, 700, 499}, // view twice the recording
        {0.0, 1000.0, 499, 300, 300},
        {600.0, 900.0, 499, 650, 499}, // view wholly past the end
        {10.0, 20.0, 999, 3, 10},      // still limited to the view
        {10.0, 20.0, 999, 25, 20},
    };
    for (const Case& k : cases) {
        CursorGeometry g;
        g.left = 0;
        g.right = 300;
        g.top = 0;
        g.bottom = 200;
        g.S0 = k.S0;
        g.S1 = k.S1;
        g.lastSample = k.last;
        EXPECT_EQ(g.LimitSample(k.asked), k.kept) << k.S0 << ".." << k.S1 << " asked " << k.asked;
    }
    // Dropped at the right edge of a view past the end, the cursor reads the last sample.
    CursorGeometry g;
    g.right = 300;
    g.bottom = 200;
    g.S0 = 0.0;
    g.S1 = 2.0;
    g.lastSample = 0;
    int x = 0;
    uint64_t s = 99;
    g.SnapDrop(299, x, s);
    EXPECT_EQ(s, 0u);
}
