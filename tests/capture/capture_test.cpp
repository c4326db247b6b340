// The frame the capture makes, the display scale, the dimming, and the painter into a memory DC read back.
#include <gtest/gtest.h>

#include "capture/capture.h"
#include "capture/dpi.h"
#include "capture/overlay.h"
#include "capture/shade.h"
#include "common/systemdll.h"
#include "tests/kit/counters.h"
#include "tests/kit/oracle.h"

TEST(DisplayScale, MeanDpiOver96AtLeastOne)
{
    const struct { int nDpiX, nDpiY; float scale; } rows[] = {
        { 72, 72, 1.0f },    { 96, 96, 1.0f },     { 120, 120, 1.25f }, { 144, 144, 1.5f },
        { 168, 168, 1.75f }, { 96, 120, 1.125f }, { 0, 0, 1.0f },      { 288, 288, 3.0f },
    };
    for (const auto& row : rows)
        EXPECT_EQ(ScaleFromDpi(row.nDpiX, row.nDpiY), row.scale) << row.nDpiX << " x " << row.nDpiY;
}

// The DPI asked of the window, else of the monitor, else of the monitor's DC (the system's DPI on every monitor).
static UINT WINAPI Window144(HWND) { return 144; }
static UINT WINAPI WindowUnknown(HWND) { return 0; }
static HRESULT WINAPI Monitor120(HMONITOR, int nType, UINT* pnX, UINT* pnY) { return *pnX = *pnY = nType ? 1 : 120, S_OK; }

TEST(DisplayScale, TheMonitorsOwnDpiFromTheFirstSourceThatAnswers)
{
    HMONITOR hMonitor = MonitorFromPoint({ 0, 0 }, MONITOR_DEFAULTTOPRIMARY);
    ScopedWindowDC hdc(NULL);
    const struct { DpiSources sources; LONG nDpi; } rows[] = {
        { { Window144, Monitor120 }, 144 }, { { WindowUnknown, Monitor120 }, 120 }, { { nullptr, Monitor120 }, 120 },
        { {}, 96 },
    };
    for (const auto& row : rows) {
        SIZE dpi = MonitorDpi(row.sources, GetDesktopWindow(), hMonitor, hdc);
        EXPECT_TRUE(dpi.cx == row.nDpi && dpi.cy == row.nDpi) << dpi.cx << " x " << dpi.cy << ", not " << row.nDpi;
    }
    // This system's sources, and shcore's, which user32 makes unneeded here: the profile's 96 (Wine's per-monitor DPI).
    DpiSources shcore = {};
    ASSERT_TRUE(FindExport(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor", &shcore.pfnForMonitor));
    for (const DpiSources& sources : { SystemDpiSources(), shcore })
        EXPECT_EQ(MonitorDpi(sources, GetDesktopWindow(), hMonitor, NULL).cx, 96);
}

// Sizes no address space holds, or none at all: refused, with nothing made. A frame made is released whole.
TEST(Capture, AFrozenImageThatCannotBeHadIsRefusedWithNothingMade)
{
    DeleteDC(CreateCompatibleDC(NULL));  // Wine makes its stock objects with the first DC
    DWORD nGdi = CountGdiObjects();
    for (SIZE size : { SIZE{ 1 << 20, 1 << 20 }, SIZE{ 46341, 46341 }, SIZE{ 0, 1080 }, SIZE{ 1920, -1 } }) {
        FrozenFrame frame = {};
        EXPECT_FALSE(CreateFrozenImage(NULL, size.cx, size.cy, &frame)) << size.cx << " x " << size.cy;
        EXPECT_TRUE(!frame.hdc && !frame.hbm && !frame.pbTop);
    }
    EXPECT_EQ(CountGdiObjects(), nGdi);
    FrozenFrame frame;
    ASSERT_TRUE(CreateFrozenImage(NULL, 7680, 4320, &frame));
    frame.Row(4319)[7680 * 4 - 1] = 1;  // the bottom row's last byte is there
    EXPECT_EQ(CountGdiObjects(), nGdi + 2);
    ReleaseFrame(&frame);
    EXPECT_EQ(CountGdiObjects(), nGdi);
}

// Every value of every channel composed dimmed: exactly as the table says, the fourth byte kept, for the table the blend
// makes, one of another form and the rounded blend's, each classified where it is made (none takes another's path).
TEST(Shade, EveryValueOfEveryChannelDimmedAsTheTableSays)
{
    SyntheticFrame synthetic(256, 1);
    FrozenFrame& frame = synthetic.frame;
    for (int x = 0; x < 256; x++)
        for (int c = 0; c < 4; c++)
            frame.Row(0)[x * 4 + c] = (BYTE)(x + 85 * c);
    ShadeTable floorForm, roundedForm;
    for (int c = 0; c < 3; c++)
        for (int v = 0; v < 256; v++)
            floorForm.ab[c][v] = (BYTE)(v * 175 / 255), roundedForm.ab[c][v] = (BYTE)((v * 175 + 127) / 255);
    ClassifyShadeTable(&floorForm), ClassifyShadeTable(&roundedForm);
    EXPECT_TRUE(roundedForm.bRoundedBlend && !floorForm.bRoundedBlend);
    for (const ShadeTable& shade : { frame.shade, floorForm, roundedForm }) {
        frame.shade = shade;
        BYTE abRow[256 * 4];
        ComposeImage(abRow, { 0, 0, 256, 1 }, frame, {});
        for (int i = 0; i < 256 * 4; i++) {
            BYTE b = frame.Row(0)[i];
            ASSERT_EQ(abRow[i], i % 4 == 3 ? b : shade.ab[i % 4][b]) << "channel " << i % 4 << ", value " << (int)b;
        }
    }
}

// The overlay in a memory DC read back against the oracle: whole, then after each change of the selection (a first
// one, moved, resized, its label across the top, into the far corner, none) only where that change repaints; whole
// again over a selection.
TEST(Overlay, PaintedWholeAndWhereEachChangeRepaints)
{
    const RECT changes[] = { { 100, 120, 400, 330 }, { 104, 123, 404, 333 }, { 104, 123, 300, 250 },
                             { 200, 30, 500, 200 },  { 340, 200, 640, 480 }, {} };
    for (const auto& [flScale, look] : { std::pair{ 1.0f, c_look96 }, std::pair{ 1.25f, c_look120 } }) {
        SyntheticFrame synthetic(640, 480, TestPattern, flScale, look.nDpi);
        CXRectTracker tracker;  // width 8: none in the profile
        ScopedMemDC hdc(NULL);
        ScopedGdiObject<HBITMAP> hbm(CreateBitmap(640, 480, 1, 32, NULL));
        ScopedSelect selected(hdc, hbm);
        ASSERT_TRUE(PaintOverlay(hdc, { 0, 0, 640, 480 }, synthetic.frame, tracker));
        EXPECT_EQ("", CompareOverlay(ReadDC(hdc, 0, 0, 640, 480), synthetic.image, {}, look)) << flScale;
        for (const RECT& rc : changes) {
            // Painted again as WM_PAINT paints: the region's box, clipped to the region.
            ScopedGdiObject<HRGN> hrgn(SelectionChangeRegion(synthetic.frame, tracker, tracker.m_rcSelection, rc));
            RECT rcBox = {};
            tracker.m_rcSelection = rc;
            GetRgnBox(hrgn, &rcBox), SelectClipRgn(hdc, hrgn);
            PaintOverlay(hdc, rcBox, synthetic.frame, tracker), SelectClipRgn(hdc, NULL);
            EXPECT_EQ("", CompareOverlay(ReadDC(hdc, 0, 0, 640, 480), synthetic.image, rc, look))
                << RectText(rc) << " at " << flScale;
        }
        // Whole again, over black, with a selection whose frame and label cross the whole paint's bands.
        PatBlt(hdc, 0, 0, 640, 480, BLACKNESS), tracker.m_rcSelection = { 60, 250, 580, 470 };
        ASSERT_TRUE(PaintOverlay(hdc, { 0, 0, 640, 480 }, synthetic.frame, tracker));
        EXPECT_EQ("", CompareOverlay(ReadDC(hdc, 0, 0, 640, 480), synthetic.image, tracker.m_rcSelection, look));
    }
}
