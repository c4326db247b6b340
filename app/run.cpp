#include "app/run.h"

#include <string>

#include "app/globals.h"
#include "export/base64.h"
#include "export/png.h"

void ExportSelection()
{
    RECT rcCrop;
    if (g_bRunEnding || !CropOfSelection(g_tracker.m_rcSelection, g_frame.cx, g_frame.cy, &rcCrop))
        return;  // no usable selection: the run goes on, and GDI+ is not started for nothing
    GdiplusSession gdiplus;
    if (!gdiplus) {
        EndRunFailed("GDI+ could not be loaded from the system folder or started");
        return;
    }

    // The text is made from the PNG in its stream, not from a copy of it.
    std::string text;
    auto encode = [&](const BYTE* pbPng, size_t cbPng) { text = Base64Encode(pbPng, cbPng); };
    if (!EncodeSelectionPng(g_frame, rcCrop, encode))
        return;  // the PNG could not be made: the run goes on
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
