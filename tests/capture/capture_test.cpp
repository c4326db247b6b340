// The display scale, and the painter's output read back from a memory DC at 96, 120 and 144 DPI.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "capture/capture.h"
#include "capture/overlay.h"
#include "tests/kit/process.h"
#include "tests/kit/screen.h"

TEST(DisplayScale, MeanDpiOver96AtLeastOneAndTheLabelOffset)
{
    const struct { int nDpiX, nDpiY; float scale; int nDrop; } rows[] = {
        { 72, 72, 1.0f, 30 },    { 96, 96, 1.0f, 30 },     { 120, 120, 1.25f, 38 }, { 144, 144, 1.5f, 45 },
        { 168, 168, 1.75f, 53 }, { 96, 120, 1.125f, 34 }, { 0, 0, 1.0f, 30 },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ScaleFromDpi(row.nDpiX, row.nDpiY), row.scale) << row.nDpiX << " x " << row.nDpiY;
        EXPECT_EQ(HintLabelY(-92, row.scale), row.nDrop - 92) << row.scale;
    }
}

// Run by the next test in a process started under each DPI, as the pen is made once per process.
// KELVANE_PAINT_ROW: the scale, handle side, pen width and label rise above the selection expected.
TEST(Painter, DISABLED_RowsAtThisDpi)
{
    float scale = 0;
    int h = 0, nPen = 0, nRise = 0;
    const char* pszRow = getenv("KELVANE_PAINT_ROW");
    ASSERT_TRUE(pszRow && sscanf(pszRow, "%f %d %d %d", &scale, &h, &nPen, &nRise) == 4);
    SetProcessDPIAware();
    EXPECT_EQ(GetDisplayScale(), scale);
    Image frozen = UseSyntheticCapture(400, 300);
    HDC hdc = CreateCompatibleDC(g_hdcCapture);
    HGDIOBJ hOld = SelectObject(hdc, CreateCompatibleBitmap(g_hdcCapture, 400, 300));
    auto paint = [&](RECT rc) { return g_tracker.m_rcSelection = rc, PaintOverlay(hdc), ReadDC(hdc, 0, 0, 400, 300); };
    Image dimmed = paint({ 0, 0, 0, 0 });
    for (size_t i = 0; i < dimmed.pixels.size(); i++)
        for (int nShift : { 0, 8, 16 })  // no selection: each channel at 175/255, dimmed once
            ASSERT_NEAR((dimmed.pixels[i] >> nShift & 0xFF) * 255, (frozen.pixels[i] >> nShift & 0xFF) * 175, 255)
                << "pixel " << i;
    const RECT rows[] = {
        { 100, 100, 300, 220 }, { 300, 220, 100, 100 },  // in the middle; inverted, as during a drag
        { 0, 120, 150, 200 },   { 120, 0, 250, 90 },     { 250, 120, 400, 200 }, { 120, 200, 250, 300 },
        { 0, 0, 400, 300 },     { 150, 100, 150, 200 },  // a band of zero width: all dimmed, no frame
    };
    for (const RECT& row : rows) {
        RECT rc = { std::min(row.left, row.right), std::min(row.top, row.bottom), std::max(row.left, row.right),
                    std::max(row.top, row.bottom) };
        RECT rcLabel = { rc.left, rc.top - nRise, rc.left + 320, rc.top - nRise + 40 };
        bool bFrame = !IsRectEmpty(&rc);
        Image shown = paint(row);
        EXPECT_EQ(CompareOverlay(shown, frozen, dimmed, rc, h, bFrame ? nPen : 0, bFrame ? 0xFF : 0, rcLabel), "")
            << row.left << "," << row.top;
        // The label's glyphs; the frame's width across the left edge, below the middle handle.
        int nWhite = 0, nFrame = 0;
        for (int y = std::max(0L, rcLabel.top); y < rcLabel.bottom; y++)
            for (int x = rcLabel.left; x < std::min(400L, rcLabel.right); x++)
                nWhite += shown.At(x, y) == 0xFFFFFF;
        for (int x = std::max(0L, rc.left - 4); x < rc.left + 2; x++)
            nFrame += shown.At(x, (rc.top + rc.bottom) / 2 + h) == 0x1AAD19;
        EXPECT_TRUE((rcLabel.top < 0 || nWhite >= 40) && (rc.left < 4 || !bFrame || nFrame == nPen))
            << row.left << "," << row.top << ": " << nWhite << " label pixels, frame " << nFrame;
    }
    DeleteObject(SelectObject(hdc, hOld));
    DeleteDC(hdc);
}

TEST(Painter, RowsAt96And120And144Dpi)
{
    const struct { DWORD dwDpi; const char* pszRow; } rows[] = {
        { 96, "1.0 8 1 62" }, { 120, "1.25 10 1 54" }, { 144, "1.5 12 2 47" },
    };
    for (const auto& row : rows) {
        UserValue dpi(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &row.dwDpi, sizeof(DWORD));
        SetEnvironmentVariableA("KELVANE_PAINT_ROW", row.pszRow);
        ChildProcess child;
        child.Start(SiblingPath(L"capture_tests.exe"), L"--gtest_also_run_disabled_tests --gtest_filter=*AtThisDpi");
        ProcessResult result = child.Finish(60000);
        EXPECT_NE(result.out.find("[  PASSED  ] 1 test"), std::string::npos) << row.dwDpi << " DPI:\n" << result.out;
    }
}
