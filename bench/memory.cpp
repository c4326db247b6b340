// Peak working sets over a full-screen noise window, polled until the process ends (Wine no longer reports it then):
// the picker driven by posted input, and the floor program shown for a second (one frame kept, as the picker keeps).
#include <windows.h>
#include <psapi.h>

#include <algorithm>

#include "bench/timing.h"
#include "tests/kit/driver.h"

// A band from the rectangle's top-left corner to its bottom-right one, then a drag by its middle, to and fro 40 times.
static void DrawAndDrag(HWND hWnd, const RECT& rc)
{
    auto post = [hWnd](UINT uMsg, LONG x, LONG y) { PostMouse(hWnd, uMsg, x, y, uMsg == WM_LBUTTONUP ? 0 : MK_LBUTTON); };
    const LONG x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    post(WM_LBUTTONDOWN, rc.left, rc.top), post(WM_MOUSEMOVE, rc.left + 4, rc.top + 4);
    post(WM_MOUSEMOVE, rc.right, rc.bottom), post(WM_LBUTTONUP, rc.right, rc.bottom), post(WM_LBUTTONDOWN, x, y);
    for (int i = 1; i < 40; i++)
        post(WM_MOUSEMOVE, x + i % 2 * 5, y + i % 2 * 4);
    post(WM_LBUTTONUP, x + 5, y + 4);
}

// The picker drawing and dragging rc, then ended by wKey; or, with no key, the floor closed after a second.
static void RunForMemory(const char* pszMeasure, const RECT& rc, WPARAM wKey)
{
    const SIZE size = DisplaySize();
    ChildProcess child;
    SetCursorPos(size.cx / 2, size.cy / 2);
    HWND hWnd = child.Start(SiblingPath(wKey ? L"OCRKelvane.exe" : L"kelvane_floor.exe"))
                    ? child.WaitForWindow(wKey ? L"OCRKelvane" : L"KelvaneFloor") : NULL;
    if (!hWnd)
        return;
    if (wKey)
        DrawAndDrag(hWnd, rc), PostMessageW(hWnd, WM_KEYUP, wKey, 0xC0000001);
    else
        std::thread([hWnd] { Sleep(1000), PostMessageW(hWnd, WM_CLOSE, 0, 0); }).detach();
    SIZE_T cbPeak = 0;
    for (PROCESS_MEMORY_COUNTERS counters = {}; WaitForSingleObject(child.Process(), 1) == WAIT_TIMEOUT;)
        if (GetProcessMemoryInfo(child.Process(), &counters, sizeof(counters)))
            cbPeak = std::max(cbPeak, counters.PeakWorkingSetSize);
    ProcessResult result = child.Finish(120000);
    Row("memory", pszMeasure, Text("%.0f MB", cbPeak / 1048576.0),
        Text("frame %.1f MB; Base64 text written: %.2f MB", size.cx * (double)size.cy * 4 / 1048576.0,
             result.out.size() / 1048576.0));
}

void BenchMemory(int)
{
    const SIZE size = DisplaySize();
    PatternWindow noise({ 0, 0, size.cx, size.cy }, NoisePattern);
    noise.WaitUntilShown();
    RunForMemory("peak working set: a band drawn and dragged, then Esc", MiddleSelection(), VK_ESCAPE);
    RunForMemory("peak working set: the whole display exported", { 0, 0, size.cx, size.cy }, VK_RETURN);
    RunForMemory("floor: peak working set of the floor program, shown", {}, 0);
}
