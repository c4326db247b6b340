// Bad handle widths in the profile ("oleinplaceborderwidth" in the "windows"
// section, which Wine serves from the registry): the picker reads the value
// once at start, so each value gets a fresh process. None may crash or hang
// it, and an export still writes a PNG of the selection.
#include <gtest/gtest.h>

#include <string>

#include "tests/hardening/picker_driver.h"

namespace {

const wchar_t c_szProfileKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const wchar_t c_szHandleWidth[] = L"oleinplaceborderwidth";

// Sets the handle width for the processes started while it lives, and
// removes it again, so the shared profile is left as it was found.
class ProfileHandleWidth {
public:
    explicit ProfileHandleWidth(const wchar_t* pszValue)
    {
        HKEY hKey;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, c_szProfileKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &hKey, NULL) ==
            ERROR_SUCCESS) {
            m_bSet = RegSetValueExW(hKey, c_szHandleWidth, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                                    (DWORD)((lstrlenW(pszValue) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
            RegCloseKey(hKey);
        }
    }
    ~ProfileHandleWidth()
    {
        HKEY hKey;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, c_szProfileKey, 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS) {
            RegDeleteValueW(hKey, c_szHandleWidth);
            RegCloseKey(hKey);
        }
    }
    bool IsSet() const { return m_bSet; }

private:
    bool m_bSet = false;
};

RECT PrimaryMonitor()
{
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(POINT{ 0, 0 }, MONITOR_DEFAULTTOPRIMARY), &mi);
    return mi.rcMonitor;
}

struct PickerRun {
    ProcessResult result;
    bool bWindow = false;
};

// Draws a band from (100, 100) to (300, 250) on the primary monitor showing
// the pattern, releases Enter and collects what the picker wrote.
PickerRun BandAndExport()
{
    PickerRun run;
    ChildProcess picker;
    RECT rcMonitor = PrimaryMonitor();
    HWND hWnd = StartPicker(&picker, POINT{ rcMonitor.right - 5, rcMonitor.bottom - 5 });
    run.bWindow = hWnd != NULL;
    if (hWnd) {
        PostBand(hWnd, 100, 100, 300, 250);
        PostKeyUp(hWnd, VK_RETURN);
    }
    run.result = picker.Finish(60000);
    return run;
}

class BadProfileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetProcessDPIAware();
        s_pPattern = new PatternWindow(PrimaryMonitor(), TestPattern);
    }
    static void TearDownTestSuite()
    {
        delete s_pPattern;
        s_pPattern = nullptr;
    }
    void SetUp() override { ASSERT_EQ("", s_pPattern->WaitUntilShown()); }

    // Runs the picker with the width and checks it wrote the band's crop, as
    // big as the minimum size makes it.
    void ExpectCrop(const wchar_t* pszWidth, int cxExpected, int cyExpected)
    {
        ProfileHandleWidth width(pszWidth);
        ASSERT_TRUE(width.IsSet());
        PickerRun run = BandAndExport();
        ASSERT_TRUE(run.bWindow) << "no window";
        ASSERT_TRUE(run.result.bExited) << "the export did not end the run";
        EXPECT_EQ(run.result.dwExitCode, 0u);
        Image crop;
        ASSERT_TRUE(DecodeSinglePng(run.result.out, &crop));
        EXPECT_EQ(crop.width, cxExpected);
        EXPECT_EQ(crop.height, cyExpected);
        EXPECT_TRUE(ImageMatches(crop, s_pPattern->Expected(), 100, 100));
    }

    static PatternWindow* s_pPattern;
};

PatternWindow* BadProfileTest::s_pPattern;

// No handles to see or grab, and no minimum size: the band is as drawn.
TEST_F(BadProfileTest, WidthZero)
{
    ExpectCrop(L"0", 200, 150);
}

TEST_F(BadProfileTest, WidthOne)
{
    ExpectCrop(L"1", 200, 150);
}

// The minimum is 200 x 200: the band's height is raised to it.
TEST_F(BadProfileTest, WidthOneHundred)
{
    ExpectCrop(L"100", 200, 200);
}

// The minimum, 10000 x 10000, is larger than the monitor: it is capped at the
// monitor's size, so the band's first move makes it the whole monitor and the
// export is exactly the monitor's picture.
TEST_F(BadProfileTest, WidthFiveThousand)
{
    ProfileHandleWidth width(L"5000");
    ASSERT_TRUE(width.IsSet());
    PickerRun run = BandAndExport();
    ASSERT_TRUE(run.bWindow) << "no window";
    ASSERT_TRUE(run.result.bExited) << "the export did not end the run";
    EXPECT_EQ(run.result.dwExitCode, 0u);
    Image crop;
    ASSERT_TRUE(DecodeSinglePng(run.result.out, &crop));
    const Image& monitor = s_pPattern->Expected();
    ASSERT_EQ(crop.width, monitor.width);
    ASSERT_EQ(crop.height, monitor.height);
    EXPECT_EQ(FirstMismatch(crop, monitor, 0, 0), -1);
}

}  // namespace
