// Child processes and profile values.
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
    HWND WaitForWindow(const wchar_t* pszClass, DWORD dwTimeoutMs = 30000);  // visible, top-level; NULL: none
    ProcessResult Finish(DWORD dwTimeoutMs = 30000);  // killed after the timeout; waits for the pipe's last bytes

private:
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hRead = NULL;
    std::thread m_reader;
    std::string m_out;
};

// A value under HKEY_CURRENT_USER (such as "Control Panel\Desktop" LogPixels), put back at the end of the scope.
class UserValue {
public:
    UserValue(const wchar_t* pszKey, const wchar_t* pszName, DWORD dwType, const void* pData, DWORD cbData);
    ~UserValue();

private:
    HKEY m_hKey = NULL;
    std::wstring m_name;
    DWORD m_dwType = 0;  // 0: there was no value
    std::vector<BYTE> m_old = std::vector<BYTE>(1024);
};
