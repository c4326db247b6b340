// The whole program driven as a user drives it: a pattern on every monitor, OCRKelvane.exe started with the
// cursor on a chosen one, a script of real input, and what it showed and wrote compared with the pattern.
#pragma once

#include <string>
#include <vector>

#include "tests/kit/process.h"

// A step: positions are client positions of the picker's window (pixels of its monitor); Post sends message a
// with wParam b and lParam c, PostMouse mouse message a at (b, c), beyond the window too; Shows waits until the
// screen shows the overlay of the normalised selection (a, b, c, d), blank: none.
enum class Act { Drag, Press, Move, Release, DoubleClick, RightClick, KeyDown, KeyUp, Key, Post, PostMouse, Shows };
struct Step {
    Act act;
    int a = 0, b = 0, c = 0, d = 0;
};

// Runs the picker with the cursor at ptCursor (virtual screen) through the steps to its end: "" when its window
// covered the monitor under the cursor, every step passed, and it ended by itself with status 0 having written
// exactly the PNG of rcExport of that monitor's pattern (TestPattern on the primary one, its inverse elsewhere,
// so a crop of the wrong monitor never matches), or nothing when rcExport is blank; else the first failure,
// after the start with its step's number.
std::string RunScript(POINT ptCursor, const std::vector<Step>& steps, const RECT& rcExport,
                      StdoutMode mode = StdoutMode::Pipe);
