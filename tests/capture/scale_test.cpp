#include <gtest/gtest.h>

#include "capture/capture.h"
#include "capture/overlay.h"

TEST(ScaleFromDpi, IsTheMeanDpiOver96AndNeverBelowOne)
{
    struct Row { int x, y; float scale; } rows[] = {
        { 72, 72, 1.0f }, { 96, 96, 1.0f }, { 108, 108, 1.125f }, { 120, 120, 1.25f },
        { 144, 144, 1.5f }, { 168, 168, 1.75f }, { 192, 192, 2.0f }, { 96, 120, 1.125f },
        { 120, 96, 1.125f }, { 0, 0, 1.0f }, { 288, 288, 3.0f },
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScaleFromDpi(row.x, row.y), row.scale) << row.x << ", " << row.y;
}

TEST(HintLabelY, RisesNinetyTwoLessRoundedThirtyTimesTheScale)
{
    // The anchor is the selection's top minus 92; T = 500 here.
    struct Row { float scale; int y; } rows[] = {
        { 1.0f, 438 }, { 1.125f, 442 }, { 1.25f, 446 }, { 1.5f, 453 },
        { 1.75f, 461 }, { 2.0f, 468 }, { 2.5f, 483 }, { 3.0f, 498 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(HintLabelY(500 - 92, row.scale), row.y) << "scale " << row.scale;
    EXPECT_EQ(HintLabelY(-92, 1.0f), -62);
}

TEST(GetDisplayScale, IsOneAtTheTestDisplays96Dpi)
{
    EXPECT_EQ(GetDisplayScale(), 1.0f);
}
