#include <gtest/gtest.h>

#include <string>

#include "app/globals.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "tests/kit/process.h"
#include "tests/kit/pixels.h"
#include "tests/kit/process.h"
#include "tracker/tracker.h"

// The scale-dependent sizes, checked in this process at the test display's
// 96 DPI and again in child processes started at 120 and 144 DPI.
struct DpiRow {
    int nDpi;
    float scale;
    int nHandle;      // handle side for a large selection
    int nPen;         // frame pen width
    int nLabelRise;   // label top above the selection's top
    int nFontHeight;  // label font height in pixels (negative: character height)
};
const DpiRow c_rows[] = {
    { 96, 1.0f, 8, 1, 62, -13 },
    { 120, 1.25f, 10, 1, 54, -17 },
    { 144, 1.5f, 12, 2, 47, -20 },
};

static int s_nExpectedDpi = 96;

static const DpiRow& Expected()
{
    for (const DpiRow& row : c_rows)
        if (row.nDpi == s_nExpectedDpi)
            return row;
    return c_rows[0];
}

// A 32-bit memory DC of the screen's resolution, cleared to black.
class Canvas {
public:
    Canvas()
        : m_hbm(MakePatternBitmap(400, 300, [](int, int) -> uint32_t { return 0; })),
          m_hdc(CreateCompatibleDC(NULL)), m_hOld(SelectObject(m_hdc, m_hbm)) {}
    ~Canvas()
    {
        SelectObject(m_hdc, m_hOld);
        DeleteDC(m_hdc);
        DeleteObject(m_hbm);
    }
    operator HDC() const { return m_hdc; }
    Image Pixels() const { return ReadDC(m_hdc, 0, 0, 400, 300); }

private:
    HBITMAP m_hbm;
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

TEST(AtDpi, TheScaleAndTheHandleSizeFollowTheDpi)
{
    SetProcessDPIAware();
    const DpiRow& row = Expected();
    EXPECT_EQ(GetDisplayScale(), row.scale);
    CXRectTracker tracker;
    SetRect(&tracker.m_rcSelection, 100, 100, 300, 250);
    EXPECT_EQ(tracker.ScaledHandleSize(nullptr), row.nHandle);
    RECT rcBox;
    tracker.HandleBox(TH_TOPLEFT, &rcBox);
    EXPECT_EQ(rcBox.left, 100 - row.nHandle);
    EXPECT_EQ(rcBox.right, 100);
}

TEST(AtDpi, HandlesAndFrameAreDrawnAtTheirScaledSizes)
{
    SetProcessDPIAware();
    const DpiRow& row = Expected();
    Canvas canvas;
    // The pen is made once per process, at the first drawing: this one.
    ASSERT_EQ(CXRectTracker::s_hTrackerPen, (HPEN)NULL);
    CXRectTracker tracker;
    SetRect(&tracker.m_rcSelection, 100, 100, 300, 250);
    tracker.PaintFrame(canvas);
    Image image = canvas.Pixels();

    // Top-left handle: exactly nHandle pixels square, just outside the corner.
    const uint32_t handle = 0x17A2B8, frame = 0x1AAD19;
    int h = row.nHandle;
    EXPECT_EQ(image.At(100 - h, 100 - h), handle);
    EXPECT_EQ(image.At(99, 99 - h + 1), handle);
    EXPECT_NE(image.At(100 - h - 1, 100 - h), handle);
    EXPECT_NE(image.At(100 - h, 100 - h - 1), handle);

    // The frame's left side, on a row away from the handles: pen-wide.
    int nFrameColumns = 0;
    for (int x = 90; x < 110; x++)
        nFrameColumns += (image.At(x, 125) == frame);
    EXPECT_EQ(nFrameColumns, row.nPen);
}

TEST(AtDpi, TheLabelStandsAtTheScaledOffsetInItsScaledFont)
{
    SetProcessDPIAware();
    const DpiRow& row = Expected();
    Canvas canvas;
    EXPECT_EQ(-MulDiv(10, GetDeviceCaps(canvas, LOGPIXELSY), 72), row.nFontHeight);

    SetRect(&g_tracker.m_rcSelection, 120, 200, 300, 280);
    DrawHintLabel(canvas);
    Image drawn = canvas.Pixels();

    Canvas expected;
    DrawLabelText(expected, 120, 200 - row.nLabelRise, c_szHintText);
    EXPECT_TRUE(drawn.pixels == expected.Pixels().pixels);

    // The text's height in the font of this DPI: its lit rows span most of it.
    int nTop = -1, nBottom = -1;
    for (int y = 0; y < 300; y++)
        for (int x = 0; x < 400; x++)
            if (Red(drawn.At(x, y)) >= 128) {
                if (nTop < 0)
                    nTop = y;
                nBottom = y;
            }
    ASSERT_GE(nTop, 200 - row.nLabelRise);
    EXPECT_GT(nBottom - nTop + 1, -row.nFontHeight * 2 / 3);
    EXPECT_LE(nBottom - nTop + 1, -row.nFontHeight + 2);
    SetRectEmpty(&g_tracker.m_rcSelection);
}

// Runs the AtDpi tests in this child process against the given DPI.
KELVANE_CHILD(at_dpi)
{
    s_nExpectedDpi = std::stoi(args.at(0));
    int argc = 2;
    char szProgram[] = "dpi_tests";
    char szFilter[] = "--gtest_filter=AtDpi.*";
    char* argv[] = { szProgram, szFilter, nullptr };
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Sets a value in the current user's profile and puts back what was there.
class ProfileValue {
public:
    ProfileValue(const wchar_t* pszKey, const wchar_t* pszName) : m_pszName(pszName)
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, pszKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &m_hKey, NULL);
        m_bHadValue = RegQueryValueExW(m_hKey, pszName, NULL, &m_dwType, m_data, &m_cbData) == ERROR_SUCCESS;
    }
    ~ProfileValue()
    {
        if (m_bHadValue)
            RegSetValueExW(m_hKey, m_pszName, 0, m_dwType, m_data, m_cbData);
        else
            RegDeleteValueW(m_hKey, m_pszName);
        RegCloseKey(m_hKey);
    }
    void SetDword(DWORD dw) { RegSetValueExW(m_hKey, m_pszName, 0, REG_DWORD, (const BYTE*)&dw, sizeof(dw)); }
    void SetString(const std::wstring& text)
    {
        RegSetValueExW(m_hKey, m_pszName, 0, REG_SZ, (const BYTE*)text.c_str(),
                       (DWORD)((text.size() + 1) * sizeof(wchar_t)));
    }

private:
    HKEY m_hKey = NULL;
    const wchar_t* m_pszName;
    bool m_bHadValue = false;
    DWORD m_dwType = 0;
    BYTE m_data[256] = {};
    DWORD m_cbData = sizeof(m_data);
};

TEST(DisplayScale, SizesFollowTheSystemDpiIn120And144DpiProcesses)
{
    for (int nDpi : { 120, 144 }) {
        ProfileValue dpi(L"Control Panel\\Desktop", L"LogPixels");
        dpi.SetDword(nDpi);
        ProcessResult result = RunChild("at_dpi", std::to_wstring(nDpi));
        EXPECT_TRUE(result.bExited) << nDpi << " DPI";
        EXPECT_EQ(result.dwExitCode, 0u) << nDpi << " DPI:\n" << result.out;
        EXPECT_NE(result.out.find("[  PASSED  ] 3 tests"), std::string::npos) << result.out;
    }
}

// Reports the tracker's sizes and the result of a small rubber band.
KELVANE_CHILD(tracker_sizes)
{
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    SetRect(&g_tracker.m_rcBounds, 0, 0, 1920, 1080);
    SetRect(&g_tracker.m_rcSelection, 100, 100, 100, 100);
    PostMessageW(hWnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(103, 102));
    PostMessageW(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(103, 102));
    g_tracker.RunDrag(TH_BOTTOMRIGHT, hWnd, 100, 100);
    const RECT& rc = g_tracker.m_rcSelection;
    printf("%d %d %d %ld %ld %ld %ld", g_tracker.m_nHandleWidth, g_tracker.m_cxMinimum,
           g_tracker.m_cyMinimum, rc.left, rc.top, rc.right, rc.bottom);
    return 0;
}

TEST(ProfileHandleWidth, AWidthOf4GivesAn8By8Minimum)
{
    {
        ProfileValue width(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                           L"oleinplaceborderwidth");
        width.SetString(L"4");
        ProcessResult result = RunChild("tracker_sizes");
        EXPECT_EQ(result.dwExitCode, 0u);
        EXPECT_EQ(result.out, "4 8 8 100 100 108 108");
    }
    // Without the value, the default width 8.
    ProcessResult result = RunChild("tracker_sizes");
    EXPECT_EQ(result.out, "8 16 16 100 100 116 116");
}
