// Painting the main window: the frozen image dimmed outside the selection,
// the tracker's frame and handles, and the hint label, through a back buffer.
#pragma once

#include <windows.h>

void PaintOverlay(HDC hdc);

// Dims everything outside the rectangle (edges in any order); a rectangle of
// zero width or height dims the whole window.
void ShadeOutsideRect(HDC hdc, int left, int top, int right, int bottom);

// While no selection exists, arms g_rcHover with the whole window.
void ShadeHover(HDC hdc);

// The hint label above the selection's top-left corner.
void DrawHintLabel(HDC hdc);
void DrawLabelText(HDC hdc, int x, int y, const WCHAR* pszText);

// The label's top for an anchor top (the selection's top - 92) at a scale:
// the anchor moved down by round(30 x scale), halves away from zero.
int HintLabelY(int nHintTop, float scale);

// The label: "double-click the left mouse button to have it recognised".
extern const WCHAR c_szHintText[];
