#include "app/run.h"

#include <string>

#include "app/globals.h"
#include "capture/capture.h"
#include "export/base64.h"
#include "export/png.h"

void ExportSelection()
{
    if (g_bRunEnding)
        return;
    GdiplusSession gdiplus;
    if (!gdiplus)
        return EndRunFailed("GDI+ could not be loaded from the system folder or started");

    // The text is made from the PNG in its stream, not from a copy of it.
    std::string text;
    const PixelRows frozen = { g_pbCapture, g_cxScreen, g_cyScreen, g_cbCaptureStride };
    auto encode = [&](const BYTE* pbPng, size_t cbPng) { text = Base64Encode(pbPng, cbPng); };
    if (!EncodeSelectionPng(frozen, g_tracker.m_rcSelection, encode))
        return;  // no usable selection: the run goes on
    // A caller that reads only after the exit blocks the write once the pipe
    // is full: hidden first, the overlay does not cover the monitor meanwhile
    // with nothing answering.
    ShowWindow(g_hWndMain, SW_HIDE);
    WriteResultText(text);
    EndRun();
}

void EndRun()
{
    g_bRunEnding = TRUE;
    PostQuitMessage(0);
}

void EndRunFailed(const char* pszWhat)
{
    OutputDebugStringA((std::string("OCRKelvane: ") + pszWhat + "; ending with nothing written\n").c_str());
    EndRun();
}
