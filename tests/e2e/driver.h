// Driving the picker as a user would: a known picture on the screen, the
// picker started with its output on a pipe, real mouse and keyboard input,
// and checks of what it shows and what it writes.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/kit/pixels.h"
#include "tests/kit/process.h"

// Colours the picker draws, as 0x00RRGGBB.
const uint32_t c_rgbFrame = 0x1AAD19;    // the ring just outside the selection
const uint32_t c_rgbHandle = 0x17A2B8;   // the eight handle squares

// The monitor the tests run on (the one holding the virtual screen's origin)
// and the pattern shown over it; positions below are client positions of the
// picker's window, which covers that monitor with (0, 0) at its top-left.
RECT TestMonitor();
const Image& MonitorPattern();
POINT ToScreen(POINT ptClient);

// A topmost window of a child process that shows TestPattern over the whole
// monitor, so the picker freezes a known picture.
class PatternScreen {
public:
    bool Show();
    void Close();
    // Waits until the screen shows exactly the pattern (no picker left on it).
    bool WaitUntilShown(DWORD dwTimeoutMs = 10000) const;

private:
    std::unique_ptr<ChildProcess> m_child;
    HWND m_hWnd = NULL;
};

// One run of the picker.
class Picker {
public:
    // Puts the cursor on the test monitor, starts the picker with the given
    // command line, waits for its window, makes it the foreground window and
    // waits for its first frame on the screen.
    ::testing::AssertionResult Start(const std::wstring& args = L"");
    // The same through a program that starts the picker itself: its window
    // is looked for in any process, and Finish gives that program's result.
    ::testing::AssertionResult StartThrough(const std::wstring& exePath, const std::wstring& args);
    HWND Window() const { return m_hWnd; }
    // True while the process runs, after waiting up to dwWaitMs for it to end.
    bool StillRunning(DWORD dwWaitMs) { return !m_process.HasExited(dwWaitMs); }
    // Waits for the run to end; a picker still running after the timeout is
    // ended first, also one started through another program (which would
    // otherwise keep that program's output pipe open).
    ProcessResult Finish(DWORD dwTimeoutMs = 10000);
    // Lets the picker take the few input messages sent since the last call: a
    // short wait for them to be queued, then round trips through its message
    // loop, which answers each one between two messages it takes. Where the
    // input has a visible result, polling the screen for it is surer.
    void WaitUntilIdle();

private:
    ::testing::AssertionResult StartProgram(const std::wstring& exePath, const std::wstring& args, bool bOwnWindow);

    ChildProcess m_process;
    HWND m_hWnd = NULL;
};

// Mouse input at client positions. A press that would pair with the previous
// one into a double-click (same place, within the double-click time) waits
// until it cannot, unless a double-click is what is wanted.
void MoveTo(int x, int y);
void PressLeft(int x, int y);
void ReleaseLeft();
void DoubleClick(int x, int y);
// Moves with the button held in steps of 8 pixels per axis.
void GlideTo(int x0, int y0, int x1, int y1);
// Press, glide and release: a band, a move or a resize.
void Drag(int x0, int y0, int x1, int y1);
void KeyDown(WORD wVk);
void KeyUp(WORD wVk);
void KeyPress(WORD wVk);

// The screen over the test monitor.
Image ReadMonitor();

// The eight 8 x 8 handle squares at 96 DPI round a normalised selection of
// at least 29 x 29 pixels, in hit-code order: corners touching the selection's
// corners diagonally, middles centred beside the middle of each edge.
void HandleSquares(const RECT& rcSel, RECT aSquares[8]);

// Empty when the screen shows the overlay for selection rcSel (normalised,
// at least 29 x 29): the pattern inside, the frame ring, the handles, and the
// pattern dimmed to about 175/255 everywhere else (the hint label's area above
// the selection is not looked at). Otherwise the first difference found.
std::string OverlayDifference(const Image& screen, const RECT& rcSel);
// Polls the screen until it shows that overlay or the time is up.
::testing::AssertionResult OverlayShows(const RECT& rcSel, DWORD dwTimeoutMs = 5000);
// Polls until the whole monitor shows the pattern dimmed once: no selection.
::testing::AssertionResult OverlayShowsNoSelection(DWORD dwTimeoutMs = 5000);

// The picker's standard output as an image: Base64 text with no line end of
// exactly one complete PNG.
::testing::AssertionResult DecodeOutput(const std::string& out, Image* pImage);
// The run ended by itself with status 0 and wrote the PNG of the pattern's
// rectangle rcSel (client coordinates), pixel for pixel.
::testing::AssertionResult ExportedExactly(const ProcessResult& result, const RECT& rcSel);
// The run ended by itself with status 0 and wrote nothing.
::testing::AssertionResult EndedWithoutOutput(const ProcessResult& result);

// The cursor the system shows now, whichever process set it.
HCURSOR CursorShown();

// The pixel checks assume the tracker's handles at 96 DPI.
bool DisplayIs96Dpi();

// Each test starts its own picker over the pattern; the pattern window is
// shown once for the whole executable.
class PickerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Picker picker;
};
