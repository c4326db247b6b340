// The whole program driven as a user drives it, over a pattern on every monitor, by a script of real input.
#pragma once

#include <string>
#include <vector>

#include "tests/kit/process.h"
#include "tests/kit/screen.h"

// A step, at client positions of the picker's window. Post: message a, wParam b, lParam c; PostMouse: mouse message
// a at (b, c), beyond the window too; Repattern: the screen under the picker changes. Checks, each waiting for its
// state: Shows, the whole monitor shows the overlay of the selection (a, b, c, d), blank: none; Drags, a drag holds
// the mouse (after the move that starts a band: moves that queue up with it would be merged into it).
enum class Act { Drag, Press, Move, Release, DoubleClick, RightClick, KeyDown, KeyUp, Key, Post, PostMouse, Repattern,
                 Shows, Drags };
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
};

// "" when the picker covered the monitor under the cursor, passed every step and ended with status 0, having written
// the PNG of rcExport or nothing; else what went wrong.
std::string RunScript(const Script& script);
