// The accept over noise, the worst case for PNG (GDI+ started, crop, PNG, Base64): of the middle selection, which
// should cost the same at every display size, and of the whole display.
#include "bench/timing.h"
#include "export/base64.h"
#include "export/png.h"
#include "tests/kit/images.h"

void BenchExport(int nRuns)
{
    const SIZE size = DisplaySize();
    SyntheticFrame synthetic(size.cx, size.cy, NoisePattern);
    size_t cbPng = 0;
    auto accept = [&](const RECT& rc) {
        GdiplusSession gdiplus;
        EncodeSelectionPng(synthetic.frame, rc, [&](const BYTE* pb, size_t cb) { Base64Encode(pb, cb), cbPng = cb; });
    };
    Stats middle = Time(4 * nRuns, [&] { accept(MiddleSelection()); });
    Row("export", "accept of the 800 x 600 selection", middle, Text("; PNG of %.2f MB", cbPng / 1048576.0));
    Stats whole = Time(nRuns, [&] { accept({ 0, 0, size.cx, size.cy }); });
    Row("export", "accept of the whole display", whole, Text("; PNG of %.1f MB", cbPng / 1048576.0));
}
