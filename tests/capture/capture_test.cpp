#include <gtest/gtest.h>

#include <memory>

#include "app/globals.h"
#include "capture/capture.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"
#include "tests/kit/pixels.h"

static RECT Rc(int l, int t, int r, int b)
{
    RECT rc = { l, t, r, b };
    return rc;
}

static uint32_t Shifted(int x, int y) { return TestPattern(x + 300, y + 200); }

TEST(CaptureMonitor, FreezesExactlyTheMonitorUnderTheCursor)
{
    SetProcessDPIAware();
    RECT rcPattern = { 300, 200, 1100, 700 };
    auto pattern = std::make_unique<PatternWindow>(rcPattern, Shifted);
    ASSERT_EQ("", pattern->WaitUntilShown());
    SetCursorPos(50, 50);
    const RECT rcScreen = Rc(0, 0, 1920, 1080);
    Image screen = ReadScreen(rcScreen);

    CaptureMonitor();

    EXPECT_EQ(g_cxScreen, 1920);
    EXPECT_EQ(g_cyScreen, 1080);
    EXPECT_TRUE(EqualRect(&g_rcMonitor, &rcScreen));
    EXPECT_TRUE(EqualRect(&g_tracker.m_rcBounds, &rcScreen));
    ASSERT_NE(g_hdcCapture, (HDC)NULL);
    EXPECT_EQ(GetCurrentObject(g_hdcCapture, OBJ_BITMAP), (HGDIOBJ)g_hbmCapture);

    Image frozen = ReadDC(g_hdcCapture, 0, 0, g_cxScreen, g_cyScreen);
    ASSERT_EQ(frozen.width, 1920);
    EXPECT_EQ(FirstMismatch(frozen, screen, 0, 0), -1);
    // The pattern window's pixels, exactly where it stands.
    Image shown = ReadDC(g_hdcCapture, 300, 200, 800, 500);
    for (int y = 0; y < 500; y += 37)
        for (int x = 0; x < 800; x += 13)
            ASSERT_EQ(shown.At(x, y), TestPattern(x + 300, y + 200)) << x << ", " << y;

    // A copy: what the screen shows afterwards does not reach it.
    pattern.reset();
    Settle(200);
    Image later = ReadDC(g_hdcCapture, 300, 200, 800, 500);
    EXPECT_TRUE(later.pixels == shown.pixels);
}

TEST(CreateShadeBitmap, MakesOneBlackPixelInTheCapturesFormatOnce)
{
    ASSERT_NE(g_hdcCapture, (HDC)NULL) << "runs after the capture test";
    CreateShadeBitmap();
    HBITMAP hbmFirst = g_hbmShade;
    ASSERT_NE(hbmFirst, (HBITMAP)NULL);
    CreateShadeBitmap();
    EXPECT_EQ(g_hbmShade, hbmFirst);

    BITMAP shade = {}, capture = {};
    GetObjectW(g_hbmShade, sizeof(shade), &shade);
    GetObjectW(g_hbmCapture, sizeof(capture), &capture);
    EXPECT_EQ(shade.bmWidth, 1);
    EXPECT_EQ(shade.bmHeight, 1);
    EXPECT_EQ(shade.bmBitsPixel, capture.bmBitsPixel);
    EXPECT_GT(shade.bmBitsPixel, 1);
    Image pixel = ReadBitmap(g_hbmShade);
    ASSERT_EQ(pixel.pixels.size(), 1u);
    EXPECT_EQ(pixel.At(0, 0), 0u);
}
