#include "common/systemdll.h"

HMODULE LoadSystemLibrary(const WCHAR* pszName)
{
    HMODULE hModule = LoadLibraryExW(pszName, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (hModule || GetLastError() != ERROR_INVALID_PARAMETER)
        return hModule;
    // Systems from before the search flags (Vista, 7 without its update): the
    // full path, whose folder then comes first for the dependencies.
    WCHAR szPath[MAX_PATH];
    UINT cch = GetSystemDirectoryW(szPath, MAX_PATH);
    if (cch == 0 || cch + 1 + lstrlenW(pszName) >= MAX_PATH)
        return NULL;
    szPath[cch] = L'\\';
    lstrcpyW(szPath + cch + 1, pszName);
    return LoadLibraryExW(szPath, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}
