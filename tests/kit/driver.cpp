#include "tests/kit/driver.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "app/globals.h"
#include "capture/overlay.h"
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

static uint32_t InvertedPattern(int x, int y)
{
    return ~TestPattern(x, y) & 0xFFFFFF;
}

// A monitor, its pattern, and the painter's own frame of it without a
// selection: the dimmed pixels the screen is compared with.
struct Monitor {
    RECT rc;
    std::unique_ptr<PatternWindow> pPattern;
    Image dimmed;
};

static BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT prc, LPARAM lParam)
{
    auto pfnPixel = (prc->left == 0 && prc->top == 0) ? TestPattern : InvertedPattern;
    int cx = prc->right - prc->left, cy = prc->bottom - prc->top;
    g_hbmShade = NULL;  // so this capture gets a dimmed image of its own
    UseSyntheticCapture(cx, cy, pfnPixel);
    HDC hdc = CreateCompatibleDC(g_hdcCapture);
    HGDIOBJ hOld = SelectObject(hdc, CreateCompatibleBitmap(g_hdcCapture, cx, cy));
    SetRectEmpty(&g_tracker.m_rcSelection);
    PaintOverlay(hdc);
    reinterpret_cast<std::vector<Monitor>*>(lParam)->push_back(
        { *prc, std::make_unique<PatternWindow>(*prc, pfnPixel), ReadDC(hdc, 0, 0, cx, cy) });
    DeleteObject(SelectObject(hdc, hOld));
    DeleteDC(hdc);
    return TRUE;
}

// Shown once per executable: each costs seconds under emulation.
static const std::vector<Monitor>& Monitors()
{
    static std::vector<Monitor> s_monitors;
    if (s_monitors.empty()) {
        SetProcessDPIAware();
        EnumDisplayMonitors(NULL, NULL, AddMonitor, reinterpret_cast<LPARAM>(&s_monitors));
    }
    return s_monitors;
}

static const Monitor& MonitorOf(const RECT& rc)
{
    auto it = std::find_if(Monitors().begin(), Monitors().end(),
                           [&](const Monitor& monitor) { return EqualRect(&monitor.rc, &rc); });
    return it == Monitors().end() ? Monitors().front() : *it;
}

const Image& MonitorPattern(const RECT& rcMonitor)
{
    return MonitorOf(rcMonitor).pPattern->Expected();
}

namespace {

// One run: the monitor under the cursor and the picker's window on it.
struct Run {
    RECT rcMonitor;
    HWND hWnd = NULL;
    HANDLE hPicker = NULL;

    // Every button event carries its position: Wine reports each SendInput
    // move back through the X server as a second, later move, and a button
    // event without one acts wherever such a late move has put the cursor.
    void Mouse(int x, int y, DWORD dwFlags = 0) { SendMouseAt(rcMonitor.left + x, rcMonitor.top + y, dwFlags); }
    // The hint label above the selection is not judged.
    std::string Shows(RECT s)
    {
        s = { std::min(s.left, s.right), std::min(s.top, s.bottom),
              std::max(s.left, s.right), std::max(s.top, s.bottom) };
        const Monitor& monitor = MonitorOf(rcMonitor);
        int nPen = IsRectEmpty(&s) ? 0 : 1;
        std::string diff;
        return WaitFor([&] {
                   diff = CompareOverlay(ReadScreen(rcMonitor), monitor.pPattern->Expected(), monitor.dimmed, s, 8,
                                         nPen, nPen ? 0xFF : 0, { s.left, s.top - 62, s.left + 600, s.top - 30 });
                   return diff.empty();
               }) ? "" : "the overlay is not shown: " + diff;
    }
    std::string Do(const Step& s)
    {
        switch (s.act) {
        case Act::Drag:
            Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), Mouse((s.a + s.c) / 2, (s.b + s.d) / 2), Mouse(s.c, s.d);
            return Mouse(s.c, s.d, MOUSEEVENTF_LEFTUP), "";
        case Act::Press: return Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), "";
        case Act::Move: return Mouse(s.a, s.b), "";
        case Act::Release: return Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP), "";
        case Act::DoubleClick:
            Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP);
            return Mouse(s.a, s.b, MOUSEEVENTF_LEFTDOWN), Mouse(s.a, s.b, MOUSEEVENTF_LEFTUP), "";
        case Act::RightClick: return Mouse(s.a, s.b, MOUSEEVENTF_RIGHTDOWN), Mouse(s.a, s.b, MOUSEEVENTF_RIGHTUP), "";
        case Act::KeyDown: return SendKey((WORD)s.a, false), "";
        case Act::KeyUp: return SendKey((WORD)s.a, true), "";
        case Act::Key: return SendKeyPress((WORD)s.a), "";
        case Act::Post: return PostMessageW(hWnd, (UINT)s.a, (WPARAM)s.b, (LPARAM)s.c), "";
        case Act::PostMouse: return PostMouse(hWnd, (UINT)s.a, s.b, s.c), "";
        default: return Shows({ s.a, s.b, s.c, s.d });
        }
    }
    // The picker of any process (the example caller starts its own) covers
    // the monitor under the cursor, comes in front and shows its first frame.
    std::string Started()
    {
        RECT rc = {};
        DWORD dwPickerId = 0;
        if (!WaitFor([&] { return (hWnd = FindWindowW(L"OCRKelvane", NULL)) && IsWindowVisible(hWnd); }, 30000))
            return "no picker window";
        GetWindowThreadProcessId(hWnd, &dwPickerId);
        hPicker = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, dwPickerId);
        if (GetWindowRect(hWnd, &rc), !EqualRect(&rc, &rcMonitor))
            return "the window does not cover the monitor under the cursor";
        if (!WaitFor([&] { return SetForegroundWindow(hWnd), GetForegroundWindow() == hWnd; }))
            return "the window did not come to the foreground, where the keys go";
        return Shows({});
    }
};

}  // namespace

std::string RunScript(const Script& script, ProcessResult* pResult)
{
    Run run;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(script.ptCursor, MONITOR_DEFAULTTONEAREST), &mi);
    run.rcMonitor = mi.rcMonitor;
    for (const Monitor& monitor : Monitors())  // the previous picker has gone
        if (std::string failure = monitor.pPattern->WaitUntilShown(); !failure.empty())
            return failure;
    SendMouseAt(script.ptCursor.x, script.ptCursor.y);  // the picker freezes the monitor under the cursor
    ChildProcess process;
    std::string failure =
        process.Start(SiblingPath(script.exe.c_str()), script.args, script.mode) ? run.Started() : "not started";
    for (size_t i = 0; i < script.steps.size() && failure.empty(); i++)
        if (!(failure = run.Do(script.steps[i])).empty())
            failure = "step " + std::to_string(i + 1) + ": " + failure;
    // A picker still running is ended (at once after a failed step), also one
    // another program started and whose output pipe it would keep open.
    bool bEnded = run.hPicker && WaitForSingleObject(run.hPicker, failure.empty() ? 120000 : 0) == WAIT_OBJECT_0;
    if (run.hPicker && !bEnded)
        TerminateProcess(run.hPicker, 1);
    CloseHandle(run.hPicker);
    *pResult = process.Finish();
    pResult->bExited = pResult->bExited && bEnded;
    if (GetAsyncKeyState(VK_ESCAPE) & 0x8000)  // nothing stays held for the next run
        SendKey(VK_ESCAPE, true);
    return failure;
}

std::string ExpectExport(const ProcessResult& result, const RECT& rc, const RECT& rcMonitor)
{
    if (!result.bExited || result.dwExitCode != 0)
        return result.bExited ? "exit status " + std::to_string(result.dwExitCode) : "the picker did not end by itself";
    Image crop;
    std::string failure = !IsRectEmpty(&rc) ? DecodeSinglePngText(result.out, &crop)
                          : result.out.empty() ? "" : "wrote " + std::to_string(result.out.size()) + " bytes";
    if (IsRectEmpty(&rc) || !failure.empty())
        return failure;
    if (crop.width != rc.right - rc.left || crop.height != rc.bottom - rc.top)
        return "a PNG of " + std::to_string(crop.width) + " x " + std::to_string(crop.height);
    return CompareCrop(crop, MonitorPattern(rcMonitor), rc.left, rc.top);
}
