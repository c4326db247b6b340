// The picker's figures under Wine, at the size of the display it runs on:
//   bench paint N | export N | base64 N | startup N | memory
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
#include <vector>

#include "app/globals.h"
#include "capture/overlay.h"
#include "common/gdiguards.h"
#include "export/base64.h"
#include "export/export.h"
#include "tests/kit/input.h"
#include "tests/kit/process.h"
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

static Stats Time(int nRuns, const std::function<void()>& fn)
{
    fn();
    std::vector<double> samples;
    for (int i = 0; i < nRuns; ++i) {
        double t0 = NowMs();
        fn();
        samples.push_back(NowMs() - t0);
    }
    std::sort(samples.begin(), samples.end());
    return { samples[samples.size() / 2], samples.front() };
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

// A repaint with a selection in the middle (dimmed all round, eight handles,
// the label) beside copying one frame between memory DCs, the floor of the
// painter's two full-window transfers.
static void BenchPaint(int nRuns)
{
    UseSyntheticCapture(s_cx, s_cy, TestPattern);
    SetRect(&g_tracker.m_rcSelection, s_cx / 4, s_cy / 4, s_cx * 3 / 4, s_cy * 3 / 4);
    ScopedGdiObject<HBITMAP> hbmTarget(CreateCompatibleBitmap(g_hdcCapture, s_cx, s_cy));
    ScopedMemDC hdcTarget(g_hdcCapture);
    ScopedSelect targetSelected(hdcTarget, hbmTarget);

    Stats blt = Time(nRuns, [&] { BitBlt(hdcTarget, 0, 0, s_cx, s_cy, g_hdcCapture, 0, 0, SRCCOPY); });
    // A bitmap made for one paint has new pages: the first copy into it pays for them.
    Stats fresh = Time(nRuns, [&] {
        ScopedGdiObject<HBITMAP> hbm(CreateCompatibleBitmap(hdcTarget, s_cx, s_cy));
        ScopedMemDC hdc((HDC)hdcTarget);
        ScopedSelect selected(hdc, hbm);
        BitBlt(hdc, 0, 0, s_cx, s_cy, g_hdcCapture, 0, 0, SRCCOPY);
    });
    Stats paint = Time(nRuns, [&] { PaintOverlay(hdcTarget); });
    Row("paint", "floor: memcpy of one frame", MemcpyFloor((size_t)s_cx * s_cy * 4, nRuns));
    Row("paint", "floor: BitBlt of one frame, memory DC to memory DC", blt);
    Row("paint", "a new bitmap made, one BitBlt into it, released", fresh,
        Text("; %.1fx the BitBlt floor", fresh.median / blt.median));
    Row("paint", "full repaint (PaintOverlay into a memory DC)", paint,
        Text("; %.1fx the BitBlt floor", paint.median / blt.median));
}

// A full-screen export of noise, the worst case for PNG, by stage, beside
// GDI+ saving the same image into a stream that has its room beforehand.
static void BenchExport(int nRuns)
{
    UseSyntheticCapture(s_cx, s_cy, NoisePattern);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token;
    Gdiplus::GdiplusStartup(&token, &input, NULL);
    CLSID clsidPng;
    CLSIDFromString(L"{557cf406-1a04-11d3-9a73-0000f81ef32e}", &clsidPng);
    const RECT rcAll = { 0, 0, s_cx, s_cy };

    std::vector<BYTE> png;
    Stats source = Time(nRuns, [] { Gdiplus::Bitmap bitmap(g_hbmCapture, NULL); });
    Stats encode = Time(nRuns, [&] { png.clear(), EncodeSelectionPng(g_hbmCapture, rcAll, &png); });
    Stats text = Time(nRuns, [&] { Base64Encode(png.data(), png.size()); });
    Gdiplus::Bitmap image(g_hbmCapture, NULL);
    Stats save = Time(nRuns, [&] {
        IStream* pStream = NULL;
        CreateStreamOnHGlobal(NULL, TRUE, &pStream);
        ULARGE_INTEGER cbRoom;
        cbRoom.QuadPart = (ULONGLONG)s_cx * s_cy * 4 + 65536;
        pStream->SetSize(cbRoom);
        image.Save(pStream, &clsidPng, NULL);
        pStream->Release();
    });
    double msExport = encode.median + text.median;
    Row("export", "GDI+ bitmap of the frozen image", source);
    Row("export", "crop and PNG (EncodeSelectionPng)", encode, Text("; PNG of %.1f MB", png.size() / 1048576.0));
    Row("export", "Base64 text of the PNG", text);
    Row("export", "export: crop, PNG and Base64", Text("%.0f ms", msExport),
        Text("%.2fx the PNG save alone", msExport / save.median));
    Row("export", "the PNG save alone, into a stream with room", save);
    Gdiplus::GdiplusShutdown(token);
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
    if (!pPicker->Start(SiblingPath(L"OCRKelvane.exe"), L"", StdoutMode::Pipe))
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
    if (!child.Start(SiblingPath(pszExe), L"", StdoutMode::None))
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
        if (bPicker)
            detail += Text("; %.2fx the floor", median(program, frame) / msFloor);
        if (program.nDiscarded)
            detail += Text("; %.0f runs made again, their frame not seen", program.nDiscarded);
        Row("start-up", (name + ": process start to first frame on the screen").c_str(),
            Text("%.0f ms", median(program, frame)), detail);
        Row("start-up", (name + ": 1. process start to its window existing, hidden").c_str(),
            Text("%.0f ms", median(program, [](const StartTimes& t) { return t.exists; })), "");
        Row("start-up",
            (name + (bPicker ? ": 2. window existing to visible (capture, shade, dimmed image)"
                             : ": 2. window existing to visible (capture)")).c_str(),
            Text("%.0f ms", median(program, [](const StartTimes& t) { return t.visible - t.exists; })), "");
        Row("start-up", (name + ": 3. window visible to first frame on the screen (first paint)").c_str(),
            Text("%.0f ms", median(program, [](const StartTimes& t) { return t.frame - t.visible; })),
            "medians by phase, which need not add up to the whole");
    }
}

// A whole run with a full-screen export of noise: the picker's peak working
// set, polled while it runs, as Wine no longer reports it once it has ended.
static void BenchMemory()
{
    PatternWindow noise({ 0, 0, s_cx, s_cy }, NoisePattern);
    noise.WaitUntilShown();
    ChildProcess picker;
    HWND hWnd = StartPicker(&picker);
    DWORD dwId = 0;
    GetWindowThreadProcessId(hWnd, &dwId);
    HANDLE hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, dwId);
    PostMouse(hWnd, WM_LBUTTONDOWN, 0, 0);
    PostMouse(hWnd, WM_MOUSEMOVE, 4, 4);
    PostMouse(hWnd, WM_MOUSEMOVE, s_cx, s_cy);
    PostMouse(hWnd, WM_LBUTTONUP, s_cx, s_cy);
    PostKey(hWnd, VK_RETURN, true);
    SIZE_T cbPeak = 0;
    do {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(hProcess, &counters, sizeof(counters)))
            cbPeak = std::max(cbPeak, counters.PeakWorkingSetSize);
    } while (WaitForSingleObject(hProcess, 1) == WAIT_TIMEOUT);
    CloseHandle(hProcess);
    ProcessResult result = picker.Finish(120000);
    Row("memory", "peak working set of a run with a full-screen export", Text("%.0f MB", cbPeak / 1048576.0),
        Text("frame %.1f MB; Base64 text written: %.1f MB", s_cx * (double)s_cy * 4 / 1048576.0,
             result.out.size() / 1048576.0));
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
    else if (part == "export")
        BenchExport(nRuns);
    else if (part == "base64")
        BenchBase64(nRuns);
    else if (part == "startup")
        BenchStartup(nRuns);
    else if (part == "memory")
        BenchMemory();
    else
        return fprintf(stderr, "usage: bench paint|export|base64|startup N | memory\n"), 2;
    return 0;
}
