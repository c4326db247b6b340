#include "tests/kit/driver.h"

#include <algorithm>
#include <memory>

#include "tests/kit/input.h"

// A monitor and its pattern, distinct from every other monitor's.
struct Monitor {
    RECT rc;
    std::unique_ptr<PatternWindow> pPattern;
};

static BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    uint32_t (*pfnPixel)(int x, int y) = TestPattern;
    if (prc->left != 0 || prc->top != 0)
        pfnPixel = [](int x, int y) { return ~TestPattern(x, y) & 0xFFFFFF; };
    reinterpret_cast<std::vector<Monitor>*>(lParam)->push_back({ *prc, std::make_unique<PatternWindow>(*prc, pfnPixel) });
    return TRUE;
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
    case Act::Repattern: return monitor.pPattern->ShowInverse(true);
    default: return PostMouse(hWnd, (UINT)s.a, s.b, s.c);
    }
}

std::string RunScript(const Script& script)
{
    static std::vector<Monitor> s_monitors;  // shown once per executable: each costs seconds under emulation
    if (s_monitors.empty())
        EnumDisplayMonitors(NULL, NULL, AddMonitor, reinterpret_cast<LPARAM>(&s_monitors));
    for (const Monitor& monitor : s_monitors) {  // the previous picker has gone, the screen is as it was
        monitor.pPattern->ShowInverse(false);
        if (std::string failure = monitor.pPattern->WaitUntilShown(); !failure.empty())
            return failure;
    }
    const POINT pt = script.ptCursor;
    auto it = std::find_if(s_monitors.begin(), s_monitors.end(), [&](auto& m) { return PtInRect(&m.rc, pt); });
    const Monitor& monitor = it != s_monitors.end() ? *it : s_monitors.front();
    SetProfile(script.look.nDpi, script.pszHandleWidth);
    SendMouseAt(pt.x, pt.y);  // the picker freezes the monitor under the cursor
    // The picker covers that monitor, comes in front, where the keys go, and shows its first frame.
    ChildProcess process;  // ended at once on an early return
    HWND hWnd = NULL;
    RECT rc = {};
    if (!process.Start(SiblingPath(script.exe.c_str()), L"", script.mode) || !(hWnd = process.WaitForWindow(L"OCRKelvane")))
        return "no picker window";
    if (GetWindowRect(hWnd, &rc), !EqualRect(&rc, &monitor.rc))
        return "the window does not cover the monitor under the cursor";
    if (!WaitFor([&] { SetForegroundWindow(hWnd); return GetForegroundWindow() == hWnd ? "" : "behind"; }).empty())
        return "the window did not come to the foreground";
    auto check = [&](const Step& s) {
        return WaitFor([&] {
            GUITHREADINFO info = { sizeof(info) };
            if (s.act == Act::Drags)
                return GetGUIThreadInfo(GetWindowThreadProcessId(hWnd, NULL), &info) && info.hwndCapture == hWnd
                           ? std::string() : "no drag holds the mouse";
            return CompareOverlay(ReadScreen(monitor.rc), monitor.pPattern->Expected(), { s.a, s.b, s.c, s.d }, script.look);
        });
    };
    std::string failure = check({ Act::Shows });
    for (size_t i = 0; i < script.steps.size() && failure.empty(); i++)
        if (const Step& s = script.steps[i]; s.act < Act::Shows)
            Do(monitor, hWnd, s);
        else if (!(failure = check(s)).empty())
            failure = "step " + std::to_string(i + 1) + ": " + failure;
    ProcessResult result = process.Finish(failure.empty() ? 120000 : 0);  // after a failed step, ended at once
    if (!failure.empty() || !result.bExited || result.dwExitCode != 0)
        return !failure.empty() ? failure : result.bExited ? "exit status " + std::to_string(result.dwExitCode)
                                                           : "the picker did not end by itself";
    Image crop;  // stays empty, as the blank rectangle, unless a text was due
    if (!IsRectEmpty(&script.rcExport))
        failure = DecodeSinglePngText(result.out, &crop);
    else if (!result.out.empty())
        failure = "wrote " + std::to_string(result.out.size()) + " bytes";
    return failure.empty() ? CompareCrop(crop, monitor.pPattern->Expected(), script.rcExport) : failure;
}
