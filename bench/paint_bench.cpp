// Times one full repaint of the overlay at the size of the display it runs
// on, beside the cost of copying one frame of that size, and splits the
// repaint into its steps so the slow call can be named.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "common/gdiguards.h"
#include "app/globals.h"
#include "bench/benchutil.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "tracker/geometry.h"

static LRESULT CALLBACK BenchWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: {
        // The program's own path: BeginPaint's DC handed to the painter.
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        PaintOverlay(hdc);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

static HWND CreateBenchWindow(int cx, int cy)
{
    WNDCLASSEXW wcex = {};
    wcex.cbSize = sizeof(wcex);
    wcex.lpfnWndProc = BenchWindowProc;
    wcex.hInstance = GetModuleHandleW(NULL);
    wcex.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wcex.lpszClassName = L"KelvanePaintBench";
    RegisterClassExW(&wcex);
    HWND hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wcex.lpszClassName, L"paint bench",
                                WS_POPUP, 0, 0, cx, cy, NULL, NULL, wcex.hInstance, NULL);
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    return hWnd;
}

static void PumpMessages(DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - dwStart < dwMs);
}

// The frozen image as the program makes it, then overwritten with the
// desktop-like test image (an empty virtual display is one flat colour).
static void SetUpFrozenImage()
{
    CaptureMonitor();
    DrawDesktopImage(g_hdcCapture, g_cxScreen, g_cyScreen);
    CreateShadeBitmap();
    // A selection in the middle: all four dimming bands, eight handles, a label.
    SetRect(&g_tracker.m_rcSelection, g_cxScreen / 4, g_cyScreen / 4,
            g_cxScreen * 3 / 4, g_cyScreen * 3 / 4);
}

// The repaint split into its steps, with the same calls in the same order;
// each step's median, to show which call takes the time.
static void TimePaintSteps(HDC hdcLike, int nFrames, const std::string& size, double frameMedian)
{
    const int cx = g_cxScreen, cy = g_cyScreen;
    const RECT& rcSel = g_tracker.m_rcSelection;
    std::vector<double> create, copyIn, shade, frame, hover, label, copyOut, release;
    for (int i = 0; i <= nFrames; ++i) {
        double t0 = NowMs();
        HBITMAP hbmBack = CreateCompatibleBitmap(hdcLike, cx, cy);
        HDC hdcBack = CreateCompatibleDC(hdcLike);
        HGDIOBJ hOld = SelectObject(hdcBack, hbmBack);
        double t1 = NowMs();
        BitBlt(hdcBack, 0, 0, cx, cy, g_hdcCapture, 0, 0, SRCCOPY);
        double t2 = NowMs();
        ShadeOutsideRect(hdcBack, rcSel.left, rcSel.top, rcSel.right, rcSel.bottom);
        double t3 = NowMs();
        g_tracker.PaintFrame(hdcBack);
        double t4 = NowMs();
        ShadeHover(hdcBack);
        double t5 = NowMs();
        DrawHintLabel(hdcBack);
        double t6 = NowMs();
        BitBlt(hdcLike, 0, 0, cx, cy, hdcBack, 0, 0, SRCCOPY);
        double t7 = NowMs();
        SelectObject(hdcBack, hOld);
        DeleteDC(hdcBack);
        DeleteObject(hbmBack);
        double t8 = NowMs();
        if (i == 0)
            continue;  // warm-up
        create.push_back(t1 - t0);
        copyIn.push_back(t2 - t1);
        shade.push_back(t3 - t2);
        frame.push_back(t4 - t3);
        hover.push_back(t5 - t4);
        label.push_back(t6 - t5);
        copyOut.push_back(t7 - t6);
        release.push_back(t8 - t7);
    }
    struct Step { const char* name; std::vector<double>* samples; };
    const Step steps[] = {
        { "back buffer made (CreateCompatibleBitmap+DC)", &create },
        { "frozen image copied in (BitBlt)", &copyIn },
        { "dimming outside the selection (4 AlphaBlend)", &shade },
        { "frame and handles (PaintFrame)", &frame },
        { "hover pass (ShadeHover)", &hover },
        { "hint label (DrawHintLabel)", &label },
        { "back buffer copied out (BitBlt)", &copyOut },
        { "back buffer released", &release },
    };
    for (const Step& step : steps) {
        Stats stats = ComputeStats(*step.samples);
        PrintRow("paint step", size, step.name, MedianText(stats),
                 Format("%.0f %% of the repaint", 100.0 * stats.median / frameMedian));
    }
}

// The same repaint with its back buffer made once and kept: what the
// per-paint allocation of a full-frame bitmap costs.
static void PaintKeptBuffer(HDC hdc)
{
    static HBITMAP s_hbmBack = CreateCompatibleBitmap(hdc, g_cxScreen, g_cyScreen);
    ScopedMemDC hdcBack(hdc);
    ScopedSelect backSelected(hdcBack, s_hbmBack);
    BitBlt(hdcBack, 0, 0, g_cxScreen, g_cyScreen, g_hdcCapture, 0, 0, SRCCOPY);
    const RECT& rcSel = g_tracker.m_rcSelection;
    ShadeOutsideRect(hdcBack, rcSel.left, rcSel.top, rcSel.right, rcSel.bottom);
    g_tracker.PaintFrame(hdcBack);
    ShadeHover(hdcBack);
    DrawHintLabel(hdcBack);
    BitBlt(hdc, 0, 0, g_cxScreen, g_cyScreen, hdcBack, 0, 0, SRCCOPY);
}

// The frozen image dimmed once, as every dimming pass would dim it: a
// repaint can then copy dimmed and bright pixels instead of blending.
static HBITMAP MakeDimmedImage()
{
    HBITMAP hbmDimmed = CreateCompatibleBitmap(g_hdcCapture, g_cxScreen, g_cyScreen);
    ScopedMemDC hdcDimmed(g_hdcCapture);
    ScopedSelect selected(hdcDimmed, hbmDimmed);
    BitBlt(hdcDimmed, 0, 0, g_cxScreen, g_cyScreen, g_hdcCapture, 0, 0, SRCCOPY);
    ShadeOutsideRect(hdcDimmed, 0, 0, 0, 0);  // zero size: the whole image, once
    return hbmDimmed;
}

// The repaint with a kept back buffer and a dimmed image made once: two
// full-frame copies and one copy of the selection, no blending.
static void PaintPreDimmed(HDC hdc, HBITMAP hbmDimmed)
{
    static HBITMAP s_hbmBack = CreateCompatibleBitmap(hdc, g_cxScreen, g_cyScreen);
    ScopedMemDC hdcBack(hdc);
    ScopedSelect backSelected(hdcBack, s_hbmBack);
    {
        ScopedMemDC hdcDimmed(hdc);
        ScopedSelect dimmedSelected(hdcDimmed, hbmDimmed);
        BitBlt(hdcBack, 0, 0, g_cxScreen, g_cyScreen, hdcDimmed, 0, 0, SRCCOPY);
    }
    RECT rcNormal = NormalizedRect(g_tracker.m_rcSelection);
    if (rcNormal.left != rcNormal.right && rcNormal.top != rcNormal.bottom)
        BitBlt(hdcBack, rcNormal.left, rcNormal.top, rcNormal.right - rcNormal.left,
               rcNormal.bottom - rcNormal.top, g_hdcCapture, rcNormal.left, rcNormal.top, SRCCOPY);
    g_tracker.PaintFrame(hdcBack);
    ShadeHover(hdcBack);
    DrawHintLabel(hdcBack);
    BitBlt(hdc, 0, 0, g_cxScreen, g_cyScreen, hdcBack, 0, 0, SRCCOPY);
}

// The pixels of the bitmap selected into a memory DC, as 32-bit rows.
static std::vector<DWORD> ReadPixels(HDC hdc, int cx, int cy)
{
    std::vector<DWORD> pixels((size_t)cx * cy);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    HBITMAP hbm = (HBITMAP)GetCurrentObject(hdc, OBJ_BITMAP);
    GetDIBits(hdc, hbm, 0, cy, pixels.data(), &bmi, DIB_RGB_COLORS);
    return pixels;
}

int main(int argc, char** argv)
{
    SetProcessDPIAware();
    int nFrames = (argc > 1) ? atoi(argv[1]) : 60;
    SetUpFrozenImage();
    const int cx = g_cxScreen, cy = g_cyScreen;
    const std::string size = DisplaySizeText(cx, cy);
    const size_t cbFrame = (size_t)cx * cy * 4;

    HWND hWnd = CreateBenchWindow(cx, cy);
    // Wine's own services are still starting after a fresh wineserver; let
    // them settle before anything is timed.
    PumpMessages(1500);

    // Floors: one frame copied by memcpy, by BitBlt between memory DCs and
    // by BitBlt from a memory DC to the window.
    Stats memcpyFloor = MemcpyFloor(cbFrame, nFrames);
    ScopedGdiObject<HBITMAP> hbmTarget(CreateCompatibleBitmap(g_hdcCapture, cx, cy));
    ScopedMemDC hdcTarget(g_hdcCapture);
    ScopedSelect targetSelected(hdcTarget, hbmTarget);
    Stats bltFloor = TimeRuns(nFrames, [&] {
        BitBlt(hdcTarget, 0, 0, cx, cy, g_hdcCapture, 0, 0, SRCCOPY);
    });
    ScopedWindowDC hdcWindow(hWnd);
    Stats windowFloor = TimeRuns(nFrames, [&] {
        BitBlt(hdcWindow, 0, 0, cx, cy, g_hdcCapture, 0, 0, SRCCOPY);
        GdiFlush();
    });
    PrintRow("paint floor", size, Format("memcpy of one frame (%.1f MB)", MegaBytes((double)cbFrame)),
             MedianText(memcpyFloor), SpreadText(memcpyFloor));
    PrintRow("paint floor", size, "BitBlt memory DC -> memory DC", MedianText(bltFloor), SpreadText(bltFloor));
    PrintRow("paint floor", size, "BitBlt memory DC -> window DC", MedianText(windowFloor), SpreadText(windowFloor));

    Stats toMemory = TimeRuns(nFrames, [&] { PaintOverlay(hdcTarget); });
    PrintRow("paint", size, "PaintOverlay -> memory DC", MedianText(toMemory),
             SpreadText(toMemory) + Format("; %.1fx BitBlt floor, %.1fx memcpy",
                                           toMemory.median / bltFloor.median,
                                           toMemory.median / memcpyFloor.median));
    Stats toWindow = TimeRuns(nFrames, [&] {
        InvalidateRect(hWnd, NULL, FALSE);
        UpdateWindow(hWnd);
    });
    PrintRow("paint", size, "WM_PAINT -> PaintOverlay -> window", MedianText(toWindow),
             SpreadText(toWindow) + Format("; %.1fx window BitBlt floor",
                                           toWindow.median / windowFloor.median));

    TimePaintSteps(hdcTarget, nFrames, size, toMemory.median);
    // Called once by the label and up to nine times by the frame drawing.
    Stats scale = TimeRuns(nFrames, [] { GetDisplayScale(); });
    PrintRow("paint step", size, "one GetDisplayScale call (inside the two above)", MedianText(scale),
             SpreadText(scale));

    Stats kept = TimeRuns(nFrames, [&] { PaintKeptBuffer(hdcTarget); });
    PrintRow("paint option", size, "same repaint, back buffer kept -> memory DC", MedianText(kept),
             SpreadText(kept) + Format("; %.1fx BitBlt floor", kept.median / bltFloor.median));

    double tDimmed = NowMs();
    ScopedGdiObject<HBITMAP> hbmDimmed(MakeDimmedImage());
    tDimmed = NowMs() - tDimmed;
    PaintOverlay(hdcTarget);
    std::vector<DWORD> expected = ReadPixels(hdcTarget, cx, cy);
    PaintPreDimmed(hdcTarget, hbmDimmed);
    bool bSame = ReadPixels(hdcTarget, cx, cy) == expected;
    Stats preDimmed = TimeRuns(nFrames, [&] { PaintPreDimmed(hdcTarget, hbmDimmed); });
    PrintRow("paint option", size, "pre-dimmed image + kept back buffer -> memory DC", MedianText(preDimmed),
             SpreadText(preDimmed) + Format("; %.1fx BitBlt floor; pixels %s PaintOverlay's; "
                                            "dimmed image made once in %.1f ms",
                                            preDimmed.median / bltFloor.median,
                                            bSame ? "identical to" : "DIFFER from", tDimmed));

    DestroyWindow(hWnd);
    return 0;
}
