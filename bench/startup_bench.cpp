// Time from starting OCRKelvane.exe to its first painted frame on the
// screen: a full-screen window of one known colour is shown first, so the
// frame is there once the screen shows that colour dimmed.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/gdiguards.h"
#include "bench/benchutil.h"

// Bright enough that the dimmed value (about 175/255 of each channel) is far
// from both it and black.
static const COLORREF c_crBackdrop = RGB(200, 120, 60);

static HWND CreateBackdrop(int cx, int cy)
{
    WNDCLASSEXW wcex = {};
    wcex.cbSize = sizeof(wcex);
    wcex.lpfnWndProc = DefWindowProcW;
    wcex.hInstance = GetModuleHandleW(NULL);
    wcex.hbrBackground = CreateSolidBrush(c_crBackdrop);  // lives as long as the class
    wcex.lpszClassName = L"KelvaneStartupBackdrop";
    RegisterClassExW(&wcex);
    HWND hWnd = CreateWindowExW(WS_EX_TOOLWINDOW, wcex.lpszClassName, L"backdrop", WS_POPUP,
                                0, 0, cx, cy, NULL, NULL, wcex.hInstance, NULL);
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    return hWnd;
}

static void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

static bool Near(int a, int b)
{
    return std::abs(a - b) <= 3;
}

// The screen pixel at (x, y) is the backdrop's colour dimmed once.
static bool ShowsDimmedBackdrop(int x, int y)
{
    ScopedWindowDC hdcScreen(NULL);
    COLORREF cr = GetPixel(hdcScreen, x, y);
    return Near(GetRValue(cr), 200 * 175 / 255) && Near(GetGValue(cr), 120 * 175 / 255) &&
           Near(GetBValue(cr), 60 * 175 / 255);
}

static bool ShowsBackdrop(int x, int y)
{
    ScopedWindowDC hdcScreen(NULL);
    return GetPixel(hdcScreen, x, y) == c_crBackdrop;
}

struct PickerWindowSearch {
    DWORD dwProcessId;
    HWND hWnd;
};

static BOOL CALLBACK FindPickerWindow(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<PickerWindowSearch*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId == pSearch->dwProcessId && IsWindowVisible(hWnd)) {
        pSearch->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

struct StartupRun {
    bool bPainted = false;
    double windowMs = 0;  // until the window is visible
    double frameMs = 0;   // until the screen shows the dimmed frame
};

static StartupRun RunOnce(const std::wstring& exePath, int x, int y)
{
    StartupRun run;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring commandLine = L"\"" + exePath + L"\"";
    double t0 = NowMs();
    if (!CreateProcessW(exePath.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return run;

    PickerWindowSearch search = { pi.dwProcessId, NULL };
    while (NowMs() - t0 < 20000 && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        PumpMessages();
        if (!search.hWnd) {
            EnumWindows(FindPickerWindow, reinterpret_cast<LPARAM>(&search));
            if (search.hWnd)
                run.windowMs = NowMs() - t0;
        }
        if (search.hWnd && ShowsDimmedBackdrop(x, y)) {
            run.frameMs = NowMs() - t0;
            run.bPainted = true;
            break;
        }
        Sleep(1);
    }

    if (search.hWnd)
        PostMessageW(search.hWnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // Wait until the backdrop shows again before the next start.
    for (double t = NowMs(); NowMs() - t < 3000 && !ShowsBackdrop(x, y);) {
        PumpMessages();
        Sleep(10);
    }
    return run;
}

int main(int argc, char** argv)
{
    SetProcessDPIAware();
    int nRuns = (argc > 1) ? atoi(argv[1]) : 5;
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const std::string size = DisplaySizeText(cx, cy);

    WCHAR szPath[MAX_PATH];
    GetModuleFileNameW(NULL, szPath, MAX_PATH);
    std::wstring exePath = szPath;
    exePath = exePath.substr(0, exePath.find_last_of(L"\\/") + 1) + L"OCRKelvane.exe";

    HWND hBackdrop = CreateBackdrop(cx, cy);
    // The probe: away from the centre, where no label or handle is drawn.
    int x = cx / 3, y = cy / 3;
    for (double t = NowMs(); NowMs() - t < 3000 && !ShowsBackdrop(x, y);) {
        PumpMessages();
        Sleep(10);
    }

    RunOnce(exePath, x, y);  // warm-up: the first start loads more from disk
    std::vector<double> windows, frames;
    int nFailed = 0;
    for (int i = 0; i < nRuns; ++i) {
        StartupRun run = RunOnce(exePath, x, y);
        if (!run.bPainted) {
            ++nFailed;
            continue;
        }
        windows.push_back(run.windowMs);
        frames.push_back(run.frameMs);
    }
    DestroyWindow(hBackdrop);

    if (frames.empty()) {
        PrintRow("start-up", size, "process start to first painted frame", "FAILED", "no dimmed frame seen");
        return 1;
    }
    Stats window = ComputeStats(windows), frame = ComputeStats(frames);
    std::string failures = nFailed ? Format("; %d of %d runs showed no frame", nFailed, nRuns) : "";
    PrintRow("start-up", size, "process start to window visible", MedianText(window), SpreadText(window));
    PrintRow("start-up", size, "process start to first painted frame on screen", MedianText(frame),
             SpreadText(frame) + Format("; %zu runs", frames.size()) + failures);
    return 0;
}
