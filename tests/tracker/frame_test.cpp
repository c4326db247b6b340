#include <gtest/gtest.h>

#include "tests/kit/pixels.h"
#include "tracker/tracker.h"

// Draws the tracker into a grey 32-bit memory DC and reads the pixels back.
class FrameDrawing : public ::testing::Test {
protected:
    static constexpr int W = 300, H = 300;
    static uint32_t Grey(int, int) { return 0x808080; }

    void SetUp() override
    {
        m_hbm = MakePatternBitmap(W, H, Grey);
        m_hdc = CreateCompatibleDC(NULL);
        m_hOld = SelectObject(m_hdc, m_hbm);
    }
    void TearDown() override
    {
        SelectObject(m_hdc, m_hOld);
        DeleteDC(m_hdc);
        DeleteObject(m_hbm);
    }
    Image Pixels() { return ReadDC(m_hdc, 0, 0, W, H); }

    HBITMAP m_hbm = NULL;
    HDC m_hdc = NULL;
    HGDIOBJ m_hOld = NULL;
    CXRectTracker m_tracker;
};

const uint32_t c_frame = 0x1AAD19;    // RGB(26, 173, 25)
const uint32_t c_handle = 0x17A2B8;   // RGB(23, 162, 184)

TEST_F(FrameDrawing, DrawsTheRingAndTheEightHandlesAndNothingElse)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    m_tracker.PaintFrame(m_hdc);
    Image image = Pixels();

    // The ring just outside the selection, away from the handles.
    EXPECT_EQ(image.At(99, 120), c_frame);
    EXPECT_EQ(image.At(200, 120), c_frame);
    EXPECT_EQ(image.At(120, 99), c_frame);
    EXPECT_EQ(image.At(120, 200), c_frame);
    // Handle boxes, every corner of each.
    const int boxes[8][2] = { { 92, 92 }, { 200, 92 }, { 200, 200 }, { 92, 200 },
                              { 146, 92 }, { 200, 146 }, { 146, 200 }, { 92, 146 } };
    for (const auto& box : boxes) {
        EXPECT_EQ(image.At(box[0], box[1]), c_handle) << box[0] << ", " << box[1];
        EXPECT_EQ(image.At(box[0] + 7, box[1] + 7), c_handle) << box[0] << ", " << box[1];
    }
    // The inside and everything beyond the handles stay as they were.
    EXPECT_EQ(image.At(100, 100), 0x808080u);
    EXPECT_EQ(image.At(150, 150), 0x808080u);
    EXPECT_EQ(image.At(199, 199), 0x808080u);
    EXPECT_EQ(image.At(98, 120), 0x808080u);
    EXPECT_EQ(image.At(91, 92), 0x808080u);
    EXPECT_EQ(image.At(208, 208), 0x808080u);
    int nChanged = 0;
    for (uint32_t c : image.pixels)
        nChanged += (c != 0x808080);
    // Ring 102 x 102 minus the parts under handles, plus 8 handles of 64.
    EXPECT_GT(nChanged, 4 * 101);
    EXPECT_LT(nChanged, 4 * 101 + 8 * 64);
}

TEST_F(FrameDrawing, AnInvertedSelectionDrawsAsItsNormalisedForm)
{
    SetRect(&m_tracker.m_rcSelection, 100, 100, 200, 200);
    m_tracker.PaintFrame(m_hdc);
    Image normal = Pixels();
    TearDown();
    SetUp();
    SetRect(&m_tracker.m_rcSelection, 200, 200, 100, 100);
    m_tracker.PaintFrame(m_hdc);
    EXPECT_TRUE(Pixels().pixels == normal.pixels);
}

TEST_F(FrameDrawing, AnEmptySelectionDrawsNothingAndTheDCComesBackAsItWas)
{
    HGDIOBJ hPen = GetCurrentObject(m_hdc, OBJ_PEN);
    HGDIOBJ hBrush = GetCurrentObject(m_hdc, OBJ_BRUSH);
    SetMapMode(m_hdc, MM_ANISOTROPIC);
    SetROP2(m_hdc, R2_XORPEN);
    for (RECT rc : { RECT{ 50, 50, 50, 150 }, RECT{ 0, 0, 0, 0 }, RECT{ 100, 100, 200, 200 } }) {
        m_tracker.m_rcSelection = rc;
        m_tracker.PaintFrame(m_hdc);
        EXPECT_EQ(GetCurrentObject(m_hdc, OBJ_PEN), hPen);
        EXPECT_EQ(GetCurrentObject(m_hdc, OBJ_BRUSH), hBrush);
        EXPECT_EQ(GetMapMode(m_hdc), MM_ANISOTROPIC);
        EXPECT_EQ(GetROP2(m_hdc), R2_XORPEN);
    }
    SetMapMode(m_hdc, MM_TEXT);
    SetRect(&m_tracker.m_rcSelection, 50, 50, 50, 150);
    TearDown();
    SetUp();
    m_tracker.PaintFrame(m_hdc);
    for (uint32_t c : Pixels().pixels)
        ASSERT_EQ(c, 0x808080u);
}
