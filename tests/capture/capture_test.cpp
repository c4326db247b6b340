// The display scale, and the frozen image refused when it cannot be had. The whole-window rows of the program's suite
// show the scale's use: handle sizes, frame widths and the label's place at 96, 120 and 144 DPI.
#include <gtest/gtest.h>

#include "capture/capture.h"
#include "capture/dpi.h"
#include "common/systemdll.h"
#include "tests/kit/screen.h"

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
    HDC hdc = GetDC(NULL);
    const struct { DpiSources sources; LONG nDpi; } rows[] = {
        { { Window144, Monitor120 }, 144 }, { { WindowUnknown, Monitor120 }, 120 }, { { nullptr, Monitor120 }, 120 },
        { {}, 96 },
    };
    for (const auto& row : rows) {
        SIZE dpi = MonitorDpi(row.sources, GetDesktopWindow(), hMonitor, hdc);
        EXPECT_TRUE(dpi.cx == row.nDpi && dpi.cy == row.nDpi) << dpi.cx << " x " << dpi.cy << ", not " << row.nDpi;
    }
    ReleaseDC(NULL, hdc);
    // This system's sources, and shcore's, which user32 makes unneeded here: the profile's 96 (Wine's per-monitor DPI).
    DpiSources shcore = {};
    ASSERT_TRUE(FindExport(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor", &shcore.pfnForMonitor));
    for (const DpiSources& sources : { SystemDpiSources(), shcore })
        EXPECT_EQ(MonitorDpi(sources, GetDesktopWindow(), hMonitor, NULL).cx, 96);
}

// Sizes no address space holds, or none at all: refused, with nothing made and nothing kept.
TEST(Capture, AFrozenImageThatCannotBeHadIsRefusedWithNothingMade)
{
    DeleteDC(CreateCompatibleDC(NULL));  // Wine makes its stock objects with the first DC
    DWORD nGdi = CountGdiObjects();
    for (SIZE size : { SIZE{ 1 << 20, 1 << 20 }, SIZE{ 46341, 46341 }, SIZE{ 0, 1080 }, SIZE{ 1920, -1 } }) {
        EXPECT_FALSE(CreateFrozenImage(NULL, size.cx, size.cy)) << size.cx << " x " << size.cy;
        EXPECT_TRUE(!g_hdcCapture && !g_hbmCapture && !g_pbCapture);
    }
    EXPECT_EQ(CountGdiObjects(), nGdi);
    ASSERT_TRUE(CreateFrozenImage(NULL, 7680, 4320));
    g_pbCapture[4319 * g_cbCaptureStride + 7680 * 4 - 1] = 1;  // the bottom row's last byte is there
    EXPECT_EQ(CountGdiObjects(), nGdi + 2);
}
