// The painter into a memory DC over a frame of the display's size: the whole window, in bands as the first frame is
// painted, and what the overlay says a drag step of (4, 3) of the middle selection repaints.
#include "bench/timing.h"
#include "capture/overlay.h"
#include "tests/kit/images.h"

void BenchPaint(int nRuns)
{
    const SIZE size = DisplaySize();
    SyntheticFrame synthetic(size.cx, size.cy);
    CXRectTracker tracker;
    ScopedGdiObject<HBITMAP> hbmTarget(CreateCompatibleBitmap(synthetic.frame.hdc, size.cx, size.cy));
    ScopedMemDC hdcTarget(synthetic.frame.hdc);
    ScopedSelect targetSelected(hdcTarget, hbmTarget);
    RECT rcBefore = MiddleSelection(), rcAfter = rcBefore, rcStep = {};
    OffsetRect(&rcAfter, 4, 3);
    ScopedGdiObject<HRGN> hrgnStep(SelectionChangeRegion(synthetic.frame, tracker, rcBefore, rcAfter));
    GetRgnBox(hrgnStep, &rcStep);
    tracker.m_rcSelection = rcAfter;

    Stats full = Time(nRuns, [&] { PaintOverlay(hdcTarget, { 0, 0, size.cx, size.cy }, synthetic.frame, tracker); });
    Stats step = Time(nRuns, [&] { PaintOverlay(hdcTarget, rcStep, synthetic.frame, tracker); });
    Row("paint", "the whole window (PaintOverlay of every pixel, in bands, as the first frame)", full);
    Row("paint", "a drag step's region (PaintOverlay of what the step repaints)", step,
        Text("; %.0f x %.0f region", rcStep.right - rcStep.left, rcStep.bottom - rcStep.top));
}
