// The whole program driven as a user drives it: rows of real input on the primary monitor (1920 x 1080).
#include <gtest/gtest.h>

#include "tests/kit/driver.h"

const RECT c_rcBand = { 200, 150, 400, 300 }, c_rcNothing = {};
const Step c_band = { Act::Drag, 200, 150, 400, 300 }, c_shown = { Act::Shows, 200, 150, 400, 300 };
const Step c_enter = { Act::Key, VK_RETURN };

using Row = std::pair<const char*, Script>;  // name, script

// A mouse message posted as the system gives it to the window that holds the mouse, beyond the window too.
static Step P(UINT uMsg, int x, int y)
{
    return { Act::PostMouse, (int)uMsg, x, y };
}
const UINT D = WM_LBUTTONDOWN, M = WM_MOUSEMOVE, U = WM_LBUTTONUP;
const Step c_lost = { Act::Post, WM_CANCELMODE };  // another window takes the mouse
const Step c_none = { Act::Shows }, c_esc = { Act::Key, VK_ESCAPE };

// A mouse move posted with the left button up.
static Step PostUp(int x, int y)
{
    return { Act::Post, WM_MOUSEMOVE, 0, MAKELPARAM(x, y) };
}

// Shown, covering the monitor, whatever show command its starter put in its STARTUPINFO.
static Script StartedWith(int nShow)
{
    Script script = { { c_band, c_shown, c_enter }, c_rcBand };
    script.nStarterShow = nShow;
    return script;
}

// Started while a window of the test holds the foreground, which must then see none of the keys typed.
static Script WithAWindowInFront(std::vector<Step> steps, RECT rcExport)
{
    Script script = { steps, rcExport };
    script.bWindowInFront = true;
    return script;
}

// The steps after the selection (100, 100, 200, 200) is drawn as a band.
static std::vector<Step> OnSelection(std::vector<Step> steps)
{
    steps.insert(steps.begin(), { P(D, 100, 100), P(M, 102, 102), P(M, 200, 200), P(U, 200, 200) });
    return steps;
}

// A press arms a new band only while no selection exists. One-pixel steps with the button down start no band but
// arm the next press again; the two-pixel step then starts one. After a drag by a handle begun while so armed, a
// move with the button up (the drag took its release) must start no band: Enter exports the dragged selection.
static std::vector<Step> ArmedPressOnAHandle()
{
    std::vector<Step> steps = { P(D, 100, 100) };
    for (int i = 1; i <= 30; i++)
        steps.push_back(P(M, 100 + i, 100 + i));
    steps.insert(steps.end(), { P(M, 132, 130), P(U, 300, 280), P(D, 304, 284), P(U, 354, 334), P(M, 500, 500), c_enter });
    return steps;
}

const Row c_rows[] = {
    { "APressArmsABandOnlyWithoutASelection", { ArmedPressOnAHandle(), { 130, 130, 350, 330 } } },
    // The drag loop's rules; the crop written shows the selection each leaves.
    { "BandGrowsToTheMinimum", { { P(D, 100, 100), P(M, 102, 102), P(M, 105, 104), P(U, 105, 104), c_enter },
                                 { 100, 100, 116, 116 } } },
    { "CornerStopsAtTheMinimum", { OnSelection({ P(D, 96, 96), P(M, 195, 190), P(U, 195, 190), c_enter }),
                                   { 184, 184, 200, 200 } } },
    { "PressAndReleaseInPlace", { OnSelection({ P(D, 205, 205), P(U, 205, 205), c_enter }), { 100, 100, 200, 200 } } },
    { "FlickedBandTakesTheRelease", { { P(D, 100, 100), P(M, 102, 102), P(U, 400, 300), c_enter }, { 100, 100, 400, 300 } } },
    { "FlickedMoveTakesTheRelease", { OnSelection({ P(D, 150, 150), P(U, 180, 170), c_enter }), { 130, 120, 230, 220 } } },
    { "OtherKeysDroppedEscRestores",
      { OnSelection({ P(D, 150, 150), P(M, 160, 170), { Act::Post, WM_KEYDOWN, 'A', 1 },
                      { Act::Post, WM_KEYDOWN, VK_ESCAPE, 1 }, P(U, 160, 170), c_enter }), { 100, 100, 200, 200 } } },
    { "BandPastTheTopLeftStops", { { P(D, 100, 100), P(M, 102, 102), P(M, -50, -30), c_lost, c_enter }, { 0, 0, 100, 100 } } },
    { "BandPastTheBottomRightStops",
      { { P(D, 1800, 1000), P(M, 1802, 1002), P(M, 2500, 1500), P(U, 2600, 1600), c_enter }, { 1800, 1000, 1920, 1080 } } },
    { "LostMouseKeepsTheMoves", { OnSelection({ P(D, 150, 150), P(M, 160, 170), c_lost, c_enter }), { 110, 120, 210, 220 } } },
    // A release that went elsewhere leaves a press armed: moves with the button up, or once the window has lost its
    // activation, draw no band.
    { "MovesWithTheButtonUpDrawNoBand",
      { { P(D, 100, 100), PostUp(110, 110), PostUp(130, 140), c_none, c_enter, c_esc }, c_rcNothing } },
    { "ALostActivationForgetsThePress",
      { { P(D, 100, 100), { Act::Post, WM_ACTIVATE, WA_INACTIVE }, P(M, 130, 140), c_none, c_esc }, c_rcNothing } },
    { "StartedHidden", StartedWith(SW_HIDE) },
    { "StartedMinimisedWithoutActivation", StartedWith(SW_SHOWMINNOACTIVE) },
    // The keys, typed before any press, reach the picker, which has taken the foreground.
    { "EnterReachesThePickerNotTheWindowInFront", WithAWindowInFront(OnSelection({ c_enter }), { 100, 100, 200, 200 }) },
    { "EscReachesThePickerNotTheWindowInFront", WithAWindowInFront({ c_esc }, c_rcNothing) },
    // A caller that reads only after the exit: the window goes before the write waits; the text arrives whole, once.
    { "ACallerThatReadsLate", { { c_band, c_shown, c_enter }, c_rcBand, StdoutMode::LateReader } },
    // The quit request meets the drag loop, which ends and asks for it again.
    { "QuitDuringADragEndsTheRun", { OnSelection({ P(D, 150, 150), P(M, 300, 300), { Act::Post, WM_QUIT } }), c_rcNothing } },
    { "EscWritesNothing", { { c_band, c_shown, { Act::Key, VK_ESCAPE } }, c_rcNothing } },
    { "CloseMessageWritesNothing", { { c_band, c_shown, { Act::Post, WM_CLOSE } }, c_rcNothing } },
    { "ExitCommandFromAnySenderWritesNothing",
      { { c_band, c_shown, { Act::Post, WM_COMMAND, MAKEWPARAM(105, 1), 0x1234 } }, c_rcNothing } },
    // Two Enter releases posted while the band runs reach the window before the quit: one text, of that band.
    { "OneTextPerRun",
      { { { Act::Press, 500, 400 }, { Act::Move, 420, 340 }, { Act::Drags }, { Act::Move, 340, 280 },
          { Act::Shows, 340, 280, 500, 400 }, { Act::Post, WM_KEYUP, VK_RETURN, 1 }, { Act::Post, WM_KEYUP, VK_RETURN, 1 },
          { Act::Release, 340, 280 }, c_enter, { Act::DoubleClick, 420, 340 } }, { 340, 280, 500, 400 } } },
    // Callers that treat standard output badly: the export still ends the run with status 0.
    { "NoStandardOutput", { { c_band, c_enter }, c_rcNothing, StdoutMode::None } },
    { "BrokenPipe", { { c_band, c_enter }, c_rcNothing, StdoutMode::BrokenPipe } },
    // The profile's handle width: the minimum size is twice it, capped at the monitor; none means 8.
    { "HandleWidthNone", { { c_band, c_shown, c_enter }, c_rcBand, StdoutMode::Pipe, nullptr } },
    { "HandleWidth0", { { c_band, c_enter }, c_rcBand, StdoutMode::Pipe, L"0" } },
    { "HandleWidth100", { { c_band, c_enter }, { 200, 150, 400, 350 }, StdoutMode::Pipe, L"100" } },
    { "HandleWidth5000", { { c_band, c_enter }, { 0, 0, 1920, 1080 }, StdoutMode::Pipe, L"5000" } },
};

TEST(Program, Rows)
{
    const char* pszOnly = getenv("KELVANE_ROW");  // a part of the names of the rows to run, if set
    for (const Row& row : c_rows)
        if (!pszOnly || strstr(row.first, pszOnly))
            EXPECT_EQ("", RunScript(row.second)) << row.first;
}

// The whole window after every step equals the overlay of that moment, of the frozen image though the screen under
// the picker changes at once: bands drawn in four directions (three cancelled, by the right button twice and by Esc,
// accepting nothing in between), each handle of the fourth dragged out, in and back, one across the opposite edge,
// the selection moved to the far corner, the near one and with its label across the top, a move cancelled, and a
// double-click inside to end.
static Script WholeWindowScript(const Look& look)
{
    std::vector<Step> steps = { { Act::Repattern } };
    auto shows = [&](LONG l, LONG t, LONG r, LONG b) { steps.push_back({ Act::Shows, l, t, r, b }); };
    auto step = [&](Act act, LONG a = 0, LONG b = 0) { steps.push_back({ act, a, b }); };
    // A band from the anchor to the corner: its first move, 40 and 30 pixels towards the corner, starts it.
    auto band = [&](LONG x0, LONG y0, LONG x1, LONG y1, Act end) {
        step(Act::Press, x0, y0), step(Act::Move, x0 + (x1 > x0 ? 40 : -40), y0 + (y1 > y0 ? 30 : -30)), step(Act::Drags);
        step(Act::Move, x1, y1), shows(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
        step(end, end == Act::KeyDown ? VK_ESCAPE : x1, y1);
        if (end != Act::Release)
            step(Act::Release, x1, y1), shows(0, 0, 0, 0);
    };
    band(500, 400, 300, 250, Act::RightClick);
    step(Act::Key, VK_RETURN), shows(0, 0, 0, 0);
    band(600, 600, 800, 450, Act::RightClick);
    band(700, 300, 500, 500, Act::KeyDown);  // Esc stays down to the end: its release would end the run
    band(400, 300, 700, 550, Act::Release);
    const LONG l = 400, t = 300, r = 700, b = 550, h = look.h;
    shows(l, t, r, b);
    // Each handle's centre and the way it points out of the selection.
    const LONG xMid = l - h + (r - l + h) / 2 + h / 2, yMid = t - h + (b - t + h) / 2 + h / 2;
    const struct { LONG x, y; int dx, dy; } handles[] = {
        { l - h / 2, t - h / 2, -1, -1 }, { r + h / 2, t - h / 2, 1, -1 }, { r + h / 2, b + h / 2, 1, 1 },
        { l - h / 2, b + h / 2, -1, 1 },  { xMid, t - h / 2, 0, -1 },     { r + h / 2, yMid, 1, 0 },
        { xMid, b + h / 2, 0, 1 },        { l - h / 2, yMid, -1, 0 },
    };
    for (const auto& k : handles) {
        step(Act::Press, k.x, k.y);
        for (LONG d : { 40, -40 })
            step(Act::Move, k.x + d * k.dx, k.y + d * k.dy),
                shows(l - (k.dx < 0) * d, t - (k.dy < 0) * d, r + (k.dx > 0) * d, b + (k.dy > 0) * d);
        step(Act::Move, k.x, k.y), step(Act::Release, k.x, k.y), shows(l, t, r, b);
    }
    step(Act::Press, r + h / 2, yMid), step(Act::Move, 200, yMid), shows(200 - h / 2, t, l, b);  // inverted
    step(Act::Move, r + h / 2, yMid), step(Act::Release, r + h / 2, yMid), shows(l, t, r, b);
    // Moved by a press 150 and 125 pixels from its top-left corner.
    const LONG y = look.nRise - 4;  // the label's top 4 pixels above the monitor
    step(Act::Press, 550, 425), step(Act::Move, 1900, 1070), shows(1620, 830, 1920, 1080);
    step(Act::Move, 20, 20), shows(0, 0, 300, 250);
    step(Act::Move, 250, y + 125), step(Act::Release, 250, y + 125), shows(100, y, 400, y + 250);
    step(Act::Press, 260, y + 135), step(Act::Move, 410, 510), shows(250, 375, 550, 625);  // not a double-click
    step(Act::RightClick, 410, 510), shows(100, y, 400, y + 250), step(Act::Release, 410, 510);
    step(Act::DoubleClick, 250, y + 125), step(Act::KeyUp, VK_ESCAPE);
    return { steps, { 100, y, 400, y + 250 }, StdoutMode::Pipe, L"8", look };
}

TEST(Program, TheWholeWindowAfterEveryStepAt96And120And144Dpi)
{
    for (const Look& look : { c_look96, c_look120, c_look144 })
        EXPECT_EQ("", RunScript(WholeWindowScript(look))) << look.nDpi << " DPI";
}

// A gdiplus.dll and an msimg32.dll planted beside a copy of the picker, marking themselves when loaded, which Wine here
// prefers to the system's as Windows does, are never loaded: the picker takes both from the system folder alone.
TEST(Program, LoadsNoSystemDllFromItsOwnFolder)
{
    const std::wstring dir = SiblingPath(L"planted\\"), dlls[] = { dir + L"gdiplus.dll", dir + L"msimg32.dll" };
    CreateDirectoryW(dir.c_str(), NULL);
    ASSERT_TRUE(CopyFileW(SiblingPath(L"OCRKelvane.exe").c_str(), (dir + L"OCRKelvane.exe").c_str(), FALSE));
    for (const std::wstring& dll : dlls)
        ASSERT_TRUE(CopyFileW(SiblingPath(L"libplanted.dll").c_str(), dll.c_str(), FALSE) &&
                    (DeleteFileW((dll + L".loaded").c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND));
    EXPECT_EQ("", RunScript({ { c_band, c_enter }, c_rcBand, StdoutMode::Pipe, L"8", c_look96, { 960, 540 },
                              L"planted\\OCRKelvane.exe" }));
    for (const std::wstring& dll : dlls)
        EXPECT_EQ(GetFileAttributesW((dll + L".loaded").c_str()), INVALID_FILE_ATTRIBUTES) << "a planted DLL was loaded";
}
