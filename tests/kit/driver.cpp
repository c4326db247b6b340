#include "tests/kit/driver.h"

#include <algorithm>
#include <memory>

#include "app/globals.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"

// A monitor, its pattern, and the painter's own dimmed image of it: what the screen shows outside a selection.
struct Monitor {
    RECT rc;
    std::unique_ptr<PatternWindow> pPattern;
    Image dimmed;
};

static BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    uint32_t (*pfnPixel)(int x, int y) = TestPattern;
    if (prc->left != 0 || prc->top != 0)
        pfnPixel = [](int x, int y) { return ~TestPattern(x, y) & 0xFFFFFF; };
    UseSyntheticCapture(prc->right - prc->left, prc->bottom - prc->top, pfnPixel);
    reinterpret_cast<std::vector<Monitor>*>(lParam)->push_back(
        { *prc, std::make_unique<PatternWindow>(*prc, pfnPixel), ReadDC(g_hdcDimmed, 0, 0, g_cxScreen, g_cyScreen) });
    return TRUE;
}

// "" once the screen shows the overlay of the normalised selection s (its hint label not judged), else how.
static std::string Shows(const Monitor& monitor, const RECT& s)
{
    int nPen = IsRectEmpty(&s) ? 0 : 1;
    return WaitFor([&] {
        return CompareOverlay(ReadScreen(monitor.rc), monitor.pPattern->Expected(), monitor.dimmed, s, 8, nPen,
                              nPen ? 0xFF : 0, { s.left, s.top - 62, s.left + 600, s.top - 30 });
    });
}

static void Do(const Monitor& monitor, HWND hWnd, const Step& s)
{
    // Every button event carries its position: Wine reports each SendInput move back through the X server as
    // a second, later move, and a button event without one acts wherever such a late move has put the cursor.
    auto mouse = [&](int x, int y, DWORD dwFlags) { SendMouseAt(monitor.rc.left + x, monitor.rc.top + y, dwFlags); };
    switch (s.act) {
    case Act::Drag:
        mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), mouse((s.a + s.c) / 2, (s.b + s.d) / 2, 0), mouse(s.c, s.d, 0);
        return mouse(s.c, s.d, MOUSEEVENTF_LEFTUP);
    case Act::Press: return mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN);
    case Act::Move: return mouse(s.a, s.b, 0);
    case Act::Release: return mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
    case Act::DoubleClick:
        mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
        return mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
    case Act::RightClick: return mouse(s.a, s.b, MOUSEEVENTF_RIGHTDOWN), mouse(s.a, s.b, MOUSEEVENTF_RIGHTUP);
    case Act::KeyDown: case Act::KeyUp: return SendKey((WORD)s.a, s.act == Act::KeyUp);
    case Act::Key:
        SendKey((WORD)s.a, false);
        return SendKey((WORD)s.a, true);
    case Act::Post: return (void)PostMessageW(hWnd, (UINT)s.a, (WPARAM)s.b, (LPARAM)s.c);
    default: return PostMouse(hWnd, (UINT)s.a, s.b, s.c);
    }
}

std::string RunScript(POINT ptCursor, const std::vector<Step>& steps, const RECT& rcExport, StdoutMode mode)
{
    static std::vector<Monitor> s_monitors;  // shown once per executable: each costs seconds under emulation
    if (s_monitors.empty())
        EnumDisplayMonitors(NULL, NULL, AddMonitor, reinterpret_cast<LPARAM>(&s_monitors));
    for (const Monitor& monitor : s_monitors)  // the previous picker has gone
        if (std::string failure = monitor.pPattern->WaitUntilShown(); !failure.empty())
            return failure;
    auto it = std::find_if(s_monitors.begin(), s_monitors.end(), [&](auto& m) { return PtInRect(&m.rc, ptCursor); });
    const Monitor& monitor = it != s_monitors.end() ? *it : s_monitors.front();
    SendMouseAt(ptCursor.x, ptCursor.y);  // the picker freezes the monitor under the cursor
    // The picker covers that monitor, comes in front, where the keys go, and shows its first frame.
    ChildProcess process;  // ended at once on an early return
    HWND hWnd = NULL;
    RECT rc = {};
    if (!process.Start(SiblingPath(L"OCRKelvane.exe"), L"", mode) || !(hWnd = process.WaitForWindow(L"OCRKelvane")))
        return "no picker window";
    if (GetWindowRect(hWnd, &rc), !EqualRect(&rc, &monitor.rc))
        return "the window does not cover the monitor under the cursor";
    if (!WaitFor([&] { SetForegroundWindow(hWnd); return GetForegroundWindow() == hWnd ? "" : "behind"; }).empty())
        return "the window did not come to the foreground";
    std::string failure = Shows(monitor, {});
    for (size_t i = 0; i < steps.size() && failure.empty(); i++)
        if (const Step& s = steps[i]; s.act != Act::Shows)
            Do(monitor, hWnd, s);
        else if (!(failure = Shows(monitor, { s.a, s.b, s.c, s.d })).empty())
            failure = "step " + std::to_string(i + 1) + ": " + failure;
    ProcessResult result = process.Finish(failure.empty() ? 120000 : 0);  // after a failed step, ended at once
    if (!failure.empty() || !result.bExited || result.dwExitCode != 0)
        return !failure.empty() ? failure : result.bExited ? "exit status " + std::to_string(result.dwExitCode)
                                                           : "the picker did not end by itself";
    Image crop;  // stays empty, as the blank rectangle, unless a text was due
    if (!IsRectEmpty(&rcExport))
        failure = DecodeSinglePngText(result.out, &crop);
    else if (!result.out.empty())
        failure = "wrote " + std::to_string(result.out.size()) + " bytes";
    return failure.empty() ? CompareCrop(crop, monitor.pPattern->Expected(), rcExport) : failure;
}
