// The whole program driven as a user drives it: a pattern on every monitor, OCRKelvane.exe started with the
// cursor on a chosen one, a script of real input, and what it showed and wrote compared with the pattern.
#pragma once

#include <string>
#include <vector>

#include "tests/kit/process.h"

// A step, at client positions of the picker's window. Post: message a, wParam b, lParam c; PostMouse: mouse
// message a at (b, c), beyond the window too; Shows: waits for the overlay of selection (a, b, c, d), blank: none.
enum class Act { Drag, Press, Move, Release, DoubleClick, RightClick, KeyDown, KeyUp, Key, Post, PostMouse, Shows };
struct Step {
    Act act;
    int a = 0, b = 0, c = 0, d = 0;
};

// The picker with the cursor at ptCursor through the steps: "" when its window covered that monitor, every step
// passed and it ended with status 0 having written exactly the PNG of rcExport of the monitor's pattern (inverted
// off the primary one, so the wrong monitor never matches), or nothing if blank; else the first failure.
std::string RunScript(POINT ptCursor, const std::vector<Step>& steps, const RECT& rcExport,
                      StdoutMode mode = StdoutMode::Pipe);
