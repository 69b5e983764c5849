#include <gtest/gtest.h>
#include "core/common/StringIds.h"
TEST(StringIds, RangeIsContiguous) { EXPECT_EQ(vistrel::IDS_WINDOW_MENU - vistrel::IDS_OPEN_TITLE, 37); }
