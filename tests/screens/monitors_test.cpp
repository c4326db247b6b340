// The whole picker on the second of two monitors side by side (run on a
// nested Xephyr with Xinerama, which Wine reports as two monitors): it covers
// exactly that monitor, crops that monitor's picture, keeps a band dragged
// onto the first monitor on the second, and at 144 DPI sizes its handles,
// frame and label by the scale 1.5.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/hardening/picker_driver.h"

namespace {

const RECT c_rcFirst = { 0, 0, 1024, 768 };
const RECT c_rcSecond = { 1024, 0, 2048, 768 };
const POINT c_ptOnSecond = { 1900, 700 };

const uint32_t c_rgbHandle = 0x17A2B8;  // the handle brush, 0x00RRGGBB
const uint32_t c_rgbFrame = 0x1AAD19;   // the frame pen
const uint32_t c_rgbLabel = 0xFFFFFF;   // the hint label's text

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    reinterpret_cast<std::vector<RECT>*>(lParam)->push_back(*prc);
    return TRUE;
}

std::vector<RECT> Monitors()
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(NULL, NULL, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool HasTheTwoMonitors()
{
    std::vector<RECT> monitors = Monitors();
    return monitors.size() == 2 && EqualRect(&monitors[0], &c_rcFirst) && EqualRect(&monitors[1], &c_rcSecond);
}

// Sets the system DPI for processes started while it lives; back to 96 after.
class SystemDpi {
public:
    explicit SystemDpi(DWORD dwDpi) { m_bSet = Set(dwDpi); }
    ~SystemDpi() { Set(96); }
    bool IsSet() const { return m_bSet; }

private:
    static bool Set(DWORD dwDpi)
    {
        HKEY hKey;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey,
                            NULL) != ERROR_SUCCESS)
            return false;
        bool bSet = RegSetValueExW(hKey, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwDpi),
                                   sizeof(dwDpi)) == ERROR_SUCCESS;
        RegCloseKey(hKey);
        return bSet;
    }
    bool m_bSet;
};

class TwoMonitorsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetProcessDPIAware();
        if (!HasTheTwoMonitors())
            return;
        s_pFirst = new PatternWindow(c_rcFirst, TestPattern);
        s_pSecond = new PatternWindow(c_rcSecond, InvertedTestPattern);
    }
    static void TearDownTestSuite()
    {
        delete s_pFirst;
        delete s_pSecond;
        s_pFirst = s_pSecond = nullptr;
    }
    void SetUp() override
    {
        if (!HasTheTwoMonitors())
            GTEST_SKIP() << "Wine does not report the two monitors (0, 0, 1024, 768) and (1024, 0, 2048, 768)";
        ASSERT_EQ("", s_pFirst->WaitUntilShown());
        ASSERT_EQ("", s_pSecond->WaitUntilShown());
    }

    static PatternWindow* s_pFirst;
    static PatternWindow* s_pSecond;
};

PatternWindow* TwoMonitorsTest::s_pFirst;
PatternWindow* TwoMonitorsTest::s_pSecond;

TEST_F(TwoMonitorsTest, TheWindowCoversExactlyTheSecondMonitorAndCropsItsPicture)
{
    ChildProcess picker;
    HWND hWnd = StartPicker(&picker, c_ptOnSecond);
    ASSERT_TRUE(hWnd);
    RECT rcWindow;
    GetWindowRect(hWnd, &rcWindow);
    EXPECT_TRUE(EqualRect(&rcWindow, &c_rcSecond))
        << "(" << rcWindow.left << ", " << rcWindow.top << ", " << rcWindow.right << ", " << rcWindow.bottom << ")";

    PostBand(hWnd, 100, 120, 420, 380);
    PostKeyUp(hWnd, VK_RETURN);
    ProcessResult result = picker.Finish(30000);
    ASSERT_TRUE(result.bExited);
    EXPECT_EQ(result.dwExitCode, 0u);
    Image crop;
    ASSERT_TRUE(DecodeSinglePng(result.out, &crop));
    EXPECT_EQ(crop.width, 320);
    EXPECT_EQ(crop.height, 260);
    EXPECT_TRUE(ImageMatches(crop, s_pSecond->Expected(), 100, 120));
}

TEST_F(TwoMonitorsTest, ABandDraggedOntoTheFirstMonitorStaysOnTheSecond)
{
    ChildProcess picker;
    HWND hWnd = StartPicker(&picker, c_ptOnSecond);
    ASSERT_TRUE(hWnd);
    // Anchored at (300, 100), the band's corner goes to x = -200, 200 pixels
    // onto the first monitor, by a move and then the release. The band stops
    // at the second monitor's left edge: (0, 100, 300, 300).
    PostBand(hWnd, 300, 100, -200, 300);
    PostKeyUp(hWnd, VK_RETURN);
    ProcessResult result = picker.Finish(30000);
    ASSERT_TRUE(result.bExited);
    EXPECT_EQ(result.dwExitCode, 0u);
    Image crop;
    ASSERT_TRUE(DecodeSinglePng(result.out, &crop));
    EXPECT_EQ(crop.width, 300);
    EXPECT_EQ(crop.height, 200);
    // The second monitor's picture from its left edge: no pixel of the first.
    EXPECT_TRUE(ImageMatches(crop, s_pSecond->Expected(), 0, 100));
}

// While the band's corner stays on the first monitor for several messages,
// the band stops at the second monitor's left edge: it neither pushes its
// anchor along nor grows past the monitor.
TEST_F(TwoMonitorsTest, ABandHeldOnTheFirstMonitorStaysOnTheSecond)
{
    ChildProcess picker;
    HWND hWnd = StartPicker(&picker, c_ptOnSecond);
    ASSERT_TRUE(hWnd);
    PostMouse(hWnd, WM_LBUTTONDOWN, 300, 100);
    PostMouse(hWnd, WM_MOUSEMOVE, 302, 102);
    for (int x = -200; x >= -230; x -= 10)
        PostMouse(hWnd, WM_MOUSEMOVE, x, 300);
    PostMouse(hWnd, WM_LBUTTONUP, -230, 300);
    PostKeyUp(hWnd, VK_RETURN);
    ProcessResult result = picker.Finish(30000);
    ASSERT_TRUE(result.bExited);
    Image crop;
    ASSERT_TRUE(DecodeSinglePng(result.out, &crop));
    EXPECT_EQ(crop.width, 300);
    EXPECT_EQ(crop.height, 200);
    EXPECT_TRUE(ImageMatches(crop, s_pSecond->Expected(), 0, 100));
}

// Pixels of the colour along a row or a column of the image.
int CountRun(const Image& image, int x, int y, int dx, int dy, int n, uint32_t rgb)
{
    int nCount = 0;
    for (int i = 0; i < n; i++)
        if (image.At(x + i * dx, y + i * dy) == rgb)
            nCount++;
    return nCount;
}

// The first row from y0 to y1 with a pixel of the colour between x0 and x1, or -1.
int FirstRowWith(const Image& image, int x0, int x1, int y0, int y1, uint32_t rgb)
{
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (image.At(x, y) == rgb)
                return y;
    return -1;
}

// Shows a band (200, 200, 600, 500) on the second monitor at the given DPI
// and returns the screen over that monitor once the overlay shows it.
Image OverlayAtDpi(DWORD dwDpi)
{
    SystemDpi dpi(dwDpi);
    EXPECT_TRUE(dpi.IsSet());
    ChildProcess picker;
    HWND hWnd = StartPicker(&picker, c_ptOnSecond);
    EXPECT_TRUE(hWnd);
    Image screen;
    if (!hWnd)
        return screen;
    PostBand(hWnd, 200, 200, 600, 500);
    // The first handle's corner pixel shows once the band is painted.
    DWORD dwStart = GetTickCount();
    do {
        Sleep(100);
        screen = ReadScreen(c_rcSecond);
    } while (screen.At(199, 199) != c_rgbHandle && GetTickCount() - dwStart < 10000);
    PostKeyUp(hWnd, VK_ESCAPE);
    ProcessResult result = picker.Finish(15000);
    EXPECT_TRUE(result.bExited);
    EXPECT_EQ(result.out, "");
    return screen;
}

TEST_F(TwoMonitorsTest, At144DpiHandlesFrameAndLabelFollowTheScale)
{
    Image at96 = OverlayAtDpi(96);
    Image at144 = OverlayAtDpi(144);
    ASSERT_EQ(at144.width, 1024);
    ASSERT_EQ(at96.width, 1024);

    // The top-left handle touches the selection's corner diagonally: its row
    // and column through the handle hold exactly the handle's side.
    EXPECT_EQ(CountRun(at96, 180, 196, 1, 0, 20, c_rgbHandle), 8);
    EXPECT_EQ(CountRun(at96, 196, 180, 0, 1, 20, c_rgbHandle), 8);
    EXPECT_EQ(at96.At(192, 192), c_rgbHandle);
    EXPECT_EQ(CountRun(at144, 180, 194, 1, 0, 20, c_rgbHandle), 12);
    EXPECT_EQ(CountRun(at144, 194, 180, 0, 1, 20, c_rgbHandle), 12);
    EXPECT_EQ(at144.At(188, 188), c_rgbHandle);
    EXPECT_NE(at144.At(187, 187), c_rgbHandle);

    // The frame's pen across the top edge, away from the handles: 1 pixel
    // wide at 96 DPI, round(1.5) = 2 at 144.
    EXPECT_EQ(CountRun(at96, 300, 190, 0, 1, 20, c_rgbFrame), 1);
    EXPECT_EQ(CountRun(at144, 300, 190, 0, 1, 20, c_rgbFrame), 2);

    // The label's top is the selection's top - 92 + round(30 x scale): 138 at
    // 96 DPI, 153 at 144. Its text starts a few rows below that.
    int nTextTop96 = FirstRowWith(at96, 200, 600, 100, 200, c_rgbLabel);
    int nTextTop144 = FirstRowWith(at144, 200, 600, 100, 200, c_rgbLabel);
    std::printf("first row of label text: %d at 96 DPI, %d at 144 DPI\n", nTextTop96, nTextTop144);
    EXPECT_GE(nTextTop96, 138);
    EXPECT_LT(nTextTop96, 138 + 8);
    EXPECT_GE(nTextTop144, 153);
    EXPECT_LT(nTextTop144, 153 + 8);
}

}  // namespace
