// Shared by the benchmark programs: a stopwatch, order statistics, the one
// output format the bench script turns into its table, and a test image that
// looks like a desktop (flat areas, text-like strokes) so PNG timings and
// sizes resemble a real screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Milliseconds since an arbitrary start, from the performance counter.
double NowMs();

// Median, minimum and 90th percentile of a set of timings in ms.
struct Stats {
    double median = 0;
    double min = 0;
    double p90 = 0;
};
Stats ComputeStats(std::vector<double> samples);

// Runs fn nRuns times after one untimed warm-up run and returns the timings.
Stats TimeRuns(int nRuns, const std::function<void()>& fn);

// One row of the bench table: area, size, what was measured, the figure and
// a detail column. Printed tab-separated behind a "ROW" tag on stdout.
void PrintRow(const std::string& area, const std::string& size, const std::string& measure,
              const std::string& figure, const std::string& detail = "");

std::string Format(const char* pszFormat, ...);
// "median 12.3 ms" and "min 11.9 / p90 13.0 ms".
std::string MedianText(const Stats& stats);
std::string SpreadText(const Stats& stats);

// "1920x1080" for the primary display the program runs on.
std::string DisplaySizeText(int cx, int cy);

// 0x00RRGGBB of the desktop-like test image at (x, y).
uint32_t DesktopPixel(int x, int y);
// Draws the test image into hdc at (0, 0), cx x cy.
void DrawDesktopImage(HDC hdc, int cx, int cy);
// Random colours that no encoder can compress: the PNG's worst case.
void DrawNoiseImage(HDC hdc, int cx, int cy);

// Median time of one memcpy of cb bytes between two touched buffers.
Stats MemcpyFloor(size_t cb, int nRuns);

double MegaBytes(double cb);
