#include "tests/kit/driver.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "app/globals.h"
#include "tests/kit/input.h"
#include "tests/kit/screen.h"

// Polls until the condition holds; false when the bound passes first.
static bool WaitFor(const std::function<bool()>& condition, DWORD dwTimeoutMs = 10000)
{
    for (DWORD dwStart = GetTickCount(); !condition(); Sleep(20))
        if (GetTickCount() - dwStart > dwTimeoutMs)
            return false;
    return true;
}

// A monitor, its pattern, and the painter's own dimmed image of it: what the
// screen shows outside a selection.
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
    int cx = prc->right - prc->left, cy = prc->bottom - prc->top;
    g_hbmShade = NULL;  // so this capture gets a dimmed image of its own
    UseSyntheticCapture(cx, cy, pfnPixel);
    reinterpret_cast<std::vector<Monitor>*>(lParam)->push_back(
        { *prc, std::make_unique<PatternWindow>(*prc, pfnPixel), ReadDC(g_hdcDimmed, 0, 0, cx, cy) });
    return TRUE;
}

namespace {

// One run: the monitor under the cursor and the picker's window on it.
struct Run {
    const Monitor& monitor;
    HWND hWnd = NULL;

    // The picker covers the monitor under the cursor, comes in front and shows its first frame.
    std::string Started(ChildProcess& process, StdoutMode mode)
    {
        RECT rc = {};
        if (!process.Start(SiblingPath(L"OCRKelvane.exe"), L"", mode) || !(hWnd = process.WaitForWindow(L"OCRKelvane")))
            return "no picker window";
        if (GetWindowRect(hWnd, &rc), !EqualRect(&rc, &monitor.rc))
            return "the window does not cover the monitor under the cursor";
        if (!WaitFor([&] { return SetForegroundWindow(hWnd), GetForegroundWindow() == hWnd; }))
            return "the window did not come to the foreground, where the keys go";
        return Shows({});
    }
    // The hint label above the selection is not judged.
    std::string Shows(const RECT& s) const
    {
        int nPen = IsRectEmpty(&s) ? 0 : 1;
        std::string diff;
        return WaitFor([&] {
                   diff = CompareOverlay(ReadScreen(monitor.rc), monitor.pPattern->Expected(), monitor.dimmed, s, 8,
                                         nPen, nPen ? 0xFF : 0, { s.left, s.top - 62, s.left + 600, s.top - 30 });
                   return diff.empty();
               }) ? "" : "the overlay is not shown: " + diff;
    }
    // Every button event carries its position: Wine reports each SendInput
    // move back through the X server as a second, later move, and a button
    // event without one acts wherever such a late move has put the cursor.
    void Mouse(int x, int y, DWORD dwFlags = 0) const { SendMouseAt(monitor.rc.left + x, monitor.rc.top + y, dwFlags); }
    void Do(const Step& s) const
    {
        switch (s.act) {
        case Act::Drag:
            Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), Mouse((s.a + s.c) / 2, (s.b + s.d) / 2), Mouse(s.c, s.d);
            return Mouse(s.c, s.d, MOUSEEVENTF_LEFTUP);
        case Act::Press: return Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN);
        case Act::Move: return Mouse(s.a, s.b);
        case Act::Release: return Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
        case Act::DoubleClick:
            Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
            return Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
        case Act::RightClick: return Mouse(s.a, s.b, MOUSEEVENTF_RIGHTDOWN), Mouse(s.a, s.b, MOUSEEVENTF_RIGHTUP);
        case Act::KeyDown: return SendKey((WORD)s.a, false);
        case Act::KeyUp: return SendKey((WORD)s.a, true);
        case Act::Key: return SendKeyPress((WORD)s.a);
        case Act::Post: return (void)PostMessageW(hWnd, (UINT)s.a, (WPARAM)s.b, (LPARAM)s.c);
        default: return PostMouse(hWnd, (UINT)s.a, s.b, s.c);
        }
    }
};

}  // namespace

std::string RunScript(POINT ptCursor, const std::vector<Step>& steps, const RECT& rcExport, StdoutMode mode)
{
    static std::vector<Monitor> s_monitors;  // shown once per executable: each costs seconds under emulation
    if (s_monitors.empty()) {
        SetProcessDPIAware();
        EnumDisplayMonitors(NULL, NULL, AddMonitor, reinterpret_cast<LPARAM>(&s_monitors));
    }
    auto it = std::find_if(s_monitors.begin(), s_monitors.end(), [&](auto& m) { return PtInRect(&m.rc, ptCursor); });
    if (it == s_monitors.end())
        return "no monitor under the cursor";
    for (const Monitor& monitor : s_monitors)  // the previous picker has gone
        if (std::string failure = monitor.pPattern->WaitUntilShown(); !failure.empty())
            return failure;
    Run run = { *it };
    SendMouseAt(ptCursor.x, ptCursor.y);  // the picker freezes the monitor under the cursor
    ChildProcess process;
    std::string failure = run.Started(process, mode);
    for (size_t i = 0; i < steps.size() && failure.empty(); i++)
        if (const Step& s = steps[i]; s.act != Act::Shows)
            run.Do(s);
        else if (!(failure = run.Shows({ s.a, s.b, s.c, s.d })).empty())
            failure = "step " + std::to_string(i + 1) + ": " + failure;
    ProcessResult result = process.Finish(failure.empty() ? 120000 : 0);  // after a failed step, ended at once
    if (GetAsyncKeyState(VK_ESCAPE) & 0x8000)  // nothing stays held for the next run
        SendKey(VK_ESCAPE, true);
    if (!failure.empty())
        return failure;
    if (!result.bExited || result.dwExitCode != 0)
        return result.bExited ? "exit status " + std::to_string(result.dwExitCode) : "the picker did not end by itself";
    if (IsRectEmpty(&rcExport))
        return result.out.empty() ? "" : "wrote " + std::to_string(result.out.size()) + " bytes";
    Image crop;
    if (failure = DecodeSinglePngText(result.out, &crop); !failure.empty())
        return failure;
    if (crop.width != rcExport.right - rcExport.left || crop.height != rcExport.bottom - rcExport.top)
        return "a PNG of " + std::to_string(crop.width) + " x " + std::to_string(crop.height);
    return CompareCrop(crop, it->pPattern->Expected(), rcExport.left, rcExport.top);
}
