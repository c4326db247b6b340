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
// Returns how long the shade bitmap and the dimmed image took to make.
static double SetUpFrozenImage()
{
    CaptureMonitor();
    DrawDesktopImage(g_hdcCapture, g_cxScreen, g_cyScreen);
    double t0 = NowMs();
    CreateShadeBitmap();
    double msShade = NowMs() - t0;
    // A selection in the middle: dimmed all round, eight handles, a label.
    SetRect(&g_tracker.m_rcSelection, g_cxScreen / 4, g_cyScreen / 4,
            g_cxScreen * 3 / 4, g_cyScreen * 3 / 4);
    return msShade;
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
        BitBlt(hdcBack, 0, 0, cx, cy, g_hdcDimmed, 0, 0, SRCCOPY);
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
        { "dimmed image copied in (BitBlt)", &copyIn },
        { "selection copied in bright (ShadeOutsideRect)", &shade },
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

int main(int argc, char** argv)
{
    SetProcessDPIAware();
    int nFrames = (argc > 1) ? atoi(argv[1]) : 60;
    double msShade = SetUpFrozenImage();
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
    // What a back buffer made for one paint costs before anything is drawn:
    // its pages are new, so the first copy into it pays for touching them.
    Stats freshFloor = TimeRuns(nFrames, [&] {
        ScopedGdiObject<HBITMAP> hbmFresh(CreateCompatibleBitmap(hdcTarget, cx, cy));
        ScopedMemDC hdcFresh((HDC)hdcTarget);
        ScopedSelect freshSelected(hdcFresh, hbmFresh);
        BitBlt(hdcFresh, 0, 0, cx, cy, g_hdcCapture, 0, 0, SRCCOPY);
    });
    PrintRow("paint floor", size, Format("memcpy of one frame (%.1f MB)", MegaBytes((double)cbFrame)),
             MedianText(memcpyFloor), SpreadText(memcpyFloor));
    PrintRow("paint floor", size, "BitBlt memory DC -> memory DC", MedianText(bltFloor), SpreadText(bltFloor));
    PrintRow("paint floor", size, "BitBlt memory DC -> window DC", MedianText(windowFloor), SpreadText(windowFloor));
    PrintRow("paint floor", size, "new bitmap made, one BitBlt into it, released", MedianText(freshFloor),
             SpreadText(freshFloor));
    PrintRow("paint", size, "once at start-up: shade bitmap and dimmed image", Format("%.2f ms", msShade),
             "CreateShadeBitmap, one AlphaBlend of the whole image");

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

    DestroyWindow(hWnd);
    return 0;
}
