// Child processes, and the whole program driven as a user drives it, over a pattern on every monitor, by a script.
#pragma once

#include <string>
#include <thread>
#include <vector>

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
    HWND WaitForWindow(const wchar_t* pszClass);  // visible, top-level, within 30 s; NULL: none
    ProcessResult Finish(DWORD dwTimeoutMs = 30000);  // killed after the timeout; waits for the pipe's last bytes

private:
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hRead = NULL;
    std::thread m_reader;
    std::string m_out;
};

// Input as a user makes it (SendInput) and as posted messages (no focus or pointer needed).
// One absolute pointer event at (x, y), virtual-screen coordinates, with dwFlags (buttons) added.
void SendMouseAt(int x, int y, DWORD dwFlags = 0);
void SendKey(WORD wVk, bool bUp);
// Positions as the system gives them to a window holding the capture: signed 16-bit words.
void PostMouse(HWND hWnd, UINT uMsg, int x, int y);

// A step, at client positions of the picker's window. Post: message a, wParam b, lParam c; PostMouse: mouse message
// a at (b, c), beyond the window too; Repattern: the screen under the picker changes; ResizeDisplay: the X screen
// becomes a x b (RandR). Checks, each waiting for its state: Shows, the whole monitor shows the overlay of the
// selection (a, b, c, d), blank: none; Drags, a drag holds the mouse (after the move that starts a band: moves that
// queue up with it would be merged into it).
enum class Act { Drag, Press, Move, Release, DoubleClick, RightClick, KeyDown, KeyUp, Key, Post, PostMouse, Repattern,
                 ResizeDisplay, Shows, Drags };
struct Step {
    Act act;
    int a = 0, b = 0, c = 0, d = 0;
};

struct Script {
    std::vector<Step> steps;
    RECT rcExport = {};                     // the crop it must write (of its pattern, inverted off the primary)
    StdoutMode mode = StdoutMode::Pipe;     // blank rcExport: nothing
    const wchar_t* pszHandleWidth = L"8";   // in the profile; null: none
    Look look = c_look96;                   // the profile's DPI and how the overlay looks at it
    POINT ptCursor = { 960, 540 };          // when the picker starts: it freezes the monitor under it
    std::wstring exe = L"OCRKelvane.exe";   // beside this program
    int nStarterShow = -1;                  // the show command of its STARTUPINFO, if any
    bool bWindowInFront = false;            // a window of the test holds the foreground and must see no key
};

// "" when the picker covered the monitor under the cursor, took the foreground by its first frame, passed every step
// and ended with status 0, having written the PNG of rcExport or nothing (LateReader: with its window hidden while
// the write waited); else what went wrong.
std::string RunScript(const Script& script);
