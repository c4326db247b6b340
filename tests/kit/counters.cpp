#include "tests/kit/counters.h"

#include <psapi.h>
#include <winternl.h>

// GetGuiResources, or under Wine (which counts nothing there) the live entries of its GDI handle table (24 bytes each,
// the type at 14, 0 when free): in the PEB at 0x94 (32-bit) or 0xF8 (64-bit), or for a 32-bit process beside a 64-bit
// TEB (whose address the 32-bit TEB keeps at 0xF70) in that TEB's 64-bit PEB (at 0x60).
DWORD CountGdiObjects()
{
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return n;
    BYTE* pPeb = reinterpret_cast<BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#ifdef _WIN64
    const BYTE* pTable = *reinterpret_cast<BYTE**>(pPeb + 0xF8);
#else
    const BYTE* pTable = *reinterpret_cast<BYTE**>(pPeb + 0x94);
    ULONG ulTeb64 = *reinterpret_cast<ULONG*>(reinterpret_cast<BYTE*>(NtCurrentTeb()) + 0xF70);
    if (!pTable && ulTeb64)
        pTable = *reinterpret_cast<BYTE**>(*reinterpret_cast<ULONG*>(ulTeb64 + 0x60) + 0xF8);
#endif
    DWORD n = 0;
    for (int i = 0; pTable && i < 0x10000; i++)
        n += pTable[i * 24 + 14] != 0;
    return n;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = { sizeof(pmc) };
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}
