// Process start to what a user sees, by phase, for the picker and in turns with it the floor (bench/floor.cpp): its
// window made (hidden), shown, its first frame on the screen, and quiet (no CPU used for 300 ms since that frame).
#include <atomic>
#include <cstdio>

#include "bench/timing.h"
#include "tests/kit/driver.h"

static const uint32_t c_rgbBackdrop = 0xC8783C, c_rgbMarker = 0x3CA0E6;

// A file of the host's /proc, through the drive Wine maps to the host's root; "" once the process has gone.
static std::string HostProc(int nPid, const char* pszFile)
{
    char sz[512];
    FILE* pFile = fopen(("Z:/proc/" + std::to_string(nPid) + "/" + pszFile).c_str(), "rb");
    size_t cb = pFile ? fread(sz, 1, sizeof(sz), pFile) : 0;
    return pFile && fclose(pFile), std::string(sz, cb);
}

// The newest of the host's processes started after nAfter whose command line holds exe (any, for ""); 0 if none.
static int NewestHostPid(const std::string& exe, int nAfter)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("Z:\\proc\\*", &fd);
    int nPid = 0;
    for (BOOL b = h != INVALID_HANDLE_VALUE; b; b = FindNextFileA(h, &fd))
        if (int n = atoi(fd.cFileName); n > std::max(nPid, nAfter) && HostProc(n, "cmdline").find(exe) != exe.npos)
            nPid = n;
    return FindClose(h), nPid;
}

// Until bStop: finds exe's host process (newer than nAfter: reading every command line through Wine takes tens of
// ms, which the start-up beside it would pay), then samples its CPU time every 5 ms, keeping when it changed last.
static void WatchCpu(std::string exe, int nAfter, double t0, std::atomic<double>& msLast, const std::atomic<bool>& bStop)
{
    int nPid = 0;
    while (!bStop && !(nPid = NewestHostPid(exe, nAfter)))
        Sleep(2);
    for (unsigned long long ns = 0, nsNow; !bStop; Sleep(5))
        if ((nsNow = strtoull(HostProc(nPid, "schedstat").c_str(), NULL, 10)) != ns)
            ns = nsNow, msLast = NowMs() - t0;
}

// rgb is c dimmed once: about 175/255 of each channel.
static bool IsDimmed(uint32_t rgb, uint32_t c)
{
    auto close = [&](int n) { return std::abs((int)(rgb >> n & 0xFF) - (int)(c >> n & 0xFF) * 175 / 255) <= 3; };
    return close(0) && close(8) && close(16);
}

enum { EXISTS, SHOWN, FRAME, QUIET, PHASES };
using StartTimes = std::vector<double>;  // ms from CreateProcess to the end of each phase; negative where not seen

// One start over the backdrop. The floor shows its capture as it is, so its frame differs from the screen only where
// the screen changed since: an 8 x 8 marker crawls right from when the window exists (both make it before they
// capture), 4 pixels a step once the screen shows the last; its last place seen shows the frame, dimmed or as before.
static StartTimes TimeStart(const std::string& exe, const wchar_t* pszClass, bool bPicker)
{
    const int y = DisplaySize().cy / 2;
    PatternWindow marker({ 0, y - 4, 8, y + 4 }, [](int, int) { return c_rgbMarker; });
    StartTimes t(PHASES, -1);
    if (!marker.WaitUntilShown().empty())
        return t;
    HWND hMarker = WindowFromPoint({ 4, y }), hWnd = NULL;  // moved behind the kit's back: it goes at the end
    auto moveMarker = [&](int x) { SetWindowPos(hMarker, NULL, x, y - 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); };
    std::atomic<double> msCpu{ -1 };  // when the program's main thread last used CPU
    std::atomic<bool> bStop{ false };
    const int nBefore = NewestHostPid("", 0);
    const double t0 = NowMs();
    std::thread watch(WatchCpu, exe, nBefore, t0, std::ref(msCpu), std::cref(bStop));
    ChildProcess child;
    const bool bStarted = child.Start(SiblingPath(std::wstring(exe.begin(), exe.end()).c_str()), StdoutMode::None);
    for (int x = 0; bStarted && t[FRAME] < 0 && NowMs() - t0 < 30000; Sleep(1)) {
        if (!hWnd && !(hWnd = FindWindowExW(NULL, NULL, pszClass, NULL)))
            continue;  // nothing to see yet: the screen and the server are left to the start-up
        if (t[EXISTS] < 0)
            t[EXISTS] = NowMs() - t0, moveMarker(x + 4);  // the marker sets off
        if (t[SHOWN] < 0 && IsWindowVisible(hWnd))
            t[SHOWN] = NowMs() - t0;
        Image strip = ReadScreen({ x + 6, y, x + 11, y + 1 });  // in the last place seen, and in the next
        uint32_t rgb = strip.At(0, 0);
        if (bPicker ? IsDimmed(rgb, c_rgbMarker) || IsDimmed(rgb, c_rgbBackdrop) : rgb == c_rgbBackdrop)
            t[FRAME] = NowMs() - t0, t[SHOWN] = t[SHOWN] < 0 ? t[FRAME] : t[SHOWN];
        else if (strip.At(4, 0) == c_rgbMarker && x + 12 < DisplaySize().cx)
            moveMarker((x += 4) + 4);
    }
    while (t[FRAME] > 0 && NowMs() - t0 < 30000 && !(msCpu > 0 && NowMs() - t0 - msCpu > 300))
        Sleep(20);
    t[QUIET] = std::max<double>(msCpu, t[FRAME]);
    bStop = true, watch.join();
    if (hWnd)
        PostMessageW(hWnd, WM_CLOSE, 0, 0);
    child.Finish(hWnd ? 30000 : 0);
    return t;
}

void BenchStartup(int nRuns)
{
    SetCursorPos(DisplaySize().cx / 2, DisplaySize().cy / 2);
    PatternWindow backdrop({ 0, 0, DisplaySize().cx, DisplaySize().cy }, [](int, int) { return c_rgbBackdrop; });
    struct Program {
        const char *pszName, *pszExe;
        const wchar_t* pszClass;
        std::vector<StartTimes> runs = {};  // the first one a warm-up
        int nRetried = 0;                   // runs not seen (no marker step between capture and show), made again
    } programs[] = { { "picker", "OCRKelvane.exe", L"OCRKelvane" }, { "floor", "kelvane_floor.exe", L"KelvaneFloor" } };
    for (int nTurn = 0; nTurn < 6 * (nRuns + 1); nTurn++) {
        Program& p = programs[(nTurn + nTurn / 2) % 2];  // picker, floor, floor, picker: each pair in the other order
        if ((int)p.runs.size() <= nRuns && backdrop.WaitUntilShown().empty()) {
            StartTimes t = TimeStart(p.pszExe, p.pszClass, &p == &programs[0]);
            t[EXISTS] > 0 && t[SHOWN] > 0 && t[FRAME] > 0 ? p.runs.push_back(t) : (void)p.nRetried++;
        }
    }
    if (programs[0].runs.size() < 2 || programs[1].runs.size() < 2)
        return (void)fprintf(stderr, "bench: a start-up's first frame was not seen\n");
    const char* const names[PHASES] = { "its window made, hidden", "shown (capture and set-up)",
                                        "its first frame on the screen", "quiet" };
    for (const Program& p : programs)
        for (int i = 0; i < PHASES; i++) {
            // Medians over the pairs of runs after the warm-up: of the phase's end and of the phase alone (which need
            // not add up), and of the picker's ratio to the floor's run beside it: the host's state drifts, and a pair
            // shares it.
            std::vector<double> end, phase, quiet, ratio;
            for (size_t r = 1; r < std::min(p.runs.size(), programs[1].runs.size()); r++) {
                end.push_back(p.runs[r][i]), phase.push_back(p.runs[r][i] - (i ? p.runs[r][i - 1] : 0));
                quiet.push_back(p.runs[r][QUIET]), ratio.push_back(p.runs[r][i] / programs[1].runs[r][i]);
            }
            double ms = Summary(end).median, msPhase = Summary(phase).median, msQuiet = Summary(quiet).median;
            std::string detail = &p == &programs[0] ? Text("%.2fx the floor's; ", Summary(ratio).median) : "";
            detail += Text("phase %.0f ms, %.0f %% of the time to quiet", msPhase, 100 * msPhase / msQuiet) +
                      Text("; %.0f runs, %.0f made again", (double)end.size(), p.nRetried);
            Row("start-up", std::string(p.pszName) + ": process start to " + names[i], Text("%.0f ms", ms), detail);
        }
}
