// Child processes, and the whole program driven as a user drives it, over a pattern on every monitor, by a script.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "tests/kit/decoding.h"
#include "tests/kit/oracle.h"
#include "tests/kit/screen.h"

std::wstring SiblingPath(const wchar_t* pszFile);  // beside this executable, as the build puts programs

// BrokenPipe: the reader is gone before the start; LateReader: it reads only once asked to (StartReading).
enum class StdoutMode { Pipe, None, BrokenPipe, LateReader };

struct ProcessResult {
    bool bExited = false;  // ended on its own within the time given
    DWORD dwExitCode = 0;
    std::string out;       // all of its standard output
};

class ChildProcess {
public:
    ~ChildProcess() { Finish(0); }
    // nShow, unless negative: the show command the child finds in its STARTUPINFO.
    bool Start(const std::wstring& exePath, StdoutMode mode = StdoutMode::Pipe, int nShow = -1);
    void StartReading();
    bool HasEnded() const { return WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0; }
    HANDLE Process() const { return m_pi.hProcess; }
    HWND WaitForWindow(const wchar_t* pszClass);  // visible, top-level, within 30 s; NULL: none
    ProcessResult Finish(DWORD dwTimeoutMs = 30000);  // killed after the timeout; waits for the pipe's last bytes

private:
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hRead = NULL;
    std::thread m_reader;
    std::string m_out;
};

// Input as a user makes it (SendInput): a pointer event at (x, y) of the virtual screen with dwFlags added; a key.
void SendMouseAt(int x, int y, DWORD dwFlags = 0);
void SendKey(WORD wVk, bool bUp);
// A mouse message posted as the system gives it to a window holding the capture: signed 16-bit words.
inline void PostMouse(HWND hWnd, UINT uMsg, int x, int y, WPARAM wKeys)
{
    PostMessageW(hWnd, uMsg, wKeys, MAKELPARAM((WORD)(short)x, (WORD)(short)y));
}

// A step of a script, at client positions of the picker's window, made by a function that says what it is. A check
// waits, with a bound, for the state it asserts.
struct Step {
    enum class Kind { Mouse, Key, Post, Repattern, ResizeDisplay, CoverWithTopmost, Shows, DragHoldsTheMouse } kind;
    RECT rc = {};  // the selection shown (blank: none), the window put over the picker, the display's new size
    std::vector<std::pair<POINT, DWORD>> mouse = {};  // pointer events: where, with which button flags
    UINT uMsg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    WORD wVk = 0;
    bool bDown = false, bUp = false;
};
// Real input. A drag: a press, a move halfway, a move to the end, a release.
inline Step Mouse(std::vector<std::pair<POINT, DWORD>> events) { return { Step::Kind::Mouse, {}, std::move(events) }; }
inline Step PressAt(int x, int y) { return Mouse({ { { x, y }, MOUSEEVENTF_LEFTDOWN } }); }
inline Step MoveTo(int x, int y) { return Mouse({ { { x, y }, 0 } }); }
inline Step ReleaseAt(int x, int y) { return Mouse({ { { x, y }, MOUSEEVENTF_LEFTUP } }); }
inline Step DragFromTo(int x0, int y0, int x1, int y1)
{
    return Mouse({ { { x0, y0 }, MOUSEEVENTF_LEFTDOWN }, { { (x0 + x1) / 2, (y0 + y1) / 2 }, 0 }, { { x1, y1 }, 0 },
                   { { x1, y1 }, MOUSEEVENTF_LEFTUP } });
}
inline Step DoubleClickAt(int x, int y)
{
    const std::pair<POINT, DWORD> down = { { x, y }, MOUSEEVENTF_LEFTDOWN }, up = { { x, y }, MOUSEEVENTF_LEFTUP };
    return Mouse({ down, up, down, up });
}
inline Step RightClickAt(int x, int y) { return Mouse({ { { x, y }, MOUSEEVENTF_RIGHTDOWN }, { { x, y }, MOUSEEVENTF_RIGHTUP } }); }
inline Step KeyPress(WORD wVk) { return { Step::Kind::Key, {}, {}, 0, 0, 0, wVk, true, true }; }  // down and up
inline Step KeyDown(WORD wVk) { return { Step::Kind::Key, {}, {}, 0, 0, 0, wVk, true, false }; }
inline Step KeyUp(WORD wVk) { return { Step::Kind::Key, {}, {}, 0, 0, 0, wVk, false, true }; }
// Messages posted to the picker's window; mouse positions as signed 16-bit words, beyond the window too.
inline Step PostedMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) { return { Step::Kind::Post, {}, {}, uMsg, wParam, lParam }; }
inline Step PostedMouse(UINT uMsg, int x, int y, WPARAM wKeys)
{
    return PostedMessage(uMsg, wKeys, MAKELPARAM((WORD)(short)x, (WORD)(short)y));
}
inline Step PostedPress(int x, int y) { return PostedMouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON); }
inline Step PostedMove(int x, int y, WPARAM wKeys = MK_LBUTTON) { return PostedMouse(WM_MOUSEMOVE, x, y, wKeys); }
inline Step PostedRelease(int x, int y) { return PostedMouse(WM_LBUTTONUP, x, y, 0); }
// The screen changing (the pattern inverted, the X screen resized by RandR, a topmost window shown over rc), and checks:
// the monitor shows the overlay of the selection (blank: none); a drag holds the mouse (moves queued with the band's
// first would be merged into it).
inline Step RepatternTheScreen() { return { Step::Kind::Repattern }; }
inline Step ResizeTheDisplay(int cx, int cy) { return { Step::Kind::ResizeDisplay, { 0, 0, cx, cy } }; }
inline Step ShowATopmostWindowOver(const RECT& rc) { return { Step::Kind::CoverWithTopmost, rc }; }
inline Step ShowsSelection(const RECT& rc) { return { Step::Kind::Shows, rc }; }
inline Step ShowsNoSelection() { return { Step::Kind::Shows }; }
inline Step ADragHoldsTheMouse() { return { Step::Kind::DragHoldsTheMouse }; }

struct Script {
    std::vector<Step> steps;
    RECT rcExport = {};                     // the crop it must write (of its pattern, inverted off the primary)
    StdoutMode mode = StdoutMode::Pipe;     // blank rcExport: nothing
    int nStarterShow = -1;                  // the show command of its STARTUPINFO, if any
    bool bWindowInFront = false;            // a window of the test holds the foreground and must see no key
    const wchar_t* pszHandleWidth = L"8";   // in the profile; null: none
    Look look = c_look96;                   // the profile's DPI and how the overlay looks at it
    POINT ptCursor = { 960, 540 };          // when the picker starts: it freezes the monitor under it
    std::wstring exe = L"OCRKelvane.exe";   // beside this program
};

// "" when the picker covered the monitor under the cursor, took the foreground by its first frame, passed every step
// and ended with status 0, having written the PNG of rcExport or nothing (hidden while a late reader's write waited).
std::string RunScript(const Script& script);
