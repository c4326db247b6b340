// The whole program driven as a user drives it: each row is a script of real
// input on the primary monitor and the one text the run must write.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "tests/kit/driver.h"

namespace {

const POINT c_ptCenter = { 960, 540 };
const RECT c_rcMonitor = { 0, 0, 1920, 1080 };  // the display scripts/test starts
const RECT c_rcNothing = {};

struct Row {
    const char* pszName;
    std::vector<Step> steps;
    RECT rcExport;                 // the crop written; blank: nothing
    StdoutMode mode = StdoutMode::Pipe;
    const wchar_t* pszArgs = L"";
    const wchar_t* pszHandleWidth = nullptr;  // the profile's value during the run
};

Step Drag(int x0, int y0, int x1, int y1) { return { Act::Drag, x0, y0, x1, y1 }; }
Step Shows(const RECT& rc) { return { Act::Shows, (int)rc.left, (int)rc.top, (int)rc.right, (int)rc.bottom }; }
Step Key(int vk) { return { Act::Key, vk }; }

const RECT c_rcBand = { 200, 150, 400, 300 };
const Step c_band = Drag(200, 150, 400, 300), c_shown = Shows(c_rcBand);

const Row c_rows[] = {
    { "BandDrawnUpAndLeftIsNormalised", { Drag(600, 500, 420, 380), Shows({ 420, 380, 600, 500 }), Key(VK_RETURN) },
      { 420, 380, 600, 500 } },
    // Pressed 100 and 70 pixels from the top-left corner, pushed past the
    // monitor's bottom-right corner: held against its edges.
    { "MoveKeepsTheSizeAndStaysInsideTheMonitor",
      { c_band, c_shown, Drag(300, 220, 1919, 1079), Shows({ 1720, 930, 1920, 1080 }), { Act::DoubleClick, 50, 50 } },
      { 1720, 930, 1920, 1080 } },
    // The cancel repaints without a mouse move; Enter with Esc still down
    // exports what the cancel restored.
    { "EscPressedDuringADragRestoresTheSelection",
      { c_band, c_shown, { Act::Press, 300, 220 }, { Act::Move, 330, 250 }, { Act::Move, 360, 280 },
        Shows({ 260, 210, 460, 360 }), { Act::KeyDown, VK_ESCAPE }, c_shown, { Act::Release, 360, 280 },
        Key(VK_RETURN), { Act::KeyUp, VK_ESCAPE } },
      c_rcBand },
    // The right button leaves no selection: accepting writes nothing, the run
    // goes on and a new band can be drawn.
    { "RightButtonCancelsABandAndAcceptingNothingGoesOn",
      { { Act::Press, 300, 300 }, { Act::Move, 340, 340 }, { Act::Move, 400, 400 }, Shows({ 300, 300, 400, 400 }),
        { Act::RightClick, 400, 400 }, Shows(c_rcNothing), { Act::Release, 400, 400 }, Key(VK_RETURN),
        { Act::DoubleClick, 500, 500 }, Shows(c_rcNothing), c_band, c_shown, Key(VK_RETURN) },
      c_rcBand },
    { "EscWritesNothing", { c_band, c_shown, Key(VK_ESCAPE) }, c_rcNothing },
    { "CloseMessageWritesNothing", { c_band, c_shown, { Act::Post, WM_CLOSE } }, c_rcNothing },
    { "ExitCommandFromAnySenderWritesNothing",
      { c_band, c_shown, { Act::Post, WM_COMMAND, MAKEWPARAM(105, 1), 0x1234 } }, c_rcNothing },
    { "CommandLineArgumentsChangeNothing", { c_band, c_shown, { Act::DoubleClick, 300, 220 } }, c_rcBand,
      StdoutMode::Pipe, L"--help foo" },
    // Enter released while the band is still drawn up and to the left, more
    // accepts at once after it: one text, the band of that moment.
    { "EnterDuringABandWritesOneTextAndEndsTheRun",
      { { Act::Press, 500, 400 }, { Act::Move, 420, 340 }, { Act::Move, 340, 280 }, Shows({ 500, 400, 340, 280 }),
        Key(VK_RETURN), { Act::Release, 340, 280 }, Key(VK_RETURN), { Act::DoubleClick, 420, 340 } },
      { 340, 280, 500, 400 } },
    // Callers that treat standard output badly: the export still ends the
    // run with status 0.
    { "NoStandardOutput", { c_band, Key(VK_RETURN) }, c_rcNothing, StdoutMode::None },
    { "BrokenPipe", { c_band, Key(VK_RETURN) }, c_rcNothing, StdoutMode::BrokenPipe },
    // Handle widths from the profile: the export still crops the selection,
    // raised to the minimum (twice the width) but never beyond the monitor.
    { "HandleWidth0", { c_band, Key(VK_RETURN) }, c_rcBand, StdoutMode::Pipe, L"", L"0" },
    { "HandleWidth1", { c_band, Key(VK_RETURN) }, c_rcBand, StdoutMode::Pipe, L"", L"1" },
    { "HandleWidth4", { c_band, Key(VK_RETURN) }, c_rcBand, StdoutMode::Pipe, L"", L"4" },
    { "HandleWidth100", { c_band, Key(VK_RETURN) }, { 200, 150, 400, 350 }, StdoutMode::Pipe, L"", L"100" },
    { "HandleWidth5000", { c_band, Key(VK_RETURN) }, c_rcMonitor, StdoutMode::Pipe, L"", L"5000" },
};

class Program : public ::testing::TestWithParam<Row> {};

TEST_P(Program, Runs)
{
    const Row& row = GetParam();
    std::unique_ptr<UserValue> width;
    if (row.pszHandleWidth)
        width = std::make_unique<UserValue>(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                                            L"oleinplaceborderwidth", REG_SZ, row.pszHandleWidth,
                                            (DWORD)(wcslen(row.pszHandleWidth) + 1) * sizeof(wchar_t));
    ProcessResult result;
    Script script = { c_ptCenter, row.steps, L"OCRKelvane.exe", row.pszArgs, row.mode };
    EXPECT_EQ("", RunScript(script, &result));
    EXPECT_EQ("", ExpectExport(result, row.rcExport, MonitorPattern(c_rcMonitor)));
}

INSTANTIATE_TEST_SUITE_P(Rows, Program, ::testing::ValuesIn(c_rows),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.pszName; });

TEST(ExampleCaller, SavesTheSelectionAsPng)
{
    WCHAR szDir[MAX_PATH];
    GetTempPathW(MAX_PATH, szDir);
    std::wstring path = std::wstring(szDir) + L"kelvane-caller.png";
    ProcessResult result;
    ASSERT_EQ("", RunScript({ c_ptCenter, { c_band, Key(VK_RETURN) }, L"caller.exe", L"\"" + path + L"\"" }, &result));
    EXPECT_EQ(0u, result.dwExitCode);
    std::ifstream file(path.c_str(), std::ios::binary);
    Image saved;
    ASSERT_TRUE(DecodePng({ std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() }, &saved));
    EXPECT_EQ(200, saved.width);
    EXPECT_EQ(150, saved.height);
    EXPECT_EQ("", CompareCrop(saved, MonitorPattern(c_rcMonitor), 200, 150));
}

}  // namespace
