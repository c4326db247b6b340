// The known picture the picker freezes, shown by a window of a child process,
// and the fixture every test of the picker runs in.
#include "tests/e2e/driver.h"

#include <cstdlib>
#include <string>

#include "tests/kit/process.h"
#include "tests/kit/input.h"

RECT TestMonitor()
{
    POINT ptOrigin = { 0, 0 };
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(ptOrigin, MONITOR_DEFAULTTOPRIMARY), &mi);
    return mi.rcMonitor;
}

const Image& MonitorPattern()
{
    static Image pattern;
    if (pattern.pixels.empty()) {
        RECT rc = TestMonitor();
        pattern.width = rc.right - rc.left;
        pattern.height = rc.bottom - rc.top;
        pattern.pixels.resize((size_t)pattern.width * pattern.height);
        for (int y = 0; y < pattern.height; y++)
            for (int x = 0; x < pattern.width; x++)
                pattern.pixels[(size_t)y * pattern.width + x] = TestPattern(x, y);
    }
    return pattern;
}

POINT ToScreen(POINT ptClient)
{
    RECT rc = TestMonitor();
    POINT pt = { rc.left + ptClient.x, rc.top + ptClient.y };
    return pt;
}

Image ReadMonitor()
{
    return ReadScreen(TestMonitor());
}

// The pattern window lives in a child process, so that it repaints on its own
// thread whenever a picker's window leaves the screen.
static HDC s_hdcPattern;  // the pattern, selected into a memory DC for the child's life

static LRESULT CALLBACK PatternWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        RECT rc;
        GetClientRect(hWnd, &rc);
        BitBlt(hdc, 0, 0, rc.right, rc.bottom, s_hdcPattern, 0, 0, SRCCOPY);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// Arguments: left top right bottom of the monitor to cover.
KELVANE_CHILD(PatternWindow)
{
    if (args.size() != 4)
        return 2;
    SetProcessDPIAware();
    RECT rc = { std::atoi(args[0].c_str()), std::atoi(args[1].c_str()),
                std::atoi(args[2].c_str()), std::atoi(args[3].c_str()) };
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;

    HBITMAP hbm = MakePatternBitmap(cx, cy, TestPattern);
    s_hdcPattern = CreateCompatibleDC(NULL);
    SelectObject(s_hdcPattern, hbm);

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PatternWindowProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = L"KelvanePattern";
    RegisterClassExW(&wc);
    // Never activated, so the keyboard stays with whatever the tests start.
    HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                wc.lpszClassName, L"pattern", WS_POPUP,
                                rc.left, rc.top, cx, cy, NULL, NULL, wc.hInstance, NULL);
    if (!hWnd)
        return 3;
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hWnd);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

bool PatternScreen::Show()
{
    RECT rc = TestMonitor();
    m_child.reset(new ChildProcess);
    std::wstring args = ChildArguments("PatternWindow", { std::to_string(rc.left), std::to_string(rc.top),
                                                          std::to_string(rc.right), std::to_string(rc.bottom) });
    if (!m_child->Start(ThisExePath(), args, StdoutMode::None))
        return false;
    m_hWnd = m_child->WaitForWindow(L"KelvanePattern");
    return m_hWnd != NULL && WaitUntilShown();
}

void PatternScreen::Close()
{
    if (!m_child)
        return;
    if (m_hWnd)
        PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    m_child->Finish(5000);
    m_child.reset();
    m_hWnd = NULL;
}

bool PatternScreen::WaitUntilShown(DWORD dwTimeoutMs) const
{
    const Image& pattern = MonitorPattern();
    DWORD dwStart = GetTickCount();
    do {
        Image screen = ReadMonitor();
        if (screen.width == pattern.width && screen.height == pattern.height &&
            FirstMismatch(screen, pattern, 0, 0) < 0)
            return true;
        Sleep(30);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return false;
}

// Shown once for the whole executable: a child process and a full repaint
// per test would cost seconds each under emulation.
class PatternEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        // Physical pixels everywhere, as the picker itself works in them.
        SetProcessDPIAware();
        s_bShown = s_screen.Show();
    }
    void TearDown() override { s_screen.Close(); }

    static PatternScreen s_screen;
    static bool s_bShown;
};

PatternScreen PatternEnvironment::s_screen;
bool PatternEnvironment::s_bShown;

static ::testing::Environment* const s_pEnvironment =
    ::testing::AddGlobalTestEnvironment(new PatternEnvironment);

void PickerTest::SetUp()
{
    if (!DisplayIs96Dpi())
        GTEST_SKIP() << "these tests measure handles and labels at 96 DPI";
    ASSERT_TRUE(PatternEnvironment::s_bShown) << "the pattern window did not show";
    // Also waits for the previous picker's window to leave the screen.
    ASSERT_TRUE(PatternEnvironment::s_screen.WaitUntilShown()) << "the screen does not show the pattern";
}

void PickerTest::TearDown()
{
    // A failed test may leave its picker running and keys or buttons down.
    picker.Finish(0);
    static const WORD keys[] = { VK_ESCAPE, VK_RETURN, VK_MENU, VK_SHIFT };
    for (WORD wVk : keys)
        if (GetAsyncKeyState(wVk) & 0x8000)
            KeyUp(wVk);
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000)
        SendMouseButton(MOUSEEVENTF_LEFTUP);
    if (GetAsyncKeyState(VK_RBUTTON) & 0x8000)
        SendMouseButton(MOUSEEVENTF_RIGHTUP);
}
