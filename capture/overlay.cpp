#include "capture/overlay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "capture/shade.h"
#include "common/gdiguards.h"

// The label: "double-click the left mouse button to have it recognised".
static const WCHAR c_szHintText[] = L"\u53cc\u51fb\u9f20\u6807\u5de6\u952e\u5373\u53ef\u8bc6\u522b";

// The label's top-left corner: at the selection's left edge,
// LABEL_RISE - round(LABEL_DROP x scale) above its top edge.
static const int LABEL_RISE = 92;
static const double LABEL_DROP = 30.0;

// The rows of a whole-window paint's band: about half a megabyte, which the
// caches hold. A frame-sized back buffer would cost its first touch, 32 MB at
// 4K, before the first frame.
static const int BAND_BYTES = 512 * 1024;

static void DrawHintLabel(HDC hdc, const FrozenFrame& frame, const RECT& rcSelection, const RECT& rcPaint);

// The band rcBand of the overlay into hdcBack (its buffer pbBack) and on to
// hdc, where the window is written.
static void PaintBand(HDC hdc, HDC hdcBack, BYTE* pbBack, const RECT& rcBand, const FrozenFrame& frame,
                      const CXRectTracker& tracker)
{
    // Everything is drawn in window coordinates; the buffer starts at the band's origin.
    SetWindowOrgEx(hdcBack, rcBand.left, rcBand.top, NULL);
    ComposeImage(pbBack, rcBand, frame, tracker.m_rcSelection);
    tracker.PaintFrame(hdcBack, frame.flScale);
    DrawHintLabel(hdcBack, frame, tracker.m_rcSelection, rcBand);  // last, so nothing dims it
    BitBlt(hdc, rcBand.left, rcBand.top, rcBand.right - rcBand.left, rcBand.bottom - rcBand.top, hdcBack,
           rcBand.left, rcBand.top, SRCCOPY);
}

BOOL PaintOverlay(HDC hdc, const RECT& rcAsked, const FrozenFrame& frame, const CXRectTracker& tracker)
{
    // Only what the frame holds: nothing of the window lies beyond it.
    RECT rcPaint, rcFrame = { 0, 0, frame.cx, frame.cy };
    if (!IntersectRect(&rcPaint, &rcAsked, &rcFrame))
        return TRUE;
    // The whole window (the first frame, or the window uncovered whole) goes
    // in bands of rows through one small buffer, each pixel written once with
    // its final value. Any other paint goes in one transfer, so that the
    // window never shows a selection half moved: no flicker.
    const int cx = rcPaint.right - rcPaint.left, cy = rcPaint.bottom - rcPaint.top;
    const int cyBand = EqualRect(&rcPaint, &rcFrame) ? std::clamp(BAND_BYTES / (cx * 4), 1, cy) : cy;
    BITMAPINFO bmi = {};
    bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), cx, -cyBand, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    BYTE* pbBack = NULL;
    ScopedGdiObject<HBITMAP> hbmBack(CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, (void**)&pbBack, NULL, 0));
    ScopedMemDC hdcBack(hdc);
    if (!hbmBack || !hdcBack)
        return FALSE;
    ScopedSelect backSelected(hdcBack, hbmBack);
    for (LONG y = rcPaint.top; y < rcPaint.bottom; y += cyBand)
        PaintBand(hdc, hdcBack, pbBack, { rcPaint.left, y, rcPaint.right, std::min<LONG>(y + cyBand, rcPaint.bottom) },
                  frame, tracker);
    return TRUE;
}

void ComposeImage(BYTE* pbRows, const RECT& rcPaint, const FrozenFrame& frame, const RECT& rcSelection)
{
    // Nothing is bright while the selection has no width or no height.
    RECT rcBright = NormalizedRect(rcSelection);
    if (IsRectEmpty(&rcBright))
        SetRectEmpty(&rcBright);
    const int cx = rcPaint.right - rcPaint.left;
    for (int y = rcPaint.top; y < rcPaint.bottom; y++) {
        const BYTE* pbFrozen = frame.Row(y) + rcPaint.left * 4;
        BYTE* pbRow = pbRows + (size_t)(y - rcPaint.top) * cx * 4;
        // The row's bright span, [x0, x1) of the region's columns.
        int x0 = cx, x1 = cx;
        if (y >= rcBright.top && y < rcBright.bottom) {
            x0 = std::clamp<int>(rcBright.left - rcPaint.left, 0, cx);
            x1 = std::clamp<int>(rcBright.right - rcPaint.left, x0, cx);
        }
        DimPixels(pbRow, pbFrozen, x0, frame.shade);
        memcpy(pbRow + x0 * 4, pbFrozen + x0 * 4, (size_t)(x1 - x0) * 4);
        DimPixels(pbRow + x1 * 4, pbFrozen + x1 * 4, cx - x1, frame.shade);
    }
}

// A box the label never leaves, for the selection at the frame's scale.
static RECT HintLabelBox(const FrozenFrame& frame, const RECT& rcSelection)
{
    RECT n = NormalizedRect(rcSelection);
    // round() takes halves away from zero: 37.5 at scale 1.25 gives 38.
    double d = round((double)frame.flScale * LABEL_DROP);
    POINT pt = { n.left, (LONG)(d + (n.top - LABEL_RISE)) };
    // Ten characters of a 10-point face, each about a character height wide:
    // twelve heights by two leaves room for any face's overhangs.
    int nEm = MulDiv(10, frame.nDpiY, 72);
    return { pt.x, pt.y, pt.x + 12 * nEm, pt.y + 2 * nEm };
}

static void DrawLabelText(HDC hdc, int x, int y, int nDpiY)
{
    // 10 points at the monitor's own vertical DPI: a DC's LOGPIXELSY is the
    // system's, which on a monitor of another DPI sizes the text wrongly.
    ScopedGdiObject<HFONT> hFont(CreateFontW(-MulDiv(10, nDpiY, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                             DEFAULT_CHARSET, 0, 0, 0, 0, L"Microsoft YaHei"));
    ScopedSelect fontSelected(hdc, hFont);
    SetTextColor(hdc, RGB(255, 255, 255));
    SetBkMode(hdc, TRANSPARENT);
    TextOutW(hdc, x, y, c_szHintText, lstrlenW(c_szHintText));
}

static void DrawHintLabel(HDC hdc, const FrozenFrame& frame, const RECT& rcSelection, const RECT& rcPaint)
{
    // A paint the label does not reach leaves the font alone: the first
    // frame, whose label stands above the window, needs no font lookup.
    RECT rcLabel = HintLabelBox(frame, rcSelection), rcPart;
    if (IntersectRect(&rcPart, &rcLabel, &rcPaint))
        DrawLabelText(hdc, rcLabel.left, rcLabel.top, frame.nDpiY);
}

// Everything the overlay draws differently for the selection rc than for no
// selection at all.
static RECT SelectionExtent(const FrozenFrame& frame, const CXRectTracker& tracker, const RECT& rc)
{
    RECT rcExtent = tracker.FrameExtent(rc, frame.flScale), rcLabel = HintLabelBox(frame, rc);
    UnionRect(&rcExtent, &rcExtent, &rcLabel);
    return rcExtent;
}

HRGN SelectionChangeRegion(const FrozenFrame& frame, const CXRectTracker& tracker, const RECT& rcBefore,
                           const RECT& rcAfter)
{
    if (EqualRect(&rcBefore, &rcAfter))
        return NULL;
    RECT rcOld = SelectionExtent(frame, tracker, rcBefore), rcNew = SelectionExtent(frame, tracker, rcAfter);
    HRGN hrgn = CreateRectRgnIndirect(&rcOld);
    ScopedGdiObject<HRGN> hrgnNew(CreateRectRgnIndirect(&rcNew));
    CombineRgn(hrgn, hrgn, hrgnNew, RGN_OR);
    return hrgn;
}

void InvalidateSelectionChange(HWND hWnd, const FrozenFrame& frame, const CXRectTracker& tracker, const RECT& rcBefore)
{
    if (HRGN hrgn = SelectionChangeRegion(frame, tracker, rcBefore, tracker.m_rcSelection)) {
        InvalidateRgn(hWnd, hrgn, FALSE);
        DeleteObject(hrgn);
    }
}
