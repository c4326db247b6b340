// Starting the picker and driving it with real input.
#include "tests/e2e/driver.h"

#include <cstdlib>
#include <string>

#include "tests/kit/input.h"

static bool BringToForeground(HWND hWnd)
{
    if (GetForegroundWindow() != hWnd && !SetForegroundWindow(hWnd)) {
        // Windows gives the foreground only to the process that owns it or the
        // last input; sharing the current owner's input state lifts that, as
        // drivers of other programs do.
        DWORD dwOwner = GetWindowThreadProcessId(GetForegroundWindow(), NULL);
        DWORD dwSelf = GetCurrentThreadId();
        bool bAttached = dwOwner && dwOwner != dwSelf && AttachThreadInput(dwSelf, dwOwner, TRUE);
        SetForegroundWindow(hWnd);
        if (bAttached)
            AttachThreadInput(dwSelf, dwOwner, FALSE);
    }
    DWORD dwStart = GetTickCount();
    while (GetForegroundWindow() != hWnd) {
        if (GetTickCount() - dwStart > 3000)
            return false;
        Sleep(10);
    }
    return true;
}

// A visible picker window of any process.
static HWND WaitForAnyPickerWindow(const ChildProcess& starter)
{
    DWORD dwStart = GetTickCount();
    do {
        HWND hWnd = FindWindowW(L"OCRKelvane", NULL);
        if (hWnd && IsWindowVisible(hWnd))
            return hWnd;
        if (starter.HasExited(20))
            return NULL;
    } while (GetTickCount() - dwStart < 15000);
    return NULL;
}

::testing::AssertionResult Picker::Start(const std::wstring& args)
{
    return StartProgram(SiblingPath(L"OCRKelvane.exe"), args, true);
}

::testing::AssertionResult Picker::StartThrough(const std::wstring& exePath, const std::wstring& args)
{
    return StartProgram(exePath, args, false);
}

::testing::AssertionResult Picker::StartProgram(const std::wstring& exePath, const std::wstring& args,
                                                bool bOwnWindow)
{
    // The picker freezes the monitor under the cursor.
    RECT rc = TestMonitor();
    MoveTo((rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2);
    if (!m_process.Start(exePath, args))
        return ::testing::AssertionFailure() << "the program did not start";
    m_hWnd = bOwnWindow ? m_process.WaitForWindow(L"OCRKelvane") : WaitForAnyPickerWindow(m_process);
    if (!m_hWnd)
        return ::testing::AssertionFailure() << "no visible window of class OCRKelvane";
    if (!BringToForeground(m_hWnd))
        return ::testing::AssertionFailure() << "the picker's window did not become the foreground window";
    // Input sent before the first frame is on the screen can meet the window
    // system still settling the new window (under Wine, late pointer events
    // from the display server): start once the frame shows.
    ::testing::AssertionResult shown = OverlayShowsNoSelection();
    if (!shown)
        return shown << " (the picker's first frame)";
    WaitUntilIdle();
    return ::testing::AssertionSuccess();
}

ProcessResult Picker::Finish(DWORD dwTimeoutMs)
{
    bool bEndedInTime = m_process.HasExited(dwTimeoutMs);
    if (m_hWnd && !bEndedInTime) {
        DWORD dwPickerId = 0;
        GetWindowThreadProcessId(m_hWnd, &dwPickerId);
        HANDLE hPicker = dwPickerId ? OpenProcess(PROCESS_TERMINATE, FALSE, dwPickerId) : NULL;
        if (hPicker) {
            TerminateProcess(hPicker, 1);
            CloseHandle(hPicker);
        }
    }
    ProcessResult result = m_process.Finish(5000);
    result.bExited = result.bExited && bEndedInTime;
    m_hWnd = NULL;
    return result;
}

void Picker::WaitUntilIdle()
{
    Sleep(20);
    DWORD_PTR dwResult;
    for (int i = 0; i < 10; i++) {
        SendMessageTimeoutW(m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &dwResult);
        Sleep(1);
    }
}

// The last left press sent, to keep unwanted double-clicks out.
static POINT s_ptLastPress;
static DWORD s_dwLastPress;
static bool s_bPressed;

// Waits until a press at pt can no longer pair with the previous press.
static void AvoidDoubleClick(POINT pt)
{
    if (!s_bPressed)
        return;
    bool bNear = std::abs(pt.x - s_ptLastPress.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                 std::abs(pt.y - s_ptLastPress.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
    DWORD dwElapsed = GetTickCount() - s_dwLastPress;
    DWORD dwNeeded = GetDoubleClickTime() + 100;
    if (bNear && dwElapsed < dwNeeded)
        Sleep(dwNeeded - dwElapsed);
}

static void NotePress(POINT pt)
{
    s_ptLastPress = pt;
    s_dwLastPress = GetTickCount();
    s_bPressed = true;
}

void MoveTo(int x, int y)
{
    POINT pt = ToScreen({ x, y });
    SendMouseMoveTo(pt.x, pt.y);
}

void PressLeft(int x, int y)
{
    MoveTo(x, y);
    POINT pt = { x, y };
    AvoidDoubleClick(pt);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    NotePress(pt);
}

void ReleaseLeft()
{
    SendMouseButton(MOUSEEVENTF_LEFTUP);
}

void DoubleClick(int x, int y)
{
    MoveTo(x, y);
    POINT pt = { x, y };
    AvoidDoubleClick(pt);
    SendLeftDoubleClick();
    NotePress(pt);
}

void GlideTo(int x0, int y0, int x1, int y1)
{
    POINT pt0 = ToScreen({ x0, y0 }), pt1 = ToScreen({ x1, y1 });
    SendMouseGlide(pt0.x, pt0.y, pt1.x, pt1.y, 8);
}

void Drag(int x0, int y0, int x1, int y1)
{
    PressLeft(x0, y0);
    GlideTo(x0, y0, x1, y1);
    ReleaseLeft();
}

void KeyDown(WORD wVk) { SendKey(wVk, false); }
void KeyUp(WORD wVk) { SendKey(wVk, true); }
void KeyPress(WORD wVk) { SendKeyPress(wVk); }
