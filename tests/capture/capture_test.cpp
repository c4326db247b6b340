// The display scale and the label's place; the frozen image refused when it cannot be had.
#include <gtest/gtest.h>

#include "capture/capture.h"
#include "capture/overlay.h"
#include "tests/kit/screen.h"

// The label stands at the selection's left edge, 92 - round(30 x scale) above its top edge, halves away from zero.
TEST(DisplayScale, MeanDpiOver96AtLeastOneAndTheLabelsPlace)
{
    const struct { int nDpiX, nDpiY; float scale; int nRise; } rows[] = {
        { 72, 72, 1.0f, 62 },    { 96, 96, 1.0f, 62 },     { 120, 120, 1.25f, 54 }, { 144, 144, 1.5f, 47 },
        { 168, 168, 1.75f, 39 }, { 96, 120, 1.125f, 58 }, { 0, 0, 1.0f, 62 },      { 288, 288, 3.0f, 2 },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ScaleFromDpi(row.nDpiX, row.nDpiY), row.scale) << row.nDpiX << " x " << row.nDpiY;
        for (RECT rc : { RECT{ 100, 300, 400, 500 }, RECT{ 400, 500, 100, 300 } }) {
            POINT pt = HintLabelOrigin(rc, row.scale);
            EXPECT_TRUE(pt.x == 100 && pt.y == 300 - row.nRise) << row.scale << ": " << pt.x << ", " << pt.y;
        }
    }
}

// Sizes no address space holds, or none at all: refused, with nothing made and nothing kept.
TEST(Capture, AFrozenImageThatCannotBeHadIsRefusedWithNothingMade)
{
    DWORD nGdi = CountGdiObjects();
    for (SIZE size : { SIZE{ 1 << 20, 1 << 20 }, SIZE{ 46341, 46341 }, SIZE{ 0, 1080 }, SIZE{ 1920, -1 } }) {
        EXPECT_FALSE(CreateFrozenImage(NULL, size.cx, size.cy)) << size.cx << " x " << size.cy;
        EXPECT_TRUE(!g_hdcCapture && !g_hbmCapture && !g_pbCapture);
    }
    EXPECT_EQ(CountGdiObjects(), nGdi);
    ASSERT_TRUE(CreateFrozenImage(NULL, 7680, 4320));
    g_pbCapture[7680 * 4320 * 4 - 1] = 1;  // the last byte is there
    EXPECT_EQ(CountGdiObjects(), nGdi + 2);
}
