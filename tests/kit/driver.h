// The whole program driven as a user drives it, over a pattern on every monitor, by a script of real input.
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

// "" when the picker started with the cursor at ptCursor covered that monitor, passed every step and ended with status
// 0, having written the PNG of rcExport of its pattern (inverted off the primary), or nothing if blank.
std::string RunScript(POINT ptCursor, const std::vector<Step>& steps, const RECT& rcExport,
                      StdoutMode mode = StdoutMode::Pipe);
