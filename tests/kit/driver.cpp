#include "tests/kit/driver.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/globals.h"
#include "capture/overlay.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"

static uint32_t InvertedPattern(int x, int y)
{
    return ~TestPattern(x, y) & 0x00FFFFFF;
}

// A monitor with its pattern, and the painter's own frame for it without a
// selection: the dimmed pixels the screen checks compare with.
struct Monitor {
    RECT rc;
    std::unique_ptr<PatternWindow> pWindow;
    Image dimmed;
};

static BOOL CALLBACK ShowPatternOn(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    auto pfnPixel = (prc->left == 0 && prc->top == 0) ? TestPattern : InvertedPattern;
    int cx = prc->right - prc->left, cy = prc->bottom - prc->top;
    UseSyntheticCapture(cx, cy, pfnPixel);
    HDC hdc = CreateCompatibleDC(g_hdcCapture);
    HBITMAP hbm = CreateCompatibleBitmap(g_hdcCapture, cx, cy);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    SetRectEmpty(&g_tracker.m_rcSelection);
    PaintOverlay(hdc);
    auto* pMonitors = reinterpret_cast<std::vector<Monitor>*>(lParam);
    pMonitors->push_back({ *prc, std::make_unique<PatternWindow>(*prc, pfnPixel), ReadDC(hdc, 0, 0, cx, cy) });
    DeleteObject(SelectObject(hdc, hOld));
    DeleteDC(hdc);
    return TRUE;
}

// Shown once for the executable: a window per monitor and a repaint under
// emulation cost seconds each.
static const std::vector<Monitor>& Monitors()
{
    static std::vector<Monitor> s_monitors;
    if (s_monitors.empty()) {
        SetProcessDPIAware();
        EnumDisplayMonitors(NULL, NULL, ShowPatternOn, reinterpret_cast<LPARAM>(&s_monitors));
    }
    return s_monitors;
}

static const Monitor& MonitorOf(const RECT& rc)
{
    for (const Monitor& monitor : Monitors())
        if (EqualRect(&monitor.rc, &rc))
            return monitor;
    return Monitors().front();
}

RECT MonitorAt(POINT pt)
{
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcMonitor;
}

const Image& MonitorPattern(const RECT& rcMonitor)
{
    return MonitorOf(rcMonitor).pWindow->Expected();
}

// Polls until the condition holds; false when the bound passes first.
static bool WaitFor(const std::function<bool()>& condition, DWORD dwTimeoutMs = 10000)
{
    for (DWORD dwStart = GetTickCount();; Sleep(20)) {
        if (condition())
            return true;
        if (GetTickCount() - dwStart > dwTimeoutMs)
            return false;
    }
}

namespace {

// One run: the monitor under the cursor and the picker's window on it.
struct Run {
    RECT rcMonitor;
    HWND hWnd = NULL;
    HANDLE hPicker = NULL;
    POINT ptLastPress = { -100, -100 };
    DWORD dwLastPress = 0;

    // Every button event carries its position: Wine reports each SendInput
    // move back through the X server as a second, later move, and a button
    // event without a position would act wherever such a move put the cursor.
    void Mouse(int x, int y, DWORD dwFlags) { SendMouseAt(rcMonitor.left + x, rcMonitor.top + y, dwFlags); }
    // A press that could pair with the previous one into a double-click
    // waits until it cannot: the system's rule, not the picker's state.
    void Press(int x, int y)
    {
        if (std::abs(x - ptLastPress.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
            std::abs(y - ptLastPress.y) <= GetSystemMetrics(SM_CYDOUBLECLK))
            WaitFor([&] { return GetTickCount() - dwLastPress > GetDoubleClickTime() + 50; });
        Mouse(x, y, MOUSEEVENTF_LEFTDOWN);
        ptLastPress = { x, y };
        dwLastPress = GetTickCount();
    }
    // Waits until the screen shows the overlay of rcSel (blank: none); the
    // label above the selection is not judged.
    std::string Shows(RECT rcSel)
    {
        if (rcSel.left > rcSel.right)
            std::swap(rcSel.left, rcSel.right);
        if (rcSel.top > rcSel.bottom)
            std::swap(rcSel.top, rcSel.bottom);
        const Monitor& monitor = MonitorOf(rcMonitor);
        RECT rcLabel = { rcSel.left, rcSel.top - 62, rcSel.left + 400, rcSel.top - 30 };
        bool bBlank = IsRectEmpty(&rcSel);
        std::string difference;
        if (WaitFor([&] {
                difference = CompareOverlay(ReadScreen(rcMonitor), monitor.pWindow->Expected(), monitor.dimmed,
                                            rcSel, 8, bBlank ? 0 : 1, bBlank ? 0 : 0xFF, rcLabel);
                return difference.empty();
            }))
            return "";
        return "overlay of (" + std::to_string(rcSel.left) + ", " + std::to_string(rcSel.top) + ", " +
               std::to_string(rcSel.right) + ", " + std::to_string(rcSel.bottom) + ") not shown: " + difference;
    }
    std::string Do(const Step& s)
    {
        switch (s.act) {
        case Act::Drag:
            Press(s.a, s.b);
            Mouse((s.a + s.c) / 2, (s.b + s.d) / 2, 0);
            Mouse(s.c, s.d, 0);
            Mouse(s.c, s.d, MOUSEEVENTF_LEFTUP);
            break;
        case Act::Press: Press(s.a, s.b); break;
        case Act::Move: Mouse(s.a, s.b, 0); break;
        case Act::Release: Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP); break;
        case Act::DoubleClick:
            Press(s.a, s.b);
            Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
            Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN);
            Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
            break;
        case Act::RightClick:
            Mouse(s.a, s.b, MOUSEEVENTF_RIGHTDOWN);
            Mouse(s.a, s.b, MOUSEEVENTF_RIGHTUP);
            break;
        case Act::KeyDown: SendKey((WORD)s.a, false); break;
        case Act::KeyUp: SendKey((WORD)s.a, true); break;
        case Act::Key:
            SendKey((WORD)s.a, false);
            SendKey((WORD)s.a, true);
            break;
        case Act::Post: PostMessageW(hWnd, (UINT)s.a, (WPARAM)s.b, (LPARAM)s.c); break;
        case Act::Shows: return Shows(RECT{ s.a, s.b, s.c, s.d });
        }
        return "";
    }
    // The picker of any process (the example caller starts its own): visible,
    // covering the monitor, in front, showing its first frame.
    std::string Started()
    {
        if (!WaitFor([&] { return (hWnd = FindWindowW(L"OCRKelvane", NULL)) && IsWindowVisible(hWnd); }, 30000))
            return "no picker window";
        DWORD dwPickerId = 0;
        GetWindowThreadProcessId(hWnd, &dwPickerId);
        hPicker = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, dwPickerId);
        RECT rcWindow;
        GetWindowRect(hWnd, &rcWindow);
        if (!EqualRect(&rcWindow, &rcMonitor))
            return "the window does not cover the monitor under the cursor";
        // The keys go to the foreground window.
        if (!WaitFor([&] { return SetForegroundWindow(hWnd), GetForegroundWindow() == hWnd; }))
            return "the picker's window did not come to the foreground";
        return Shows(RECT{});
    }
};

}  // namespace

std::string RunScript(const Script& script, ProcessResult* pResult)
{
    Run run;
    run.rcMonitor = MonitorAt(script.ptCursor);
    // The previous picker has gone: every monitor shows its pattern again.
    for (const Monitor& monitor : Monitors())
        if (std::string failure = monitor.pWindow->WaitUntilShown(); !failure.empty())
            return failure;
    // The picker freezes the monitor under the cursor.
    SendMouseAt(script.ptCursor.x, script.ptCursor.y, 0);
    ChildProcess process;
    std::string failure = process.Start(SiblingPath(script.exe.c_str()), script.args, script.mode)
                              ? run.Started() : "the program did not start";
    for (size_t i = 0; i < script.steps.size() && failure.empty(); i++)
        if (!(failure = run.Do(script.steps[i])).empty())
            failure = "step " + std::to_string(i + 1) + ": " + failure;
    // A picker still running after the bound is ended, also one started by
    // another program, whose output pipe it would keep open.
    bool bEnded = run.hPicker && WaitForSingleObject(run.hPicker, 30000) == WAIT_OBJECT_0;
    if (run.hPicker && !bEnded)
        TerminateProcess(run.hPicker, 1);
    CloseHandle(run.hPicker);
    *pResult = process.Finish(30000);
    pResult->bExited = pResult->bExited && bEnded;
    // Nothing stays held for the next run.
    for (WORD wVk : { VK_ESCAPE, VK_RETURN })
        if (GetAsyncKeyState(wVk) & 0x8000)
            SendKey(wVk, true);
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000)
        SendMouseButton(MOUSEEVENTF_LEFTUP);
    return failure;
}

std::string ExpectExport(const ProcessResult& result, const RECT& rc, const Image& pattern)
{
    if (!result.bExited)
        return "the picker did not end by itself";
    if (result.dwExitCode != 0)
        return "exit status " + std::to_string(result.dwExitCode);
    if (IsRectEmpty(&rc))
        return result.out.empty() ? "" : "wrote " + std::to_string(result.out.size()) + " bytes";
    Image crop;
    std::string failure = DecodeSinglePngText(result.out, &crop);
    if (failure.empty() && (crop.width != rc.right - rc.left || crop.height != rc.bottom - rc.top))
        failure = "a PNG of " + std::to_string(crop.width) + " x " + std::to_string(crop.height);
    return failure.empty() ? CompareCrop(crop, pattern, rc.left, rc.top) : failure;
}
