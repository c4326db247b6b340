// Base64 text and the crop's PNG.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include "app/globals.h"
#include "export/base64.h"
#include "export/export.h"
#include "tests/kit/screen.h"

TEST(Base64, RfcVectorsAlphabetAndEveryLengthTo300)
{
    const struct { std::string bytes, text; } rows[] = {
        { "", "" },           { "f", "Zg==" },         { "fo", "Zm8=" },         { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" }, { "fooba", "Zm9vYmE=" }, { "foobar", "Zm9vYmFy" }, { "\xFB\xEF\xBE", "++++" },
        { "\xFF\xFF\xFF", "////" }, { std::string(3, '\0'), "AAAA" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(Base64Encode(reinterpret_cast<const unsigned char*>(row.bytes.data()), row.bytes.size()), row.text);
    std::vector<BYTE> bytes, decoded;
    for (size_t n = 0; n <= 300; bytes.push_back((BYTE)(n * 97 + 13)), n++) {
        std::string text = Base64Encode(bytes.data(), n);
        EXPECT_EQ(text.size(), (n + 2) / 3 * 4);
        EXPECT_TRUE(Base64Decode(text, &decoded) && decoded == bytes) << n << " bytes";
    }
}

// Crops through the export's encoder, decoded and compared pixel for pixel.
// The noise rows' PNGs are about as large as their pixels, far beyond what the
// export sizes its stream for; the others are far smaller.
TEST(Export, CropRows)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, NULL), Gdiplus::Ok);
    const struct { RECT rc; uint32_t (*pfnPattern)(int, int); } rows[] = {
        { { 100, 50, 300, 170 }, TestPattern }, { { 0, 0, 37, 23 }, TestPattern },
        { { 600, 440, 640, 480 }, TestPattern }, { { 300, 170, 100, 50 }, TestPattern },  // inverted
        { { 5, 7, 6, 8 }, TestPattern },         { { 0, 0, 640, 480 }, NoisePattern },
        { { 1, 1, 639, 479 }, NoisePattern },    { { 200, 200, 200, 300 }, NoisePattern },  // empty
        { { 5, 5, 5, 5 }, NoisePattern },        { { 0, 0, 0, 0 }, NoisePattern },
    };
    Image frozen;
    for (const auto& row : rows) {
        if (row.pfnPattern != (frozen.width ? rows[&row - rows - 1].pfnPattern : nullptr))
            frozen = UseSyntheticCapture(640, 480, row.pfnPattern);
        const RECT& rc = row.rc;
        LONG cx = std::abs(rc.right - rc.left), cy = std::abs(rc.bottom - rc.top);
        std::vector<BYTE> png;
        Image crop;
        std::string name = std::to_string(rc.left) + "," + std::to_string(rc.top) + "," +
                           std::to_string(rc.right) + "," + std::to_string(rc.bottom);
        ASSERT_EQ(EncodeSelectionPng(g_hbmCapture, rc, &png), cx && cy) << name;
        if (!cx || !cy) {
            EXPECT_TRUE(png.empty()) << name;
            continue;
        }
        EXPECT_EQ(CheckSinglePng(png), "") << name;
        ASSERT_TRUE(DecodePng(png, &crop)) << name;
        EXPECT_EQ(crop.width * 10000 + crop.height, cx * 10000 + cy) << name;
        EXPECT_EQ(CompareCrop(crop, frozen, std::min(rc.left, rc.right), std::min(rc.top, rc.bottom)), "") << name;
    }
    Gdiplus::GdiplusShutdown(token);
}
