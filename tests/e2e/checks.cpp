// What the picker shows on the screen and writes to its output, compared
// with what is expected of it.
#include "tests/e2e/driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

void HandleSquares(const RECT& s, RECT aSquares[8])
{
    int xMid = (s.left + s.right) / 2 - 4;
    int yMid = (s.top + s.bottom) / 2 - 4;
    const RECT squares[8] = {
        { s.left - 8, s.top - 8, s.left, s.top },          // top-left
        { s.right, s.top - 8, s.right + 8, s.top },        // top-right
        { s.right, s.bottom, s.right + 8, s.bottom + 8 },  // bottom-right
        { s.left - 8, s.bottom, s.left, s.bottom + 8 },    // bottom-left
        { xMid, s.top - 8, xMid + 8, s.top },              // top
        { s.right, yMid, s.right + 8, yMid + 8 },          // right
        { xMid, s.bottom, xMid + 8, s.bottom + 8 },        // bottom
        { s.left - 8, yMid, s.left, yMid + 8 },            // left
    };
    for (int i = 0; i < 8; i++)
        aSquares[i] = squares[i];
}

// A channel kept at about 175/255 by one dimming pass; AlphaBlend's own
// rounding may differ from this by a step or two.
static bool IsDimmed(uint32_t got, uint32_t original)
{
    auto close = [](int c, int o) { return std::abs(c * 255 - o * 175) <= 2 * 255; };
    return close(Red(got), Red(original)) && close(Green(got), Green(original)) &&
           close(Blue(got), Blue(original));
}

static std::string Describe(int x, int y, uint32_t got, const char* pszExpected, uint32_t expected)
{
    char sz[160];
    std::snprintf(sz, sizeof(sz), "at (%d, %d): 0x%06X, expected %s 0x%06X", x, y,
                  (unsigned)got, pszExpected, (unsigned)expected);
    return sz;
}

std::string OverlayDifference(const Image& screen, const RECT& s)
{
    const Image& pattern = MonitorPattern();
    if (screen.width != pattern.width || screen.height != pattern.height)
        return "the screen could not be read";

    RECT aSquares[8];
    HandleSquares(s, aSquares);
    RECT rcRing = s;
    InflateRect(&rcRing, 1, 1);
    // The hint label: 10-point text whose top stands 62 pixels above the
    // selection at scale 1.0, starting at its left edge.
    RECT rcLabel = { s.left, s.top - 62, s.left + 400, s.top - 62 + 32 };

    for (int y = 0; y < screen.height; y++) {
        for (int x = 0; x < screen.width; x++) {
            POINT pt = { x, y };
            uint32_t got = screen.At(x, y), original = pattern.At(x, y);
            bool bSquare = false;
            for (const RECT& rcSquare : aSquares)
                bSquare = bSquare || PtInRect(&rcSquare, pt);

            if (PtInRect(&s, pt)) {
                if (got != original)
                    return Describe(x, y, got, "the pattern inside", original);
            } else if (bSquare) {
                if (got != c_rgbHandle)
                    return Describe(x, y, got, "a handle", c_rgbHandle);
            } else if (PtInRect(&rcRing, pt)) {
                if (got != c_rgbFrame)
                    return Describe(x, y, got, "the frame", c_rgbFrame);
            } else if (!PtInRect(&rcLabel, pt) && !IsDimmed(got, original)) {
                return Describe(x, y, got, "the dimmed pattern, from", original);
            }
        }
    }
    return std::string();
}

// Keeps a screen that failed a check as a bitmap file in the temporary
// folder, for a look at what was shown instead; returns its path.
static std::string SaveScreenForLook(const Image& screen)
{
    static int s_nSaved;
    char szDir[MAX_PATH];
    GetTempPathA(MAX_PATH, szDir);
    std::string path = std::string(szDir) + "kelvane-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++s_nSaved) + ".bmp";

    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof(bih);
    bih.biWidth = screen.width;
    bih.biHeight = -screen.height;
    bih.biPlanes = 1;
    bih.biBitCount = 32;
    DWORD cbPixels = (DWORD)(screen.pixels.size() * 4);
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;  // "BM"
    bfh.bfOffBits = sizeof(bfh) + sizeof(bih);
    bfh.bfSize = bfh.bfOffBits + cbPixels;

    FILE* pFile = std::fopen(path.c_str(), "wb");
    if (!pFile)
        return "(not saved)";
    std::fwrite(&bfh, sizeof(bfh), 1, pFile);
    std::fwrite(&bih, sizeof(bih), 1, pFile);
    std::fwrite(screen.pixels.data(), 1, cbPixels, pFile);
    std::fclose(pFile);
    return path;
}

::testing::AssertionResult OverlayShows(const RECT& rcSel, DWORD dwTimeoutMs)
{
    std::string difference;
    Image screen;
    DWORD dwStart = GetTickCount();
    do {
        screen = ReadMonitor();
        difference = OverlayDifference(screen, rcSel);
        if (difference.empty())
            return ::testing::AssertionSuccess();
        Sleep(30);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return ::testing::AssertionFailure()
           << "overlay for (" << rcSel.left << ", " << rcSel.top << ", " << rcSel.right << ", "
           << rcSel.bottom << ") not shown: " << difference << "; the screen is in " << SaveScreenForLook(screen);
}

::testing::AssertionResult OverlayShowsNoSelection(DWORD dwTimeoutMs)
{
    const Image& pattern = MonitorPattern();
    std::string difference;
    DWORD dwStart = GetTickCount();
    do {
        Image screen = ReadMonitor();
        difference.clear();
        for (size_t i = 0; i < screen.pixels.size() && difference.empty(); i++) {
            if (!IsDimmed(screen.pixels[i], pattern.pixels[i]))
                difference = Describe((int)(i % screen.width), (int)(i / screen.width), screen.pixels[i],
                                      "the dimmed pattern, from", pattern.pixels[i]);
        }
        if (screen.pixels.size() != pattern.pixels.size())
            difference = "the screen could not be read";
        if (difference.empty())
            return ::testing::AssertionSuccess();
        Sleep(30);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return ::testing::AssertionFailure() << "not the whole monitor dimmed: " << difference;
}

::testing::AssertionResult DecodeOutput(const std::string& out, Image* pImage)
{
    if (out.empty())
        return ::testing::AssertionFailure() << "nothing was written";
    if (out.find_first_of("\r\n") != std::string::npos)
        return ::testing::AssertionFailure() << "the text holds a line break or line end";
    std::vector<BYTE> png;
    if (!Base64Decode(out, &png))
        return ::testing::AssertionFailure() << "not Base64: " << out.substr(0, 80);

    static const BYTE signature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    if (png.size() < 8 + 12 || memcmp(png.data(), signature, 8) != 0)
        return ::testing::AssertionFailure() << "no PNG signature";
    // One image: a single IEND chunk (type, then its CRC) closing the bytes.
    const std::string bytes(png.begin(), png.end());
    size_t nEnd = bytes.find("IEND");
    if (nEnd == std::string::npos || nEnd != png.size() - 8 || bytes.find("IEND", nEnd + 1) != std::string::npos)
        return ::testing::AssertionFailure() << "not exactly one PNG (" << png.size() << " bytes)";
    if (!DecodePng(png, pImage))
        return ::testing::AssertionFailure() << "the PNG does not decode";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ExportedExactly(const ProcessResult& result, const RECT& rc)
{
    if (!result.bExited)
        return ::testing::AssertionFailure() << "the picker did not end by itself";
    if (result.dwExitCode != 0)
        return ::testing::AssertionFailure() << "exit status " << result.dwExitCode;
    Image crop;
    ::testing::AssertionResult decoded = DecodeOutput(result.out, &crop);
    if (!decoded)
        return decoded;
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (crop.width != cx || crop.height != cy)
        return ::testing::AssertionFailure() << "PNG of " << crop.width << " x " << crop.height
                                             << ", expected " << cx << " x " << cy;
    long long nMismatch = FirstMismatch(crop, MonitorPattern(), rc.left, rc.top);
    if (nMismatch >= 0)
        return ::testing::AssertionFailure()
               << "PNG differs from the pattern at (" << rc.left << ", " << rc.top << ") first at crop pixel ("
               << nMismatch % cx << ", " << nMismatch / cx << ")";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult EndedWithoutOutput(const ProcessResult& result)
{
    if (!result.bExited)
        return ::testing::AssertionFailure() << "the picker did not end by itself";
    if (result.dwExitCode != 0)
        return ::testing::AssertionFailure() << "exit status " << result.dwExitCode;
    if (!result.out.empty())
        return ::testing::AssertionFailure() << "wrote " << result.out.size() << " bytes";
    return ::testing::AssertionSuccess();
}

HCURSOR CursorShown()
{
    CURSORINFO ci = {};
    ci.cbSize = sizeof(ci);
    return GetCursorInfo(&ci) ? ci.hCursor : NULL;
}

bool DisplayIs96Dpi()
{
    HDC hdc = GetDC(NULL);
    int nDpi = GetDeviceCaps(hdc, LOGPIXELSX);
    ReleaseDC(NULL, hdc);
    return nDpi == 96;
}
