// Child processes and profile values.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

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
    HWND WaitForWindow(const wchar_t* pszClass);  // visible, top-level, within 30 s; NULL: none
    ProcessResult Finish(DWORD dwTimeoutMs = 30000);  // killed after the timeout; waits for the pipe's last bytes

private:
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hRead = NULL;
    std::thread m_reader;
    std::string m_out;
};

// The profile values the picker reads, each set from scratch: the DPI, and the handle width (null: no value, so the
// default). A test that depends on them sets both at its start, whatever an earlier, perhaps killed, test left.
void SetProfile(DWORD dwDpi, const wchar_t* pszHandleWidth);
