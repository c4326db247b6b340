// A DLL planted beside a copy of the picker under a system DLL's name: leaves "<its own path>.loaded" when loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    WCHAR szPath[MAX_PATH + 8];
    if (dwReason == DLL_PROCESS_ATTACH && GetModuleFileNameW(hInstance, szPath, MAX_PATH))
        CloseHandle(CreateFileW(lstrcatW(szPath, L".loaded"), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    return TRUE;
}
