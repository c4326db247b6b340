// The crop's PNG and its Base64 text.
#include <gtest/gtest.h>

#include "export/base64.h"
#include "export/png.h"
#include "tests/kit/decoding.h"

// Crops of frozen images: the Base64 text decoded strictly (every padding case among them), compared pixel for pixel,
// each PNG byte for byte as recorded from an earlier encoder (FNV-1a, at 96 DPI, which pHYs holds). The noise row has
// 64 bytes of room: its stream must grow.
TEST(Export, CropRows)
{
    ASSERT_EQ(GetDeviceCaps(GetDC(NULL), LOGPIXELSX), 96) << "the digests were recorded at 96 DPI";
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus);
    const struct { int cx, cy; RECT rc; uint32_t (*pfnPattern)(int, int); uint64_t digest; ULONGLONG cbRoom; } rows[] = {
        { 640, 480, { 0, 0, 37, 23 }, TestPattern, 0x9b5563ea94b94284 },
        { 640, 480, { 600, 440, 640, 480 }, TestPattern, 0xd9739d102bb5dd9d },  // last row and column
        { 640, 480, { 300, 170, 100, 50 }, TestPattern, 0xc0d0a463656c8617 },   // inverted
        { 640, 480, { 5, 7, 6, 8 }, TestPattern, 0x0ed4adaae007d82d },          // one pixel
        { 640, 480, { 0, 0, 640, 480 }, NoisePattern, 0x3af5ec2b0db5ed4d, 64 },
        { 1920, 1080, { 0, 0, 1920, 1080 }, TestPattern, 0xd9c132d61509c00c },
        { 640, 480, { 200, 200, 200, 300 } }, { 640, 480, {} }, { 640, 480, { 600, 400, 680, 470 } },  // no crop
    };
    for (const auto& row : rows) {
        SyntheticFrame synthetic(row.cx, row.cy, row.pfnPattern ? row.pfnPattern : TestPattern);
        SCOPED_TRACE(RectText(row.rc));
        std::vector<BYTE> png;
        Image crop;
        ASSERT_EQ(EncodeSelectionPng(synthetic.frame, row.rc, [&](const BYTE* pb, size_t cb) { png.assign(pb, pb + cb); }, row.cbRoom),
                  row.digest != 0);
        uint64_t digest = 0xcbf29ce484222325;
        for (BYTE b : png)
            digest = (digest ^ b) * 0x100000001b3;
        EXPECT_EQ(png.empty() ? 0 : digest, row.digest);
        EXPECT_TRUE(png.size() > row.cbRoom || !row.cbRoom) << "the PNG did not outgrow its room";
        if (!png.empty()) {
            ASSERT_EQ(DecodeSinglePngText(Base64Encode(png.data(), png.size()), &crop), "");
            EXPECT_EQ(CompareCrop(crop, synthetic.image, row.rc), "");
        }
    }
}
