// DLLs of the system that are not known DLLs, loaded from the system folder alone.
#pragma once

#include <windows.h>

// pszName from the system folder, and its dependencies from there too: never
// from the exe's folder, where a download folder may hold anything.
HMODULE LoadSystemLibrary(const WCHAR* pszName);

// The function pszName of hModule as F, or null; false when it is missing.
template <class F>
bool FindExport(HMODULE hModule, const char* pszName, F* pfn)
{
    *pfn = hModule ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(hModule, pszName))) : nullptr;
    return *pfn != nullptr;
}
