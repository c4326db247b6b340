#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <string>
#include <vector>

#include "app/globals.h"
#include "export/export.h"
#include "tests/kit/process.h"
#include "tests/kit/pixels.h"
#include "tests/kit/process.h"

const int c_cx = 640, c_cy = 480;

// A frozen image as the capture makes it: a bitmap compatible with the
// screen, here holding the test pattern.
static HBITMAP MakeFrozenImage()
{
    HDC hdcScreen = GetDC(NULL);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, c_cx, c_cy);
    HBITMAP hbmPattern = MakePatternBitmap(c_cx, c_cy, TestPattern);
    HDC hdcTo = CreateCompatibleDC(hdcScreen), hdcFrom = CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOldTo = SelectObject(hdcTo, hbm), hOldFrom = SelectObject(hdcFrom, hbmPattern);
    BitBlt(hdcTo, 0, 0, c_cx, c_cy, hdcFrom, 0, 0, SRCCOPY);
    SelectObject(hdcTo, hOldTo);
    SelectObject(hdcFrom, hOldFrom);
    DeleteDC(hdcTo);
    DeleteDC(hdcFrom);
    DeleteObject(hbmPattern);
    ReleaseDC(NULL, hdcScreen);
    return hbm;
}

class CropEncoding : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&s_token, &input, NULL);
        s_hbm = MakeFrozenImage();
    }
    static void TearDownTestSuite()
    {
        DeleteObject(s_hbm);
        Gdiplus::GdiplusShutdown(s_token);
    }

    // Encodes the selection and checks the PNG is exactly the region between
    // its edges, pixel for pixel.
    void ExpectCrop(int l, int t, int r, int b)
    {
        RECT rc = { l, t, r, b };
        std::vector<BYTE> png;
        ASSERT_TRUE(EncodeSelectionPng(s_hbm, rc, &png));
        Image crop;
        ASSERT_TRUE(DecodePng(png, &crop));
        int x0 = std::min(l, r), y0 = std::min(t, b);
        ASSERT_EQ(crop.width, std::abs(r - l));
        ASSERT_EQ(crop.height, std::abs(b - t));
        Image pattern;
        pattern.width = c_cx;
        pattern.height = c_cy;
        for (int y = 0; y < c_cy; y++)
            for (int x = 0; x < c_cx; x++)
                pattern.pixels.push_back(TestPattern(x, y));
        EXPECT_EQ(FirstMismatch(crop, pattern, x0, y0), -1);
    }

    static ULONG_PTR s_token;
    static HBITMAP s_hbm;
};

ULONG_PTR CropEncoding::s_token;
HBITMAP CropEncoding::s_hbm;

TEST_F(CropEncoding, IsThePixelsBetweenTheEdgesWithRightAndBottomExcluded)
{
    ExpectCrop(37, 21, 237, 171);
    ExpectCrop(0, 0, 1, 1);
    ExpectCrop(100, 50, 117, 51);
}

TEST_F(CropEncoding, ReachesTheLastColumnAndRowAtTheEdges)
{
    ExpectCrop(c_cx - 50, c_cy - 40, c_cx, c_cy);
    ExpectCrop(0, 0, c_cx, c_cy);
}

TEST_F(CropEncoding, AnInvertedSelectionCropsTheRegionBetweenItsEdges)
{
    ExpectCrop(237, 171, 37, 21);
    ExpectCrop(237, 21, 37, 171);
}

TEST_F(CropEncoding, AnEmptySelectionEncodesNothing)
{
    for (RECT rc : { RECT{ 0, 0, 0, 0 }, RECT{ 50, 50, 50, 50 }, RECT{ 5, 5, 5, 100 }, RECT{ 5, 5, 100, 5 } }) {
        std::vector<BYTE> png;
        EXPECT_FALSE(EncodeSelectionPng(s_hbm, rc, &png));
        EXPECT_TRUE(png.empty());
    }
}

TEST_F(CropEncoding, ThePngEndsWithItsEndChunkAndNothingAfter)
{
    RECT rc = { 10, 10, 300, 200 };
    std::vector<BYTE> png;
    ASSERT_TRUE(EncodeSelectionPng(s_hbm, rc, &png));
    const BYTE signature[] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    const BYTE end[] = { 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82 };
    ASSERT_GT(png.size(), sizeof(signature) + sizeof(end));
    EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));
    EXPECT_TRUE(std::equal(end, end + 12, png.end() - 12));
}

// Runs ExportSelection once per selection given as "l,t,r,b" on the frozen
// test pattern, with stdout left to the parent. Bit i of the exit code says
// that attempt i posted the quit request.
KELVANE_CHILD(export_attempts)
{
    g_hbmCapture = MakeFrozenImage();
    g_cxScreen = c_cx;
    g_cyScreen = c_cy;
    int nQuits = 0;
    for (size_t i = 0; i < args.size(); i++) {
        RECT& rc = g_tracker.m_rcSelection;
        sscanf(args[i].c_str(), "%ld,%ld,%ld,%ld", &rc.left, &rc.top, &rc.right, &rc.bottom);
        ExportSelection();
        MSG msg;
        if (PeekMessageW(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE))
            nQuits |= 1 << i;
    }
    return nQuits;
}

static std::wstring Args(std::initializer_list<const char*> selections)
{
    std::wstring args;
    for (const char* selection : selections) {
        std::string s(selection);
        args += (args.empty() ? L"" : L" ") + std::wstring(s.begin(), s.end());
    }
    return args;
}

static void ExpectPatternText(const std::string& text, int l, int t, int r, int b)
{
    std::vector<BYTE> png;
    ASSERT_TRUE(Base64Decode(text, &png));
    Image crop;
    ASSERT_TRUE(DecodePng(png, &crop));
    ASSERT_EQ(crop.width, r - l);
    ASSERT_EQ(crop.height, b - t);
    for (int y = 0; y < crop.height; y++)
        for (int x = 0; x < crop.width; x++)
            ASSERT_EQ(crop.At(x, y), TestPattern(l + x, t + y)) << x << ", " << y;
}

TEST(ExportSelection, WritesTheCropAsBase64AndPostsTheQuit)
{
    ProcessResult result = RunChild("export_attempts", Args({ "20,30,220,130" }));
    ASSERT_TRUE(result.bExited);
    EXPECT_EQ(result.dwExitCode, 1u);
    ExpectPatternText(result.out, 20, 30, 220, 130);
}

TEST(ExportSelection, FailsSilentlyWithoutASelectionAndALaterAttemptSucceeds)
{
    // No selection yet, then a cancelled band at its anchor, then a valid one.
    ProcessResult result = RunChild("export_attempts", Args({ "0,0,0,0", "50,60,50,60", "5,6,105,56" }));
    ASSERT_TRUE(result.bExited);
    EXPECT_EQ(result.dwExitCode, 4u);
    ExpectPatternText(result.out, 5, 6, 105, 56);
}

TEST(ExportSelection, WritesOneTextPerRunHoweverOftenItIsAsked)
{
    ProcessResult result = RunChild("export_attempts", Args({ "1,2,41,32", "100,100,300,300" }));
    ASSERT_TRUE(result.bExited);
    EXPECT_EQ(result.dwExitCode, 1u);
    ExpectPatternText(result.out, 1, 2, 41, 32);
}
