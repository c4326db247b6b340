#include "bench/timing.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

double NowMs()
{
    LARGE_INTEGER f, t;
    return QueryPerformanceFrequency(&f), QueryPerformanceCounter(&t), (double)t.QuadPart * 1000.0 / (double)f.QuadPart;
}

Stats Summary(std::vector<double> samples)
{
    return std::sort(samples.begin(), samples.end()), Stats{ samples[samples.size() / 2], samples.front() };
}

Stats Time(int nRuns, const std::function<void()>& fn)
{
    std::vector<double> samples;
    fn();  // the warm-up
    for (double t0; (int)samples.size() < nRuns;)
        t0 = NowMs(), fn(), samples.push_back(NowMs() - t0);
    return Summary(samples);
}

std::string Text(const char* pszFormat, double a, double b)
{
    char sz[160];
    return snprintf(sz, sizeof(sz), pszFormat, a, b), sz;
}

void Row(const char* pszArea, const std::string& measure, const std::string& figure, const std::string& detail)
{
    printf("ROW\t%s\t%ldx%ld\t%s\t%s\t%s\n", pszArea, DisplaySize().cx, DisplaySize().cy, measure.c_str(), figure.c_str(),
           detail.c_str()), fflush(stdout);
}

void Row(const char* pszArea, const std::string& measure, const Stats& stats, const std::string& detail)
{
    Row(pszArea, measure, Text("%.2f ms", stats.median), Text("min %.2f ms", stats.min) + detail);
}

SIZE DisplaySize() { return { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) }; }
RECT MiddleSelection()
{
    const LONG x = DisplaySize().cx / 2, y = DisplaySize().cy / 2;
    return { x - 400, y - 300, x + 400, y + 300 };
}

int main(int argc, char** argv)
{
    SetProcessDPIAware();
    const std::pair<const char*, void (*)(int)> parts[] = { { "paint", BenchPaint },     { "input", BenchInput },
        { "export", BenchExport }, { "startup", BenchStartup }, { "memory", BenchMemory } };
    for (const auto& [pszPart, pfnBench] : parts)
        if (argc > 1 && strcmp(argv[1], pszPart) == 0)
            return pfnBench(argc > 2 ? std::max(1, atoi(argv[2])) : 5), 0;
    return fprintf(stderr, "usage: bench paint|input|export|startup|memory N\n"), 2;
}
