#include "bench/benchutil.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/gdiguards.h"

double NowMs()
{
    static LARGE_INTEGER s_frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)s_frequency.QuadPart;
}

Stats ComputeStats(std::vector<double> samples)
{
    Stats stats;
    if (samples.empty())
        return stats;
    std::sort(samples.begin(), samples.end());
    size_t n = samples.size();
    stats.min = samples.front();
    stats.median = (n % 2) ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    // Nearest-rank percentile: the smallest sample with 90 % at or below it.
    size_t rank = (size_t)std::ceil(0.9 * (double)n);
    stats.p90 = samples[std::max<size_t>(rank, 1) - 1];
    return stats;
}

Stats TimeRuns(int nRuns, const std::function<void()>& fn)
{
    fn();  // warm-up: first-use allocations and caches are not what is measured
    std::vector<double> samples;
    for (int i = 0; i < nRuns; ++i) {
        double t0 = NowMs();
        fn();
        samples.push_back(NowMs() - t0);
    }
    return ComputeStats(samples);
}

std::string Format(const char* pszFormat, ...)
{
    char szText[512];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(szText, sizeof(szText), pszFormat, args);
    va_end(args);
    return szText;
}

void PrintRow(const std::string& area, const std::string& size, const std::string& measure,
              const std::string& figure, const std::string& detail)
{
    printf("ROW\t%s\t%s\t%s\t%s\t%s\n", area.c_str(), size.c_str(), measure.c_str(),
           figure.c_str(), detail.c_str());
    fflush(stdout);
}

std::string MedianText(const Stats& stats)
{
    return Format("%.2f ms", stats.median);
}

std::string SpreadText(const Stats& stats)
{
    return Format("min %.2f / p90 %.2f ms", stats.min, stats.p90);
}

std::string DisplaySizeText(int cx, int cy)
{
    return Format("%dx%d", cx, cy);
}

// A cheap integer hash, so the strokes look irregular but repeat every run.
static uint32_t Hash(uint32_t x, uint32_t y)
{
    uint32_t h = x * 374761393u + y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

uint32_t DesktopPixel(int x, int y)
{
    // Windows of 640 x 400 with a 40-pixel gap of gradient desktop between them.
    int wx = x % 680, wy = y % 440;
    if (wx >= 640 || wy >= 400)
        return 0x002050A0 + (uint32_t)((y * 64) / 2160);
    if (wy < 28)                                   // title bar
        return (wx > 8 && wx < 300 && wy > 8 && wy < 20 && (Hash(x / 2, y) & 3) == 0)
                   ? 0x00FFFFFF : 0x003A6EA5;
    // One window in four shows a photo: smooth colour with fine grain, which
    // compresses poorly, as photos and video frames do.
    if (((x / 680) + (y / 440) * 3) % 4 == 1) {
        uint32_t grain = Hash(x, y) & 0x0F;
        uint32_t r = (uint32_t)(wx * 200 / 640) + grain;
        uint32_t g = (uint32_t)(wy * 180 / 400) + grain;
        uint32_t b = (uint32_t)((wx + wy) * 120 / 1040) + 60 + grain;
        return (r << 16) | (g << 8) | b;
    }
    int line = (wy - 28) % 20;
    int column = wx % 320;
    // Text lines: dark glyph strokes on white, words broken by spaces.
    if (line >= 4 && line < 16 && column > 12 && column < 300 && (column / 40) % 5 != 4 &&
        (x / 6) % 7 != 0) {
        uint32_t h = Hash(x, y);
        if ((h & 7) < 3)
            return 0x00202020;
        if ((h & 7) == 3)
            return 0x00909090;
    }
    return 0x00FFFFFF;
}

// Random colours that no encoder can compress.
static uint32_t NoisePixel(int x, int y)
{
    return Hash(x, y) & 0x00FFFFFF;
}

// Draws an image of cx x cy pixels, each given by pixel(x, y), into hdc at (0, 0).
static void DrawImage(HDC hdc, int cx, int cy, uint32_t (*pixel)(int x, int y))
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pvBits = nullptr;
    ScopedGdiObject<HBITMAP> hbm(CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pvBits, NULL, 0));
    if (!hbm || !pvBits)
        return;
    uint32_t* pPixels = static_cast<uint32_t*>(pvBits);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            pPixels[(size_t)y * cx + x] = pixel(x, y);
    ScopedMemDC hdcImage(hdc);
    ScopedSelect selected(hdcImage, hbm);
    BitBlt(hdc, 0, 0, cx, cy, hdcImage, 0, 0, SRCCOPY);
}

void DrawDesktopImage(HDC hdc, int cx, int cy)
{
    DrawImage(hdc, cx, cy, DesktopPixel);
}

void DrawNoiseImage(HDC hdc, int cx, int cy)
{
    DrawImage(hdc, cx, cy, NoisePixel);
}

Stats MemcpyFloor(size_t cb, int nRuns)
{
    std::unique_ptr<BYTE[]> pSource(new BYTE[cb]);
    std::unique_ptr<BYTE[]> pTarget(new BYTE[cb]);
    // Touched first, so page faults are not counted as copying.
    memset(pSource.get(), 0x5A, cb);
    memset(pTarget.get(), 0, cb);
    volatile BYTE sink = 0;
    Stats stats = TimeRuns(nRuns, [&] {
        memcpy(pTarget.get(), pSource.get(), cb);
        sink = pTarget[cb / 2];
    });
    (void)sink;
    return stats;
}

double MegaBytes(double cb)
{
    return cb / (1024.0 * 1024.0);
}
