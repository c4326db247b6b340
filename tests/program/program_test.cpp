// The whole program driven as a user drives it: rows of real input on the primary monitor (1920 x 1080).
#include <gtest/gtest.h>

#include "tests/kit/driver.h"

const RECT c_rcBand = { 200, 150, 400, 300 }, c_rcNothing = {};
const Step c_band = DragFromTo(200, 150, 400, 300), c_shown = ShowsSelection(c_rcBand);
const Step c_enter = KeyPress(VK_RETURN), c_esc = KeyPress(VK_ESCAPE);

using Row = std::pair<const char*, Script>;  // name, script

// The steps after the selection (100, 100, 200, 200) is drawn as a band.
static std::vector<Step> OnSelection(std::vector<Step> steps)
{
    return steps.insert(steps.begin(), { PostedPress(100, 100), PostedMove(102, 102), PostedMove(200, 200), PostedRelease(200, 200) }), steps;
}

// A press arms a band only without a selection. One-pixel steps start none; the two-pixel step starts one. A move after
// a drag by a handle (the drag took its release) starts no band: Enter exports the dragged selection.
static std::vector<Step> ArmedPressOnAHandle()
{
    std::vector<Step> steps = { PostedPress(100, 100) };
    for (int i = 1; i <= 30; i++)
        steps.push_back(PostedMove(100 + i, 100 + i));
    steps.insert(steps.end(), { PostedMove(132, 130), PostedRelease(300, 280), PostedPress(304, 284),
                                PostedRelease(354, 334), PostedMove(500, 500), c_enter });
    return steps;
}

const Row c_rows[] = {
    { "APressArmsABandOnlyWithoutASelection", { ArmedPressOnAHandle(), { 130, 130, 350, 330 } } },
    // A click draws nothing and arms the next press again: the drag after it draws a band.
    { "AClickThenADragDrawsABand", { { PressAt(300, 300), ReleaseAt(300, 300), c_band, c_shown, c_enter }, c_rcBand } },
    // The ring that grabs the selection is one pixel wide: a press two pixels left of it moves nothing, one pixel does.
    { "TheRingIsOnePixelWide",
      { OnSelection({ PostedPress(98, 120), PostedMove(128, 140), PostedRelease(128, 140), PostedPress(99, 120),
                      PostedMove(109, 125), PostedRelease(109, 125), c_enter }), { 110, 105, 210, 205 } } },
    // The drag loop's messages; the crop written shows the selection each leaves.
    { "PressAndReleaseInPlace", { OnSelection({ PostedPress(205, 205), PostedRelease(205, 205), c_enter }), { 100, 100, 200, 200 } } },
    { "FlickedBandTakesTheRelease",
      { { PostedPress(100, 100), PostedMove(102, 102), PostedRelease(400, 300), c_enter }, { 100, 100, 400, 300 } } },
    { "OtherKeysDroppedEscRestores",
      { OnSelection({ PostedPress(150, 150), PostedMove(160, 170), PostedMessage(WM_KEYDOWN, 'A', 1),
                      PostedMessage(WM_KEYDOWN, VK_ESCAPE, 1), PostedRelease(160, 170), c_enter }), { 100, 100, 200, 200 } } },
    { "LostMouseKeepsTheMoves",  // another window takes the mouse
      { OnSelection({ PostedPress(150, 150), PostedMove(160, 170), PostedMessage(WM_CANCELMODE), c_enter }), { 110, 120, 210, 220 } } },
    // A release that went elsewhere: moves with the button up, or after a lost activation, draw no band.
    { "MovesWithTheButtonUpDrawNoBand",
      { { PostedPress(100, 100), PostedMove(110, 110, 0), PostedMove(130, 140, 0), ShowsNoSelection(), c_enter, c_esc },
        c_rcNothing } },
    { "ALostActivationForgetsThePress",
      { { PostedPress(100, 100), PostedMessage(WM_ACTIVATE, WA_INACTIVE), PostedMove(130, 140), ShowsNoSelection(), c_esc },
        c_rcNothing } },
    // Shown, covering the monitor, whatever show command its starter put in its STARTUPINFO.
    { "StartedHidden", { { c_band, c_shown, c_enter }, c_rcBand, StdoutMode::Pipe, SW_HIDE } },
    { "StartedMinimisedWithoutActivation", { { c_band, c_shown, c_enter }, c_rcBand, StdoutMode::Pipe, SW_SHOWMINNOACTIVE } },
    // Started while a window of the test holds the foreground: the keys, typed before any press, reach the picker.
    { "EnterReachesThePickerNotTheWindowInFront", { OnSelection({ c_enter }), { 100, 100, 200, 200 }, StdoutMode::Pipe, -1, true } },
    { "EscReachesThePickerNotTheWindowInFront", { { c_esc }, c_rcNothing, StdoutMode::Pipe, -1, true } },
    // Another always-on-top window shown over the picker: the next mouse move puts the picker back on top.
    { "ThePickerComesBackOnTop",
      { { c_band, ShowATopmostWindowOver({ 600, 400, 900, 600 }), MoveTo(100, 100), c_shown, c_enter }, c_rcBand } },
    // A caller that reads only after the exit: the window goes before the write waits; the text arrives whole, once.
    { "ACallerThatReadsLate", { { c_band, c_shown, c_enter }, c_rcBand, StdoutMode::LateReader } },
    // The quit request meets the drag loop, which ends and asks for it again.
    { "QuitDuringADragEndsTheRun",
      { OnSelection({ PostedPress(150, 150), PostedMove(300, 300), PostedMessage(WM_QUIT) }), c_rcNothing } },
    { "CloseMessageWritesNothing", { { c_band, c_shown, PostedMessage(WM_CLOSE) }, c_rcNothing } },
    { "ExitCommandFromAnySenderWritesNothing",
      { { c_band, c_shown, PostedMessage(WM_COMMAND, MAKEWPARAM(105, 1), 0x1234) }, c_rcNothing } },
    // Two Enter releases posted while the band runs reach the window before the quit: one text, of that band.
    { "OneTextPerRun",
      { { PressAt(500, 400), MoveTo(420, 340), ADragHoldsTheMouse(), MoveTo(340, 280), ShowsSelection({ 340, 280, 500, 400 }),
          PostedMessage(WM_KEYUP, VK_RETURN, 1), PostedMessage(WM_KEYUP, VK_RETURN, 1), ReleaseAt(340, 280), c_enter,
          DoubleClickAt(420, 340) },
        { 340, 280, 500, 400 } } },
    // Callers that treat standard output badly: the export still ends the run with status 0.
    { "NoStandardOutput", { { c_band, c_enter }, c_rcNothing, StdoutMode::None } },
    { "BrokenPipe", { { c_band, c_enter }, c_rcNothing, StdoutMode::BrokenPipe } },
    // The profile's handle width: the minimum is twice it, capped at the monitor.
    { "HandleWidth5000", { { c_band, c_enter }, { 0, 0, 1920, 1080 }, StdoutMode::Pipe, -1, false, L"5000" } },
};

TEST(Program, Rows)
{
    const char* pszOnly = getenv("KELVANE_ROW");  // a part of the names of the rows to run, if set
    for (const Row& row : c_rows)
        EXPECT_EQ("", pszOnly && !strstr(row.first, pszOnly) ? "" : RunScript(row.second)) << row.first;
}

// The whole window after every step is the overlay of the frozen image, though the screen under the picker changes:
// bands in four directions (three cancelled: the right button twice, Esc once), each handle of the fourth out, in and
// back, one across the opposite edge, moves to the far corner, the near one and the label across the top, a move
// cancelled, a double-click to end.
static Script WholeWindowScript(const Look& look)
{
    std::vector<Step> steps = { RepatternTheScreen() };
    auto add = [&](std::initializer_list<Step> more) { steps.insert(steps.end(), more); };
    auto shows = [&](LONG l, LONG t, LONG r, LONG b) { add({ ShowsSelection({ l, t, r, b }) }); };
    // A band from the anchor to the corner: its first move, 40 and 30 pixels towards the corner, starts it.
    auto band = [&](LONG x0, LONG y0, LONG x1, LONG y1, const Step& end) {
        add({ PressAt(x0, y0), MoveTo(x0 + (x1 > x0 ? 40 : -40), y0 + (y1 > y0 ? 30 : -30)), ADragHoldsTheMouse(),
              MoveTo(x1, y1) });
        shows(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
        add({ end });
        if (end.kind != Step::Kind::Mouse || end.mouse[0].second != MOUSEEVENTF_LEFTUP)
            add({ ReleaseAt(x1, y1), ShowsNoSelection() });
    };
    band(500, 400, 300, 250, RightClickAt(300, 250));
    add({ c_enter, ShowsNoSelection() });
    band(600, 600, 800, 450, RightClickAt(800, 450));
    band(700, 300, 500, 500, KeyDown(VK_ESCAPE));  // Esc stays down to the end: its release would end the run
    band(400, 300, 700, 550, ReleaseAt(700, 550));
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
        add({ PressAt(k.x, k.y) });
        for (LONG d : { 40, -40 })
            add({ MoveTo(k.x + d * k.dx, k.y + d * k.dy) }),
                shows(l - (k.dx < 0) * d, t - (k.dy < 0) * d, r + (k.dx > 0) * d, b + (k.dy > 0) * d);
        add({ MoveTo(k.x, k.y), ReleaseAt(k.x, k.y) }), shows(l, t, r, b);
    }
    add({ PressAt(r + h / 2, yMid), MoveTo(200, yMid) }), shows(200 - h / 2, t, l, b);  // inverted
    add({ MoveTo(r + h / 2, yMid), ReleaseAt(r + h / 2, yMid) }), shows(l, t, r, b);
    // Moved by a press 150 and 125 pixels from its top-left corner.
    const LONG y = look.nRise - 4;  // the label's top 4 pixels above the monitor
    add({ PressAt(550, 425), MoveTo(1900, 1070) }), shows(1620, 830, 1920, 1080);
    add({ MoveTo(20, 20) }), shows(0, 0, 300, 250);
    add({ MoveTo(250, y + 125), ReleaseAt(250, y + 125) }), shows(100, y, 400, y + 250);
    add({ PressAt(260, y + 135), MoveTo(410, 510) }), shows(250, 375, 550, 625);  // not a double-click
    add({ RightClickAt(410, 510) }), shows(100, y, 400, y + 250), add({ ReleaseAt(410, 510) });
    add({ DoubleClickAt(250, y + 125), KeyUp(VK_ESCAPE) });
    return { steps, { 100, y, 400, y + 250 }, StdoutMode::Pipe, -1, false, L"8", look };
}

TEST(Program, TheWholeWindowAfterEveryStepAt96And120And144Dpi)
{
    for (const Look& look : { c_look96, c_look120, c_look144 })
        EXPECT_EQ("", RunScript(WholeWindowScript(look))) << look.nDpi << " DPI";
}

// A gdiplus.dll and an msimg32.dll planted beside a copy of the picker (preferred, here as on Windows, to the system's)
// mark themselves when loaded: never, as the picker takes both from the system folder alone.
TEST(Program, LoadsNoSystemDllFromItsOwnFolder)
{
    const std::wstring dir = SiblingPath(L"planted\\"), dlls[] = { dir + L"gdiplus.dll", dir + L"msimg32.dll" };
    CreateDirectoryW(dir.c_str(), NULL);
    ASSERT_TRUE(CopyFileW(SiblingPath(L"OCRKelvane.exe").c_str(), (dir + L"OCRKelvane.exe").c_str(), FALSE));
    for (const std::wstring& dll : dlls)
        ASSERT_TRUE(CopyFileW(SiblingPath(L"libplanted.dll").c_str(), dll.c_str(), FALSE) &&
                    (DeleteFileW((dll + L".loaded").c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND));
    EXPECT_EQ("", RunScript({ { c_band, c_enter }, c_rcBand, StdoutMode::Pipe, -1, false, L"8", c_look96, { 960, 540 },
                              L"planted\\OCRKelvane.exe" }));
    for (const std::wstring& dll : dlls)
        EXPECT_EQ(GetFileAttributesW((dll + L".loaded").c_str()), INVALID_FILE_ATTRIBUTES) << "a planted DLL was loaded";
}
