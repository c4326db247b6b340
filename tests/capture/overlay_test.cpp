#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "app/globals.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "tests/kit/pixels.h"

// Paints the overlay of a known frozen image into a memory DC and reads it.
class OverlayPainting : public ::testing::Test {
protected:
    static constexpr int W = 400, H = 300;

    void SetUp() override
    {
        m_hbmImage = MakePatternBitmap(W, H, TestPattern);
        m_hdcImage = CreateCompatibleDC(NULL);
        m_hOldImage = SelectObject(m_hdcImage, m_hbmImage);
        g_cxScreen = W;
        g_cyScreen = H;
        g_hdcCapture = m_hdcImage;
        g_hbmCapture = m_hbmImage;
        g_hbmShade = NULL;
        CreateShadeBitmap();
        SetRectEmpty(&g_rcHover);
        SetRectEmpty(&g_tracker.m_rcSelection);
        m_original = ReadDC(m_hdcImage, 0, 0, W, H);

        m_hbmTarget = MakePatternBitmap(W, H, [](int, int) -> uint32_t { return 0xFF00FF; });
        m_hdcTarget = CreateCompatibleDC(NULL);
        m_hOldTarget = SelectObject(m_hdcTarget, m_hbmTarget);
    }
    void TearDown() override
    {
        SelectObject(m_hdcTarget, m_hOldTarget);
        DeleteDC(m_hdcTarget);
        DeleteObject(m_hbmTarget);
        SelectObject(m_hdcImage, m_hOldImage);
        DeleteDC(m_hdcImage);
        DeleteObject(m_hbmImage);
        DeleteObject(g_hbmShade);
        g_hbmShade = NULL;
        g_hdcCapture = NULL;
        g_hbmCapture = NULL;
        SetRectEmpty(&g_tracker.m_rcSelection);
    }

    Image Paint(int l, int t, int r, int b)
    {
        SetRect(&g_tracker.m_rcSelection, l, t, r, b);
        PaintOverlay(m_hdcTarget);
        return ReadDC(m_hdcTarget, 0, 0, W, H);
    }

    // A pixel dimmed exactly once keeps 175/255 of each channel (the blend may
    // round either way); twice would keep about 47 %.
    bool DimmedOnce(const Image& painted, int x, int y) const
    {
        uint32_t before = m_original.At(x, y), after = painted.At(x, y);
        for (int shift : { 0, 8, 16 }) {
            double expected = ((before >> shift) & 0xFF) * 175.0 / 255.0;
            if (std::fabs(((after >> shift) & 0xFF) - expected) > 1.0)
                return false;
        }
        return true;
    }

    HBITMAP m_hbmImage = NULL, m_hbmTarget = NULL;
    HDC m_hdcImage = NULL, m_hdcTarget = NULL;
    HGDIOBJ m_hOldImage = NULL, m_hOldTarget = NULL;
    Image m_original;
};

static bool Inside(int x, int y, int l, int t, int r, int b)
{
    return x >= l && x < r && y >= t && y < b;
}

TEST_F(OverlayPainting, WithoutASelectionEverythingIsDimmedOnceAndHoverIsArmed)
{
    Image painted = Paint(0, 0, 0, 0);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            ASSERT_TRUE(DimmedOnce(painted, x, y)) << x << ", " << y;
    EXPECT_EQ(g_rcHover.left, 0);
    EXPECT_EQ(g_rcHover.top, 0);
    EXPECT_EQ(g_rcHover.right, W);
    EXPECT_EQ(g_rcHover.bottom, H);
    // The label stands at y = -62, wholly above the window.
    EXPECT_EQ(g_rcHint.left, 0);
    EXPECT_EQ(g_rcHint.top, -92);
}

TEST_F(OverlayPainting, ASelectionStaysBrightFramedAndLabelledWithTheRestDimmedOnce)
{
    Image painted = Paint(100, 120, 300, 250);

    int nWhite = 0;
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            uint32_t c = painted.At(x, y);
            if (Inside(x, y, 100, 120, 300, 250)) {
                ASSERT_EQ(c, m_original.At(x, y)) << x << ", " << y;
            } else if (c == 0xFFFFFF) {
                // Label pixels: at the selection's left, 62 pixels above its top.
                ASSERT_TRUE(Inside(x, y, 100, 58, 300, 84)) << x << ", " << y;
                nWhite++;
            } else if (!Inside(x, y, 92, 112, 308, 258) && !Inside(x, y, 100, 58, 300, 84)) {
                ASSERT_TRUE(DimmedOnce(painted, x, y)) << x << ", " << y;
            }
        }
    }
    EXPECT_GT(nWhite, 40);
    EXPECT_EQ(painted.At(99, 150), 0x1AAD19u);     // frame, left of the selection
    EXPECT_EQ(painted.At(150, 250), 0x1AAD19u);    // frame, below it
    EXPECT_EQ(painted.At(92, 112), 0x17A2B8u);     // top-left handle
    EXPECT_EQ(painted.At(307, 257), 0x17A2B8u);    // bottom-right handle
    EXPECT_EQ(painted.At(196, 112), 0x17A2B8u);    // top middle handle
    EXPECT_EQ(g_rcHint.left, 100);
    EXPECT_EQ(g_rcHint.top, 28);
    EXPECT_TRUE(IsRectEmpty(&g_rcHover));          // a selection leaves hover alone
}

TEST_F(OverlayPainting, AnInvertedSelectionPaintsAsItsNormalisedForm)
{
    Image normal = Paint(100, 120, 300, 250);
    Image inverted = Paint(300, 250, 100, 120);
    EXPECT_TRUE(inverted.pixels == normal.pixels);
    Image half = Paint(300, 120, 100, 250);
    EXPECT_TRUE(half.pixels == normal.pixels);
}

TEST_F(OverlayPainting, AZeroWidthBandDimsTheWholeImageOnce)
{
    Image painted = Paint(50, 150, 50, 250);
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            // The label's smoothed edges blend into the image: leave its box out.
            if (!Inside(x, y, 50, 88, 250, 114)) {
                ASSERT_TRUE(DimmedOnce(painted, x, y)) << x << ", " << y;
            }
        }
    }
    EXPECT_TRUE(IsRectEmpty(&g_rcHover));
}

TEST_F(OverlayPainting, ASelectionOfTheWholeWindowDimsNothing)
{
    Image painted = Paint(0, 0, W, H);
    EXPECT_EQ(FirstMismatch(painted, m_original, 0, 0), -1);
}

TEST_F(OverlayPainting, ASelectionAtTheTopEdgeHasNoTopBandAndAClippedLabel)
{
    Image painted = Paint(100, 0, 300, 100);
    for (int x = 100; x < 300; x++)
        ASSERT_EQ(painted.At(x, 0), m_original.At(x, 0)) << x;
    for (int x = 0; x < 92; x++)
        ASSERT_TRUE(DimmedOnce(painted, x, 0)) << x;
    EXPECT_EQ(g_rcHint.top, -92);
}

TEST_F(OverlayPainting, TheHintShowsTenDistinctGlyphs)
{
    // Missing glyphs would all draw as the same box: each character alone must
    // draw white pixels, and the ten must not look alike.
    std::set<std::vector<uint32_t>> glyphs;
    for (int i = 0; i < 10; i++) {
        RECT rcAll = { 0, 0, W, H };
        FillRect(m_hdcTarget, &rcAll, (HBRUSH)GetStockObject(BLACK_BRUSH));
        WCHAR szOne[2] = { c_szHintText[i], 0 };
        DrawLabelText(m_hdcTarget, 10, 10, szOne);
        Image image = ReadDC(m_hdcTarget, 0, 0, 40, 40);
        // Smoothed strokes: count pixels lit at least halfway, in grey.
        int nLit = 0;
        for (uint32_t c : image.pixels)
            nLit += (Red(c) >= 128 && Red(c) == Green(c) && Green(c) == Blue(c));
        EXPECT_GT(nLit, 10) << "character " << i;
        glyphs.insert(image.pixels);
    }
    EXPECT_EQ(lstrlenW(c_szHintText), 10);
    EXPECT_EQ(glyphs.size(), 10u);
}
