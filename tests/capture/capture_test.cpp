// The display scale, and the painter's output read back from a memory DC and
// held against what it must show, at 96, 120 and 144 DPI.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "tests/kit/process.h"
#include "tests/kit/screen.h"

TEST(DisplayScale, MeanDpiOver96AtLeastOneAndTheLabelOffset)
{
    const struct { int nDpiX, nDpiY; float scale; int nDrop; } rows[] = {
        { 72, 72, 1.0f, 30 },    { 96, 96, 1.0f, 30 },   { 108, 108, 1.125f, 34 }, { 120, 120, 1.25f, 38 },
        { 144, 144, 1.5f, 45 },  { 168, 168, 1.75f, 53 }, { 192, 192, 2.0f, 60 },  { 96, 120, 1.125f, 34 },
        { 240, 240, 2.5f, 75 },  { 288, 288, 3.0f, 90 },  { 0, 0, 1.0f, 30 },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ScaleFromDpi(row.nDpiX, row.nDpiY), row.scale) << row.nDpiX << " x " << row.nDpiY;
        EXPECT_EQ(HintLabelY(-92, row.scale), row.nDrop - 92) << row.scale;
    }
}

// Paints every selection row into a memory DC at this process's DPI: "" or the first wrong pixel.
static std::string PaintRows(int h, int nPen, int nRise)
{
    Image frozen = UseSyntheticCapture(400, 300);
    HDC hdcScreen = GetDC(NULL), hdc = CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = SelectObject(hdc, CreateCompatibleBitmap(hdcScreen, 400, 300));
    ReleaseDC(NULL, hdcScreen);
    auto paint = [&](RECT rc) { return g_tracker.m_rcSelection = rc, PaintOverlay(hdc), ReadDC(hdc, 0, 0, 400, 300); };
    Image dimmed = paint({ 0, 0, 0, 0 });
    std::string problem;
    for (size_t i = 0; i < dimmed.pixels.size() && problem.empty(); i++)
        for (int nShift = 0; nShift < 24; nShift += 8)  // each channel at 175/255 of its value: dimmed once
            if (std::abs((int)(dimmed.pixels[i] >> nShift & 0xFF) * 255 - (int)(frozen.pixels[i] >> nShift & 0xFF) * 175) > 255)
                problem = "no selection: pixel " + std::to_string(i) + " is not dimmed once";
    const struct { RECT rc; UINT mask; } rows[] = {
        { { 100, 100, 300, 220 }, 0xFF }, { { 300, 220, 100, 100 }, 0xFF },  // inverted, as during a drag
        { { 0, 120, 150, 200 }, 0xFF },   { { 120, 0, 250, 90 }, 0xFF },     { { 250, 120, 400, 200 }, 0xFF },
        { { 120, 200, 250, 300 }, 0xFF }, { { 0, 0, 400, 300 }, 0xFF },      { { 150, 100, 150, 200 }, 0 },
    };
    for (const auto& row : rows) {
        RECT rc = { std::min(row.rc.left, row.rc.right), std::min(row.rc.top, row.rc.bottom),
                    std::max(row.rc.left, row.rc.right), std::max(row.rc.top, row.rc.bottom) };
        RECT rcLabel = { rc.left, rc.top - nRise, rc.left + 320, rc.top - nRise + 40 };
        Image shown = paint(row.rc);
        if (!row.mask)  // a band of zero width: everything dimmed, no frame
            rc = { -9, -9, -9, -9 };
        std::string difference = problem.empty() ? CompareOverlay(shown, frozen, dimmed, rc, h, nPen, row.mask, rcLabel) : "";
        int nWhite = 0, nFrame = 0;
        for (int y = std::max(0L, rcLabel.top); y < rcLabel.bottom; y++)
            for (int x = rcLabel.left; x < std::min(400L, rcLabel.right); x++)
                nWhite += shown.At(x, y) == 0xFFFFFF;
        for (int x = rc.left - 4; row.mask && rc.left >= 4 && x < rc.left + 2; x++)
            nFrame += shown.At(x, (rc.top + rc.bottom) / 2 + h) == 0x1AAD19;
        if (!difference.empty() || (rcLabel.top >= 0 && nWhite < 40) || (rc.left >= 4 && nFrame != nPen))
            problem += "selection " + std::to_string(row.rc.left) + "," + std::to_string(row.rc.top) + ": " + difference +
                       " label pixels " + std::to_string(nWhite) + ", frame width " + std::to_string(nFrame) + "; ";
    }
    DeleteObject(SelectObject(hdc, hOld));
    DeleteDC(hdc);
    return problem;
}

// args: scale, handle side, pen width, label rise above the selection.
KELVANE_CHILD(paint_rows)
{
    SetProcessDPIAware();
    RECT rcBig = { 0, 0, 200, 200 };
    std::string problem = PaintRows(std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]));
    if (GetDisplayScale() != std::stof(args[0]) || g_tracker.ScaledHandleSize(&rcBig) != std::stoi(args[1]))
        problem += "scale " + std::to_string(GetDisplayScale()) + ", handle " + std::to_string(g_tracker.ScaledHandleSize(&rcBig));
    printf("%s", problem.c_str());
    return problem.empty() ? 0 : 1;
}

// Each DPI in a process started under it (the pen is made once per process).
TEST(Painter, SelectionRowsAt96And120And144Dpi)
{
    const struct { DWORD dwDpi; const wchar_t* pszArgs; } rows[] = {
        { 96, L"1.0 8 1 62" }, { 120, L"1.25 10 1 54" }, { 144, L"1.5 12 2 47" },
    };
    for (const auto& row : rows) {
        UserValue dpi(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &row.dwDpi, sizeof(DWORD));
        ProcessResult result = RunChild("paint_rows", row.pszArgs);
        EXPECT_TRUE(result.bExited && result.dwExitCode == 0) << row.dwDpi << " DPI: " << result.out;
    }
}
