// Child processes, the executable's own child functions, and profile values.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

std::wstring SiblingPath(const wchar_t* pszFile);  // beside this executable, as the build puts programs

enum class StdoutMode { Pipe, None, BrokenPipe };  // BrokenPipe: the reader is gone before the start

struct ProcessResult {
    bool bExited = false;  // ended on its own within the time given
    DWORD dwExitCode = 0;
    std::string out;       // all of its standard output
};

class ChildProcess {
public:
    ~ChildProcess() { Finish(0); }
    bool Start(const std::wstring& exePath, const std::wstring& args = L"", StdoutMode mode = StdoutMode::Pipe);
    // Its visible top-level window of that class; NULL once it ended or the time is up.
    HWND WaitForWindow(const wchar_t* pszClass, DWORD dwTimeoutMs = 30000);
    bool HasExited(DWORD dwWaitMs = 0) const;
    // Waits for the end (killing it after the timeout) and the pipe's last bytes.
    ProcessResult Finish(DWORD dwTimeoutMs = 30000);

private:
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hRead = NULL;
    std::thread m_reader;
    std::string m_out;
};

// KELVANE_CHILD(name) { ... }: "--child name ARGS..." runs it as its own process, args = ARGS.
using ChildFunction = int (*)(const std::vector<std::string>& args);
struct ChildRegistrar {
    ChildRegistrar(const char* pszName, ChildFunction pfn);
};
#define KELVANE_CHILD(name)                                                  \
    static int name(const std::vector<std::string>& args);                   \
    static ChildRegistrar s_registrar_##name(#name, name);                   \
    static int name(const std::vector<std::string>& args)
ChildFunction FindChild(const std::string& name);
ProcessResult RunChild(const char* pszName, const std::wstring& args = L"", DWORD dwTimeoutMs = 60000);

// A value under HKEY_CURRENT_USER, e.g. "Control Panel\Desktop" LogPixels or the profile's
// [windows] oleinplaceborderwidth ("Software\Microsoft\Windows NT\CurrentVersion\Windows"),
// put back as it was at the end of the scope.
class UserValue {
public:
    UserValue(const wchar_t* pszKey, const wchar_t* pszName, DWORD dwType, const void* pData, DWORD cbData);
    ~UserValue();

private:
    HKEY m_hKey = NULL;
    std::wstring m_name;
    DWORD m_dwType = 0;
    std::vector<BYTE> m_old;
};
