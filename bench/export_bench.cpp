// Times the export of a full-screen selection at the size of the display it
// runs on, stage by stage with the export's own GDI+ calls, end to end with
// the program's functions, and measures the peak memory of a process that
// exports the way the program does.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <psapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/globals.h"
#include "app/mainwindow.h"
#include "bench/benchutil.h"
#include "capture/capture.h"
#include "export/base64.h"
#include "export/export.h"

static const WCHAR c_szPngEncoder[] = L"{557cf406-1a04-11d3-9a73-0000f81ef32e}";

// Private bytes now and at their peak, from the process's counters.
struct MemoryFigures {
    double privateMb = 0;
    double peakPrivateMb = 0;
    double peakWorkingSetMb = 0;
};

static MemoryFigures ReadMemory()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    MemoryFigures figures;
    figures.privateMb = MegaBytes((double)pmc.PagefileUsage);
    figures.peakPrivateMb = MegaBytes((double)pmc.PeakPagefileUsage);
    figures.peakWorkingSetMb = MegaBytes((double)pmc.PeakWorkingSetSize);
    return figures;
}

// Standard output sent into a pipe that a thread drains, as the caller of
// the program reads it; put back when the object goes.
class StdoutToPipe {
public:
    StdoutToPipe()
    {
        fflush(stdout);
        HANDLE hRead = NULL, hWrite = NULL;
        CreatePipe(&hRead, &hWrite, NULL, 1 << 16);
        m_hRead = hRead;
        m_nSaved = _dup(1);
        int fd = _open_osfhandle((intptr_t)hWrite, _O_WRONLY | _O_BINARY);
        _dup2(fd, 1);
        _close(fd);
        m_reader = std::thread([this] {
            char buffer[65536];
            DWORD cbRead;
            while (ReadFile(m_hRead, buffer, sizeof(buffer), &cbRead, NULL) && cbRead)
                m_cbRead += cbRead;
        });
    }
    ~StdoutToPipe()
    {
        std::cout.flush();
        fflush(stdout);
        _dup2(m_nSaved, 1);  // closes the pipe's last write end: the reader ends
        _close(m_nSaved);
        m_reader.join();
        CloseHandle(m_hRead);
    }
    StdoutToPipe(const StdoutToPipe&) = delete;
    StdoutToPipe& operator=(const StdoutToPipe&) = delete;

private:
    HANDLE m_hRead = NULL;
    int m_nSaved = -1;
    size_t m_cbRead = 0;
    std::thread m_reader;
};

enum Stage {
    ST_STARTUP, ST_SOURCE, ST_TARGET, ST_CONTEXT, ST_THUMBNAIL, ST_DRAW, ST_DRAWN, ST_STREAM,
    ST_SAVE, ST_BYTES, ST_RELEASE, ST_BASE64, ST_DEBUGOUT, ST_STDOUT, ST_END, ST_COUNT
};

static const char* const c_apszStageNames[ST_COUNT] = {
    "GdiplusStartup",
    "source bitmap from HBITMAP",
    "blank target bitmap (w x h)",
    "drawing context + interpolation mode",
    "full-size copy (GetThumbnailImage)",
    "drawing the crop (DrawImage)",
    "context and full-size copy deleted",
    "memory stream + encoder id",
    "PNG save into the stream",
    "byte copy out of the stream",
    "stream released, target deleted",
    "Base64Encode",
    "debugger output (OutputDebugStringA)",
    "standard output (insert + flush)",
    "source disposed, GdiplusShutdown",
};

// Polls the process's private bytes every millisecond while it lives: Wine
// reports the current value as the peak, so the peak is sampled here.
class PeakPrivateSampler {
public:
    PeakPrivateSampler()
        : m_thread([this] {
              while (!m_bStop) {
                  MemoryFigures now = ReadMemory();
                  if (now.privateMb > m_peakMb)
                      m_peakMb = now.privateMb;
                  Sleep(1);
              }
          })
    {
    }
    // The peak since the last call, and a new start from the current value.
    double TakePeakMb()
    {
        double peak = std::max(m_peakMb.exchange(ReadMemory().privateMb), ReadMemory().privateMb);
        return peak;
    }
    // The larger of the sampled peak and the counter's own peak.
    double StopAndGetPeakMb()
    {
        m_bStop = true;
        m_thread.join();
        return std::max(m_peakMb.load(), ReadMemory().peakPrivateMb);
    }

private:
    std::atomic<bool> m_bStop{ false };
    std::atomic<double> m_peakMb{ 0 };
    std::thread m_thread;
};

struct StageRun {
    double ms[ST_COUNT] = {};
    double privateMb[ST_COUNT] = {};  // private bytes right after each stage
    double peakMb[ST_COUNT] = {};     // sampled peak of private bytes during each stage
    size_t cbPng = 0;
};

// One export attempt with the export's own calls in its order, each timed.
// With a sampler, also the peak of private bytes inside each stage.
static StageRun RunStages(const RECT& rc, PeakPrivateSampler* pSampler = nullptr)
{
    StageRun run;
    if (pSampler)
        pSampler->TakePeakMb();
    double t = NowMs();
    auto lap = [&](Stage stage) {
        double now = NowMs();
        run.ms[stage] = now - t;
        run.privateMb[stage] = ReadMemory().privateMb;
        if (pSampler)
            run.peakMb[stage] = pSampler->TakePeakMb();
        t = NowMs();
    };
    int w = rc.right - rc.left, h = rc.bottom - rc.top;

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, NULL);
    lap(ST_STARTUP);
    {
        Gdiplus::Bitmap source(g_hbmCapture, NULL);
        Gdiplus::PixelFormat format = source.GetPixelFormat();
        lap(ST_SOURCE);
        std::unique_ptr<Gdiplus::Bitmap> target(new Gdiplus::Bitmap(w, h, format));
        lap(ST_TARGET);
        std::unique_ptr<Gdiplus::Graphics> graphics(Gdiplus::Graphics::FromImage(target.get()));
        graphics->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        lap(ST_CONTEXT);
        UINT cySource = source.GetHeight();
        UINT cxSource = source.GetWidth();
        std::unique_ptr<Gdiplus::Image> copy(source.GetThumbnailImage(cxSource, cySource, NULL, NULL));
        lap(ST_THUMBNAIL);
        Gdiplus::RectF rcTarget(0.0f, 0.0f, (Gdiplus::REAL)w, (Gdiplus::REAL)h);
        graphics->DrawImage(copy.get(), rcTarget, (Gdiplus::REAL)rc.left, (Gdiplus::REAL)rc.top,
                            (Gdiplus::REAL)w, (Gdiplus::REAL)h, Gdiplus::UnitPixel);
        lap(ST_DRAW);
        graphics.reset();
        copy.reset();
        lap(ST_DRAWN);
        IStream* pStream = NULL;
        CreateStreamOnHGlobal(NULL, TRUE, &pStream);
        CLSID clsidPng;
        CLSIDFromString(c_szPngEncoder, &clsidPng);
        lap(ST_STREAM);
        target->Save(pStream, &clsidPng, NULL);
        lap(ST_SAVE);
        std::vector<BYTE> png;
        HGLOBAL hBlock = NULL;
        GetHGlobalFromStream(pStream, &hBlock);
        STATSTG stat = {};
        pStream->Stat(&stat, STATFLAG_NONAME);
        SIZE_T cb = (SIZE_T)stat.cbSize.QuadPart;
        const BYTE* pData = static_cast<const BYTE*>(GlobalLock(hBlock));
        png.assign(pData, pData + cb);
        GlobalUnlock(hBlock);
        run.cbPng = png.size();
        lap(ST_BYTES);
        pStream->Release();
        target.reset();
        lap(ST_RELEASE);
        std::string text = Base64Encode(png.data(), png.size());
        std::vector<BYTE>().swap(png);
        lap(ST_BASE64);
        OutputDebugStringA(text.c_str());
        lap(ST_DEBUGOUT);
        {
            StdoutToPipe toPipe;
            std::cout << text;
            std::cout.flush();
        }
        lap(ST_STDOUT);
    }
    Gdiplus::GdiplusShutdown(token);
    lap(ST_END);
    return run;
}

// Stages whose work is a whole frame: the export copies the frame into the
// source, into the full-size copy and (for a full-screen crop) into the target.
static const char* StageNote(int stage)
{
    switch (stage) {
    case ST_SOURCE: return "full-frame copy 1 (pixels into GDI+)";
    case ST_THUMBNAIL: return "full-frame copy 2";
    case ST_DRAW: return "full-frame copy 3 (1:1 crop)";
    case ST_SAVE: return "compresses one frame";
    default: return "";
    }
}

static void BenchStages(const std::string& size, int nRuns, double frameMb, double memcpyMs)
{
    RECT rc = { 0, 0, g_cxScreen, g_cyScreen };
    RunStages(rc);  // warm-up: first loads of GDI+, the codec and the pipe
    std::vector<std::vector<double>> samples(ST_COUNT);
    std::vector<double> totals;
    StageRun last;
    for (int i = 0; i < nRuns; ++i) {
        last = RunStages(rc);
        double total = 0;
        for (int s = 0; s < ST_COUNT; ++s) {
            samples[s].push_back(last.ms[s]);
            total += last.ms[s];
        }
        totals.push_back(total);
    }
    // One more run, untimed, with the memory sampled throughout.
    StageRun sampled;
    {
        PeakPrivateSampler sampler;
        Sleep(20);
        sampled = RunStages(rc, &sampler);
        sampler.StopAndGetPeakMb();
    }
    double previousMb = last.privateMb[ST_END];  // each run starts where the one before ended
    for (int s = 0; s < ST_COUNT; ++s) {
        Stats stats = ComputeStats(samples[s]);
        double heldFrames = (sampled.privateMb[s] - previousMb) / frameMb;
        double peakFrames = (sampled.peakMb[s] - previousMb) / frameMb;
        previousMb = sampled.privateMb[s];
        std::string detail;
        if (std::abs(heldFrames) >= 0.05 || peakFrames >= 0.05)
            detail = Format("memory %+.1f frames (peak %+.1f inside)", heldFrames, peakFrames);
        if (stats.median > 2 * memcpyMs)
            detail += Format("%s%.0fx memcpy of a frame", detail.empty() ? "" : ", ", stats.median / memcpyMs);
        if (*StageNote(s))
            detail += std::string(detail.empty() ? "" : "; ") + StageNote(s);
        if (s == ST_SAVE)
            detail += Format("; PNG %.2f MB (%.1f %% of the frame)", MegaBytes((double)last.cbPng),
                             100.0 * MegaBytes((double)last.cbPng) / frameMb);
        PrintRow("export stage", size, c_apszStageNames[s], MedianText(stats), detail);
    }
    Stats total = ComputeStats(totals);
    PrintRow("export", size, "sum of the stages (full-screen selection)", MedianText(total), SpreadText(total));
}

// pszImage names the test image in the row ("" for the desktop-like one).
static void BenchEndToEnd(const std::string& size, int nRuns, const char* pszImage = "")
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, NULL);
    RECT rc = { 0, 0, g_cxScreen, g_cyScreen };
    size_t cchText = 0;
    Stats stats = TimeRuns(nRuns, [&] {
        std::vector<BYTE> png;
        EncodeSelectionPng(g_hbmCapture, rc, &png);
        cchText = Base64Encode(png.data(), png.size()).size();
    });
    Gdiplus::GdiplusShutdown(token);
    PrintRow("export", size, std::string("EncodeSelectionPng + Base64Encode") + pszImage, MedianText(stats),
             SpreadText(stats) + Format("; %.2f MB of text", MegaBytes((double)cchText)));
}

// The PNG encoder alone: the frozen image saved into a stream over a block
// already larger than the PNG, so the stream never grows while it is written.
static void BenchPresizedSave(const std::string& size, int nRuns, const char* pszImage)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, NULL);
    {
        Gdiplus::Bitmap image(g_hbmCapture, NULL);
        CLSID clsidPng;
        CLSIDFromString(c_szPngEncoder, &clsidPng);
        const SIZE_T cbBlock = (SIZE_T)g_cxScreen * g_cyScreen * 4 + (1 << 20);
        std::vector<double> samples;
        ULARGE_INTEGER cbPng = {};
        for (int i = 0; i <= nRuns; ++i) {
            IStream* pStream = NULL;
            CreateStreamOnHGlobal(GlobalAlloc(GMEM_MOVEABLE, cbBlock), TRUE, &pStream);
            double t0 = NowMs();
            image.Save(pStream, &clsidPng, NULL);
            double ms = NowMs() - t0;
            LARGE_INTEGER zero = {};
            pStream->Seek(zero, STREAM_SEEK_CUR, &cbPng);
            pStream->Release();
            if (i > 0)  // the first run is a warm-up
                samples.push_back(ms);
        }
        Stats stats = ComputeStats(samples);
        PrintRow("export floor", size, std::string("PNG save alone into a pre-sized stream") + pszImage,
                 MedianText(stats), SpreadText(stats) + Format("; PNG %.2f MB", MegaBytes((double)cbPng.QuadPart)));
    }
    Gdiplus::GdiplusShutdown(token);
}

// The memory child: the program's own start-up (capture, window, first
// paint), the test image, a full-screen selection and the real export.
// Prints its counters after the Base64 text, on a line of their own.
static int RunMemoryChild(bool bNoise)
{
    PeakPrivateSampler sampler;
    SetProcessDPIAware();
    HINSTANCE hInstance = GetModuleHandleW(NULL);
    lstrcpyW(g_szTitle, L"OCRKelvane");
    lstrcpyW(g_szWindowClass, L"KelvaneExportBench");
    RegisterMainWindowClass(hInstance);
    if (!CreateMainWindow(hInstance))
        return 1;
    if (bNoise)
        DrawNoiseImage(g_hdcCapture, g_cxScreen, g_cyScreen);
    else
        DrawDesktopImage(g_hdcCapture, g_cxScreen, g_cyScreen);
    SetRect(&g_tracker.m_rcSelection, 0, 0, g_cxScreen, g_cyScreen);
    InvalidateRect(g_hWndMain, NULL, FALSE);
    UpdateWindow(g_hWndMain);

    MemoryFigures before = ReadMemory();
    ExportSelection();
    double peakPrivateMb = sampler.StopAndGetPeakMb();
    MemoryFigures after = ReadMemory();
    std::cout << Format("\nMEM %.1f %.1f %.1f %.1f\n", before.peakWorkingSetMb, before.privateMb,
                        after.peakWorkingSetMb, peakPrivateMb);
    std::cout.flush();
    return 0;
}

// Starts this program as the memory child and reads what it printed.
static void BenchPeakMemory(const std::string& size, double frameMb, bool bNoise = false)
{
    WCHAR szExe[MAX_PATH];
    GetModuleFileNameW(NULL, szExe, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(szExe) + L"\" --memory" + (bNoise ? L" noise" : L"");
    const char* pszImage = bNoise ? ", noise image" : "";

    SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
    HANDLE hRead = NULL, hWrite = NULL;
    CreatePipe(&hRead, &hWrite, &sa, 0);
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    BOOL bStarted = CreateProcessW(szExe, &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi);
    CloseHandle(hWrite);
    std::string out;
    if (bStarted) {
        char buffer[65536];
        DWORD cbRead;
        while (ReadFile(hRead, buffer, sizeof(buffer), &cbRead, NULL) && cbRead)
            out.append(buffer, cbRead);
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(hRead);

    size_t nMarker = out.rfind("\nMEM ");
    double wsBefore = 0, pfBefore = 0, wsAfter = 0, pfAfter = 0;
    if (nMarker == std::string::npos || nMarker == 0 ||
        sscanf(out.c_str() + nMarker, "\nMEM %lf %lf %lf %lf", &wsBefore, &pfBefore, &wsAfter, &pfAfter) != 4) {
        PrintRow("memory", size, "full-screen export in a child process", "FAILED", "no figures from the child");
        return;
    }
    PrintRow("memory", size, std::string("before the export (window shown and painted)") + pszImage,
             Format("peak working set %.0f MB", wsBefore), Format("private %.0f MB now", pfBefore));
    PrintRow("memory", size, std::string("whole run with a full-screen export") + pszImage,
             Format("peak working set %.0f MB", wsAfter),
             Format("peak private %.0f MB (sampled), export added %.0f MB = %.1f frames; %.2f MB of text out",
                    pfAfter, pfAfter - pfBefore, (pfAfter - pfBefore) / frameMb, MegaBytes((double)nMarker)));
}

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "--memory") == 0)
        return RunMemoryChild(argc > 2 && strcmp(argv[2], "noise") == 0);

    SetProcessDPIAware();
    int nRuns = (argc > 1) ? atoi(argv[1]) : 5;
    CaptureMonitor();
    DrawDesktopImage(g_hdcCapture, g_cxScreen, g_cyScreen);
    const std::string size = DisplaySizeText(g_cxScreen, g_cyScreen);
    const double frameMb = MegaBytes((double)g_cxScreen * g_cyScreen * 4);

    Stats memcpyFloor = MemcpyFloor((size_t)g_cxScreen * g_cyScreen * 4, 20);
    PrintRow("export floor", size, Format("memcpy of one frame (%.1f MB)", frameMb), MedianText(memcpyFloor),
             SpreadText(memcpyFloor));
    BenchStages(size, nRuns, frameMb, memcpyFloor.median);
    BenchEndToEnd(size, nRuns);
    BenchPeakMemory(size, frameMb);

    // The worst case for the stream: a PNG about as large as the frame.
    DrawNoiseImage(g_hdcCapture, g_cxScreen, g_cyScreen);
    BenchPresizedSave(size, nRuns, ", noise image");
    BenchEndToEnd(size, nRuns, ", noise image");
    BenchPeakMemory(size, frameMb, true);
    return 0;
}
