// The mouse handlers that turn presses and moves into a selection.
#pragma once

#include <windows.h>

void HandleLButtonDown(int x, int y);
void HandleMouseMove(int x, int y);
void HandleSetCursor(UINT nHitTest);
