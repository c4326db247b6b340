// The whole program driven as a user drives it: rows of real input on the primary monitor (1920 x 1080).
#include <gtest/gtest.h>

#include "tests/kit/driver.h"

const RECT c_rcBand = { 200, 150, 400, 300 }, c_rcNothing = {};
const Step c_band = { Act::Drag, 200, 150, 400, 300 }, c_shown = { Act::Shows, 200, 150, 400, 300 };
const Step c_enter = { Act::Key, VK_RETURN }, c_noSelection = { Act::Shows };

struct Row {
    const char* pszName;
    std::vector<Step> steps;
    RECT rcExport;  // the crop written; blank: nothing
    StdoutMode mode = StdoutMode::Pipe;
    const wchar_t* pszHandleWidth = L"8";  // the profile's value for the run; without one, see the screens suite
};

const Row c_rows[] = {
    { "BandDrawnUpAndLeftIsNormalised",
      { { Act::Drag, 600, 500, 420, 380 }, { Act::Shows, 420, 380, 600, 500 }, c_enter }, { 420, 380, 600, 500 } },
    // Pressed 100 and 70 pixels from the top-left corner, pushed past the monitor's bottom-right one: held there.
    { "MoveKeepsTheSizeAndStaysInsideTheMonitor",
      { c_band, c_shown, { Act::Drag, 300, 220, 1919, 1079 }, { Act::Shows, 1720, 930, 1920, 1080 },
        { Act::DoubleClick, 50, 50 } }, { 1720, 930, 1920, 1080 } },
    // The cancel repaints without a move; Enter with Esc still down exports.
    { "EscPressedDuringADragRestoresTheSelection",
      { c_band, c_shown, { Act::Press, 300, 220 }, { Act::Move, 330, 250 }, { Act::Move, 360, 280 },
        { Act::Shows, 260, 210, 460, 360 }, { Act::KeyDown, VK_ESCAPE }, c_shown, { Act::Release, 360, 280 },
        c_enter, { Act::KeyUp, VK_ESCAPE } }, c_rcBand },
    // No selection is left: accepting writes nothing, and the run goes on.
    { "RightButtonCancelsABandAndAcceptingNothingGoesOn",
      { { Act::Press, 300, 300 }, { Act::Move, 340, 340 }, { Act::Move, 400, 400 }, { Act::Shows, 300, 300, 400, 400 },
        { Act::RightClick, 400, 400 }, c_noSelection, { Act::Release, 400, 400 }, c_enter,
        { Act::DoubleClick, 500, 500 }, c_noSelection, c_band, c_shown, c_enter }, c_rcBand },
    { "EscWritesNothing", { c_band, c_shown, { Act::Key, VK_ESCAPE } }, c_rcNothing },
    { "CloseMessageWritesNothing", { c_band, c_shown, { Act::Post, WM_CLOSE } }, c_rcNothing },
    { "ExitCommandFromAnySenderWritesNothing",
      { c_band, c_shown, { Act::Post, WM_COMMAND, MAKEWPARAM(105, 1), 0x1234 } }, c_rcNothing },
    // Two Enter releases posted while the band runs reach the window before the quit: one text, of that band.
    { "OneTextPerRun",
      { { Act::Press, 500, 400 }, { Act::Move, 420, 340 }, { Act::Move, 340, 280 }, { Act::Shows, 340, 280, 500, 400 },
        { Act::Post, WM_KEYUP, VK_RETURN, 1 }, { Act::Post, WM_KEYUP, VK_RETURN, 1 }, { Act::Release, 340, 280 },
        c_enter, { Act::DoubleClick, 420, 340 } }, { 340, 280, 500, 400 } },
    // Callers that treat standard output badly: the export still ends the run with status 0.
    { "NoStandardOutput", { c_band, c_enter }, c_rcNothing, StdoutMode::None },
    { "BrokenPipe", { c_band, c_enter }, c_rcNothing, StdoutMode::BrokenPipe },
    // The profile's handle width: the minimum size is twice it, capped at the monitor.
    { "HandleWidth0", { c_band, c_enter }, c_rcBand, StdoutMode::Pipe, L"0" },
    { "HandleWidth1", { c_band, c_enter }, c_rcBand, StdoutMode::Pipe, L"1" },
    { "HandleWidth4", { c_band, c_enter }, c_rcBand, StdoutMode::Pipe, L"4" },
    { "HandleWidth100", { c_band, c_enter }, { 200, 150, 400, 350 }, StdoutMode::Pipe, L"100" },
    { "HandleWidth5000", { c_band, c_enter }, { 0, 0, 1920, 1080 }, StdoutMode::Pipe, L"5000" },
};

void PrintTo(const Row& row, std::ostream* pOut) { *pOut << row.pszName; }

class Program : public ::testing::TestWithParam<Row> {};

TEST_P(Program, Runs)
{
    const Row& row = GetParam();
    UserValue width(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"oleinplaceborderwidth", REG_SZ,
                    row.pszHandleWidth, (DWORD)(wcslen(row.pszHandleWidth) + 1) * sizeof(wchar_t));
    EXPECT_EQ("", RunScript({ 960, 540 }, row.steps, row.rcExport, row.mode));
}

INSTANTIATE_TEST_SUITE_P(Rows, Program, ::testing::ValuesIn(c_rows),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.pszName; });
