// Running the whole picker from a test: a known picture on the screen, the
// picker started as a child process, and mouse and key messages posted to its
// window. Posted input needs neither the focus nor the real pointer, so these
// runs do not depend on what else the display is doing.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "tests/kit/pixels.h"
#include "tests/kit/screen.h"
#include "tests/kit/process.h"

// The pattern of the test support, with every channel inverted: a second
// picture that differs from the first in every pixel.
uint32_t InvertedTestPattern(int x, int y);

// Puts the pointer at ptCursor (so that monitor is the one captured), starts
// OCRKelvane.exe with the given standard output and waits for its window.
HWND StartPicker(ChildProcess* pProcess, POINT ptCursor, StdoutMode mode = StdoutMode::Pipe);

// Mouse messages carry client positions as signed 16-bit words, as the system
// sends them to a window holding the capture.
void PostMouse(HWND hWnd, UINT uMsg, int x, int y);
// A rubber band as a user draws it: press at (x0, y0), a first move of two
// pixels that starts the band there, a move to (x1, y1) and the release.
void PostBand(HWND hWnd, int x0, int y0, int x1, int y1);
// A move of the selection: press at (x0, y0), moves to (x1, y1), release.
void PostMoveDrag(HWND hWnd, int x0, int y0, int x1, int y1);
void PostKeyUp(HWND hWnd, WORD wVk);

// out is the Base64 text, with no line end, of exactly one complete PNG
// image (signature first, the end chunk last and only once); decodes it.
::testing::AssertionResult DecodeSinglePng(const std::string& out, Image* pImage);

// The image equals the rectangle (x0, y0, x0 + width, y0 + height) of reference.
::testing::AssertionResult ImageMatches(const Image& image, const Image& reference, int x0, int y0);
