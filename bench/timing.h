// The bench's timing and its rows. A part prints rows "ROW area size measure figure detail" (tab-separated) that
// scripts/bench gathers into one table; timings are medians of N runs after one warm-up run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct Stats { double median, min; };
double NowMs();
Stats Summary(std::vector<double> samples);
Stats Time(int nRuns, const std::function<void()>& fn);
std::string Text(const char* pszFormat, double a, double b = 0);
void Row(const char* pszArea, const std::string& measure, const std::string& figure, const std::string& detail);
void Row(const char* pszArea, const std::string& measure, const Stats& stats, const std::string& detail = "");
SIZE DisplaySize();
RECT MiddleSelection();  // 800 x 600 in the middle of the display

void BenchPaint(int nRuns);
void BenchInput(int nRuns);
void BenchExport(int nRuns);
void BenchStartup(int nRuns);
void BenchMemory(int nRuns);  // one of each
