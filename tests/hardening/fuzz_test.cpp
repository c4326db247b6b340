// Random input for the real window procedure: thousands of seeded sequences
// of mouse moves, presses, releases, double-clicks, right-button presses and
// keys, posted to a real window of the program's class and pumped as the
// program's loops pump them. The frozen image is synthetic, so this is quick.
//
// A feeder posts one message at a time, each followed by a request to post
// the next; the drag loop dispatches that request too, so input reaches the
// window whether or not a drag runs, and the feeder can check the state of
// the run between two messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/globals.h"
#include "app/mainwindow.h"
#include "tests/hardening/picker_driver.h"
#include "tests/kit/screen.h"
#include "tracker/geometry.h"

namespace {

const int c_cx = 400;
const int c_cy = 300;
const int c_nSequences = 2500;
const unsigned c_uFirstSeed = 1;
const int c_nLongestSequence = 40;
const DWORD c_dwHangMs = 30000;

const UINT WM_FEED = WM_APP + 1;   // post the next input
const UINT WM_WAKE = WM_APP + 2;   // nothing: lets a drag loop see its capture gone

struct Input {
    UINT uMsg;
    WPARAM wParam;
    POINT pt;
};

// The state of the sequence being run.
struct Sequence {
    unsigned uSeed = 0;
    std::mt19937 rng;
    int nLeft = 0;                  // inputs still to post
    std::vector<Input> pending;     // the rest of a double-click
    POINT ptLast = { 0, 0 };
    bool bQuitExpected = false;     // an Esc release or a successful export was posted
    bool bExportExpected = false;
    RECT rcExport = {};             // the selection the export must write
    int nTrailing = 0;              // inputs posted after an export, before its quit is taken
    std::vector<std::string> trace;
    std::vector<std::string> failures;
};

Sequence s_seq;
HWND s_hWndFeeder;
Image s_frozen;
std::ostringstream s_output;        // standard output of the run, as the program writes it
std::atomic<DWORD> s_dwSequenceStart;
std::atomic<unsigned> s_uRunningSeed;

int Uniform(int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(s_seq.rng);
}

bool Chance(int nPercent)
{
    return Uniform(0, 99) < nPercent;
}

std::string Describe(const RECT& rc)
{
    char sz[80];
    std::snprintf(sz, sizeof(sz), "(%ld, %ld, %ld, %ld)", (long)rc.left, (long)rc.top, (long)rc.right,
                  (long)rc.bottom);
    return sz;
}

std::string Describe(const Input& in)
{
    const char* pszName = "?";
    switch (in.uMsg) {
    case WM_MOUSEMOVE: pszName = "move"; break;
    case WM_LBUTTONDOWN: pszName = "left down"; break;
    case WM_LBUTTONUP: pszName = "left up"; break;
    case WM_LBUTTONDBLCLK: pszName = "double-click"; break;
    case WM_RBUTTONDOWN: pszName = "right down"; break;
    case WM_RBUTTONUP: pszName = "right up"; break;
    case WM_KEYDOWN: pszName = "key down"; break;
    case WM_KEYUP: pszName = "key up"; break;
    case WM_SETCURSOR: pszName = "set cursor"; break;
    }
    char sz[96];
    if (in.uMsg == WM_KEYDOWN || in.uMsg == WM_KEYUP)
        std::snprintf(sz, sizeof(sz), "%s 0x%02X", pszName, (unsigned)in.wParam);
    else
        std::snprintf(sz, sizeof(sz), "%s (%ld, %ld)", pszName, (long)in.pt.x, (long)in.pt.y);
    return sz;
}

void Fail(const std::string& what)
{
    s_seq.failures.push_back(what + " [selection " + Describe(g_tracker.m_rcSelection) + "]");
}

bool QuitPending()
{
    MSG msg;
    return PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

// While no drag runs the selection is normalised and inside the monitor.
void CheckIdleSelection(const char* pszWhen)
{
    const RECT& rc = g_tracker.m_rcSelection;
    if (rc.left > rc.right || rc.top > rc.bottom)
        Fail(std::string("not normalised ") + pszWhen);
    if (rc.left < 0 || rc.top < 0 || rc.right > c_cx || rc.bottom > c_cy)
        Fail(std::string("outside the monitor ") + pszWhen);
    if (g_tracker.m_bDragEnding)
        Fail(std::string("m_bDragEnding set ") + pszWhen);
}

POINT NearSelection()
{
    RECT rc = NormalizedRect(g_tracker.m_rcSelection);
    const int xs[3] = { rc.left, (rc.left + rc.right) / 2, rc.right };
    const int ys[3] = { rc.top, (rc.top + rc.bottom) / 2, rc.bottom };
    return POINT{ xs[Uniform(0, 2)] + Uniform(-12, 12), ys[Uniform(0, 2)] + Uniform(-12, 12) };
}

// Positions over the window, which covers the one monitor: the pointer cannot
// leave it, so even with the capture held no position lies beyond it. The
// edges themselves come often.
POINT NextPoint()
{
    POINT pt = s_seq.ptLast;
    int r = Uniform(0, 99);
    if (r < 40) {
        pt.x += Uniform(-3, 3);  // steps round the one-pixel threshold
        pt.y += Uniform(-3, 3);
    } else if (r < 65 && !IsBlankRect(g_tracker.m_rcSelection)) {
        pt = NearSelection();
    } else if (r < 80) {
        const int xs[2] = { 0, c_cx - 1 }, ys[2] = { 0, c_cy - 1 };
        pt = POINT{ Chance(50) ? xs[Uniform(0, 1)] : Uniform(0, c_cx - 1),
                    Chance(50) ? ys[Uniform(0, 1)] : Uniform(0, c_cy - 1) };
    } else {
        pt = POINT{ Uniform(0, c_cx - 1), Uniform(0, c_cy - 1) };
    }
    pt.x = std::min(std::max(pt.x, 0L), (LONG)c_cx - 1);
    pt.y = std::min(std::max(pt.y, 0L), (LONG)c_cy - 1);
    return pt;
}

Input NextInput()
{
    if (!s_seq.pending.empty()) {
        Input in = s_seq.pending.front();
        s_seq.pending.erase(s_seq.pending.begin());
        return in;
    }
    static const WORD c_awOtherKeys[] = { VK_SPACE, 'A', VK_LEFT, VK_SHIFT, VK_DELETE, VK_F1 };
    int r = Uniform(0, 999);
    POINT pt = s_seq.ptLast;
    if (r < 450)
        return Input{ WM_MOUSEMOVE, 0, NextPoint() };
    if (r < 600)
        return Input{ WM_LBUTTONDOWN, MK_LBUTTON, NextPoint() };
    if (r < 710)
        return Input{ WM_LBUTTONUP, 0, pt };
    if (r < 740) {
        // A double-click as the system delivers it: the second press comes
        // as the double-click message.
        s_seq.pending = { Input{ WM_LBUTTONUP, 0, pt }, Input{ WM_LBUTTONDBLCLK, MK_LBUTTON, pt },
                          Input{ WM_LBUTTONUP, 0, pt } };
        return Input{ WM_LBUTTONDOWN, MK_LBUTTON, pt };
    }
    if (r < 750)
        return Input{ WM_LBUTTONDBLCLK, MK_LBUTTON, pt };
    if (r < 790)
        return Input{ WM_RBUTTONDOWN, MK_RBUTTON, pt };
    if (r < 810)
        return Input{ WM_RBUTTONUP, 0, pt };
    if (r < 820)
        return Input{ WM_SETCURSOR, 0, pt };
    if (r < 850)
        return Input{ WM_KEYDOWN, VK_ESCAPE, pt };
    if (r < 865)
        return Input{ WM_KEYUP, VK_ESCAPE, pt };
    if (r < 895)
        return Input{ WM_KEYDOWN, VK_RETURN, pt };
    if (r < 920)
        return Input{ WM_KEYUP, VK_RETURN, pt };
    WORD wKey = c_awOtherKeys[Uniform(0, 5)];
    return Input{ (UINT)(r < 960 ? WM_KEYDOWN : WM_KEYUP), wKey, pt };
}

void Post(const Input& in)
{
    LPARAM lParam;
    if (in.uMsg == WM_KEYDOWN)
        lParam = 1;
    else if (in.uMsg == WM_KEYUP)
        lParam = (LPARAM)0xC0000001;
    else if (in.uMsg == WM_SETCURSOR)
        lParam = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    else
        lParam = MAKELPARAM((WORD)(short)in.pt.x, (WORD)(short)in.pt.y);
    WPARAM wParam = (in.uMsg == WM_SETCURSOR) ? (WPARAM)g_hWndMain : in.wParam;
    PostMessageW(g_hWndMain, in.uMsg, wParam, lParam);
    if (in.uMsg != WM_KEYDOWN && in.uMsg != WM_KEYUP && in.uMsg != WM_SETCURSOR)
        s_seq.ptLast = in.pt;
    s_seq.trace.push_back(Describe(in));
}

// What the run must do with this input, judged before it is handled.
void Expect(const Input& in)
{
    if (in.uMsg == WM_KEYUP && in.wParam == VK_ESCAPE) {
        s_seq.bQuitExpected = true;
        return;
    }
    bool bExport = (in.uMsg == WM_KEYUP && in.wParam == VK_RETURN) || in.uMsg == WM_LBUTTONDBLCLK;
    if (!bExport)
        return;
    // The export crops between the edges as they stand, inverted or not;
    // a selection without width or height is no picture and ends nothing.
    RECT rc = NormalizedRect(g_tracker.m_rcSelection);
    if (rc.right > rc.left && rc.bottom > rc.top) {
        s_seq.bQuitExpected = true;
        s_seq.bExportExpected = true;
        s_seq.rcExport = rc;
        s_seq.nTrailing = Chance(30) ? Uniform(1, 4) : 0;
    }
}

void Feed()
{
    bool bInDrag = GetCapture() == g_hWndMain;
    if (!bInDrag)
        CheckIdleSelection(("before input " + std::to_string(s_seq.trace.size())).c_str());
    if (g_bResultWritten && !s_seq.bExportExpected)
        Fail("text written where no export could succeed");
    if (!s_seq.bQuitExpected && QuitPending())
        Fail("the run ended without an Esc release or an export");

    if (s_seq.bQuitExpected) {
        // Input that reaches the window after the export, before its quit is
        // taken, may not write a second text.
        if (s_seq.bExportExpected && s_seq.nTrailing > 0) {
            s_seq.nTrailing--;
            Post(NextInput());
            PostMessageW(s_hWndFeeder, WM_FEED, 0, 0);
        }
        return;
    }
    if (s_seq.nLeft == 0 && s_seq.pending.empty()) {
        if (bInDrag) {
            // The sequence is over: the drag ends as when another window
            // takes the capture.
            s_seq.trace.push_back("capture taken away");
            ReleaseCapture();
            PostMessageW(s_hWndFeeder, WM_WAKE, 0, 0);
        }
        return;
    }
    if (Chance(50))
        UpdateWindow(g_hWndMain);  // a paint, as an idle queue delivers it
    Input in = NextInput();
    Expect(in);
    Post(in);
    if (s_seq.nLeft > 0)
        s_seq.nLeft--;
    PostMessageW(s_hWndFeeder, WM_FEED, 0, 0);
}

LRESULT CALLBACK FeederProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_FEED) {
        Feed();
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// The state of a new run, optionally with a selection already made.
void ResetRun()
{
    g_tracker.m_rcSelection = RECT{};
    if (Chance(30)) {
        int left = Uniform(0, c_cx), top = Uniform(0, c_cy);
        g_tracker.m_rcSelection = RECT{ left, top, Uniform(left, c_cx), Uniform(top, c_cy) };
    }
    SetRectEmpty(&g_rcHover);
    g_ptPrev = POINT{ 0, 0 };
    g_bLButtonDown = FALSE;
    g_bNewSelection = FALSE;
    g_bResultWritten = FALSE;
    s_output.str("");
    s_output.clear();
    InvalidateRect(g_hWndMain, NULL, FALSE);
    UpdateWindow(g_hWndMain);  // the first paint arms a new selection
}

std::string Report()
{
    std::string text = "seed " + std::to_string(s_seq.uSeed) + ":\n";
    for (const std::string& failure : s_seq.failures)
        text += "  " + failure + "\n";
    text += "  inputs:";
    for (const std::string& step : s_seq.trace)
        text += " " + step + ";";
    return text;
}

// Runs the sequence of one seed; empty when it went as it must.
std::string RunSequence(unsigned uSeed, HACCEL hAccel)
{
    s_seq = Sequence();
    s_seq.uSeed = uSeed;
    s_seq.rng.seed(uSeed);
    s_seq.nLeft = Uniform(1, c_nLongestSequence);
    s_uRunningSeed = uSeed;
    s_dwSequenceStart = GetTickCount();
    ResetRun();

    PostMessageW(s_hWndFeeder, WM_FEED, 0, 0);
    bool bQuitSeen = false;
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            bQuitSeen = true;
            break;
        }
        if (TranslateAcceleratorW(msg.hwnd, hAccel, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    int nMoreQuits = 0;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            nMoreQuits++;
        else
            DispatchMessageW(&msg);
    }

    if (GetCapture() != NULL)
        Fail("the capture is still held");
    CheckIdleSelection("at the end");
    if (bQuitSeen != s_seq.bQuitExpected)
        Fail(bQuitSeen ? "the run ended though nothing asked for it" : "the run did not end");
    if (nMoreQuits)
        Fail("more than one quit");
    if (g_bResultWritten != (BOOL)s_seq.bExportExpected)
        Fail(g_bResultWritten ? "g_bResultWritten set without an export" : "g_bResultWritten not set");

    std::string out = s_output.str();
    if (s_seq.bExportExpected) {
        Image crop;
        ::testing::AssertionResult decoded = DecodeSinglePng(out, &crop);
        const RECT& rc = s_seq.rcExport;
        if (!decoded)
            Fail(std::string("output: ") + decoded.message());
        else if (crop.width != rc.right - rc.left || crop.height != rc.bottom - rc.top)
            Fail("the PNG is " + std::to_string(crop.width) + " x " + std::to_string(crop.height) +
                 ", the selection was " + Describe(rc));
        else if (::testing::AssertionResult same = ImageMatches(crop, s_frozen, rc.left, rc.top); !same)
            Fail(std::string("the PNG is not the selection's crop: ") + same.message());
    } else if (!out.empty()) {
        Fail("wrote " + std::to_string(out.size()) + " characters without a successful export");
    }
    return s_seq.failures.empty() ? std::string() : Report();
}

class InputFuzzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProcessDPIAware();
        // The expectations assume the default handle width (minimum 16 x 16).
        ASSERT_EQ(g_tracker.m_nHandleWidth, 8) << "the profile sets a handle width";
        HINSTANCE hInstance = GetModuleHandleW(NULL);
        LoadStringW(hInstance, IDS_APP_TITLE, g_szTitle, 100);
        LoadStringW(hInstance, IDC_OCRKELVANE, g_szWindowClass, 100);
        RegisterMainWindowClass(hInstance);
        g_hWndMain = CreateWindowExW(WS_EX_TOOLWINDOW, g_szWindowClass, g_szTitle, WS_POPUP | WS_MAXIMIZEBOX, 0, 0,
                                     0, 0, NULL, NULL, hInstance, NULL);
        ASSERT_TRUE(g_hWndMain);
        s_frozen = UseSyntheticCapture(c_cx, c_cy);
        // The real pointer stays off the window, so the display adds no input.
        SetCursorPos(c_cx + 300, c_cy + 300);
        SetWindowPos(g_hWndMain, HWND_TOPMOST, 0, 0, c_cx, c_cy, 0);
        ShowWindow(g_hWndMain, SW_SHOW);
        UpdateWindow(g_hWndMain);

        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = FeederProc;
        wc.hInstance = hInstance;
        wc.lpszClassName = L"KelvaneFuzzFeeder";
        RegisterClassExW(&wc);
        s_hWndFeeder = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, hInstance, NULL);
        ASSERT_TRUE(s_hWndFeeder);
        m_hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDC_OCRKELVANE));
        m_pOldCout = std::cout.rdbuf(s_output.rdbuf());
    }
    void TearDown() override
    {
        if (m_pOldCout)
            std::cout.rdbuf(m_pOldCout);
    }

    HACCEL m_hAccel = NULL;
    std::streambuf* m_pOldCout = nullptr;
};

TEST_F(InputFuzzTest, APendingQuitIsSeenWithoutBeingTaken)
{
    // The feeder relies on this to catch a run that ends too early.
    EXPECT_FALSE(QuitPending());
    PostQuitMessage(0);
    EXPECT_TRUE(QuitPending());
    EXPECT_TRUE(QuitPending());
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_FALSE(QuitPending());
}

TEST_F(InputFuzzTest, RandomSequencesKeepTheRunConsistent)
{
    // A watchdog: a sequence that hangs names its seed and ends the process.
    std::atomic<bool> bDone(false);
    std::thread watchdog([&] {
        while (!bDone) {
            Sleep(500);
            if (!bDone && GetTickCount() - s_dwSequenceStart > c_dwHangMs) {
                std::fprintf(stderr, "seed %u hangs (more than %lu ms)\n", (unsigned)s_uRunningSeed,
                             (unsigned long)c_dwHangMs);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    });
    s_dwSequenceStart = GetTickCount();

    int nRun = 0, nFailed = 0, nExports = 0, nEscapes = 0;
    DWORD dwStart = GetTickCount();
    for (int i = 0; i < c_nSequences; i++) {
        std::string failure = RunSequence(c_uFirstSeed + (unsigned)i, m_hAccel);
        nRun++;
        if (s_seq.bExportExpected)
            nExports++;
        else if (s_seq.bQuitExpected)
            nEscapes++;
        if (!failure.empty()) {
            ADD_FAILURE() << failure;
            if (++nFailed >= 5)
                break;
        }
    }
    bDone = true;
    watchdog.join();
    std::printf("%d sequences in %lu ms: %d ended by an export, %d by Esc, the rest ran out of input\n",
                nRun, (unsigned long)(GetTickCount() - dwStart), nExports, nEscapes);
    // The mix must reach every ending, or the checks above saw too little.
    EXPECT_GT(nExports, nRun / 20);
    EXPECT_GT(nEscapes, nRun / 20);
}

}  // namespace
