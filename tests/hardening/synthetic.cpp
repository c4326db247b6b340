#include "tests/hardening/synthetic.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdint>

#include "app/globals.h"
#include "capture/capture.h"

Image UseSyntheticCapture(int cx, int cy)
{
    HDC hdcScreen = GetDC(NULL);
    g_cxScreen = cx;
    g_cyScreen = cy;
    SetRect(&g_rcMonitor, 0, 0, cx, cy);
    SetRect(&g_tracker.m_rcBounds, 0, 0, cx, cy);
    g_hdcCapture = CreateCompatibleDC(hdcScreen);
    g_hbmCapture = CreateCompatibleBitmap(hdcScreen, cx, cy);
    SelectObject(g_hdcCapture, g_hbmCapture);
    ReleaseDC(NULL, hdcScreen);

    HBITMAP hbmPattern = MakePatternBitmap(cx, cy, TestPattern);
    HDC hdcPattern = CreateCompatibleDC(g_hdcCapture);
    HGDIOBJ hOld = SelectObject(hdcPattern, hbmPattern);
    BitBlt(g_hdcCapture, 0, 0, cx, cy, hdcPattern, 0, 0, SRCCOPY);
    SelectObject(hdcPattern, hOld);
    DeleteDC(hdcPattern);
    DeleteObject(hbmPattern);

    CreateShadeBitmap();
    return ReadDC(g_hdcCapture, 0, 0, cx, cy);
}

// One entry of Wine's GDI handle table (its layout on every architecture).
#pragma pack(push, 1)
struct WineGdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;     // zero for a free entry
    uint8_t flags;
    uint64_t user;
};
#pragma pack(pop)

static DWORD CountWineGdiHandles()
{
#if defined(_M_IX86) || defined(__i386__)
    // The 32-bit PEB keeps the GDI handle table's address at offset 0x94.
    PROCESS_BASIC_INFORMATION pbi = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &pbi, sizeof(pbi), NULL) != 0 ||
        !pbi.PebBaseAddress)
        return 0;
    BYTE* pPeb = reinterpret_cast<BYTE*>(pbi.PebBaseAddress);
    const WineGdiHandleEntry* pTable = *reinterpret_cast<WineGdiHandleEntry**>(pPeb + 0x94);
    if (!pTable)
        return 0;
    DWORD n = 0;
    for (int i = 0; i < 0x10000; i++)
        if (pTable[i].type)
            n++;
    return n;
#else
    return 0;
#endif
}

DWORD CountGdiObjects()
{
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return n ? n : CountWineGdiHandles();
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}
