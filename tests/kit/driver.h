// The whole program driven as a user drives it: the pattern on every
// monitor, OCRKelvane.exe started with the cursor on a chosen monitor, a
// script of real input, and what it showed and wrote compared with the
// pattern.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/kit/pixels.h"
#include "tests/kit/process.h"

// One step of a script. Positions are client positions of the picker's
// window, that is pixels of its monitor; a, b, c, d are the step's numbers.
enum class Act {
    Drag,         // press at (a, b), two moves to (c, d), release there
    Press,        // left button down at (a, b)
    Move,         // to (a, b)
    Release,      // left button up at (a, b)
    DoubleClick,  // at (a, b)
    RightClick,   // at (a, b)
    KeyDown,      // virtual key a
    KeyUp,
    Key,          // down, then up
    Post,         // message a with wParam b and lParam c, posted to the window
    Shows,        // waits until the screen shows the overlay of selection (a, b, c, d)
};
struct Step {
    Act act;
    int a = 0, b = 0, c = 0, d = 0;
};

struct Script {
    POINT ptCursor;               // where the cursor is at start, virtual screen
    std::vector<Step> steps;
    std::wstring exe = L"OCRKelvane.exe";  // a program beside the tests that starts the picker
    std::wstring args;
    StdoutMode mode = StdoutMode::Pipe;
};

// The pattern the driver shows over the monitor: TestPattern on the primary,
// its inverse elsewhere, so a crop of the wrong monitor never matches.
const Image& MonitorPattern(const RECT& rcMonitor);
RECT MonitorAt(POINT pt);

// Runs the script to the program's end. "" when the picker covered the
// monitor under the cursor and every step and check passed, else the first
// failure; *pResult is the run's status and output either way.
std::string RunScript(const Script& script, ProcessResult* pResult);

// "" when the run ended by itself with status 0 and wrote exactly the PNG of
// rc of the pattern (nothing at all when rc is blank).
std::string ExpectExport(const ProcessResult& result, const RECT& rc, const Image& pattern);
