// The whole program driven as a user drives it: a pattern on every monitor,
// OCRKelvane.exe started with the cursor on a chosen one, a script of real
// input, and what it showed and wrote compared with the pattern.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/kit/pixels.h"
#include "tests/kit/process.h"

// A step: positions are client positions of the picker's window (pixels of
// its monitor); Post sends message a with wParam b and lParam c, PostMouse
// mouse message a at (b, c), beyond the window too; Shows waits
// until the screen shows the overlay of selection (a, b, c, d), blank: none.
enum class Act { Drag, Press, Move, Release, DoubleClick, RightClick, KeyDown, KeyUp, Key, Post, PostMouse, Shows };
struct Step {
    Act act;
    int a = 0, b = 0, c = 0, d = 0;
};

struct Script {
    POINT ptCursor;  // virtual-screen position of the cursor at start
    std::vector<Step> steps;
    std::wstring exe = L"OCRKelvane.exe";  // or a program beside the tests that starts it
    std::wstring args;
    StdoutMode mode = StdoutMode::Pipe;
};

// The pattern shown over that monitor: TestPattern on the primary one, its
// inverse elsewhere, so a crop of the wrong monitor never matches.
const Image& MonitorPattern(const RECT& rcMonitor);

// Runs the script and the program to its end: "" when the window covered
// the monitor under the cursor and every step passed, else the first failure.
std::string RunScript(const Script& script, ProcessResult* pResult);

// "" when the run ended by itself with status 0 and wrote exactly the PNG of
// rc of the monitor's pattern, or nothing when rc is blank.
std::string ExpectExport(const ProcessResult& result, const RECT& rc, const RECT& rcMonitor);
