// Base64 text and the crop's PNG.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include "app/globals.h"
#include "export/base64.h"
#include "export/export.h"
#include "tests/kit/screen.h"

// Each padding case and the alphabet's ends; long texts meet the kit's strict decoder in the crop rows.
TEST(Base64, RfcVectorsAndAlphabet)
{
    const struct { std::string bytes, text; } rows[] = {
        { "", "" },     { "f", "Zg==" },    { "fo", "Zm8=" },    { "foo", "Zm9v" },   { "foobar", "Zm9vYmFy" },
        { "\xFB\xEF\xBE", "++++" }, { "\xFF\xFF\xFF", "////" }, { std::string(3, '\0'), "AAAA" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(Base64Encode(reinterpret_cast<const unsigned char*>(row.bytes.data()), row.bytes.size()), row.text);
}

// Crops through the export, decoded and compared pixel for pixel; the noise PNG outgrows the stream's first room.
TEST(Export, CropRows)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, NULL), Gdiplus::Ok);
    const struct { RECT rc; uint32_t (*pfnPattern)(int, int); } rows[] = {
        { { 0, 0, 37, 23 }, TestPattern },      { { 600, 440, 640, 480 }, TestPattern },  // last row and column
        { { 300, 170, 100, 50 }, TestPattern }, { { 5, 7, 6, 8 }, TestPattern },          // inverted; one pixel
        { { 0, 0, 640, 480 }, NoisePattern },   { { 200, 200, 200, 300 }, TestPattern },  // empty
        { { 0, 0, 0, 0 }, TestPattern },
    };
    for (const auto& row : rows) {
        Image frozen = UseSyntheticCapture(640, 480, row.pfnPattern), crop;
        const RECT& rc = row.rc;
        LONG cx = std::abs(rc.right - rc.left), cy = std::abs(rc.bottom - rc.top);
        std::vector<BYTE> png;
        SCOPED_TRACE(std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right));
        ASSERT_EQ(EncodeSelectionPng(g_hbmCapture, rc, &png), cx && cy);
        if (!cx || !cy) {
            EXPECT_TRUE(png.empty());
            continue;
        }
        ASSERT_EQ(DecodeSinglePngText(Base64Encode(png.data(), png.size()), &crop), "");
        EXPECT_EQ(CompareCrop(crop, frozen, rc), "");
    }
    Gdiplus::GdiplusShutdown(token);
}
