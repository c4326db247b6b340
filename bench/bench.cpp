// The picker's figures under Wine, at the size of the display it runs on:
//   bench paint N | input N | export N | base64 N | startup N | memory
// Each part prints rows "ROW area size measure figure detail" (tab-separated)
// that scripts/bench gathers into one table. Timings are medians of N runs
// after one warm-up run.
#include <windows.h>
#include <gdiplus.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/globals.h"
#include "app/mainwindow.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "common/gdiguards.h"
#include "export/base64.h"
#include "export/png.h"
#include "tests/kit/driver.h"
#include "tests/kit/screen.h"

static int s_cx, s_cy;

static double NowMs()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

struct Stats {
    double median, min;
};

static Stats Summary(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return { samples[samples.size() / 2], samples.front() };
}

static Stats Time(int nRuns, const std::function<void()>& fn)
{
    fn();
    std::vector<double> samples;
    for (int i = 0; i < nRuns; ++i) {
        double t0 = NowMs();
        fn();
        samples.push_back(NowMs() - t0);
    }
    return Summary(samples);
}

// Two timings taken in turns, so that whatever else the machine does weighs on both alike.
static std::pair<Stats, Stats> TimeInTurns(int nRuns, const std::function<void()>& fnA, const std::function<void()>& fnB)
{
    fnA(), fnB();
    std::vector<double> a, b;
    for (int i = 0; i < nRuns; ++i) {
        double t0 = NowMs();
        fnA();
        double t1 = NowMs();
        fnB();
        a.push_back(t1 - t0);
        b.push_back(NowMs() - t1);
    }
    return { Summary(a), Summary(b) };
}

static std::string Text(const char* pszFormat, double a, double b = 0)
{
    char sz[160];
    snprintf(sz, sizeof(sz), pszFormat, a, b);
    return sz;
}

static void Row(const char* pszArea, const char* pszMeasure, const std::string& figure, const std::string& detail)
{
    printf("ROW\t%s\t%dx%d\t%s\t%s\t%s\n", pszArea, s_cx, s_cy, pszMeasure, figure.c_str(), detail.c_str());
    fflush(stdout);
}

static void Row(const char* pszArea, const char* pszMeasure, const Stats& stats, const std::string& detail = "")
{
    Row(pszArea, pszMeasure, Text("%.2f ms", stats.median), Text("min %.2f ms", stats.min) + detail);
}

// One copy of cb touched bytes: the floor of anything that reads and writes a frame.
static Stats MemcpyFloor(size_t cb, int nRuns)
{
    std::vector<BYTE> source(cb, 0x5A), target(cb, 0);
    return Time(nRuns, [&] { memcpy(target.data(), source.data(), cb); });
}

// The selection the input and export parts use: 800 x 600 in the middle of the display.
static RECT MiddleSelection()
{
    return { s_cx / 2 - 400, s_cy / 2 - 300, s_cx / 2 + 400, s_cy / 2 + 300 };
}

// What the painter does for a drag step of the middle selection and for a whole window, into a memory DC, beside
// the floors: a frame's copy and a fresh bitmap's first copy. Then the ways of dimming a drag step's region: through
// the shade table (as built), blending black over it from the 1 x 1 shade with AlphaBlend (as the table is made), or
// copying it from a dimmed frame kept for the run (the table's dimming of the whole frame, to make it, is timed too).
static void BenchPaint(int nRuns)
{
    UseSyntheticCapture(s_cx, s_cy, TestPattern);
    g_tracker.m_rcSelection = MiddleSelection();
    ScopedGdiObject<HBITMAP> hbmTarget(CreateCompatibleBitmap(g_hdcCapture, s_cx, s_cy));
    ScopedMemDC hdcTarget(g_hdcCapture);
    ScopedSelect targetSelected(hdcTarget, hbmTarget);
    // A step moves the selection by (4, 3): the region repainted is the union of its extents before and after.
    RECT rcStep = MiddleSelection(), rcAfter = rcStep, rcLabel = HintLabelBox(rcStep);
    OffsetRect(&rcAfter, 4, 3);
    InflateRect(&rcStep, 8, 8), InflateRect(&rcAfter, 8, 8);
    UnionRect(&rcStep, &rcStep, &rcAfter), UnionRect(&rcStep, &rcStep, &rcLabel);
    const RECT rcAll = { 0, 0, s_cx, s_cy };
    const int cxStep = rcStep.right - rcStep.left, cyStep = rcStep.bottom - rcStep.top;

    Stats blt = Time(nRuns, [&] { BitBlt(hdcTarget, 0, 0, s_cx, s_cy, g_hdcCapture, 0, 0, SRCCOPY); });
    Stats fresh = Time(nRuns, [&] {
        ScopedGdiObject<HBITMAP> hbm(CreateCompatibleBitmap(hdcTarget, s_cx, s_cy));
        ScopedMemDC hdc((HDC)hdcTarget);
        ScopedSelect selected(hdc, hbm);
        BitBlt(hdc, 0, 0, s_cx, s_cy, g_hdcCapture, 0, 0, SRCCOPY);
    });
    Stats full = Time(nRuns, [&] { PaintOverlay(hdcTarget, rcAll, g_tracker); });
    Stats step = Time(nRuns, [&] { PaintOverlay(hdcTarget, rcStep, g_tracker); });
    std::vector<BYTE> frame((size_t)s_cx * s_cy * 4);
    Stats table = Time(nRuns, [&] { ComposeImage(frame.data(), rcStep, {}); });
    Stats dimFrame = Time(nRuns, [&] { ComposeImage(frame.data(), rcAll, {}); });
    ScopedMemDC hdcShade(g_hdcCapture);
    ScopedGdiObject<HBITMAP> hbmShade(CreateCompatibleBitmap(g_hdcCapture, 1, 1));  // black
    ScopedSelect shadeSelected(hdcShade, hbmShade);
    const BLENDFUNCTION blend = { AC_SRC_OVER, 0, 0x50, 0 };
    Stats blended = Time(nRuns, [&] {
        GdiAlphaBlend(hdcTarget, rcStep.left, rcStep.top, cxStep, cyStep, hdcShade, 0, 0, 1, 1, blend);
    });
    Stats copied = Time(nRuns, [&] {
        BitBlt(hdcTarget, rcStep.left, rcStep.top, cxStep, cyStep, g_hdcCapture, rcStep.left, rcStep.top, SRCCOPY);
    });
    std::string region = Text("; %.0f x %.0f region", cxStep, cyStep);
    Row("paint", "floor: memcpy of one frame", MemcpyFloor((size_t)s_cx * s_cy * 4, nRuns));
    Row("paint", "floor: BitBlt of one frame, memory DC to memory DC", blt);
    Row("paint", "floor: a new frame-sized bitmap, one BitBlt into it, released", fresh);
    Row("paint", "the whole window (PaintOverlay of every pixel, as the first frame)", full,
        Text("; %.1fx the BitBlt floor", full.median / blt.median));
    Row("paint", "a drag step's region (PaintOverlay of its region)", step, region);
    Row("paint", "dimming that region through the shade table", table, "; as built");
    Row("paint", "dimming that region with AlphaBlend from the 1 x 1 shade", blended, "; instead");
    Row("paint", "copying that region from a dimmed frame kept for the run", copied,
        Text("; instead, for %.1f MB kept", s_cx * (double)s_cy * 4 / 1048576.0));
    Row("paint", "making that dimmed frame: the whole frame through the table", dimFrame);
}

// Runs the messages queued for this thread, paints included, until none is left.
static void Pump()
{
    for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
        TranslateMessage(&msg), DispatchMessageW(&msg);
}

// The drag part's window procedure, put in front of the picker's: after each paint the next step is posted, and
// the time taken since the last step's paint kept.
static WNDPROC s_pfnPicker;
static std::vector<double> s_stepMs;
static int s_nSteps;
static double s_msLast;
static LRESULT CALLBACK Stepper(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = CallWindowProcW(s_pfnPicker, hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_PAINT && s_nSteps > 0) {
        double ms = NowMs();
        s_stepMs.push_back(ms - s_msLast);
        s_msLast = ms;
        int d = --s_nSteps % 2;  // to the other place: the first step went to (4, 3)
        PostMouse(hWnd, s_nSteps ? WM_MOUSEMOVE : WM_LBUTTONUP, s_cx / 2 + 4 * d, s_cy / 2 + 3 * d);
    }
    return lResult;
}

// The picker's own window, made as its start-up makes it, over a pattern: the time its message handling takes for
// a mouse move with nothing dragged (no selection, then over the middle selection), and for each step of dragging
// that selection, a mouse move and the paint it asks for; beside the floors, the window put back on top alone and
// a BitBlt of the step's region to the window.
static void BenchInput(int nRuns)
{
    PatternWindow pattern({ 0, 0, s_cx, s_cy }, TestPattern);
    pattern.WaitUntilShown();
    lstrcpyW(g_szWindowClass, L"OCRKelvane");
    RegisterMainWindowClass(GetModuleHandleW(NULL));
    if (!CreateMainWindow(GetModuleHandleW(NULL)))
        return;
    Pump();
    int n = 0;
    auto hover = [&] {
        PostMouse(g_hWndMain, WM_MOUSEMOVE, s_cx / 2 + 100 + (n++ % 2) * 3, s_cy / 2 + 50);
        SendMessageW(g_hWndMain, WM_SETCURSOR, (WPARAM)g_hWndMain, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        Pump();
    };
    Stats bare = Time(nRuns, hover);
    g_tracker.m_rcSelection = MiddleSelection();
    RedrawWindow(g_hWndMain, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    Stats over = Time(nRuns, hover);
    Stats top = Time(nRuns, [] {
        SetWindowPos(g_hWndMain, HWND_TOPMOST, g_rcMonitor.left, g_rcMonitor.top, g_cxScreen, g_cyScreen, 0);
    });
    // Pressed in the middle, moved to and fro by (4, 3): each step repaints the union of its two extents.
    s_pfnPicker = (WNDPROC)SetWindowLongPtrW(g_hWndMain, GWLP_WNDPROC, (LONG_PTR)Stepper);
    s_nSteps = 2 * (nRuns / 2) + 3;  // odd, so that the first post goes back to the press point
    s_msLast = NowMs();
    PostMouse(g_hWndMain, WM_LBUTTONDOWN, s_cx / 2, s_cy / 2);
    PostMouse(g_hWndMain, WM_MOUSEMOVE, s_cx / 2 + 4, s_cy / 2 + 3);
    Pump();
    std::sort(s_stepMs.begin() + 1, s_stepMs.end());  // the first one holds the press
    Stats drag = { s_stepMs[1 + (s_stepMs.size() - 1) / 2], s_stepMs[1] };
    HDC hdcWindow = GetDC(g_hWndMain);
    const RECT& rc = g_tracker.m_rcSelection;
    Stats region = Time(nRuns, [&] {
        BitBlt(hdcWindow, rc.left - 20, rc.top - 80, 850, 710, g_hdcCapture, rc.left - 20, rc.top - 80, SRCCOPY);
    });
    ReleaseDC(g_hWndMain, hdcWindow);
    Row("input", "a mouse move, no selection (WM_SETCURSOR, WM_MOUSEMOVE)", bare);
    Row("input", "a mouse move over the 800 x 600 selection, nothing dragged", over);
    Row("input", "floor: the window put back on top alone (SetWindowPos)", top);
    Row("input", "a step of dragging the 800 x 600 selection (move and paint)", drag);
    Row("input", "floor: BitBlt of an 850 x 710 region to the window", region);
    DestroyWindow(g_hWndMain);
}

// The accept of the middle selection and of the whole display over noise, the worst case for PNG, by stage,
// beside GDI+ saving the same pixels into a stream that has its room beforehand. The middle selection's accept is
// also timed in turns with the same 800 x 600 pixels accepted from a 1920 x 1080 image, laid out as the frozen
// image is: its cost should follow the selection, not the monitor.
static void BenchExport(int nRuns)
{
    UseSyntheticCapture(s_cx, s_cy, NoisePattern);
    const PixelRows frozen = { g_pbCapture, s_cx, s_cy, g_cbCaptureStride };
    const RECT rcAll = { 0, 0, s_cx, s_cy };
    const int cxSmall = 1920, cySmall = 1080, xShift = s_cx / 2 - cxSmall / 2, yShift = s_cy / 2 - cySmall / 2;
    std::vector<uint32_t> small((size_t)cxSmall * cySmall);
    for (int y = 0; y < cySmall; ++y)  // bottom-up: the top row last
        for (int x = 0; x < cxSmall; ++x)
            small[(size_t)(cySmall - 1 - y) * cxSmall + x] = NoisePattern(x + xShift, y + yShift);
    const PixelRows smallFrozen = { (BYTE*)&small[(size_t)(cySmall - 1) * cxSmall], cxSmall, cySmall, -4 * cxSmall };
    const RECT rcSmallMiddle = { cxSmall / 2 - 400, cySmall / 2 - 300, cxSmall / 2 + 400, cySmall / 2 + 300 };
    std::string pngs[2];
    auto accept = [&](const PixelRows& image, const RECT& rc, std::string* pPng = nullptr) {
        GdiplusSession gdiplus;
        EncodeSelectionPng(image, rc, [&](const BYTE* pb, size_t cb) {
            Base64Encode(pb, cb);
            if (pPng)
                pPng->assign((const char*)pb, cb);
        });
    };
    auto [middle, smallMiddle] = TimeInTurns(4 * nRuns, [&] { accept(frozen, MiddleSelection(), &pngs[0]); },
                                             [&] { accept(smallFrozen, rcSmallMiddle, &pngs[1]); });
    Stats whole = Time(nRuns, [&] { accept(frozen, rcAll); });
    GdiplusSession gdiplus;
    std::vector<BYTE> png;
    Stats encode = Time(nRuns, [&] { EncodeSelectionPng(frozen, rcAll, [&](const BYTE* pb, size_t cb) { png.assign(pb, pb + cb); }); });
    Stats text = Time(nRuns, [&] { Base64Encode(png.data(), png.size()); });
    CLSID clsidPng;
    CLSIDFromString(L"{557cf406-1a04-11d3-9a73-0000f81ef32e}", &clsidPng);
    Gdiplus::Bitmap image(s_cx, s_cy, g_cbCaptureStride, PixelFormat32bppRGB, g_pbCapture);
    Stats save = Time(nRuns, [&] {
        IStream* pStream = NULL;
        CreateStreamOnHGlobal(NULL, TRUE, &pStream);
        ULARGE_INTEGER cbRoom;
        cbRoom.QuadPart = (ULONGLONG)s_cx * s_cy * 4 + 65536;
        pStream->SetSize(cbRoom);
        image.Save(pStream, &clsidPng, NULL);
        pStream->Release();
    });
    Row("export", "accept of the 800 x 600 selection: GDI+ started, crop, PNG, Base64", middle,
        Text("; PNG of %.2f MB", pngs[0].size() / 1048576.0));
    Row("export", "the same 800 x 600 pixels accepted from a 1920 x 1080 image, in turns with the row above", smallMiddle,
        Text("; this size's accept takes %.2fx it", middle.median / smallMiddle.median) +
            (pngs[0] == pngs[1] ? "; the same PNG bytes" : "; the PNGs differ"));
    Row("export", "accept of the whole display: GDI+ started, crop, PNG, Base64", whole,
        Text("; %.2fx the PNG save alone", whole.median / save.median));
    Row("export", "crop and PNG of the whole display, copied out (EncodeSelectionPng)", encode,
        Text("; PNG of %.1f MB", png.size() / 1048576.0));
    Row("export", "Base64 text of that PNG", text);
    Row("export", "the PNG save alone, into a stream with room", save);
}

static void BenchBase64(int nRuns)
{
    const size_t cb = 8u << 20;
    std::vector<unsigned char> bytes(cb);
    for (size_t i = 0; i < cb; ++i)
        bytes[i] = (unsigned char)((i * 2654435761u) >> 13);
    Stats encode = Time(nRuns, [&] { Base64Encode(bytes.data(), cb); });
    Stats copy = MemcpyFloor(cb, nRuns);
    Row("base64", "Base64Encode of 8 MB", Text("%.0f MB/s", 8.0 * 1000.0 / encode.median),
        Text("memcpy of the same bytes: %.0f MB/s", 8.0 * 1000.0 / copy.median));
}

// A picker started with the cursor on this display; its window once shown.
static HWND StartPicker(ChildProcess* pPicker)
{
    SetCursorPos(s_cx / 2, s_cy / 2);
    if (!pPicker->Start(SiblingPath(L"OCRKelvane.exe"), StdoutMode::Pipe))
        return NULL;
    return pPicker->WaitForWindow(L"OCRKelvane");
}

static const uint32_t c_rgbBackdrop = 0xC8783C, c_rgbMarker = 0x3CA0E6;

static uint32_t Backdrop(int, int)
{
    return c_rgbBackdrop;
}

static uint32_t Marker(int, int)
{
    return c_rgbMarker;
}

// rgb is the colour c dimmed once by the picker: about 175/255 of each channel.
static bool IsDimmed(uint32_t rgb, uint32_t c)
{
    for (int nShift = 0; nShift <= 16; nShift += 8)
        if (std::abs((int)(rgb >> nShift & 0xFF) - (int)(c >> nShift & 0xFF) * 175 / 255) > 3)
            return false;
    return true;
}

// The picker's first frame: the marker's last place dimmed, whether it held the marker or the backdrop when
// the picker captured it.
static bool IsPickerFrame(uint32_t rgb)
{
    return IsDimmed(rgb, c_rgbMarker) || IsDimmed(rgb, c_rgbBackdrop);
}

// The floor's first frame: the backdrop where the marker stays (see TimeStart).
static bool IsFloorFrame(uint32_t rgb)
{
    return rgb == c_rgbBackdrop;
}

// Milliseconds from CreateProcess to the program's window existing (hidden or not), to its being visible and
// to its first frame on the screen; negative where not seen.
struct StartTimes {
    double exists = -1, visible = -1, frame = -1;
};

// One start of pszExe over the backdrop, polled about every millisecond. The floor shows what it captured
// as it is, so its first frame differs from the screen before it only where the screen has changed since
// the capture. So an 8 x 8 marker crawls to the right, 4 pixels a step, each step once the screen shows it,
// from when the program's window exists (both programs make it before they capture). The point 6 pixels
// into the marker's last place seen is covered by the marker from its arrival there on, in that place and
// the next: if it then shows the backdrop, a window in front shows a capture taken before the marker came,
// while a window not painted yet shows black or what the screen showed. pfnIsFrame judges that point.
// Bounded by 30 s in all and 5 s after the window shows; a frame not seen is left negative, as when no step
// came between the capture and the window's showing.
static StartTimes TimeStart(const wchar_t* pszExe, const wchar_t* pszClass, bool (*pfnIsFrame)(uint32_t))
{
    const int y = s_cy / 2, nLast = (s_cx - 8) / 4;
    PatternWindow marker({ 0, y - 4, 8, y + 4 }, Marker);
    StartTimes times;
    ChildProcess child;
    // The marker's window, found where it is, moved behind the kit's back: it goes at the end of the run.
    HWND hMarker = NULL;
    RECT rc = {};
    if (!marker.WaitUntilShown().empty() || !(hMarker = WindowFromPoint({ 4, y })) ||
        (GetWindowRect(hMarker, &rc), rc.left != 0 || rc.right != 8))
        return times;
    double t0 = NowMs();
    if (!child.Start(SiblingPath(pszExe), StdoutMode::None))
        return times;
    HWND hWnd = NULL;
    for (int x = 0; NowMs() - t0 < 30000 && (times.visible < 0 || NowMs() - t0 < times.visible + 5000); Sleep(1)) {
        // Only one such program runs at a time, and the last one has ended.
        if (!hWnd && (hWnd = FindWindowExW(NULL, NULL, pszClass, NULL)) != NULL) {
            times.exists = NowMs() - t0;
            SetWindowPos(hMarker, NULL, x + 4, y - 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (hWnd && times.visible < 0 && IsWindowVisible(hWnd))
            times.visible = NowMs() - t0;
        // The point in the last place seen and the one in the next.
        Image strip = ReadScreen({ x + 6, y, x + 11, y + 1 });
        if (pfnIsFrame(strip.At(0, 0))) {
            times.frame = NowMs() - t0;
            if (times.visible < 0)  // shown since the last look
                times.visible = times.frame;
            break;
        }
        if (hWnd && strip.At(4, 0) == c_rgbMarker && x / 4 + 1 < nLast) {
            x += 4;
            SetWindowPos(hMarker, NULL, x + 4, y - 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (hWnd)
        PostMessageW(hWnd, WM_CLOSE, 0, 0);
    child.Finish(hWnd ? 30000 : 0);
    return times;
}

// Process start to the first frame on the screen of the picker and of the floor (bench/floor.cpp: the monitor
// captured and shown as it is, the least any picker does), taken in turns, each by phase.
static void BenchStartup(int nRuns)
{
    PatternWindow backdrop({ 0, 0, s_cx, s_cy }, Backdrop);
    if (!backdrop.WaitUntilShown().empty())
        return;
    struct Program {
        const char* pszName;
        const wchar_t* pszExe;
        const wchar_t* pszClass;
        bool (*pfnIsFrame)(uint32_t);
        std::vector<StartTimes> runs;  // the first one a warm-up
        int nDiscarded;
    } programs[] = { { "picker", L"OCRKelvane.exe", L"OCRKelvane", IsPickerFrame, {}, 0 },
                     { "floor", L"kelvane_floor.exe", L"KelvaneFloor", IsFloorFrame, {}, 0 } };
    // A run whose frame is not seen (for the floor: when the marker made no step between its capture and
    // its window's showing) is made again, within three times as many tries as runs in all.
    for (int nTry = 0; nTry < 3 * (nRuns + 1); nTry++)
        for (Program& program : programs)
            if ((int)program.runs.size() <= nRuns) {
                // The screen settled: the last program's window gone and the backdrop drawn again.
                if (!backdrop.WaitUntilShown().empty())
                    return;
                StartTimes times = TimeStart(program.pszExe, program.pszClass, program.pfnIsFrame);
                if (times.frame < 0 || times.exists < 0 || times.visible < 0)
                    program.nDiscarded++;
                else
                    program.runs.push_back(times);
            }
    for (const Program& program : programs)
        if ((int)program.runs.size() < 2) {
            fprintf(stderr, "bench: the %s's first frame was not seen\n", program.pszName);
            return;
        }
    auto median = [](const Program& program, double (*pfnOf)(const StartTimes&)) {
        std::vector<double> samples;
        for (size_t i = 1; i < program.runs.size(); i++)
            samples.push_back(pfnOf(program.runs[i]));
        std::sort(samples.begin(), samples.end());
        return samples[samples.size() / 2];
    };
    auto frame = [](const StartTimes& t) { return t.frame; };
    double msFloor = median(programs[1], frame);
    for (const Program& program : programs) {
        bool bPicker = &program == &programs[0];
        double msMin = 1e9;
        for (size_t i = 1; i < program.runs.size(); i++)
            msMin = std::min(msMin, program.runs[i].frame);
        std::string name = program.pszName, detail = Text("min %.0f ms", msMin);
        // Wine's start of a process, in phase 1, varies most: the rest compared alone as well.
        auto shown = [](const StartTimes& t) { return t.frame - t.exists; };
        if (bPicker)
            detail += Text("; %.2fx the floor; from the window existing on, %.2fx", median(program, frame) / msFloor,
                           median(program, shown) / median(programs[1], shown));
        if (program.nDiscarded)
            detail += Text("; %.0f runs made again, their frame not seen", program.nDiscarded);
        Row("start-up", (name + ": process start to first frame on the screen").c_str(),
            Text("%.0f ms", median(program, frame)), detail);
        Row("start-up", (name + ": 1. process start to its window existing, hidden").c_str(),
            Text("%.0f ms", median(program, [](const StartTimes& t) { return t.exists; })), "");
        Row("start-up", (name + ": 2. window existing to visible (its capture and the rest of its set-up)").c_str(),
            Text("%.0f ms", median(program, [](const StartTimes& t) { return t.visible - t.exists; })), "");
        Row("start-up", (name + ": 3. window visible to first frame on the screen (first paint)").c_str(),
            Text("%.0f ms", median(program, [](const StartTimes& t) { return t.frame - t.visible; })),
            "medians by phase, which need not add up to the whole");
    }
}

// The peak working set of the process that owns the window, polled until the process ends, as Wine no longer
// reports it once it has.
static SIZE_T PeakWorkingSet(HWND hWnd)
{
    DWORD dwId = 0;
    GetWindowThreadProcessId(hWnd, &dwId);
    HANDLE hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, dwId);
    SIZE_T cbPeak = 0;
    do {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(hProcess, &counters, sizeof(counters)))
            cbPeak = std::max(cbPeak, counters.PeakWorkingSetSize);
    } while (WaitForSingleObject(hProcess, 1) == WAIT_TIMEOUT);
    CloseHandle(hProcess);
    return cbPeak;
}

// One run of the picker over noise, driven by posted input: a band drawn, then dragged by its middle to and fro,
// then Enter or Esc.
static void RunForMemory(const char* pszMeasure, const RECT& rc, bool bExport)
{
    ChildProcess picker;
    HWND hWnd = StartPicker(&picker);
    PostMouse(hWnd, WM_LBUTTONDOWN, rc.left, rc.top);
    PostMouse(hWnd, WM_MOUSEMOVE, rc.left + 4, rc.top + 4);
    PostMouse(hWnd, WM_MOUSEMOVE, rc.right, rc.bottom);
    PostMouse(hWnd, WM_LBUTTONUP, rc.right, rc.bottom);
    for (int i = 0; i < 40; i++)
        PostMouse(hWnd, i ? (i < 39 ? WM_MOUSEMOVE : WM_LBUTTONUP) : WM_LBUTTONDOWN, (rc.left + rc.right) / 2 + i % 2 * 5,
                  (rc.top + rc.bottom) / 2 + i % 2 * 4);
    PostMessageW(hWnd, WM_KEYUP, bExport ? VK_RETURN : VK_ESCAPE, 0xC0000001);
    SIZE_T cbPeak = PeakWorkingSet(hWnd);
    ProcessResult result = picker.Finish(120000);
    Row("memory", pszMeasure, Text("%.0f MB", cbPeak / 1048576.0),
        Text("frame %.1f MB; Base64 text written: %.2f MB", s_cx * (double)s_cy * 4 / 1048576.0,
             result.out.size() / 1048576.0));
}

// Beside them the floor program, shown for a second: one frame of its own, and Wine's (its window's surface).
static void FloorMemory()
{
    ChildProcess floor;
    SetCursorPos(s_cx / 2, s_cy / 2);
    HWND hWnd = floor.Start(SiblingPath(L"kelvane_floor.exe"), StdoutMode::None) ? floor.WaitForWindow(L"KelvaneFloor") : NULL;
    if (!hWnd)
        return;
    std::thread closer([hWnd] { Sleep(1000), PostMessageW(hWnd, WM_CLOSE, 0, 0); });
    SIZE_T cbPeak = PeakWorkingSet(hWnd);
    closer.join();
    Row("memory", "floor: peak working set of the floor program, shown", Text("%.0f MB", cbPeak / 1048576.0),
        "one frame kept, as the picker keeps its frozen image");
}

static void BenchMemory()
{
    PatternWindow noise({ 0, 0, s_cx, s_cy }, NoisePattern);
    noise.WaitUntilShown();
    RunForMemory("peak working set: a band drawn and dragged, then Esc", MiddleSelection(), false);
    RunForMemory("peak working set: the 800 x 600 selection exported", MiddleSelection(), true);
    // Posted: the pointer cannot reach the corner beyond the last pixel.
    RunForMemory("peak working set: the whole display exported", { 0, 0, s_cx, s_cy }, true);
    FloorMemory();
}

int main(int argc, char** argv)
{
    SetProcessDPIAware();
    s_cx = GetSystemMetrics(SM_CXSCREEN);
    s_cy = GetSystemMetrics(SM_CYSCREEN);
    std::string part = argc > 1 ? argv[1] : "";
    int nRuns = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    if (part == "paint")
        BenchPaint(nRuns);
    else if (part == "input")
        BenchInput(nRuns);
    else if (part == "export")
        BenchExport(nRuns);
    else if (part == "base64")
        BenchBase64(nRuns);
    else if (part == "startup")
        BenchStartup(nRuns);
    else if (part == "memory")
        BenchMemory();
    else
        return fprintf(stderr, "usage: bench paint|input|export|base64|startup N | memory\n"), 2;
    return 0;
}
